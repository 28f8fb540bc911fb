// How a run's progress reads: numbers, sizes and speeds in Dutch, the
// runner's progress channel, and the transcript as the window shows it.
#include "common/Progress.h"
#include "upload/LogCheck.h"
#include "upload/SendProgress.h"

#include <QThread>

#include <gtest/gtest.h>

using namespace tavrel;

namespace {

TEST(Progress, NumbersSizesAndSpeedsReadAsDutchPrintsThem) {
    const struct {
        QString got, want;
    } cases[] = {
        {groupedNumber(0), QStringLiteral("0")},
        {groupedNumber(999), QStringLiteral("999")},
        {groupedNumber(1000), QStringLiteral("1 000")},
        {groupedNumber(1234567), QStringLiteral("1 234 567")},
        {recordProgressText(QStringLiteral("Tijden"), 412000, 1000000),
         QStringLiteral("Tijden: 412 000 van 1 000 000 records")},
        {byteProgressText(QStringLiteral("tijden.csv"), 31'400'000, 65'000'000, 2'100'000),
         QStringLiteral("tijden.csv: 31 van 65 MB, 2,1 MB/s")},
        {byteProgressText(QStringLiteral("zwemmers.csv"), 1'250'000, 3'500'000, 0),
         QStringLiteral("zwemmers.csv: 1,3 van 3,5 MB")},
        {byteProgressText(QStringLiteral("niveaus.csv"), 1, 20'000, 40'000),
         QStringLiteral("niveaus.csv: 1 van 20 kB, 40 kB/s")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.got, c.want);
}

TEST(SendProgress, ReadsTheRunnersLinesInAnyPiecesAndTellsWhatWasReplaced) {
    SendProgress sending({{QStringLiteral("zwemmers.csv"), 1000},
                          {QStringLiteral("tijden.csv"), 3000},
                          {QStringLiteral("met spatie.csv"), 0}});
    EXPECT_FALSE(sending.started());

    const struct {
        QByteArray bytes;
        qint64 share; // thousandths of the whole
        const char* replaced;
        const char* reason;
    } steps[] = {
        {"voortgang 0 1000 zwemm", 0, "", ""}, // a line not yet ended
        {"ers.csv\r\n", 0, "", ""},            // ... then ended
        {"voortgang 1000 1000 zwemmers.csv\n", 250, "", ""},
        {"verzonden 1000 1000 zwemmers.csv\n", 250, "", ""}, // whole, not yet in place
        {"rommel\nvoortgang x 3 tijden.csv\nvoortgang 5 9 onbekend.csv\n", 250, "", ""},
        {"voortgang 1500 3000 tijden.csv\n", 625, "", ""},
        {"verzonden 9999 3000 tijden.csv\n", 1000, "", ""},
        {"verzonden 0 0 met spatie.csv\nvervangen zwemmers.csv\n", 1000, "zwemmers.csv", ""},
        {"reden De server weigert tijden.csv te vervangen.\nreden later\n", 1000, "zwemmers.csv",
         "De server weigert tijden.csv te vervangen."}, // the first reason counts
        {"vervangen met spatie.csv\nvervangen zwemmers.csv\n", 1000, "zwemmers.csv, met spatie.csv",
         "De server weigert tijden.csv te vervangen."},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.bytes.toStdString());
        sending.take(s.bytes);
        EXPECT_EQ(sending.progress().done, s.share);
        EXPECT_EQ(sending.replaced().join(QStringLiteral(", ")), QString::fromUtf8(s.replaced));
        EXPECT_EQ(sending.reason(), QString::fromUtf8(s.reason));
    }
    EXPECT_TRUE(sending.progress().text.startsWith(QStringLiteral("met spatie.csv: ")));
}

// A file the website holds already is whole at its first record: it counts
// as done, and no speed is made up for bytes that never went.
TEST(SendProgress, AFileNotSentAgainCountsAsDoneWithoutASpeed) {
    SendProgress sending({{QStringLiteral("limieten.csv"), 2000000}});
    sending.take("verzonden 2000000 2000000 limieten.csv\n");
    QThread::msleep(300);
    EXPECT_EQ(sending.progress().done, 1000);
    EXPECT_FALSE(sending.progress().text.contains(QStringLiteral("/s")))
        << sending.progress().text.toStdString();
}

TEST(CondensedTranscript, ShortensOnlyLongLinesOfHashMarks) {
    const QString many(5000, QLatin1Char('#'));
    const struct {
        QString log, shown;
    } cases[] = {
        {QStringLiteral("226 Transfer complete.\r\n"),
         QStringLiteral("226 Transfer complete.\r\n")},
        {QString(40, QLatin1Char('#')) + QStringLiteral("\r\n"),
         QString(40, QLatin1Char('#')) + QStringLiteral("\r\n")},
        {QStringLiteral("125 Start\r\n") + many + QStringLiteral("\r\n226 Klaar\r\n"),
         QStringLiteral("125 Start\r\n") + QString(40, QLatin1Char('#')) +
             QStringLiteral(" \u2026 (5 000 blokken)\r\n226 Klaar\r\n")},
        {many + QStringLiteral("x"), many + QStringLiteral("x")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(condensedTranscript(c.log), c.shown);
}

} // namespace
