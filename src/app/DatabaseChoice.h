#pragma once

#include "UploadRun.h"

#include <QString>

#include <optional>

namespace tavrel {

// The database file dialogs offer Jet files first, then SQLite files, then
// every file.
inline const QString kDatabaseFileFilter =
    QStringLiteral("(Microsoft Access Database) *.mdb|*.mdb|SQLite-database (*.sqlite *.db)|"
                   "*.sqlite;*.db|Alle bestanden (*)|*");

// The path a database file dialog starts from: the field's own file where
// it exists; else its name beside the other database where that exists;
// else the field's own path where its folder exists; else its name in the
// documents folder.
QString databaseDialogStart(const QString& current, const QString& other);

// A note for the message area about one field, and the field it is about.
struct FieldNote {
    QString text;
    RunField field;
};

// What a first start says to do while a database path points at nothing:
// the club file first, then the limits file.
std::optional<FieldNote> startHint(const QString& clubDatabase, const QString& limitsDatabase);

// A look at the club database the user just chose: a note when it does not
// open or has the other layout than the chosen version ("2006", "2009").
std::optional<FieldNote> chosenClubDatabaseNote(const QString& path, const QString& version);

} // namespace tavrel
