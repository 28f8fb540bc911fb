#include "DemoDatabases.h"

#include "common/db/LimitsSchema.h"

#include <QDate>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <array>
#include <cstdint>

namespace tavrel::demo {

namespace {

// A small generator whose sequence is the same on every platform.
class Random {
public:
    explicit Random(std::uint64_t seed)
        : state_(seed) {}
    std::uint32_t next() {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return std::uint32_t(state_ >> 33);
    }
    int below(int n) { return int(next() % std::uint32_t(n)); }
    bool chance(int percent) { return below(100) < percent; }
    template <typename T, size_t N>
    const T& pick(const std::array<T, N>& items) {
        return items[size_t(below(int(N)))];
    }

private:
    std::uint64_t state_;
};

const QVariant kNull = QVariant(QMetaType::fromType<QString>());

// A new SQLite file, written quickly: the demo can always be made again.
class SqliteFile {
public:
    explicit SqliteFile(const QString& path)
        : name_(QStringLiteral("make-demo-%1").arg(++counter_)) {
        QFile::remove(path);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
        db.setDatabaseName(path);
        ok_ = db.open();
        if (!ok_)
            error_ = db.lastError().text();
        exec(QStringLiteral("PRAGMA journal_mode = OFF"));
        exec(QStringLiteral("PRAGMA synchronous = OFF"));
    }
    ~SqliteFile() {
        { QSqlDatabase::database(name_, false).close(); }
        QSqlDatabase::removeDatabase(name_);
    }

    QSqlDatabase db() const { return QSqlDatabase::database(name_, false); }

    bool exec(const QString& statement) {
        QSqlQuery q(db());
        if (ok_ && !q.exec(statement)) {
            ok_ = false;
            error_ = q.lastError().text() + QStringLiteral(" in: ") + statement;
        }
        return ok_;
    }
    bool execAll(const QStringList& statements) {
        for (const QString& statement : statements)
            exec(statement);
        return ok_;
    }
    QSqlQuery prepare(const QString& statement) {
        QSqlQuery q(db());
        if (ok_ && !q.prepare(statement)) {
            ok_ = false;
            error_ = q.lastError().text();
        }
        return q;
    }
    bool insert(QSqlQuery& q, const QVariantList& values) {
        if (!ok_)
            return false;
        for (int i = 0; i < values.size(); ++i)
            q.bindValue(i, values[i]);
        if (!q.exec()) {
            ok_ = false;
            error_ = q.lastError().text();
        }
        return ok_;
    }
    Result<void> finish() {
        if (ok_)
            return {};
        return failure(error_);
    }

private:
    static inline int counter_ = 0;
    QString name_;
    bool ok_ = false;
    QString error_;
};

QString isoDate(const QDate& d) {
    return d.toString(Qt::ISODate);
}

// "mm.ss.hh" for a time in hundredths of a second.
QString timeText(int hundredths) {
    return QStringLiteral("%1.%2.%3")
        .arg(hundredths / 6000, 2, 10, QLatin1Char('0'))
        .arg(hundredths / 100 % 60, 2, 10, QLatin1Char('0'))
        .arg(hundredths % 100, 2, 10, QLatin1Char('0'));
}

const std::array<int, 6> kDistances = {50, 100, 200, 400, 800, 1500};
const std::array<const char*, 5> kStrokes = {"vr", "vl", "ru", "ss", "wi"};
// Seconds per 50 m of a good club swimmer, by stroke.
const std::array<int, 5> kPace = {29, 31, 33, 37, 34};

} // namespace

Result<void> createLimitsDatabase(const QString& path) {
    SqliteFile file(path);
    file.execAll(limitsSchemaStatements());
    return file.finish();
}

Result<void> writeDemoLimitsDatabase(const QString& path) {
    SqliteFile file(path);
    file.execAll(limitsSchemaStatements());
    Random random(2009);

    struct Meet {
        const char* code;
        QDate from, to;
        const char* name;
        const char* remark;
        int pool;
    };
    const Meet meets[] = {
        {"DKJ2010",
         {2010, 1, 1},
         {2010, 12, 12},
         "Districtskampioenschappen junioren",
         "Limieten in 2010 zwemmen",
         25},
        {"NJJK2010",
         {2009, 9, 1},
         {2010, 5, 30},
         "Nederlandse jeugdkampioenschappen",
         "Alleen 50 meter bad",
         50},
        {"KRING2009", {2009, 3, 5}, {2009, 3, 7}, "Kringkampioenschappen", "", 25},
        {"MASTERS09",
         {2009, 2, 28},
         {2009, 11, 29},
         "Masterskampioenschappen",
         "Leeftijd op 31 december",
         50},
    };
    QSqlQuery meet =
        file.prepare(QStringLiteral("INSERT INTO wedstrijden VALUES (?, ?, ?, ?, ?, ?)"));
    QSqlQuery limit =
        file.prepare(QStringLiteral("INSERT INTO limieten VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
    for (const Meet& m : meets) {
        const QVariant remark = *m.remark ? QVariant(QString::fromUtf8(m.remark)) : kNull;
        file.insert(meet, {QString::fromLatin1(m.code), isoDate(m.from), isoDate(m.to),
                           QString::fromUtf8(m.name), remark, m.pool});
        for (int d = 0; d < 4; ++d) {
            for (int s = 0; s < 5; ++s) {
                for (const char* gender : {"j", "m"}) {
                    int year = 1994 + random.below(3);
                    for (int range = 0; range < 3; ++range) {
                        const int to = year + 1 + random.below(2);
                        const int base = kDistances[d] / 50 * (kPace[s] + 6 - range * 2) * 100 +
                                         random.below(300) + (*gender == 'm' ? 250 : 0);
                        // A 25 m meet has one limit for both pools: the second is left empty.
                        const QVariant limit50 =
                            m.pool == 25 && range == 2 ? kNull : QVariant(timeText(base + 120));
                        file.insert(limit,
                                    {QString::fromLatin1(m.code), kDistances[d],
                                     QString::fromLatin1(kStrokes[s]), QString::fromLatin1(gender),
                                     year, to, timeText(base), limit50});
                        year = to + 1;
                    }
                }
            }
        }
    }

    QSqlQuery level =
        file.prepare(QStringLiteral("INSERT INTO niveaus VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
    const std::array<const char*, 4> levels = {"A", "B", "C", "D"};
    for (int d = 0; d < 3; ++d)
        for (int s = 0; s < 5; ++s)
            for (const char* gender : {"j", "m"})
                for (int pool : {25, 50})
                    for (int l = 0; l < 4; ++l)
                        for (int age = 9; age <= 15; age += 3) {
                            const int base =
                                kDistances[d] / 50 * (kPace[s] + 4 + l * 3 - age / 4) * 100 +
                                (pool == 50 ? 150 : 0) + random.below(200);
                            file.insert(level, {kDistances[d], QString::fromLatin1(kStrokes[s]),
                                                QString::fromLatin1(gender), pool,
                                                QString::fromLatin1(levels[size_t(l)]), age,
                                                age + 2, timeText(base)});
                        }
    return file.finish();
}

Result<void> writeClubDatabase(const QString& path, ClubVariant variant, ClubSize size) {
    const bool v2009 = variant == ClubVariant::Tavrel2009;
    SqliteFile file(path);
    Random random(v2009 ? 2009 : 2006);

    const QString styleTable = v2009 ? QStringLiteral("SWIMSTYLE") : QStringLiteral("STYLES");
    const QString styleKey = v2009 ? QStringLiteral("SWIMSTYLEID") : QStringLiteral("STYLESID");
    file.execAll(splitSqlScript(
        QStringLiteral(
            "CREATE TABLE MEMBERS (MEMBERSID INTEGER PRIMARY KEY, REGISTRATIONID INTEGER, "
            "FIRSTNAME TEXT, NAMEPREFIX TEXT, LASTNAME TEXT, %1 INTEGER, BIRTHDATE DATETIME, "
            "ACTIVE %2, EMAIL TEXT);\n"
            "CREATE TABLE MEETS (MEETSID INTEGER PRIMARY KEY, NAME TEXT, PLACE TEXT, "
            "MINDATE DATETIME, MAXDATE DATETIME, POOL INTEGER, COURSE INTEGER);\n"
            "CREATE TABLE %3 (%4 INTEGER PRIMARY KEY, DISTANCE INTEGER, STROKE INTEGER, "
            "RELAYCOUNT INTEGER);\n"
            "CREATE TABLE RESULTS (RESULTSID INTEGER PRIMARY KEY, MEETSID INTEGER, "
            "MEMBERSID INTEGER, STYLESID INTEGER, TOTALTIME INTEGER, RESULTTYP INTEGER);\n"
            "CREATE INDEX RESULTS_MEET ON RESULTS (MEETSID);\n"
            "CREATE INDEX MEETS_DATE ON MEETS (MINDATE);\n")
            .arg(v2009 ? QStringLiteral("GENDER") : QStringLiteral("SEX"),
                 v2009 ? QStringLiteral("TEXT") : QStringLiteral("INTEGER"), styleTable,
                 styleKey)));
    file.exec(QStringLiteral("BEGIN"));

    // Members: some without a registration number (null, or text that is no
    // number), some without a name prefix or birth date.
    const std::array<const char*, 8> girls = {"Anouk", "Emma", "Fleur", "Julia",
                                              "Lisa",  "Noor", "Sanne", "Zoë"};
    const std::array<const char*, 8> boys = {"Bram",  "Daan",  "Jesse", "Lars",
                                             "Milan", "Ruben", "Thijs", "Sem"};
    const std::array<const char*, 12> last = {"Jansen", "Bakker", "Visser",  "Smit",
                                              "Meijer", "Bos",    "Mulder",  "Berg",
                                              "Dijk",   "Vries",  "Leeuwen", "Brink"};
    const std::array<const char*, 5> prefixes = {"van", "de", "van der", "van den", "ter"};
    QSqlQuery member =
        file.prepare(QStringLiteral("INSERT INTO MEMBERS VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (int id = 1; id <= size.members; ++id) {
        QVariant registration = 100000 + id * 37 % 900000;
        if (id % 19 == 7)
            registration = kNull;
        else if (id % 23 == 11)
            registration = QStringLiteral("ONB%1").arg(id);
        const bool girl = random.chance(50);
        const QVariant prefix =
            random.chance(35) ? QVariant(QString::fromUtf8(random.pick(prefixes))) : kNull;
        // One draw per statement: the order of a call's arguments is up to
        // the compiler, and the data must not be. Day, month, year is the
        // order the published demo files were made in.
        QVariant birth = kNull;
        if (!random.chance(4)) {
            const int day = 1 + random.below(28);
            const int month = 1 + random.below(12);
            const int year = 1950 + random.below(62);
            birth = isoDate(QDate(year, month, day));
        }
        const QVariant sex = v2009 ? QVariant(girl ? 2 : 1) : QVariant(girl ? 1 : 0);
        const bool active = random.chance(85);
        const QVariant activeValue =
            v2009 ? QVariant(active ? QStringLiteral("T") : QStringLiteral("F"))
                  : QVariant(active ? -1 : 0);
        const char* firstName = girl ? random.pick(girls) : random.pick(boys);
        file.insert(member, {id, registration, QString::fromUtf8(firstName), prefix,
                             QString::fromUtf8(random.pick(last)), sex, birth, activeValue,
                             QStringLiteral("lid%1@example.com").arg(id)});
    }

    // Meets over two seasons; every pool and course code occurs, null included.
    const std::array<const char*, 8> places = {"Amersfoort", "Eindhoven", "Zwolle",  "Utrecht",
                                               "Leiden",     "Den Haag",  "Haarlem", "Nijmegen"};
    const std::array<const char*, 6> names = {"Clubkampioenschappen", "Speedo Cup",
                                              "Kringwedstrijd",       "Limietwedstrijd",
                                              "Sprintgala",           "Lange afstand"};
    const int meetCount = 24;
    QSqlQuery meet = file.prepare(QStringLiteral("INSERT INTO MEETS VALUES (?, ?, ?, ?, ?, ?, ?)"));
    for (int id = 1; id <= meetCount; ++id) {
        const QDate day = QDate(2008, 9, 6).addDays(id * 29 % 640);
        const QVariant pool = id % 11 == 0 ? kNull : QVariant(id % 3 == 0 ? 1 : 0);
        const QVariant course = id % 10 == 0 ? kNull : QVariant(id % 9); // 0 to 8 and null
        const QVariant place = id == 5 ? kNull : QVariant(QString::fromUtf8(random.pick(places)));
        file.insert(
            meet,
            {id, QStringLiteral("%1 %2").arg(QString::fromUtf8(random.pick(names))).arg(day.year()),
             place, isoDate(day), isoDate(day.addDays(1)), pool, course});
    }

    // Styles: every distance and stroke code of the variant, a few unknown ones.
    struct Style {
        int distance; // metres
        int code;     // the variant's distance code
        int stroke;   // index into kStrokes, or -1 for an unknown stroke code
    };
    QList<Style> styles;
    const std::array<std::pair<int, int>, 15> codes2006 = {{{25, 0},
                                                            {50, 1},
                                                            {100, 2},
                                                            {200, 3},
                                                            {300, 4},
                                                            {400, 5},
                                                            {800, 6},
                                                            {1000, 7},
                                                            {1500, 8},
                                                            {2000, 9},
                                                            {100, 10},
                                                            {100, 11},
                                                            {5000, 12},
                                                            {500, 13},
                                                            {1650, 14}}};
    for (const auto& [metres, code] : codes2006)
        for (int s = 0; s < 5; ++s)
            styles.append({metres, v2009 ? metres : code, s});
    styles.append({100, v2009 ? 100 : 2, -1});
    const std::array<int, 5> strokeCodes2006 = {0, 1, 2, 3, 4};
    const std::array<int, 5> strokeCodes2009 = {1, 4, 2, 3, 5};
    QSqlQuery style =
        file.prepare(QStringLiteral("INSERT INTO %1 VALUES (?, ?, ?, ?)").arg(styleTable));
    for (int i = 0; i < styles.size(); ++i) {
        const Style& s = styles[i];
        const int stroke =
            s.stroke < 0 ? 7 : (v2009 ? strokeCodes2009 : strokeCodes2006)[size_t(s.stroke)];
        file.insert(style, {i + 1, s.code, stroke, 1});
    }

    // Results: times fitting distance and stroke; now and then a hand time
    // (2006), a time too short for the variant, or none at all.
    QSqlQuery result =
        file.prepare(QStringLiteral("INSERT INTO RESULTS VALUES (?, ?, ?, ?, ?, ?)"));
    for (int id = 1; id <= size.results; ++id) {
        const int styleIndex = random.below(int(styles.size()));
        const Style& s = styles[styleIndex];
        const int pace = kPace[size_t(s.stroke < 0 ? 0 : s.stroke)] + random.below(14);
        const int hundredths = s.distance * pace * 2 + random.below(100);
        const int seconds = hundredths / 100, tenth = hundredths / 10 % 10,
                  hundredth = hundredths % 10;
        QVariant total = v2009 ? QVariant(qint64(seconds) * 1000 + tenth * 100 + hundredth * 10)
                               : QVariant(qint64(seconds) * 10000 + tenth * 1000 +
                                          (random.chance(5) ? 100 : 0) + hundredth * 10);
        if (id % 157 == 0)
            total = kNull;
        else if (id % 211 == 0)
            total = 0;
        else if (id % 233 == 0)
            total = v2009 ? 430 : 4300;
        const int type = id % 97 == 0 ? 9 : 1 + random.below(5);
        file.insert(result, {id, 1 + random.below(meetCount), 1 + random.below(size.members),
                             styleIndex + 1, total, type});
    }
    file.exec(QStringLiteral("COMMIT"));
    return file.finish();
}

} // namespace tavrel::demo
