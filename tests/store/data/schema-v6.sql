-- The tables, indexes, count triggers, full-text index and journal of the
-- ratings given to buyers of an empty database as notenschau-db create made
-- it at schema version 6, before the mark of the ratings seen.
CREATE TABLE Bewertungeneigen (
    ID INTEGER PRIMARY KEY,
    Bewertungszahl INTEGER,
    Bewertungstext TEXT,
    KV TEXT,
    Datum TEXT,
    Ebayuser TEXT,
    Artikel TEXT,
    Usereigen TEXT COLLATE NOCASE,
    FeedbackID TEXT,
    Zustand TEXT,
    Antwort TEXT,
    AntwortZustand TEXT,
    Nachtrag TEXT
);
CREATE INDEX Bewertungeneigen_Datum ON Bewertungeneigen (Usereigen, Datum);
CREATE INDEX Bewertungeneigen_Zahl ON Bewertungeneigen (Usereigen, Bewertungszahl, Datum);
CREATE UNIQUE INDEX Bewertungeneigen_FeedbackID ON Bewertungeneigen (Usereigen, FeedbackID)
    WHERE FeedbackID <> '';
CREATE INDEX Bewertungeneigen_Zurueck ON Bewertungeneigen (Usereigen, Bewertungszahl) WHERE Zustand IN ('WITHDRAWN', 'HIDDEN', 'UNLISTED');

CREATE TABLE BewertungenTemp (
    ID INTEGER PRIMARY KEY,
    Bewertungszahl INTEGER,
    Bewertungstext TEXT,
    KV TEXT,
    Datum TEXT,
    Ebayuser TEXT,
    Artikel TEXT,
    Usereigen TEXT COLLATE NOCASE,
    FeedbackID TEXT,
    Zustand TEXT,
    Antwort TEXT,
    AntwortZustand TEXT,
    Nachtrag TEXT
);
CREATE INDEX BewertungenTemp_Datum ON BewertungenTemp (Usereigen, Datum);
CREATE INDEX BewertungenTemp_Zahl ON BewertungenTemp (Usereigen, Bewertungszahl, Datum);
CREATE UNIQUE INDEX BewertungenTemp_FeedbackID ON BewertungenTemp (Usereigen, FeedbackID)
    WHERE FeedbackID <> '';
CREATE INDEX BewertungenTemp_Zurueck ON BewertungenTemp (Usereigen, Bewertungszahl) WHERE Zustand IN ('WITHDRAWN', 'HIDDEN', 'UNLISTED');

CREATE TABLE UebersichtBewertung (
    ID INTEGER PRIMARY KEY,
    Pos1 NUMERIC, Pos2 NUMERIC, Pos3 NUMERIC,
    Neu1 NUMERIC, Neu2 NUMERIC, Neu3 NUMERIC,
    Neg1 NUMERIC, Neg2 NUMERIC, Neg3 NUMERIC,
    Gesamt NUMERIC,
    Profil NUMERIC,
    Prozent TEXT,
    Datum TEXT,
    Ebayuser TEXT COLLATE NOCASE
);
CREATE INDEX UebersichtBewertung_Ebayuser ON UebersichtBewertung (Ebayuser);

CREATE TABLE Anzahlen (
    Tabelle TEXT NOT NULL,
    Usereigen TEXT NOT NULL COLLATE NOCASE,
    Bewertungszahl INTEGER NOT NULL,
    Anzahl INTEGER NOT NULL,
    PRIMARY KEY (Tabelle, Usereigen, Bewertungszahl)
) WITHOUT ROWID;
CREATE TRIGGER Bewertungeneigen_hinzu AFTER INSERT ON Bewertungeneigen BEGIN INSERT OR IGNORE INTO Anzahlen VALUES ('eigen', ifnull(NEW.Usereigen, ''), ifnull(NEW.Bewertungszahl, -1), 0); UPDATE Anzahlen SET Anzahl = Anzahl + 1 WHERE Tabelle = 'eigen' AND Usereigen = ifnull(NEW.Usereigen, '') AND Bewertungszahl = ifnull(NEW.Bewertungszahl, -1); END;
CREATE TRIGGER Bewertungeneigen_weg AFTER DELETE ON Bewertungeneigen BEGIN UPDATE Anzahlen SET Anzahl = Anzahl - 1 WHERE Tabelle = 'eigen' AND Usereigen = ifnull(OLD.Usereigen, '') AND Bewertungszahl = ifnull(OLD.Bewertungszahl, -1); END;
CREATE TRIGGER Bewertungeneigen_anders AFTER UPDATE OF Usereigen, Bewertungszahl ON Bewertungeneigen BEGIN UPDATE Anzahlen SET Anzahl = Anzahl - 1 WHERE Tabelle = 'eigen' AND Usereigen = ifnull(OLD.Usereigen, '') AND Bewertungszahl = ifnull(OLD.Bewertungszahl, -1); INSERT OR IGNORE INTO Anzahlen VALUES ('eigen', ifnull(NEW.Usereigen, ''), ifnull(NEW.Bewertungszahl, -1), 0); UPDATE Anzahlen SET Anzahl = Anzahl + 1 WHERE Tabelle = 'eigen' AND Usereigen = ifnull(NEW.Usereigen, '') AND Bewertungszahl = ifnull(NEW.Bewertungszahl, -1); END;
CREATE TRIGGER BewertungenTemp_hinzu AFTER INSERT ON BewertungenTemp BEGIN INSERT OR IGNORE INTO Anzahlen VALUES ('temp', ifnull(NEW.Usereigen, ''), ifnull(NEW.Bewertungszahl, -1), 0); UPDATE Anzahlen SET Anzahl = Anzahl + 1 WHERE Tabelle = 'temp' AND Usereigen = ifnull(NEW.Usereigen, '') AND Bewertungszahl = ifnull(NEW.Bewertungszahl, -1); END;
CREATE TRIGGER BewertungenTemp_weg AFTER DELETE ON BewertungenTemp BEGIN UPDATE Anzahlen SET Anzahl = Anzahl - 1 WHERE Tabelle = 'temp' AND Usereigen = ifnull(OLD.Usereigen, '') AND Bewertungszahl = ifnull(OLD.Bewertungszahl, -1); END;
CREATE TRIGGER BewertungenTemp_anders AFTER UPDATE OF Usereigen, Bewertungszahl ON BewertungenTemp BEGIN UPDATE Anzahlen SET Anzahl = Anzahl - 1 WHERE Tabelle = 'temp' AND Usereigen = ifnull(OLD.Usereigen, '') AND Bewertungszahl = ifnull(OLD.Bewertungszahl, -1); INSERT OR IGNORE INTO Anzahlen VALUES ('temp', ifnull(NEW.Usereigen, ''), ifnull(NEW.Bewertungszahl, -1), 0); UPDATE Anzahlen SET Anzahl = Anzahl + 1 WHERE Tabelle = 'temp' AND Usereigen = ifnull(NEW.Usereigen, '') AND Bewertungszahl = ifnull(NEW.Bewertungszahl, -1); END;
CREATE VIRTUAL TABLE BewertungeneigenSuche USING fts4(content="Bewertungeneigen", Bewertungstext, Ebayuser, Artikel, Antwort, tokenize=unicode61);
CREATE TRIGGER Bewertungeneigen_suche_hinzu AFTER INSERT ON Bewertungeneigen BEGIN INSERT INTO BewertungeneigenSuche (docid, Bewertungstext, Ebayuser, Artikel, Antwort) VALUES (NEW.ID, NEW.Bewertungstext, NEW.Ebayuser, NEW.Artikel, NEW.Antwort); END;
CREATE TRIGGER Bewertungeneigen_suche_weg BEFORE DELETE ON Bewertungeneigen BEGIN DELETE FROM BewertungeneigenSuche WHERE docid = OLD.ID; END;
CREATE TRIGGER Bewertungeneigen_suche_vorher BEFORE UPDATE ON Bewertungeneigen BEGIN DELETE FROM BewertungeneigenSuche WHERE docid = OLD.ID; END;
CREATE TRIGGER Bewertungeneigen_suche_nachher AFTER UPDATE ON Bewertungeneigen BEGIN INSERT INTO BewertungeneigenSuche (docid, Bewertungstext, Ebayuser, Artikel, Antwort) VALUES (NEW.ID, NEW.Bewertungstext, NEW.Ebayuser, NEW.Artikel, NEW.Antwort); END;
CREATE VIRTUAL TABLE BewertungenTempSuche USING fts4(content="BewertungenTemp", Bewertungstext, Ebayuser, Artikel, Antwort, tokenize=unicode61);
CREATE TRIGGER BewertungenTemp_suche_hinzu AFTER INSERT ON BewertungenTemp BEGIN INSERT INTO BewertungenTempSuche (docid, Bewertungstext, Ebayuser, Artikel, Antwort) VALUES (NEW.ID, NEW.Bewertungstext, NEW.Ebayuser, NEW.Artikel, NEW.Antwort); END;
CREATE TRIGGER BewertungenTemp_suche_weg BEFORE DELETE ON BewertungenTemp BEGIN DELETE FROM BewertungenTempSuche WHERE docid = OLD.ID; END;
CREATE TRIGGER BewertungenTemp_suche_vorher BEFORE UPDATE ON BewertungenTemp BEGIN DELETE FROM BewertungenTempSuche WHERE docid = OLD.ID; END;
CREATE TRIGGER BewertungenTemp_suche_nachher AFTER UPDATE ON BewertungenTemp BEGIN INSERT INTO BewertungenTempSuche (docid, Bewertungstext, Ebayuser, Artikel, Antwort) VALUES (NEW.ID, NEW.Bewertungstext, NEW.Ebayuser, NEW.Artikel, NEW.Antwort); END;

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
PRAGMA user_version = 6;
