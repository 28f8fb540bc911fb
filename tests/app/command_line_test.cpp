#include "app/CommandLine.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

using namespace tavrel;

namespace {

TEST(CommandLine, AnswersHelpAndVersionAndRefusesWhatItDoesNotKnow) {
    using A = CommandLine::Action;
    const struct {
        QStringList arguments;
        A action;
        int status;
        const char* says;
    } cases[] = {
        {{}, A::Run, 0, ""},
        {{QStringLiteral("-platform"), QStringLiteral("offscreen")}, A::Run, 0, ""},
        {{QStringLiteral("-reverse")}, A::Run, 0, ""},
        {{QStringLiteral("--help")}, A::Help, 0, "Gebruik: uploadtavrel"},
        {{QStringLiteral("-h")}, A::Help, 0, "--version    de versie tonen"},
        {{QStringLiteral("--version")}, A::Version, 0, "UploadTavrel 2.1.4"},
        {{QStringLiteral("team.mdb")}, A::Refuse, 2, "onbekend argument: team.mdb\n\nGebruik"},
        {{QStringLiteral("--verbose"), QStringLiteral("--help")}, A::Refuse, 2, "--verbose"},
        {{QStringLiteral("-style")}, A::Refuse, 2, "bij -style hoort een waarde"},
        {{QStringLiteral("--zwemmers")}, A::Refuse, 2, "--zwemmers hoort bij --upload"},
        {{QStringLiteral("--upload"), QStringLiteral("--csv-map")},
         A::Refuse,
         2,
         "bij --csv-map hoort een map"},
        {{QStringLiteral("--upload"), QStringLiteral("--csv-map=")},
         A::Refuse,
         2,
         "bij --csv-map hoort een map"},
        {{QStringLiteral("--upload"), QStringLiteral("--help")}, A::Help, 0, "--upload"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        const CommandLine line =
            parseCommandLine(QStringList{QStringLiteral("uploadtavrel")} + c.arguments);
        EXPECT_EQ(line.action, c.action);
        EXPECT_EQ(line.status, c.status);
        EXPECT_TRUE(line.text.contains(QLatin1String(c.says))) << line.text.toStdString();
    }
}

TEST(CommandLine, UploadTakesItsDataSetsAndCsvFolder) {
    const struct {
        QStringList arguments;
        std::array<bool, 3> sets;
        const char* csv;
    } cases[] = {
        {{QStringLiteral("--upload")}, {true, false, false}, ""},
        {{QStringLiteral("--limieten"), QStringLiteral("--upload"), QStringLiteral("--niveaus")},
         {false, true, true},
         ""},
        {{QStringLiteral("--upload"), QStringLiteral("--zwemmers"), QStringLiteral("--csv-map"),
          QStringLiteral("/srv/csv map")},
         {true, false, false},
         "/srv/csv map"},
        {{QStringLiteral("--upload"), QStringLiteral("--csv-map=C:\\csv\\")},
         {true, false, false},
         "C:\\csv\\"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        const CommandLine line =
            parseCommandLine(QStringList{QStringLiteral("uploadtavrel")} + c.arguments);
        EXPECT_EQ(line.action, CommandLine::Action::Upload);
        EXPECT_EQ(line.dataSets, c.sets);
        EXPECT_EQ(line.csvFolder, QString::fromUtf8(c.csv));
    }
}

// The real program: no window is needed to answer, and without a display it
// says so in Dutch instead of aborting.
TEST(CommandLine, TheProgramAnswersWithoutAWindow) {
    QProcessEnvironment headless = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        headless.remove(QLatin1String(name));
    const struct {
        QStringList arguments;
        int status;
        const char* out;
        const char* err;
    } cases[] = {
        {{QStringLiteral("--version")}, 0, "UploadTavrel 2.1.4\n", ""},
        {{QStringLiteral("--help")}, 0, "Gebruik: uploadtavrel", ""},
        {{QStringLiteral("--onzin")}, 2, "", "onbekend argument: --onzin"},
#ifndef Q_OS_WIN // Windows always has its desktop: no display to miss
        {{}, 1, "", "er is geen beeldscherm beschikbaar"},
#endif
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        QProcess program;
        program.setProcessEnvironment(headless);
        program.start(QStringLiteral(TAVREL_PROGRAM), c.arguments);
        ASSERT_TRUE(program.waitForFinished(20000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), c.status);
        // Windows writes line ends to a console as CR LF.
        const QString out =
            QString::fromLocal8Bit(program.readAllStandardOutput()).remove(QLatin1Char('\r'));
        const QString err = QString::fromLocal8Bit(program.readAllStandardError());
        EXPECT_TRUE(out.contains(QLatin1String(c.out))) << out.toStdString();
        EXPECT_TRUE(err.contains(QLatin1String(c.err))) << err.toStdString();
        // No English from Qt reaches the user.
        EXPECT_FALSE(err.contains(QLatin1String("qt.qpa"))) << err.toStdString();
    }
}

} // namespace
