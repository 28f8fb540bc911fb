#include "common/Registry.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <gtest/gtest.h>

using namespace tavrel;

namespace {

const QVariant kNull = QVariant(QMetaType::fromType<QString>());

QString storeFile() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Tavrel"))
        .fileName();
}

TEST(Registry, WritesAndReadsBackTextValues) {
    test::ScriptedUi ui;
    const QString name = settingName(QStringLiteral("Limieten Database"));
    EXPECT_EQ(name, QStringLiteral("HKCU\\Software\\Tavrel\\Limieten Database"));
    EXPECT_FALSE(ReadRegValue(name).isValid()) << "missing reads as empty";

    WriteRegValue(name, QStringLiteral("C:\\data\\limieten.mdb"), QStringLiteral("REG_SZ"));
    EXPECT_EQ(ReadRegValue(name).toString(), QStringLiteral("C:\\data\\limieten.mdb"));

    WriteRegValue(settingName(QStringLiteral("Tavrel")), 2009, kNull);
    EXPECT_EQ(ReadRegValue(settingName(QStringLiteral("Tavrel"))),
              QVariant(QStringLiteral("2009")));

    WriteRegValue(name, QString(), QStringLiteral("REG_SZ"));
    const QVariant empty = ReadRegValue(name);
    EXPECT_TRUE(empty.isValid() && empty.toString().isEmpty()) << "a stored empty text stays";
    EXPECT_TRUE(ui.prompts().empty());
    EXPECT_TRUE(QFile::exists(storeFile()));
}

TEST(Registry, ReadingNeverFails) {
    test::ScriptedUi ui;
    EXPECT_FALSE(ReadRegValue(QStringLiteral("nonsense")).isValid());
    EXPECT_FALSE(ReadRegValue(QStringLiteral("HKLM\\Software\\Tavrel\\Database")).isValid());
    EXPECT_FALSE(ReadRegValue(QStringLiteral("HKCU\\Software\\Tavrel\\")).isValid());
    EXPECT_TRUE(ui.prompts().empty());
}

TEST(Registry, ReportsWritesThatCannotBeDone) {
    test::ScriptedUi ui;
    ui.answer(Answer::Ok).answer(Answer::Ok).answer(Answer::Ok);
    WriteRegValue(QStringLiteral("HKLM\\Software\\Tavrel\\Database"), QStringLiteral("x"),
                  QStringLiteral("REG_SZ"));
    WriteRegValue(settingName(QStringLiteral("Database")), QStringLiteral("x"),
                  QStringLiteral("REG_BINARY"));
    // A folder where the store's file should be: the store cannot be written.
    QDir().mkpath(storeFile());
    WriteRegValue(settingName(QStringLiteral("Database")), QStringLiteral("x"),
                  QStringLiteral("REG_SZ"));
    ASSERT_EQ(ui.messages().size(), 3u);
    for (const auto& m : ui.messages())
        EXPECT_TRUE(m.text.startsWith(QStringLiteral("Fout gevonden in: WriteRegValue\r\n")))
            << m.text.toStdString();
    QDir(storeFile()).removeRecursively();
}

TEST(Registry, TheStoreIsReadableByItsUserOnly) {
    test::ScriptedUi ui;
    const QString name = settingName(QStringLiteral("Password"));
    // A fresh store in a folder the program makes, and one left readable by all.
    const test::TempDir dir;
    const QString folder = dir.path();
    for (const bool existing : {false, true}) {
        SCOPED_TRACE(existing ? "existing" : "new");
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                           existing ? folder : folder + QStringLiteral("/config"));
        if (existing) {
            QFile wide(storeFile());
            ASSERT_TRUE(wide.open(QIODevice::WriteOnly));
            wide.write("[General]\nDomain=ftp.club.example\n");
            wide.close();
            QFile::setPermissions(storeFile(), QFile::ReadOwner | QFile::WriteOwner |
                                                   QFile::ReadGroup | QFile::ReadOther);
        }
        WriteRegValue(name, QStringLiteral("geheim"), QStringLiteral("REG_SZ"));
        const auto beyondUser = [](const QString& p) {
            return QFileInfo(p).permissions() &
                   ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
        };
        EXPECT_EQ(beyondUser(storeFile()), QFile::ReadOwner | QFile::WriteOwner);
        if (!existing) {
            EXPECT_EQ(beyondUser(QFileInfo(storeFile()).path()),
                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        EXPECT_EQ(ReadRegValue(name).toString(), QStringLiteral("geheim"));
        if (existing) {
            EXPECT_EQ(ReadRegValue(settingName(QStringLiteral("Domain"))).toString(),
                      QStringLiteral("ftp.club.example"))
                << "narrowing keeps what was stored";
        }
    }
    EXPECT_TRUE(ui.prompts().empty());
}

} // namespace
