#include "JetFile.h"

#include "Connection.h"

#include "JetDates.h"
#include "common/jet/JetReader.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

namespace tavrel {

namespace {

QString sqliteType(jet::Type type) {
    switch (type) {
    case jet::Type::Bool:
    case jet::Type::Byte:
    case jet::Type::Int:
    case jet::Type::Long:
    case jet::Type::Complex:
        return QStringLiteral("INTEGER");
    case jet::Type::Float:
    case jet::Type::Double:
        return QStringLiteral("REAL");
    case jet::Type::DateTime:
        return QStringLiteral("DATETIME");
    case jet::Type::Binary:
    case jet::Type::Ole:
        return QStringLiteral("BLOB");
    default: // texts, and currency and decimals kept as the text of their digits
        return QStringLiteral("TEXT");
    }
}

QString quoted(const QString& identifier) {
    return QLatin1Char('"') +
           QString(identifier).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

// One statement on the raw connection, finalized however it ends.
class Statement {
public:
    Statement(sqlite3* db, const QByteArray& sql) {
        if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &s_, nullptr) != SQLITE_OK)
            s_ = nullptr;
    }
    ~Statement() { sqlite3_finalize(s_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt* get() const { return s_; }

private:
    sqlite3_stmt* s_ = nullptr;
};

bool bind(sqlite3_stmt* s, int at, const jet::Value& v) {
    using K = jet::Value::Kind;
    switch (v.kind) {
    case K::Null:
        return sqlite3_bind_null(s, at) == SQLITE_OK;
    case K::Integer:
        return sqlite3_bind_int64(s, at, v.integer) == SQLITE_OK;
    case K::Real:
        return sqlite3_bind_double(s, at, v.real) == SQLITE_OK;
    case K::Date: {
        const QByteArray text = jetDateText(v.real).toUtf8();
        return sqlite3_bind_text(s, at, text.constData(), int(text.size()), SQLITE_TRANSIENT) ==
               SQLITE_OK;
    }
    case K::Text:
    case K::Decimal:
        return sqlite3_bind_text64(s, at, v.bytes.data(), v.bytes.size(), SQLITE_TRANSIENT,
                                   SQLITE_UTF8) == SQLITE_OK;
    case K::Bytes:
        return sqlite3_bind_blob64(s, at, v.bytes.data(), v.bytes.size(), SQLITE_TRANSIENT) ==
               SQLITE_OK;
    }
    return false;
}

} // namespace

bool JetFile::hasJetHeader(const QByteArray& firstBytes) {
    return jet::kindOf(reinterpret_cast<const unsigned char*>(firstBytes.constData()),
                       std::size_t(firstBytes.size())) != jet::Kind::Other;
}

QString damagedAdvice() {
    return QStringLiteral(" Maak een nieuwe kopie van het bestand, uit het programma waar het "
                          "vandaan komt, of gebruik een reservekopie.");
}

JetFile::JetFile(std::unique_ptr<jet::File> file)
    : file_(std::move(file)) {}

JetFile::~JetFile() = default;

Result<std::unique_ptr<JetFile>> JetFile::open(const QString& path) {
    std::string why;
#ifdef Q_OS_WIN
    // By its wide name: a member's name in the folder may lie outside the
    // ANSI code page.
    const std::filesystem::path name(path.toStdWString());
#else
    const std::filesystem::path name(QFile::encodeName(path).toStdString());
#endif
    auto file = jet::File::open(name, &why);
    if (!file)
        return failure(QStringLiteral("Het bestand ") + path + QLatin1Char(' ') +
                       QString::fromStdString(why) + QLatin1Char('.') +
                       (why.find("beschadigd") != std::string::npos ? damagedAdvice() : QString()));
    return std::unique_ptr<JetFile>(new JetFile(std::move(file)));
}

QStringList JetFile::tableNames() const {
    QStringList names;
    for (const std::string& name : file_->tableNames())
        names << QString::fromStdString(name);
    return names;
}

QString JetFile::otherObject(const QString& name) const {
    return QString::fromStdString(file_->otherObject(name.toStdString()));
}

QSet<QString> JetFile::columnNames(const QString& name) const {
    QSet<QString> names;
    jet::Table table;
    std::string why;
    if (file_->table(name.toStdString(), &table, &why))
        for (const jet::Column& c : table.columns)
            names.insert(QString::fromStdString(c.name).toLower());
    return names;
}

Result<void> JetFile::copyTable(const QString& name, QSqlDatabase& target,
                                const QSet<QString>* columns) {
    jet::Table table;
    std::string why;
    if (!file_->table(name.toStdString(), &table, &why))
        return failure(QStringLiteral("het bestand ") + QString::fromStdString(why));
    sqlite3* db = *static_cast<sqlite3* const*>(target.driver()->handle().constData());
    QStringList definitions;
    std::vector<int> all;
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        const QString column = QString::fromStdString(table.columns[i].name);
        // Only what statements read is decoded and stored.
        if (columns && !columns->contains(column.toLower()))
            continue;
        definitions << quoted(column) + QLatin1Char(' ') + sqliteType(table.columns[i].type);
        all.push_back(int(i));
    }
    if (all.empty() && !table.columns.empty()) {
        definitions << quoted(QString::fromStdString(table.columns[0].name)) + QLatin1Char(' ') +
                           sqliteType(table.columns[0].type);
        all.push_back(0);
    }
    // The table's own key ("MEETSID" in MEETS) becomes the copy's rowid, so
    // the joins on it look rows up directly instead of through an index
    // built for each query. A null or a repeated key puts it back as a
    // plain column.
    int key = -1;
    for (std::size_t p = 0; p < all.size(); ++p) {
        const jet::Column& c = table.columns[std::size_t(all[p])];
        if ((c.type == jet::Type::Long || c.type == jet::Type::Int) &&
            QString::fromStdString(c.name).compare(
                QString::fromStdString(table.name) + QStringLiteral("ID"), Qt::CaseInsensitive) ==
                0)
            key = int(p);
    }
    Result<void> copied = copyRows(table, db, definitions, all, key);
    if (!copied && copied.error().Code == SQLITE_CONSTRAINT)
        return copyRows(table, db, definitions, all, -1);
    return copied;
}

Result<void> JetFile::copyRows(const jet::Table& table, sqlite3* db, QStringList definitions,
                               const std::vector<int>& all, int key) {
    if (key >= 0)
        definitions[key] += QStringLiteral(" PRIMARY KEY");
    QStringList marks;
    for (std::size_t i = 0; i < all.size(); ++i)
        marks << QStringLiteral("?");
    const QString tableName = quoted(QString::fromStdString(table.name));
    auto fail = [&](const QString& what, int code = 0) -> Result<void> {
        sqlite3_exec(db, "ROLLBACK TO jet_copy; RELEASE jet_copy", nullptr, nullptr, nullptr);
        return failure(what, 0, code);
    };

    // A savepoint works inside a transaction the caller may have begun.
    sqlite3_exec(db, "SAVEPOINT jet_copy", nullptr, nullptr, nullptr);
    const QByteArray create = (QStringLiteral("CREATE TABLE ") + tableName + QStringLiteral(" (") +
                               definitions.join(QStringLiteral(", ")) + QLatin1Char(')'))
                                  .toUtf8();
    if (sqlite3_exec(db, create.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        return fail(QStringLiteral("de tabel kan niet worden overgenomen"));
    Statement insert(db, (QStringLiteral("INSERT INTO ") + tableName + QStringLiteral(" VALUES (") +
                          marks.join(QStringLiteral(", ")) + QLatin1Char(')'))
                             .toUtf8());
    if (!insert.get())
        return fail(QStringLiteral("de tabel kan niet worden overgenomen"));
    bool stored = true;
    bool refused = false;
    int failedWith = SQLITE_OK;
    std::string why;
    const bool read = file_->readRows(
        table, all,
        [&](const std::vector<jet::Value>& row) {
            sqlite3_stmt* s = insert.get();
            if (key >= 0 && row[std::size_t(key)].kind == jet::Value::Kind::Null) {
                refused = true;
                return false;
            }
            for (std::size_t i = 0; i < row.size() && stored; ++i)
                stored = bind(s, int(i) + 1, row[i]);
            const int rc = stored ? sqlite3_step(s) : SQLITE_ERROR;
            sqlite3_reset(s);
            if (key >= 0 && (rc & 0xff) == SQLITE_CONSTRAINT) {
                refused = true;
                return false;
            }
            stored = stored && rc == SQLITE_DONE;
            if (!stored)
                failedWith = rc;
            return stored;
        },
        &why);
    if (refused)
        return fail(QString(), SQLITE_CONSTRAINT);
    if (!read)
        return fail(QStringLiteral("het bestand ") + QString::fromStdString(why));
    if (!stored)
        return fail((failedWith & 0xff) == SQLITE_INTERRUPT
                        ? codeReason(failedWith)
                        : QStringLiteral("er is te weinig geheugen of schijfruimte voor de kopie"),
                    failedWith);
    sqlite3_exec(db, "RELEASE jet_copy", nullptr, nullptr, nullptr);
    return {};
}

} // namespace tavrel
