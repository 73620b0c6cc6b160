#pragma once

#include "app/modGlobal.h"
#include "errors/runtimeError.h"
#include "store/connection.h"
#include "store/fetchedRating.h"

#include <functional>
#include <memory>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <span>

namespace store {
class Transaction;
struct OpenFailure;
} // namespace store

// The feedback store: the one connection (modGlobal::cnDB) and every read,
// write and deletion on its tables. Every value is a bound parameter; no
// text of the caller ever becomes SQL.
namespace modData {

// A collection that a reader returns, or "Nothing": a reader left through the
// error dialog before its last step returns no collection at all. Using a
// Nothing (items, Count, Item, iteration) is run-time error 91.
template <class T> class Collection {
public:
    Collection() = default; // Nothing
    Collection(QList<T> items) : m_items(std::move(items)), m_set(true) {}

    bool isNothing() const { return !m_set; }
    const QList<T>& items() const {
        if (!m_set)
            errors::raise(errors::RuntimeError::ObjectNotSet);
        return m_items;
    }
    qsizetype Count() const { return items().size(); }
    // 1-based, as the program counts; out of range is run-time error 9.
    const T& Item(qsizetype index) const {
        const QList<T>& list = items();
        if (index < 1 || index > list.size())
            errors::raise(errors::RuntimeError::SubscriptOutOfRange);
        return list.at(index - 1);
    }
    auto begin() const { return items().begin(); }
    auto end() const { return items().end(); }

private:
    QList<T> m_items;
    bool m_set = false;
};

// Bewertungszahl, Bewertungstext, KV, Datum ("dd.mm.yyyy hh:mm"), Ebayuser,
// Artikel.
using RatingRow = QStringList;
// At most 200 rows from modGlobal::lSeitenAnfang on, newest first.
using Page = Collection<RatingRow>;

inline constexpr qint32 kPageSize = feedback::kPageSize;

// The own ratings (Bewertungeneigen) or those of foreign members
// (BewertungenTemp).
enum class Table { Own, Temp };

// Reads the configuration, then opens the database at sDatenbankPfad into
// cnDB. A configuration error goes to the caller. A database that cannot be
// opened (no path, no file, wrong key, no database, damaged, read-only,
// locked, of a newer version) shows " Die Datenbank ist zur Zeit nicht
// erreichbar." and ends the process; the cause goes to the error protocol
// log first, and to the open failure report after the message. A command
// that only reads opens the file with Access::Read.
void InitDB(store::Access access = store::Access::Write);

// Told why InitDB could not open the database, just before the process ends
// (a console tool prints it). Empty to stop.
void setOpenFailureReport(std::function<void(const store::OpenFailure&)> report);

// "" for Null, else the value as text.
QString funcCheckNull(const QVariant& vWert);

// ---- reads
qint32 read_Anzahl(const QString& sUser);
qint32 read_AnzahlTemp(const QString& sUser);
bool read_UserTemp(const QString& sUser);
// Database is the own table ("Bewertungeneigen") or the foreign one
// ("BewertungenTemp"), in any letter case; anything else is an error.
qint32 read_BewertungenPosZahl(const QString& sUser, qint32 Bewertungszahl,
                               const QString& Database);
Collection<QString> read_AllUserTemp();
// Has no error handler: its errors go to the caller. lSeitenAnfang below 1 or
// beyond the last row of a non-empty result is an error.
// With details, each row also holds the rating's id and reply (columns 6
// and 7), for the list's reply line and its menu.
Page read_Bewertungen(const QString& sUser, bool details = false);
Page read_BewertungenTemp(const QString& sUser, bool details = false);
Page read_BewertungenPos(const QString& sUser, qint16 Bewertungszahl, bool details = false);
Page read_BewertungenPosTemp(const QString& sUser, qint16 Bewertungszahl, bool details = false);
// Pos1-3, Neu1-3, Neg1-3, Profil, Prozent, Gesamt, Datum, then "nix"; or just
// "nix" when the member has no overview.
Collection<QString> read_UebersichtBewertungen(const QString& sUser);

// One page of a member's ratings from firstRow (1-based) on, newest first;
// kind 0 for every kind. Throws RuntimeError: a firstRow outside a non-empty
// result is -2146825287 as for the readers above. Each row also holds the
// rating's id and reply (columns 6 and 7), as the history readers give them.
QList<RatingRow> readPage(Table table, const QString& member, qint16 kind, qint32 firstRow);

// Told the row count while read_Bewertungen reads a page (the main window's
// progress bar). Empty to stop.
void setPageProgress(std::function<void(qint32)> progress);

// ---- writes: True when stored, False on any failure (no message; a date
// that cannot be read shows toDate's error dialog first). FeedbackID is the
// marketplace's id of the rating, when the source delivers one: a rating
// already stored with the same member and id is left as it is, and that
// counts as stored. sz is accepted and not used.
[[nodiscard]] bool save_Bewerungen(qint16 Bewertungszahl, const QString& Bewertungstext,
                                   const QString& KV, const QString& Datum, const QString& EbayUser,
                                   const QString& Artikel, const QString& sUser, qint32 sz,
                                   const QString& FeedbackID = {});
// An empty Artikel is stored as "???", which is left in the caller's variable.
[[nodiscard]] bool save_BewertungenTemp(qint16 Bewertungszahl, const QString& Bewertungstext,
                                        const QString& KV, const QString& Datum,
                                        const QString& EbayUser, QString& Artikel,
                                        const QString& sUser, qint32 sz,
                                        const QString& FeedbackID = {});
// Uebersicht(1 to 11): nine counts, the profile number, the percentage text.
[[nodiscard]] bool save_UebersichtBewertungen(const QStringList& Uebersicht, qint32 Gesamt,
                                              const QString& sUser);

// ---- ratings fetched by a load run. These throw RuntimeError on a failure
// of the database; inside a batch a fault breaks the batch as for the
// writers above.

// Which of a page's ratings the member already has stored: id -> whether
// the stored row is complete (kind and date known).
QHash<QString, bool> knownRatings(Table table, const QString& member,
                                  const std::vector<store::FetchedRating>& page);

struct MemberCounts {
    qint32 real = 0;         // every row but the placeholders and those no longer listed
    qint32 placeholders = 0; // rows for ratings the marketplace counted but did not deliver
};
MemberCounts countsOf(Table table, const QString& member);

enum class Saved { Added, Known, Completed, Replied };
// Stores a rating under its id; one already stored is left as it is, unless
// the stored row lacks the kind or date that this one has (Completed), or
// this one brings a reply or follow-up that differs from the stored one
// (Replied, when nothing else changed: only those columns are written).
// Text, reply, follow-up and giver are
// HTML-decoded; an empty giver is stored as "???", and so is an empty item
// number in the foreign table. An unreadable date is stored as none.
[[nodiscard]] Saved saveFetched(Table table, const QString& member,
                                const store::FetchedRating& rating);

// Stores ratings that the member has none of yet, no two with the same id,
// as saveFetched would: eighty in one statement, so that the full-text
// index takes each eighty in one piece (every statement of a transaction
// makes it write out what it holds). Returns how many were added.
inline constexpr size_t kNewAtOnce = 80;
[[nodiscard]] qint32 addNewFetched(Table table, const QString& member,
                                   std::span<const store::FetchedRating> ratings);

// Removes every rating of the member from the table (inside a batch: with it).
void removeMember(Table table, const QString& member);

// Adds or removes the member's placeholder rows (own table) until there are
// `wanted`; returns the change.
[[nodiscard]] qint32 setPlaceholders(const QString& member, qint32 wanted);

// ---- deletions: the result is always False.
bool deleteTempUser(const QString& sUser);
bool deleteUebersichtUser(const QString& sUser);
bool delete_Eigene_Bewertungen();

// A local date text ("22.11.2004 14:03:59") in the stored form
// "2004-11-22 14:03", seconds dropped. A text that is no date is the error
// dialog's; a left toDate returns what it had built.
QString toDate(const QString& Datum);
// "Alle erhaltenen Bewertungen" becomes "-", in Text too.
QString checknull(QString& Text);

// ---- batches
//
// A load run is stored all or nothing:
//
//     auto batch = modData::beginBatch();
//     for (const QString& line : colNeueBewertungen)
//         modData::save_Bewerungen(...);   // False for a line that failed
//     if (!batch.commit())                 // nothing of it is stored
//         app::MsgBox(...);                // commit() itself shows nothing
//
// Inside a batch every write and read goes through the batch's transaction
// (reads see the rows saved so far). A single failed save returns False and
// the batch goes on. A fault of the file or the disk (full, I/O error) breaks
// the batch: every later save returns False at once and commit() stores
// nothing. A batch that ends without commit() is rolled back, and so is one
// whose process is killed. One batch at a time.
class Batch {
public:
    Batch(Batch&& other) noexcept;
    Batch& operator=(Batch&&) = delete;
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;
    ~Batch();

    // Stores the batch; false when nothing of it was stored. Shows nothing:
    // the caller tells the user (fault() says why).
    bool commit();
    void rollback();
    // Broken by a fault (or never begun): commit() will store nothing.
    bool failed() const;
    // The database's message for the fault that broke the batch, if any.
    QString fault() const;

    struct State; // the store's own

private:
    friend Batch beginBatch();
    explicit Batch(std::shared_ptr<State> state) : m_state(std::move(state)) {}
    std::shared_ptr<State> m_state;
};

// Begins a batch on cnDB. When it cannot begin (the error dialog was left), the
// batch is failed from the start and stores nothing.
[[nodiscard]] Batch beginBatch();

} // namespace modData
