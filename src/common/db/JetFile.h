#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class QSqlDatabase;

namespace tavrel {

// A Jet (.mdb) file opened read-only through libmdb, whose tables can be
// copied one by one into a SQLite database.
class JetFile {
public:
    // True when the first bytes of a file say it is a Jet or ACE database.
    static bool hasJetHeader(const QByteArray& firstBytes);

    // Opens path; on failure returns null and describes why in error.
    static std::unique_ptr<JetFile> open(const QString& path, QString* error);
    ~JetFile();
    JetFile(const JetFile&) = delete;
    JetFile& operator=(const JetFile&) = delete;

    // The names of the user tables, as the file spells them.
    QStringList tableNames() const;

    // Creates table name (matched without regard to letter case) in target
    // and copies every row into it. Yes/no values become -1 and 0, dates
    // ISO text, texts UTF-8; nulls stay null.
    bool copyTable(const QString& name, QSqlDatabase& target, QString* error);

private:
    struct Handle;
    explicit JetFile(std::unique_ptr<Handle> handle);
    std::unique_ptr<Handle> h_;
};

// The ISO text of a Jet date value (days since 1899-12-30, the fraction the
// time of day): "2009-03-05", with " HH:MM:SS" only when there is a time.
QString jetDateText(double days);

} // namespace tavrel
