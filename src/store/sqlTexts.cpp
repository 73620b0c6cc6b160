#include "store/sqlTexts.h"

#include "store/ratingState.h"

namespace store::sql {

#define NS_COLUMNS                                                                                 \
    "SELECT Bewertungszahl, " NS_SHOWN_TEXT                                                        \
    ", KV, Datum, Ebayuser, Artikel, FeedbackID, Antwort, "                                        \
    "ID FROM "

const Queries kOwn{
    "SELECT ifnull(sum(Anzahl), 0) FROM Anzahlen WHERE Tabelle = 'eigen' AND Usereigen = ?1",
    "SELECT ifnull(sum(Anzahl), 0) FROM Anzahlen WHERE Tabelle = 'eigen' AND Usereigen = ?1 "
    "AND Bewertungszahl = ?2",
    NS_COLUMNS "Bewertungeneigen WHERE Usereigen = ?1 ORDER BY Datum DESC, ID DESC "
               "LIMIT ?2 OFFSET ?3",
    NS_COLUMNS "Bewertungeneigen WHERE Usereigen = ?1 AND Bewertungszahl = ?4 "
               "ORDER BY Datum DESC, ID DESC LIMIT ?2 OFFSET ?3",
    NS_COLUMNS "Bewertungeneigen WHERE Usereigen = ?1 ORDER BY Datum, ID LIMIT ?2 OFFSET ?3",
    NS_COLUMNS "Bewertungeneigen WHERE Usereigen = ?1 AND Bewertungszahl = ?4 "
               "ORDER BY Datum, ID LIMIT ?2 OFFSET ?3",
    // A rating already stored under the same member and id is left alone.
    "INSERT OR IGNORE INTO Bewertungeneigen (Bewertungszahl, Bewertungstext, KV, Datum, Ebayuser, "
    "Artikel, Usereigen, FeedbackID, Zustand, Antwort, AntwortZustand, Nachtrag) "
    "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12)",
    // The partial unique index serves only lookups that exclude the empty id.
    "SELECT Bewertungszahl BETWEEN 1 AND 3 AND Datum IS NOT NULL FROM Bewertungeneigen "
    "WHERE Usereigen = ?1 AND FeedbackID = ?2 AND FeedbackID <> ''",
    "UPDATE Bewertungeneigen SET Bewertungszahl = ?1, Bewertungstext = ?2, KV = ?3, Datum = ?4, "
    "Ebayuser = ?5, Artikel = ?6 WHERE Usereigen = ?7 AND FeedbackID = ?8 AND FeedbackID <> '' "
    "AND NOT (Bewertungszahl BETWEEN 1 AND 3 AND Datum IS NOT NULL)",
    "SELECT ifnull(sum(Anzahl), 0) FROM Anzahlen WHERE Tabelle = 'eigen' AND Usereigen = ?1 "
    "AND Bewertungszahl <> 0",
    // Only a row whose reply differs: an unchanged one is not written again.
    "UPDATE Bewertungeneigen SET Antwort = ?3, AntwortZustand = ?4, Nachtrag = ?5 WHERE Usereigen "
    "= ?1 "
    "AND FeedbackID = ?2 AND FeedbackID <> '' AND (Antwort IS NOT ?3 OR AntwortZustand IS NOT ?4 "
    "OR Nachtrag IS NOT ?5)",
};

const Queries kTemp{
    "SELECT ifnull(sum(Anzahl), 0) FROM Anzahlen WHERE Tabelle = 'temp' AND Usereigen = ?1",
    "SELECT ifnull(sum(Anzahl), 0) FROM Anzahlen WHERE Tabelle = 'temp' AND Usereigen = ?1 "
    "AND Bewertungszahl = ?2",
    NS_COLUMNS "BewertungenTemp WHERE Usereigen = ?1 ORDER BY Datum DESC, ID DESC "
               "LIMIT ?2 OFFSET ?3",
    NS_COLUMNS "BewertungenTemp WHERE Usereigen = ?1 AND Bewertungszahl = ?4 "
               "ORDER BY Datum DESC, ID DESC LIMIT ?2 OFFSET ?3",
    NS_COLUMNS "BewertungenTemp WHERE Usereigen = ?1 ORDER BY Datum, ID LIMIT ?2 OFFSET ?3",
    NS_COLUMNS "BewertungenTemp WHERE Usereigen = ?1 AND Bewertungszahl = ?4 "
               "ORDER BY Datum, ID LIMIT ?2 OFFSET ?3",
    "INSERT OR IGNORE INTO BewertungenTemp (Bewertungszahl, Bewertungstext, KV, Datum, Ebayuser, "
    "Artikel, Usereigen, FeedbackID, Zustand, Antwort, AntwortZustand, Nachtrag) "
    "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12)",
    "SELECT Bewertungszahl BETWEEN 1 AND 3 AND Datum IS NOT NULL FROM BewertungenTemp "
    "WHERE Usereigen = ?1 AND FeedbackID = ?2 AND FeedbackID <> ''",
    "UPDATE BewertungenTemp SET Bewertungszahl = ?1, Bewertungstext = ?2, KV = ?3, Datum = ?4, "
    "Ebayuser = ?5, Artikel = ?6 WHERE Usereigen = ?7 AND FeedbackID = ?8 AND FeedbackID <> '' "
    "AND NOT (Bewertungszahl BETWEEN 1 AND 3 AND Datum IS NOT NULL)",
    "SELECT ifnull(sum(Anzahl), 0) FROM Anzahlen WHERE Tabelle = 'temp' AND Usereigen = ?1 "
    "AND Bewertungszahl <> 0",
    // Only a row whose reply differs: an unchanged one is not written again.
    "UPDATE BewertungenTemp SET Antwort = ?3, AntwortZustand = ?4, Nachtrag = ?5 WHERE Usereigen = "
    "?1 "
    "AND FeedbackID = ?2 AND FeedbackID <> '' AND (Antwort IS NOT ?3 OR AntwortZustand IS NOT ?4 "
    "OR Nachtrag IS NOT ?5)",
};

#undef NS_COLUMNS

const Queries& queries(modData::Table t) {
    return t == modData::Table::Own ? kOwn : kTemp;
}

const char kAllUserTemp[] = "SELECT DISTINCT Ebayuser FROM UebersichtBewertung";
const char kOverview[] =
    "SELECT Pos1, Pos2, Pos3, Neu1, Neu2, Neu3, Neg1, Neg2, Neg3, Profil, Prozent, Gesamt, Datum "
    "FROM UebersichtBewertung WHERE Ebayuser = ?1 ORDER BY ID LIMIT 1";
const char kInsertOverview[] =
    "INSERT INTO UebersichtBewertung (Pos1, Pos2, Pos3, Neu1, Neu2, Neu3, Neg1, Neg2, Neg3, "
    "Gesamt, "
    "Profil, Prozent, Datum, Ebayuser) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, "
    "?13, ?14)";
const char kDeleteTemp[] = "DELETE FROM BewertungenTemp WHERE Usereigen = ?1";
const char kDeleteOverview[] = "DELETE FROM UebersichtBewertung WHERE Ebayuser = ?1";
const char kDeleteOwn[] = "DELETE FROM Bewertungeneigen WHERE Usereigen = ?1";
const char kPlaceholderCount[] = "SELECT ifnull(sum(Anzahl), 0) FROM Anzahlen WHERE "
                                 "Tabelle = 'eigen' AND Usereigen = ?1 AND "
                                 "Bewertungszahl = 0";
const char kDropPlaceholders[] =
    "DELETE FROM Bewertungeneigen WHERE ID IN (SELECT ID FROM Bewertungeneigen WHERE "
    "Usereigen = ?1 AND Bewertungszahl = 0 ORDER BY ID DESC LIMIT ?2)";

} // namespace store::sql
