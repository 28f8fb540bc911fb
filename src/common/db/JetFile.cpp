#include "JetFile.h"

// libmdb's header needs glib's declarations first.
#include <glib.h>

#include <mdbtools.h>

#include <QDate>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <string>
#include <vector>

namespace tavrel {

namespace {

// libmdb formats some numbers through the C library: keep them locale-free.
class CNumericLocale {
public:
    CNumericLocale() {
        const char* current = std::setlocale(LC_NUMERIC, nullptr);
        saved_ = current ? current : "C";
        std::setlocale(LC_NUMERIC, "C");
    }
    ~CNumericLocale() { std::setlocale(LC_NUMERIC, saved_.c_str()); }

private:
    std::string saved_;
};

// The flags libmdb keeps in a row's offset on its page.
constexpr int kOffsetMask = 0x1fff;
constexpr int kLookupFlag = 0x8000;

// Large enough for a long memo in UTF-8; libmdb never writes more than this.
constexpr size_t kBindSize = 256 * 1024;

QString sqliteType(int jetType) {
    switch (jetType) {
    case MDB_BOOL:
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
    case MDB_COMPLEX:
        return QStringLiteral("INTEGER");
    case MDB_FLOAT:
    case MDB_DOUBLE:
        return QStringLiteral("REAL");
    case MDB_MONEY:
    case MDB_NUMERIC:
        return QStringLiteral("NUMERIC");
    case MDB_DATETIME:
        return QStringLiteral("DATETIME");
    case MDB_BINARY:
    case MDB_OLE:
        return QStringLiteral("BLOB");
    default:
        return QStringLiteral("TEXT");
    }
}

QString quoted(const QString& identifier) {
    return QLatin1Char('"') +
           QString(identifier).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

} // namespace

struct JetFile::Handle {
    MdbHandle* mdb = nullptr;
    std::vector<MdbTableDef*> tables; // freed before the file is closed

    ~Handle() {
        for (MdbTableDef* t : tables)
            mdb_free_tabledef(t);
        if (mdb)
            mdb_close(mdb);
    }
};

bool JetFile::hasJetHeader(const QByteArray& firstBytes) {
    const QByteArray tag = firstBytes.mid(4, 15);
    return tag == "Standard Jet DB" || tag == "Standard ACE DB";
}

JetFile::JetFile(std::unique_ptr<Handle> handle)
    : h_(std::move(handle)) {}

JetFile::~JetFile() = default;

std::unique_ptr<JetFile> JetFile::open(const QString& path, QString* error) {
    CNumericLocale cLocale;
    auto handle = std::make_unique<Handle>();
    handle->mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    if (!handle->mdb) {
        *error = QStringLiteral("Jet-bestand kan niet worden gelezen: ") + path;
        return nullptr;
    }
    mdb_set_bind_size(handle->mdb, kBindSize);
    mdb_set_boolean_fmt_numbers(handle->mdb);
    if (!mdb_read_catalog(handle->mdb, MDB_TABLE)) {
        *error = QStringLiteral("De tabellenlijst van het Jet-bestand is onleesbaar: ") + path;
        return nullptr;
    }
    return std::unique_ptr<JetFile>(new JetFile(std::move(handle)));
}

QStringList JetFile::tableNames() const {
    QStringList names;
    GPtrArray* catalog = h_->mdb->catalog;
    for (guint i = 0; catalog && i < catalog->len; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(catalog, i));
        if (entry->object_type == MDB_TABLE && mdb_is_user_table(entry))
            names << QString::fromUtf8(entry->object_name);
    }
    return names;
}

bool JetFile::copyTable(const QString& name, QSqlDatabase& target, QString* error) {
    CNumericLocale cLocale;
    MdbHandle* mdb = h_->mdb;

    MdbCatalogEntry* entry = nullptr;
    for (guint i = 0; i < mdb->catalog->len && !entry; ++i) {
        auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (e->object_type == MDB_TABLE &&
            QString::fromUtf8(e->object_name).compare(name, Qt::CaseInsensitive) == 0)
            entry = e;
    }
    MdbTableDef* table = entry ? mdb_read_table(entry) : nullptr;
    if (!table) {
        *error = QStringLiteral("Tabel niet gevonden in het Jet-bestand: ") + name;
        return false;
    }
    h_->tables.push_back(table);
    mdb_read_columns(table);
    mdb_rewind_table(table);

    const unsigned columnCount = table->num_cols;
    std::vector<MdbColumn*> columns(columnCount);
    QStringList definitions, marks;
    for (unsigned i = 0; i < columnCount; ++i) {
        columns[i] = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
        definitions << quoted(QString::fromUtf8(columns[i]->name)) + QLatin1Char(' ') +
                           sqliteType(columns[i]->col_type);
        marks << QStringLiteral("?");
    }
    const QString tableName = quoted(QString::fromUtf8(table->name));

    QSqlQuery sql(target);
    if (!sql.exec(QStringLiteral("CREATE TABLE ") + tableName + QStringLiteral(" (") +
                  definitions.join(QStringLiteral(", ")) + QLatin1Char(')'))) {
        *error = sql.lastError().text();
        return false;
    }
    if (!sql.prepare(QStringLiteral("INSERT INTO ") + tableName + QStringLiteral(" VALUES (") +
                     marks.join(QStringLiteral(", ")) + QLatin1Char(')'))) {
        *error = sql.lastError().text();
        return false;
    }

    std::vector<std::vector<char>> buffers(columnCount, std::vector<char>(mdb->bind_size + 1));
    std::vector<int> lengths(columnCount, 0);
    for (unsigned i = 0; i < columnCount; ++i)
        mdb_bind_column(table, int(i) + 1, buffers[i].data(), &lengths[i]);
    // A row may count columns that were deleted from the table since.
    std::vector<MdbField> fields(std::max<size_t>(columnCount, MDB_MAX_COLS));

    // A savepoint works inside a transaction the caller may have begun.
    QSqlQuery(target).exec(QStringLiteral("SAVEPOINT jet_copy"));
    while (mdb_fetch_row(table)) {
        // Crack the row once more to tell a null from an empty text: binding
        // gives both as a zero length.
        std::vector<bool> isNull(columnCount, false);
        int rowStart = 0;
        size_t rowSize = 0;
        // A row that only points to where it moved is not cracked here; its
        // empty texts then read as null.
        if (mdb_find_row(mdb, int(table->cur_row) - 1, &rowStart, &rowSize) == 0 &&
            !(rowStart & kLookupFlag)) {
            const int cracked =
                mdb_crack_row(table, rowStart & kOffsetMask, rowSize, fields.data());
            for (int f = 0; f < cracked; ++f)
                if (fields[f].colnum >= 0 && unsigned(fields[f].colnum) < columnCount)
                    isNull[fields[f].colnum] = fields[f].is_null;
        }
        for (unsigned i = 0; i < columnCount; ++i) {
            const MdbColumn* col = columns[i];
            const char* text = buffers[i].data();
            QVariant value;
            if (col->col_type == MDB_BOOL) {
                // Yes/no values live in the null mask, not in data bytes.
                value = qlonglong(text[0] == '1' ? -1 : 0);
            } else if (isNull[i]) {
                value = QVariant(QMetaType::fromType<QString>());
            } else if (lengths[i] == 0) {
                const bool text = col->col_type == MDB_TEXT || col->col_type == MDB_MEMO;
                value = text ? QVariant(QString(QLatin1String("")))
                             : QVariant(QMetaType::fromType<QString>());
            } else {
                const unsigned char* raw = mdb->pg_buf;
                const int at = col->cur_value_start;
                switch (col->col_type) {
                case MDB_BYTE:
                    value = qlonglong(mdb_get_byte(const_cast<unsigned char*>(raw), at));
                    break;
                case MDB_INT:
                    value = qlonglong(qint16(mdb_get_int16(const_cast<unsigned char*>(raw), at)));
                    break;
                case MDB_LONGINT:
                    value = qlonglong(qint32(mdb_get_int32(const_cast<unsigned char*>(raw), at)));
                    break;
                case MDB_FLOAT:
                    value = double(mdb_get_single(const_cast<unsigned char*>(raw), at));
                    break;
                case MDB_DOUBLE:
                    value = mdb_get_double(const_cast<unsigned char*>(raw), at);
                    break;
                case MDB_DATETIME:
                    value = jetDateText(mdb_get_double(const_cast<unsigned char*>(raw), at));
                    break;
                case MDB_BINARY:
                case MDB_OLE:
                    value = QByteArray(text, lengths[i]);
                    break;
                default:
                    value = QString::fromUtf8(text, lengths[i]);
                    break;
                }
            }
            sql.bindValue(int(i), value);
        }
        if (!sql.exec()) {
            *error = sql.lastError().text();
            QSqlQuery(target).exec(QStringLiteral("ROLLBACK TO jet_copy"));
            QSqlQuery(target).exec(QStringLiteral("RELEASE jet_copy"));
            return false;
        }
    }
    QSqlQuery(target).exec(QStringLiteral("RELEASE jet_copy"));
    return true;
}

QString jetDateText(double days) {
    // Before 1899-12-30 the whole days count back while the fraction still
    // counts forward: -1.25 is 29 December 1899, 06:00.
    const double whole = std::trunc(days);
    qint64 seconds = qint64(std::llround(std::fabs(days - whole) * 86400.0));
    qint64 dayCount = qint64(whole);
    if (seconds >= 86400) {
        seconds -= 86400;
        dayCount += days < 0 ? -1 : 1;
    }
    const QDate date = QDate(1899, 12, 30).addDays(dayCount);
    QString text = date.toString(Qt::ISODate);
    if (seconds != 0)
        text += QLatin1Char(' ') +
                QTime(0, 0).addSecs(int(seconds)).toString(QStringLiteral("HH:mm:ss"));
    return text;
}

} // namespace tavrel
