#include "store/buyerRatings.h"

#include "base/clock.h"

namespace store {

namespace {

using State = BuyerRatingEntry::State;

const char* stateText(State state) {
    switch (state) {
    case State::Sent:
        return "gesendet";
    case State::Done:
        return "erledigt";
    case State::Refused:
        return "abgelehnt";
    }
    return "gesendet";
}

State stateOf(const QString& text) {
    if (text == QLatin1String("erledigt"))
        return State::Done;
    if (text == QLatin1String("abgelehnt"))
        return State::Refused;
    return State::Sent;
}

} // namespace

// Schluessel is the order line, or listing and transaction; Zustand
// 'gesendet', 'erledigt' or 'abgelehnt'; Zeit local "yyyy-MM-dd hh:mm:ss".
const char* buyerRatingSql() {
    return R"SQL(
CREATE TABLE Kaeuferbewertungen (
    Schluessel TEXT PRIMARY KEY,
    Usereigen TEXT COLLATE NOCASE,
    Artikel TEXT,
    Titel TEXT,
    Kommentar TEXT,
    Zustand TEXT NOT NULL,
    Zeit TEXT,
    Meldung TEXT
);
CREATE INDEX Kaeuferbewertungen_Usereigen ON Kaeuferbewertungen (Usereigen);
)SQL";
}

std::optional<BuyerRatingEntry> buyerRating(Connection& connection, const QString& key) {
    auto q = connection.cached("SELECT Schluessel, Usereigen, Artikel, Titel, Kommentar, Zustand, "
                               "Zeit, Meldung FROM Kaeuferbewertungen WHERE Schluessel = ?1");
    q->bind(1, key);
    if (!q->next())
        return std::nullopt;
    return BuyerRatingEntry{q->text(0), q->text(1),          q->text(2), q->text(3),
                            q->text(4), stateOf(q->text(5)), q->text(6), q->text(7)};
}

void recordBuyerRating(Connection& connection, const BuyerRatingEntry& entry) {
    auto q = connection.cached(
        "INSERT OR REPLACE INTO Kaeuferbewertungen (Schluessel, Usereigen, Artikel, Titel, "
        "Kommentar, Zustand, Zeit, Meldung) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
    q->bind(1, entry.key)
        .bind(2, entry.member)
        .bind(3, entry.listingId)
        .bind(4, entry.title)
        .bind(5, entry.comment)
        .bind(6, QString::fromLatin1(stateText(entry.state)))
        .bind(7, base::Clock::now().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")))
        .bind(8, entry.message);
    q->run();
}

qint64 buyerRatingCount(Connection& connection, const QString& member) {
    auto q = connection.cached("SELECT count(*) FROM Kaeuferbewertungen WHERE Usereigen = ?1");
    q->bind(1, member);
    return q->next() ? q->int64(0) : 0;
}

} // namespace store
