#pragma once

#include "Connection.h"

#include <QSqlRecord>
#include <QStringList>
#include <QVariant>

#include <memory>

class QSqlQuery;

namespace tavrel {

// The result of a query, walked forward once. Its record count is exact as
// soon as it is open, so a caller can show it before walking the records.
// Fields are read by column name (letter case ignored) or by column index.
class Recordset {
public:
    Recordset();
    ~Recordset();
    Recordset(Recordset&&) noexcept;
    Recordset& operator=(Recordset&&) noexcept;

    bool isOpen() const { return query_ != nullptr; }
    qint64 RecordCount() const { return count_; }
    // True past the last record (and on a result that did not open).
    bool atEnd() const { return atEnd_; }
    void MoveNext();
    // Fails, in Dutch, when the walk stopped on an error of the database or
    // ended before the records it counted: what was walked is then not the
    // whole result.
    const Result<void>& whole() const { return whole_; }

    // The index of a column, -1 when the result has none of that name.
    int column(const QString& name) const { return record_.indexOf(name); }
    QVariant value(int column) const;
    QVariant operator[](const QString& name) const;

    void Close();

private:
    friend Recordset OpenRecordSet(const QString& query, Connection& connection,
                                   const QVariantList& values);
    std::unique_ptr<QSqlQuery> query_;
    QSqlRecord record_;
    void step();
    qint64 count_ = 0;
    qint64 walked_ = 0;
    bool atEnd_ = true;
    Result<void> whole_;
};

// Runs query on connection with values bound to its "?" marks. When the
// database refuses it, shows the error report with the place "OpenRecordSet"
// once and returns a result that is not open.
Recordset OpenRecordSet(const QString& query, Connection& connection,
                        const QVariantList& values = {});

} // namespace tavrel
