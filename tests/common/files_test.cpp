#include "common/BrowseFolder.h"
#include "common/Files.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace tavrel;

namespace {

TEST(FileExist, TrueOnlyForAnExistingFile) {
    test::TempDir dir;
    const QString file = dir.write(QStringLiteral("team.mdb"), "x");
    QDir(dir.path()).mkdir(QStringLiteral("sub folder"));

    test::ScriptedUi ui; // any report would be an unexpected prompt
    EXPECT_TRUE(FileExist(file));
    EXPECT_FALSE(FileExist(QString()));
    EXPECT_FALSE(FileExist(dir.file(QStringLiteral("sub folder")))) << "a folder is no file";
    EXPECT_FALSE(FileExist(dir.file(QStringLiteral("missing.mdb"))));
    EXPECT_FALSE(FileExist(dir.file(QStringLiteral("no/such/folder/team.mdb"))));
    EXPECT_FALSE(FileExist(file + QStringLiteral("/inside"))) << "a file used as a folder";
    EXPECT_TRUE(ui.prompts().empty());
}

TEST(FileExist, ReportsAPathTheSystemCannotTake) {
    test::ScriptedUi ui;
    ui.answer(Answer::Ok);
    const test::TempDir dir;
#ifdef Q_OS_WIN
    // Characters Windows takes in no name (a name too long is "not found" under Wine).
    EXPECT_FALSE(FileExist(dir.file(QStringLiteral("team<2009>|.mdb"))));
#else
    EXPECT_FALSE(FileExist(dir.file(QString(300, QLatin1Char('a')))));
#endif
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_TRUE(
        ui.messages()[0].text.startsWith(QStringLiteral("Fout gevonden in: FileExist\r\n")));
}

#ifndef Q_OS_WIN
// Said in Dutch, whatever language the system speaks.
TEST(FileExist, SaysWhyInDutch) {
    const test::TempDir dir;
    const QString loop = dir.file(QStringLiteral("loop.mdb"));
    ASSERT_TRUE(QFile::link(loop, loop));
    const struct {
        QString path;
        const char* says;
    } cases[] = {
        {loop, "koppelingen verwijzen in een kring"},
        {dir.file(QString(300, QLatin1Char('a'))), "de naam is te lang"},
    };
    for (const auto& c : cases) {
        test::ScriptedUi ui;
        ui.answer(Answer::Ok);
        EXPECT_FALSE(FileExist(c.path));
        ASSERT_EQ(ui.messages().size(), 1u);
        EXPECT_TRUE(ui.messages()[0].text.contains(QLatin1String(c.says)))
            << ui.messages()[0].text.toStdString();
    }
}
#endif

TEST(BrowseForFolder, OpensAtTheStartFolderOrTheCurrentFolder) {
    test::ScriptedUi ui;
    ui.chooseFolder(QStringLiteral("/chosen")).chooseFolder(QString());
    EXPECT_EQ(BrowseForFolder(QStringLiteral("Titel"), QStringLiteral("/start/")),
              QStringLiteral("/chosen"));
    EXPECT_EQ(BrowseForFolder(QStringLiteral("Titel"), QString()), QString()) << "cancel";
    ASSERT_EQ(ui.prompts().size(), 2u);
    EXPECT_EQ(ui.prompts()[0].title, QStringLiteral("Titel"));
    EXPECT_EQ(ui.prompts()[0].text, QStringLiteral("/start/"));
    EXPECT_EQ(ui.prompts()[1].text, QDir::toNativeSeparators(QDir::currentPath()));
}

} // namespace
