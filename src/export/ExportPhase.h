#pragma once

#include "ExportChecks.h"
#include "common/RunPhase.h"

#include <QString>

#include <string>

namespace tavrel {

class Connection;
class CsvFile;
class Cursor;

// The order a phase gives its lines itself in place of its statement's
// final ORDER BY: a rank per record, and records of equal rank in the order
// the statement gives them, as SQLite's sort keeps them.
class LineOrder {
public:
    virtual ~LineOrder() = default;
    virtual int ranks() const = 0;
    // The rank of the current record; -1 when it has none (the data changed
    // since the ranks were read).
    virtual int rankOf(const Cursor& records) = 0;
};

// The steps every export shares: check the tables it reads, open the query,
// create the file, show the record count, yield once, write a line per
// record, and only then put the file in place. Any failure ends the phase
// with a Dutch message.
class ExportPhase : public Phase {
public:
    Result<void> check(PhaseContext& context) final;
    bool run(PhaseContext& context) final;

protected:
    virtual QString query(const RunInput& input) const = 0;
    // The tables the query reads, checked before it runs.
    virtual std::vector<ReadTable> reads(const RunInput& input) const = 0;
    virtual QString fileName() const = 0;
    // The word before the count: "Zwemmers: 12 records ...".
    virtual QString label() const = 0;
    // Called once before the walk, to look the columns up; fails for a table
    // that lacks a column the file needs.
    virtual Result<void> prepare(const Cursor& records, const RunInput& input) = 0;
    // Appends the line of the current record in Windows-1252, without its
    // line end; false to skip the record.
    virtual bool line(const Cursor& records, std::string& out) = 0;
    // The phase's own order, read before the walk; null (the default, and
    // whenever it cannot be read) lets the statement sort.
    virtual LineOrder* lineOrder(Connection&) { return nullptr; }

private:
    void showCount(PhaseContext& context, qint64 total);
    bool walkStreamed(PhaseContext& context, Cursor& records, CsvFile& file);
    bool walkOrdered(PhaseContext& context, Cursor& records, LineOrder& order, CsvFile& file);

    bool checked_ = false; // by the run, before this phase's turn
};

} // namespace tavrel
