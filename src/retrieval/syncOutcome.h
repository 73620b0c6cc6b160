#pragma once

#include "store/fetchedRating.h"

#include <functional>
#include <optional>
#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

namespace retrieval {

// How a run that loads a member's ratings ended, and what it stored.
struct SyncOutcome {
    enum class Kind {
        Stored,        // every rating looked for was loaded and stored (or none was new)
        NothingNew,    // the marketplace had nothing the store lacks
        Declined,      // the user did not want the new ratings loaded
        UnknownMember, // the marketplace does not know the member
        NoConnection,  // the marketplace could not be asked; nothing was loaded
        CutShort,      // a connection error during loading: what arrived is stored
        Cancelled,     // the user cancelled: what arrived is stored
        Failed,        // the ratings could not be stored, or the settings are wrong
    };
    Kind kind = Kind::Failed;
    qint32 added = 0;         // ratings stored by this run
    qint32 remaining = 0;     // new ratings still at the marketplace, for the next run
    qint32 placeholders = 0;  // placeholder rows added (or, negative, removed)
    bool storeFailed = false; // Failed because the batch was not stored
    qint32 withoutId = 0;     // entries skipped for want of an id
    qint32 withoutKind = 0;   // entries skipped for want of a kind
    QString detail;           // German: what went wrong, for the CLI and the log
};

// The ratings a run fetched, before anything is stored.
struct FetchResult {
    SyncOutcome::Kind end = SyncOutcome::Kind::Failed; // Stored: the run ended as planned
    std::vector<store::FetchedRating> ratings;         // new to the store, or completing it
    qint32 asked = 0;                                  // new ratings the run looked for
    qint32 reportedTotal = 0;                          // the member's total at the marketplace
    bool readToEnd = false;                            // the member's list was read to its end
    qint32 duplicates = 0;                             // entries of the list that repeated a rating
    qint16 errorNumber = 0;                            // of a connection error
    QString detail;
    QStringList profile; // a profile request's eleven values, when they arrived
    // For the main window's flag: whether nothing is to be stored, when the
    // run decided it.
    std::optional<bool> keineBewertungen;
    bool abort = false;         // the member was not found or the user cancelled
    bool errorReported = false; // an error was reported while the run lasted
    bool signInNeeded = false;  // the member's sign-in ran out or was revoked
    // A full check: every listed rating's id and state, and the entries it
    // skipped for want of an id or a kind.
    QHash<QString, QString> listed;
    qint32 withoutId = 0;
    qint32 withoutKind = 0;
};

// Stores what a run of the standard user's own ratings fetched, in one batch,
// and says how the run ended. progress is told how many ratings were handed
// to the store.
[[nodiscard]] SyncOutcome storeOwnRun(const FetchResult& fetched, const QString& member,
                                      const std::function<void(qint32)>& progress = {});

// "1 neue Bewertung", "12 neue Bewertungen".
QString neueBewertungen(qint32 n);
// "1 Bewertung", "12 Bewertungen".
QString bewertungen(qint32 n);

// "1 Eintrag ohne Kennung übersprungen." and the like, for the entries a run
// could not store; empty when there were none.
QString skippedEntries(qint32 withoutId, qint32 withoutKind);

// What the user is told after a run that did not simply work out; empty when
// the window has nothing to add (the list shows the result).
QString outcomeMessage(const SyncOutcome& outcome);

} // namespace retrieval
