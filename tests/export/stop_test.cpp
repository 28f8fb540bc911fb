// An export that is told to stop, and one that is not: the progress it
// reports on the way, and that a stop never puts a partial file in place.
#include "common/db/Connection.h"
#include "export/Exports.h"
#include "support/Databases.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <atomic>

using namespace tavrel;
using namespace tavrel::test;

namespace {

// Records the progress; stops the run at the report it is told to.
class Watcher final : public MessageArea {
public:
    Watcher(std::atomic<bool>& stop, int stopAtReport)
        : stop_(stop)
        , stopAt_(stopAtReport) {}
    void showMessage(const QString& text) override { messages.append(text); }
    void showProgress(const RunProgress& p) override {
        reports.push_back(p);
        if (int(reports.size()) == stopAt_)
            stop_ = true;
    }
    QStringList messages;
    std::vector<RunProgress> reports;

private:
    std::atomic<bool>& stop_;
    int stopAt_;
};

TEST(ExportStop, StopsAtOnceWithoutAFileAndOtherwiseCountsToTheEnd) {
    TempDir data, out;
    const QString sqlite = makeClubDatabase(data, demo::ClubVariant::Tavrel2009, {2000, 60000});
    const QString jet = QStringLiteral(TAVREL_TEST_DATA "/jet-club/team2009.mdb");
    const struct {
        const char* what;
        QString club;
        int stopAtReport; // 0: never; -1: before the run
    } cases[] = {
        {"no stop", sqlite, 0},
        {"stop at the first report", sqlite, 1},
        {"stop before a Jet table is copied", jet, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedUi ui; // a stop is no fault: no box
        const QString old = out.write(QStringLiteral("tijden.csv"), "van de vorige run");
        RunInput input;
        input.version = QStringLiteral("2009");
        std::atomic<bool> stop = c.stopAtReport < 0;
        Watcher watcher(stop, c.stopAtReport);
        Connection connection;
        ASSERT_TRUE(ConnectJetDB(c.club, connection));
        connection.setStop(&stop);
        PhaseContext context{input, out.folder(), &connection, watcher, &stop};
        const auto times = makeTimesExport();
        QElapsedTimer took;
        took.start();
        const bool ran = times->check(context).ok() && times->run(context);
        EXPECT_LT(took.elapsed(), 10000);
        EXPECT_EQ(ran, c.stopAtReport == 0);
        EXPECT_EQ(out.read(QStringLiteral("tijden.csv")) == "van de vorige run",
                  c.stopAtReport != 0)
            << "a stopped export leaves the old file";
        EXPECT_EQ(QDir(out.path()).entryList(QDir::Files),
                  QStringList{QStringLiteral("tijden.csv")})
            << "and no temporary file";
        if (c.stopAtReport == 0) {
            ASSERT_FALSE(watcher.reports.empty());
            EXPECT_EQ(watcher.reports.back().text,
                      QStringLiteral("Tijden: 60 000 van 60 000 records"));
            for (size_t i = 1; i < watcher.reports.size(); ++i)
                EXPECT_GE(watcher.reports[i].done, watcher.reports[i - 1].done);
        }
        if (c.stopAtReport > 0) {
            EXPECT_LT(watcher.reports.back().done, 60000) << "no record after the stop";
        }
        EXPECT_TRUE(ui.prompts().empty());
        QFile::remove(old);
    }
}

} // namespace
