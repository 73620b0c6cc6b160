-- The tables, indexes and count triggers of an empty database as
-- notenschau-db create made it at schema version 1, when member names were
-- compared exactly.
CREATE TABLE Bewertungeneigen (
    ID INTEGER PRIMARY KEY,
    Bewertungszahl INTEGER,
    Bewertungstext TEXT,
    KV TEXT,
    Datum TEXT,
    Ebayuser TEXT,
    Artikel TEXT,
    Usereigen TEXT,
    FeedbackID TEXT
);
CREATE INDEX Bewertungeneigen_Datum ON Bewertungeneigen (Usereigen, Datum);
CREATE INDEX Bewertungeneigen_Zahl ON Bewertungeneigen (Usereigen, Bewertungszahl, Datum);
CREATE UNIQUE INDEX Bewertungeneigen_FeedbackID ON Bewertungeneigen (Usereigen, FeedbackID)
    WHERE FeedbackID <> '';
CREATE TABLE BewertungenTemp (
    ID INTEGER PRIMARY KEY,
    Bewertungszahl INTEGER,
    Bewertungstext TEXT,
    KV TEXT,
    Datum TEXT,
    Ebayuser TEXT,
    Artikel TEXT,
    Usereigen TEXT,
    FeedbackID TEXT
);
CREATE INDEX BewertungenTemp_Datum ON BewertungenTemp (Usereigen, Datum);
CREATE INDEX BewertungenTemp_Zahl ON BewertungenTemp (Usereigen, Bewertungszahl, Datum);
CREATE UNIQUE INDEX BewertungenTemp_FeedbackID ON BewertungenTemp (Usereigen, FeedbackID)
    WHERE FeedbackID <> '';
CREATE TABLE UebersichtBewertung (
    ID INTEGER PRIMARY KEY,
    Pos1 NUMERIC, Pos2 NUMERIC, Pos3 NUMERIC,
    Neu1 NUMERIC, Neu2 NUMERIC, Neu3 NUMERIC,
    Neg1 NUMERIC, Neg2 NUMERIC, Neg3 NUMERIC,
    Gesamt NUMERIC,
    Profil NUMERIC,
    Prozent TEXT,
    Datum TEXT,
    Ebayuser TEXT
);
CREATE INDEX UebersichtBewertung_Ebayuser ON UebersichtBewertung (Ebayuser);
CREATE TABLE Anzahlen (
    Tabelle TEXT NOT NULL,
    Usereigen TEXT NOT NULL,
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
PRAGMA user_version = 1;
