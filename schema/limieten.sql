-- The limits database: meets, their qualifying limits, and level times.
-- Column order of limieten and niveaus is part of the CSV formats: the
-- imports insert rows by position. Dates are ISO text ("2009-03-05").

CREATE TABLE wedstrijden (
    code      TEXT NOT NULL PRIMARY KEY,
    datum1    DATE,
    datum2    DATE,
    wedstrijd TEXT,
    opmerking TEXT,
    badlengte INTEGER
);

-- A meet's limits go with it when it is deleted, and follow it when its
-- code changes.
CREATE TABLE limieten (
    wcode     TEXT NOT NULL REFERENCES wedstrijden (code) ON DELETE CASCADE ON UPDATE CASCADE,
    afstand   INTEGER,
    slag      TEXT,
    geslacht  TEXT,
    gebjaar1  INTEGER,
    gebjaar2  INTEGER,
    limiet25  TEXT,
    limiet50  TEXT
);
CREATE INDEX limieten_wcode ON limieten (wcode, afstand, slag, geslacht);

CREATE TABLE niveaus (
    afstand   INTEGER,
    slag      TEXT,
    geslacht  TEXT,
    badlengte INTEGER,
    niveau    TEXT,
    leeftijd1 INTEGER,
    leeftijd2 INTEGER,
    tijd      TEXT
);
CREATE INDEX niveaus_filter ON niveaus (afstand, slag, geslacht, badlengte, niveau);
