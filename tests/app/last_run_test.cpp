#include "app/LastRun.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace tavrel;

namespace {

TEST(LastRun, OneLineSaysWhenWhatWhereAndHowItEnded) {
    const QDateTime when(QDate(2026, 12, 7), QTime(21, 14));
    using R = RunRecord::Result;
    const QStringList four = {QStringLiteral("zwemmers.csv"), QStringLiteral("tijden.csv"),
                              QStringLiteral("limieten.csv"), QStringLiteral("niveaus.csv")};
    const struct {
        RunRecord record;
        const char* line;
    } cases[] = {
        {{when, four, true, QStringLiteral("www.club.nl"), QStringLiteral("httpdocs")},
         "Laatste upload: maandag 7 december 2026 21:14, vier bestanden naar "
         "www.club.nl/httpdocs, geslaagd."},
        {{when,
          {QStringLiteral("limieten.csv")},
          true,
          QStringLiteral("ftp.club.nl"),
          {},
          true,
          QStringLiteral("/srv/csv/")},
         "Laatste upload: maandag 7 december 2026 21:14, \xc3\xa9\xc3\xa9n bestand naar "
         "ftp.club.nl en bewaard in %1, geslaagd."},
        {{when, four.mid(0, 2), false, {}, {}, true, QStringLiteral("/srv/csv/")},
         "Laatste export: maandag 7 december 2026 21:14, twee bestanden bewaard in %1, geslaagd."},
        {{when,
          {},
          true,
          {},
          {},
          false,
          {},
          R::Failed,
          QStringLiteral("Database file niet gevonden")},
         "Laatste upload: maandag 7 december 2026 21:14, mislukt: Database file niet gevonden."},
        {{when, {}, true, {}, {}, false, {}, R::Stopped},
         "Laatste upload: maandag 7 december 2026 21:14, gestopt."},
        // A run that never ended: what the website may hold by then.
        {{when, {}, true, {}, {}, false, {}, R::Interrupted},
         "Laatste upload: maandag 7 december 2026 21:14, begonnen maar niet afgemaakt: het "
         "programma is onderbroken voordat er iets naar de website ging."},
        {{when, {}, true, {}, {}, false, {}, R::Interrupted, {}, true, {QStringLiteral("a.csv")}},
         "Laatste upload: maandag 7 december 2026 21:14, begonnen maar niet afgemaakt: het "
         "programma is onderbroken tijdens de upload. Op de website zijn al vervangen: a.csv; "
         "andere zijn mogelijk nog oud. Upload opnieuw."},
        {{when, {}, false, {}, {}, true, QStringLiteral("/srv/csv/"), R::Interrupted},
         "Laatste export: maandag 7 december 2026 21:14, begonnen maar niet afgemaakt: het "
         "programma is onderbroken. Elk CSV-bestand in %1 is het oude of het nieuwe."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(lastRunLine(c.record),
                  QString::fromUtf8(c.line).replace(
                      QLatin1String("%1"), QDir::toNativeSeparators(QStringLiteral("/srv/csv/"))));
}

TEST(LastRun, IsKeptForTheNextStart) {
    EXPECT_EQ(storedLastRun(), QString()) << "nothing before the first run";
    ASSERT_TRUE(storeLastRun(QStringLiteral("Laatste upload: gisteren, geslaagd.")));
    EXPECT_EQ(storedLastRun(), QStringLiteral("Laatste upload: gisteren, geslaagd."));
}

} // namespace
