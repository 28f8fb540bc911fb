#include "Connection.h"

#include "JetFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include <sqlite3.h>

namespace tavrel {

namespace {

const QString kSource = QStringLiteral("UploadTavrel.Database");
constexpr int kSqliteReadOnly = 8;

// A file that is not the database the program can read, said in Dutch.
ErrorInfo notADatabase(QString text, int code = 0) {
    return {ErrorNumber::NotADatabase, kSource, std::move(text), code};
}

bool hasSqliteHeader(const QByteArray& firstBytes) {
    return firstBytes.startsWith(QByteArrayLiteral("SQLite format 3\0"));
}

quint32 bigEndian32(const QByteArray& b, int at) {
    return quint32(quint8(b[at])) << 24 | quint32(quint8(b[at + 1])) << 16 |
           quint32(quint8(b[at + 2])) << 8 | quint32(quint8(b[at + 3]));
}

// True when a SQLite file is shorter than its header says it is (a copy cut
// short): the missing pages would read as empty.
bool cutShort(const QByteArray& header, qint64 fileSize) {
    if (header.size() < 100)
        return fileSize >= 16; // not even a whole header
    const quint32 field = quint32(quint8(header[16])) << 8 | quint8(header[17]);
    const qint64 pageSize = field == 1 ? 65536 : field;
    // The page count is valid only where the file says so (SQLite 3.7.0 on).
    const quint32 pages = bigEndian32(header, 28);
    if (pages == 0 || bigEndian32(header, 92) != bigEndian32(header, 24))
        return false;
    return qint64(pages) * pageSize > fileSize;
}

QString uniqueConnectionName() {
    // Runs open connections on their own thread while the editors open theirs.
    static std::atomic<int> counter = 0;
    return QStringLiteral("tavrel-%1").arg(++counter);
}

std::atomic<int> workLimit = 20000;

} // namespace

int Connection::workLimitMs() {
    return workLimit;
}

void Connection::setWorkLimitMs(int ms) {
    workLimit = ms;
}

int Connection::tooLong(void* connection) {
    const auto* c = static_cast<Connection*>(connection);
    return c->stopRequested() || c->work_.elapsed() > workLimit ? 1 : 0;
}

void Connection::setBusyPatience(int ms, std::function<void()> waiting) {
    busyPatience_ = ms;
    busyWaiting_ = std::move(waiting);
}

int Connection::waitWhileBusy(void* connection, int count) {
    constexpr int kStepMs = 50;
    constexpr int kTellAfterMs = 2000;
    auto* c = static_cast<Connection*>(connection);
    if (count == 0)
        c->busySince_.start();
    const qint64 waited = c->busySince_.elapsed();
    if (c->stopRequested() || waited >= c->busyPatience_)
        return 0;
    if (waited >= kTellAfterMs && !std::exchange(c->busyTold_, true) && c->busyWaiting_)
        c->busyWaiting_();
    sqlite3_sleep(kStepMs);
    c->work_.start(); // the work limit counts work, not the wait
    return 1;
}

QString toSqliteDialect(const QString& jetStatement) {
    static const QRegularExpression deleteStar(QStringLiteral("^(\\s*DELETE)\\s+\\*\\s+(FROM\\b)"),
                                               QRegularExpression::CaseInsensitiveOption);
    return QString(jetStatement).replace(deleteStar, QStringLiteral("\\1 \\2"));
}

Connection::Connection() = default;

Connection::~Connection() {
    close();
}

void Connection::close() {
    if (name_.isEmpty())
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(name_, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name_);
    name_.clear();
    path_.clear();
    jet_.reset();
    jetTables_.clear();
    loaded_.clear();
    checked_.clear();
}

QSqlDatabase Connection::database() const {
    return QSqlDatabase::database(name_, false);
}

bool Connection::canChange() const {
    if (!isOpen() || jet_)
        return false;
    sqlite3* db = handle();
    return db != nullptr && sqlite3_db_readonly(db, "main") == 0 &&
           QFileInfo(QFileInfo(path_).absolutePath()).isWritable();
}

Result<void> Connection::open(const QString& path) {
    // Before SQLite's first use (ignored when it already runs): no locks on
    // every call and allocation. Each connection is used by one thread only.
    static const bool configured = sqlite3_config(SQLITE_CONFIG_MULTITHREAD) == SQLITE_OK &&
                                   sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) == SQLITE_OK;
    Q_UNUSED(configured);
    close();
    const QFileInfo info(path);
    QFile file(path);
    if (!info.exists() || info.isDir() || !file.open(QIODevice::ReadOnly)) {
        return ErrorInfo{ErrorNumber::FileNotFound, kSource,
                         QStringLiteral("Databasebestand niet gevonden of niet leesbaar: ") + path};
    }
    const QByteArray header = file.read(100);
    file.close();

    const QString name = uniqueConnectionName();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    if (hasSqliteHeader(header)) {
        if (cutShort(header, info.size())) {
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(name);
            return notADatabase(
                QStringLiteral("Het bestand ") + path +
                QStringLiteral(" is onvolledig: het is korter dan het zelf opgeeft.") +
                damagedAdvice());
        }
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
    } else if (JetFile::hasJetHeader(header)) {
        Result<std::unique_ptr<JetFile>> jet = JetFile::open(path);
        if (!jet) {
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(name);
            return notADatabase(jet.why());
        }
        jet_ = std::move(jet).value();
        for (const QString& table : jet_->tableNames())
            jetTables_.insert(table.toLower(), table);
        // SQLite's own temporary database: on disk for this user alone and
        // nameless from the start, so a large club's copy is not held in
        // memory.
        db.setDatabaseName(QString());
    } else {
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        return notADatabase(QStringLiteral("Geen Jet- of SQLite-database: ") + path);
    }

    name_ = name;
    path_ = path;
    QSqlQuery probe(db);
    const bool opened = db.open();
    if (opened && busyPatience_ > 0 && !jet_)
        sqlite3_busy_handler(handle(), &Connection::waitWhileBusy, this);
    // The probe reads the schema, so a damaged or locked file fails here.
    if (!opened || !probe.exec(QStringLiteral("PRAGMA foreign_keys = ON")) ||
        !probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) ||
        (jet_ && !probe.exec(QStringLiteral("PRAGMA query_only = ON"))) ||
        // Pages are read, not mapped: a mapping saves a copy of each page
        // but counts as the program's memory, 30 MB more on a large club.
        (!jet_ && !probe.exec(QStringLiteral("PRAGMA mmap_size = 0"))) ||
        !probe.exec(QStringLiteral("PRAGMA cache_size = -1000")) || !handle()) {
        const ErrorInfo error =
            errorOf(db.isOpen() ? probe.lastError() : db.lastError(),
                    QStringLiteral("Database kan niet worden geopend: ") + path);
        probe = QSqlQuery();
        jet_.reset();
        close();
        return error;
    }
    work_.start();
    sqlite3_progress_handler(handle(), 100000, &Connection::tooLong, this);
    return {};
}

bool ConnectJetDB(const QString& path, Connection& connection) {
    const Result<void> opened = connection.open(path);
    if (!opened)
        ReportError(QStringLiteral("ConnectJetDB"), opened.error());
    return opened.ok();
}

QSet<QString> Connection::columnNames(const QString& table) {
    if (jet_) {
        const QString name = jetTables_.value(table.toLower());
        return name.isEmpty() ? QSet<QString>() : jet_->columnNames(name);
    }
    QSet<QString> names;
    QSqlQuery info(database());
    info.prepare(QStringLiteral("SELECT name FROM pragma_table_info(?)"));
    info.addBindValue(table);
    if (info.exec())
        while (info.next())
            names.insert(info.value(0).toString().toLower());
    return names;
}

Result<void> Connection::checkTables(const QStringList& tables) {
    if (jet_ || !isOpen())
        return {};
    for (const QString& table : tables) {
        if (checked_.contains(table.toLower()))
            continue;
        // A view may compute anything, forever (a recursive one): the club's
        // data stands in tables.
        QSqlQuery kind(database());
        kind.prepare(
            QStringLiteral("SELECT type FROM sqlite_master WHERE name = ? COLLATE NOCASE"));
        kind.addBindValue(table);
        if (!kind.exec() || !kind.next())
            continue; // no such table: the statement that reads it says so
        if (kind.value(0).toString() != QLatin1String("table"))
            return notADatabase(QStringLiteral("In ") + path_ + QStringLiteral(" is ") + table +
                                QStringLiteral(" geen tabel maar een ") + kind.value(0).toString() +
                                QStringLiteral(". Misschien is dit geen Tavrel- of "
                                               "limietendatabase."));
        // quick_check of one table reads its pages and its indexes' once.
        QSqlQuery check(database());
        check.setForwardOnly(true);
        const QString quotedName = QString(table).replace(QLatin1Char('"'), QStringLiteral("\"\""));
        if (!check.exec(QStringLiteral("PRAGMA quick_check(\"") + quotedName +
                        QStringLiteral("\")"))) {
            return errorOf(check.lastError(), QStringLiteral("De tabel ") + table +
                                                  QStringLiteral(" kan niet worden gecontroleerd"));
        }
        bool whole = false;
        if (check.next())
            whole = check.value(0).toString() == QLatin1String("ok") && !check.next();
        if (!whole)
            return notADatabase(QStringLiteral("Het bestand ") + path_ +
                                QStringLiteral(" is beschadigd (tabel ") + table +
                                QStringLiteral(").") + damagedAdvice());
        checked_.insert(table.toLower());
    }
    return {};
}

ErrorInfo Connection::errorOf(const QSqlError& e, const QString& what) const {
    const int code = e.nativeErrorCode().toInt();
    if (jet_ && code == kSqliteReadOnly)
        return {ErrorNumber::ReadOnlyDatabase, kSource,
                QStringLiteral("Het bestand ") + path_ +
                    QStringLiteral(" is een Jet-database en kan hier alleen gelezen worden. "
                                   "Er is niets gewijzigd."),
                code};
    // A file that is not the database the program expects: say what is
    // missing, not what SQLite calls it.
    static const QRegularExpression missing(QStringLiteral("no such (table|column): ([^ ]+)"));
    const QRegularExpressionMatch m = missing.match(e.databaseText());
    if (m.hasMatch()) {
        const QString name = m.captured(2);
        if (m.captured(1) == QLatin1String("column"))
            return notADatabase(
                QStringLiteral("In ") + path_ + QStringLiteral(" ontbreekt de kolom ") + name +
                    QStringLiteral(". Misschien is de verkeerde versie gekozen of is dit niet "
                                   "de juiste database."),
                code);
        const QString other = jet_ ? jet_->otherObject(name) : QString();
        return notADatabase(
            QStringLiteral("In ") + path_ + QStringLiteral(" ontbreekt de tabel ") + name +
                (other.isEmpty() ? QString()
                                 : QStringLiteral(" (die naam hoort bij ") + other +
                                       QStringLiteral(", die hier niet gelezen kan worden)")) +
                QStringLiteral(". Misschien is dit geen Tavrel- of limietendatabase."),
            code);
    }
    // A refusal the program does not name itself shows SQLite's number.
    return {code, kSource, what + QStringLiteral(": ") + refusalReason(e), code};
}

QString missingColumnText(const QString& path, const QString& table, const QString& column) {
    return QStringLiteral("In ") + path + QStringLiteral(" ontbreekt de kolom ") + column +
           QStringLiteral(" in de tabel ") + table +
           QStringLiteral(". Misschien is dit een ouder of ander bestand dan het programma "
                          "verwacht.");
}

bool isBusy(const ErrorInfo& error) {
    const int primary = error.Code & 0xff;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

QString refusalReason(const QSqlError& e) {
    const QString text = e.databaseText();
    if (text.contains(QLatin1String("UNIQUE constraint")))
        return QStringLiteral("die code bestaat al");
    if (text.contains(QLatin1String("NOT NULL constraint")))
        return QStringLiteral("een verplicht veld is leeg");
    if (text.contains(QLatin1String("FOREIGN KEY constraint")))
        return QStringLiteral("het verwijst naar een wedstrijd die niet bestaat");
    if (text.contains(QLatin1String("unsupported file format")))
        return QStringLiteral("het bestand is gemaakt door een nieuwere versie van SQLite dan "
                              "dit programma kent, of het is beschadigd");
    if (text.contains(QLatin1String("malformed")))
        return QStringLiteral("de database is beschadigd");
    return codeReason(e.nativeErrorCode().toInt());
}

QString codeReason(int code) {
    switch (code & 0xff) {
    case 5: // SQLITE_BUSY
    case 6: // SQLITE_LOCKED
        return QStringLiteral("de database wordt door een ander programma gebruikt; probeer het "
                              "straks opnieuw");
    case 8: // SQLITE_READONLY
        return QStringLiteral("het bestand kan niet worden gewijzigd (alleen-lezen)");
    case 9: // SQLITE_INTERRUPT, by the work limit
        return QStringLiteral("het lezen duurde langer dan %1 seconden en is afgebroken; het "
                              "bestand is misschien beschadigd")
            .arg(Connection::workLimitMs() / 1000);
    case 10: // SQLITE_IOERR
        return QStringLiteral("het bestand kan niet worden gelezen of geschreven");
    case 11: // SQLITE_CORRUPT
    case 26: // SQLITE_NOTADB
        return QStringLiteral("de database is beschadigd");
    case 13: // SQLITE_FULL
        return QStringLiteral("de schijf is vol");
    case 14: // SQLITE_CANTOPEN
        return QStringLiteral("het bestand kan niet worden geopend");
    case 18: // SQLITE_TOOBIG
        return QStringLiteral("een waarde in het bestand is te groot");
    default:
        return QStringLiteral("de database weigerde (SQLite-fout %1)").arg(code);
    }
}

// Copies the Jet tables a statement names into the private copy, with
// the columns it names (all of them for a "*" in its select list), each once
// per connection; a later statement that needs more columns copies the table
// again with them. Names are found by their words, so a word that happens to
// be a table or column name costs at most a little unneeded copying.
Result<void> Connection::loadTablesFor(const QString& statement) {
    if (!jet_)
        return {};
    static const QRegularExpression plainWord(QStringLiteral("[\\p{L}_][\\p{L}\\p{N}_]*"));
    // Bracketed names may hold spaces; plain words may not.
    static const QRegularExpression bracketed(QStringLiteral("\\[([^\\]]+)\\]"));
    static const QRegularExpression countStar(QStringLiteral("\\(\\s*\\*\\s*\\)"));
    QStringList wanted;
    QSet<QString> words;
    for (auto it = bracketed.globalMatch(statement); it.hasNext();)
        wanted << it.next().captured(1);
    for (auto it = plainWord.globalMatch(statement); it.hasNext();)
        wanted << it.next().captured(0);
    for (const QString& w : wanted)
        words.insert(w.toLower());
    const bool everyColumn = QString(statement).remove(countStar).contains(QLatin1Char('*'));

    QSqlDatabase db = database();
    for (const QString& w : wanted) {
        const QString key = w.toLower();
        if (!jetTables_.contains(key))
            continue;
        const QString table = jetTables_.value(key);
        const QSet<QString> all = jet_->columnNames(table);
        QSet<QString> needed = everyColumn ? all : (words & all);
        const auto copied = loaded_.constFind(key);
        if (copied != loaded_.constEnd()) {
            if (copied->contains(needed))
                continue;
            needed |= *copied;
        }
        QSqlQuery(db).exec(QStringLiteral("PRAGMA query_only = OFF"));
        if (copied != loaded_.constEnd())
            QSqlQuery(db).exec(QStringLiteral("DROP TABLE \"") +
                               QString(table).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
                               QLatin1Char('"'));
        const Result<void> copy = jet_->copyTable(table, db, &needed);
        QSqlQuery(db).exec(QStringLiteral("PRAGMA query_only = ON"));
        if (!copy) {
            loaded_.remove(key);
            // A damaged file is said as the file's fault, with what to do.
            static const QString file = QStringLiteral("het bestand ");
            const QString& why = copy.why();
            return notADatabase(
                why.startsWith(file) && why.contains(QLatin1String("beschadigd"))
                    ? QString(QStringLiteral("Het bestand ") + path_ + QLatin1Char(' ') +
                              why.mid(file.size()) + QLatin1Char('.') + damagedAdvice())
                    : QString(QStringLiteral("De tabel ") + w + QStringLiteral(" uit ") + path_ +
                              QStringLiteral(" kan niet worden gelezen: ") + why),
                copy.error().Code);
        }
        loaded_.insert(key, needed);
    }
    return {};
}

Result<void> Connection::run(QSqlQuery& query, const QString& statement,
                             const QVariantList& values) {
    Result<void> prepared = prepare(query, statement);
    return prepared ? exec(query, values) : prepared;
}

Result<void> Connection::prepare(QSqlQuery& query, const QString& statement) {
    if (const auto ready = handleFor(statement); !ready)
        return ready.error();
    if (!query.prepare(toSqliteDialect(statement)))
        return errorOf(query.lastError(), QStringLiteral("De opdracht is geweigerd"));
    return {};
}

Result<void> Connection::exec(QSqlQuery& query, const QVariantList& values) {
    work_.start();
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values[i]);
    if (!query.exec())
        return errorOf(query.lastError(), QStringLiteral("De opdracht is geweigerd"));
    return {};
}

Result<sqlite3*> Connection::handleFor(const QString& statement) {
    if (!isOpen())
        return ErrorInfo{ErrorNumber::NotConnected, kSource,
                         QStringLiteral("Er is geen verbinding met een database.")};
    work_.start();
    if (Result<void> loaded = loadTablesFor(statement); !loaded)
        return loaded.error();
    return handle();
}

sqlite3* Connection::handle() const {
    const QVariant h = database().driver()->handle();
    return h.isValid() ? *static_cast<sqlite3* const*>(h.constData()) : nullptr;
}

Result<void> Connection::Execute(const QString& statement, const QVariantList& values) {
    QSqlQuery query(database());
    return run(query, statement, values);
}

} // namespace tavrel
