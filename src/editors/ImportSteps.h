#pragma once

#include "CsvImport.h"

#include <functional>

namespace tavrel {

class Connection;

// What differs between the limits and the levels import.
struct ImportSteps {
    QString question; // asked with OK and Cancel before anything happens
    QString title;    // of the question and of the failure message
    QString filter;   // of the file dialog
    std::function<Result<int>(Connection&, ImportFile&)> import;
};

// The import behind an editor's "Importeer": the question, the file dialog,
// the hourglass, the import itself, and a message when a line failed.
// True when a file was imported: the editor then reloads. A failed import
// changed nothing.
bool runImport(Connection& connection, const ImportSteps& steps);

// On a Jet database, or a file this user may not change, nothing can be
// changed: says so and answers true.
bool refuseChanges(const Connection& connection);

} // namespace tavrel
