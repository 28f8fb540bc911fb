// Import files as people have them: every text form and line end a club's
// tools write, things that are no files, and a file far larger than any
// club's, read line by line.
#include "common/db/Connection.h"
#include "editors/CsvImport.h"
#include "editors/ImportFile.h"
#include "support/Databases.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"

#include <QElapsedTimer>
#include <QStringEncoder>

#include <gtest/gtest.h>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#include <sys/stat.h>
#endif

using namespace tavrel;
using namespace tavrel::test;

namespace {

// Under the sanitizers everything is several times slower: time is then
// not what a test can hold the program to.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

QStringList linesOf(const QString& path, QString* why = nullptr) {
    ImportFile file;
    QStringList lines;
    if (const Result<void> opened = file.open(path); !opened) {
        if (why)
            *why = opened.why();
        return {QStringLiteral("<niet geopend>")};
    }
    while (const auto line = file.next())
        lines << *line;
    return lines;
}

QStringList words(const char* barSeparated) {
    return QString::fromLatin1(barSeparated).split(u'|');
}

QByteArray utf16(const QString& text, QStringConverter::Encoding encoding) {
    QStringEncoder encoder(encoding, QStringConverter::Flag::WriteBom);
    return encoder.encode(text);
}

TEST(ImportFile, ReadsEveryTextFormAndLineEnd) {
    const QString long1252 = QString(70000, u'a') + QStringLiteral(";\u00e9");
    const QString atChunk = QString(65535, u'b');
    const struct {
        const char* name;
        QByteArray bytes;
        QStringList lines;
    } cases[] = {
        {"CR LF, LF and CR alone", "a\r\nb\n c\rd", words("a|b| c|d")},
        {"an old Mac file's last line", "a\rb\r", words("a|b")},
        {"a CR LF across a read", atChunk.toLatin1() + "\r\nx", {atChunk, QStringLiteral("x")}},
        {"blank lines stay lines", "a\r\n\r\n\rb\r\n", words("a|||b")},
        {"UTF-8 with its mark", "\xef\xbb\xbfZ\xc3\xa9;1\r\n", {QStringLiteral("Z\u00e9;1")}},
        {"UTF-8 without a mark", "Z\xc3\xa9;1", {QStringLiteral("Z\u00e9;1")}},
        {"Windows-1252 far down the file",
         QByteArray(long1252.size() - 2, 'a') + ";\xe9",
         {long1252}},
        {"UTF-16 LE with its mark",
         utf16(QStringLiteral("Z\u00e9;50\r\n2;3"), QStringConverter::Utf16LE),
         {QStringLiteral("Z\u00e9;50"), QStringLiteral("2;3")}},
        {"UTF-16 BE with its mark",
         utf16(QStringLiteral("Z\u00e9;50\r2"), QStringConverter::Utf16BE),
         {QStringLiteral("Z\u00e9;50"), QStringLiteral("2")}},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(linesOf(dir.write(QStringLiteral("in.csv"), c.bytes)), c.lines);
    }
}

TEST(ImportFile, WhatIsNoFileIsRefusedAtOnce) {
    TempDir dir;
    QString why;
    EXPECT_EQ(linesOf(dir.path(), &why), QStringList{QStringLiteral("<niet geopend>")});
    EXPECT_EQ(why, QStringLiteral("het is geen gewoon bestand"));
    EXPECT_EQ(linesOf(dir.file(QStringLiteral("weg.csv")), &why),
              QStringList{QStringLiteral("<niet geopend>")});
    EXPECT_EQ(why, QStringLiteral("het bestand bestaat niet"));
#ifdef Q_OS_UNIX
    const QString fifo = dir.file(QStringLiteral("fifo.csv"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(linesOf(fifo, &why), QStringList{QStringLiteral("<niet geopend>")});
    EXPECT_EQ(why, QStringLiteral("het is geen gewoon bestand"));
    EXPECT_LT(clock.elapsed(), 1000) << "never waits for a writer";
#endif
}

// Lines that cannot be imported: said by their number, quoting no more
// than a line's worth of a field; nothing changes.
TEST(ImportFile, ABadLineIsSaidShortlyAndChangesNothing) {
    ScriptedUi ui;
    TempDir dir;
    const QString db = makeLimitsDatabase(dir, true);
    const auto before = sqlRows(db, QStringLiteral("SELECT * FROM niveaus ORDER BY rowid"));
    Connection connection;
    ASSERT_TRUE(ConnectJetDB(db, connection));
    const struct {
        const char* name;
        QByteArray bytes;
        const char* says;
    } cases[] = {
        {"a NUL in a number",
         QByteArray("50;vr;j;25;A;9;10;00.40.00\r\n") + QByteArray("5\0", 2) +
             "0;vr;j;25;A;9;10;x\r\n",
         "nul-teken"},
        {"a line of 5 MB", "50;vr;j;25;A;9;10;00.40.00\r\n" + QByteArray(5 << 20, '7') + ";vr\r\n",
         "is geen geheel getal"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ImportFile file;
        ASSERT_TRUE(file.open(dir.write(QStringLiteral("niveaus.csv"), c.bytes)).ok());
        const Result<int> imported = importLevels(connection, file);
        ASSERT_FALSE(imported.ok());
        EXPECT_TRUE(imported.why().startsWith(QLatin1String("Regel 2 ")))
            << imported.why().left(200).toStdString();
        EXPECT_TRUE(imported.why().contains(QLatin1String(c.says)))
            << imported.why().left(200).toStdString();
        EXPECT_LT(imported.why().size(), 300);
    }
    EXPECT_EQ(sqlRows(db, QStringLiteral("SELECT * FROM niveaus ORDER BY rowid")), before);
}

// A levels file of 50 MB (a million lines): imported whole, within 20 s,
// reading it line by line.
TEST(ImportFile, AFileOf50MBIsImportedInBoundedTimeAndMemory) {
    ScriptedUi ui;
    TempDir dir;
    const QString db = makeLimitsDatabase(dir);
    QByteArray big;
    const QByteArray line = "100;vr;j;25;A;10;11;01.02.03;" + QByteArray(20, ' ') + "\r\n";
    big.reserve(52 << 20);
    while (big.size() < (50 << 20))
        big += line;
    const int lines = int(big.size() / line.size());
    const QString path = dir.write(QStringLiteral("niveaus.csv"), big);
    big = QByteArray(); // only the file holds it now
    Connection connection;
    ASSERT_TRUE(ConnectJetDB(db, connection));
    ImportFile file;
    ASSERT_TRUE(file.open(path).ok());
    QElapsedTimer clock;
    clock.start();
    const Result<int> imported = importLevels(connection, file);
    if (!kSanitized) {
        EXPECT_LT(clock.elapsed(), 20000);
    }
    ASSERT_TRUE(imported.ok()) << imported.why().toStdString();
    EXPECT_EQ(imported.value(), lines);
#ifdef Q_OS_UNIX
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    if (!kSanitized) {
        EXPECT_LT(usage.ru_maxrss / 1024, 300) << "MiB at the most, the test's own 50 MB included";
    }
#endif
}

} // namespace
