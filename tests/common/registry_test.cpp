#include "common/Registry.h"
#include "support/OwnerOnlyCheck.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"
#include "support/TestSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <gtest/gtest.h>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

using namespace tavrel;

namespace {

const QVariant kNull = QVariant(QMetaType::fromType<QString>());

[[maybe_unused]] QString storeFile() {
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
#ifdef Q_OS_WIN
    // In the registry as REG_SZ, in the tests' own key, never the user's.
    const std::wstring key = test::testSettingsKey().toStdWString();
    DWORD type = 0;
    EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, key.c_str(), L"Tavrel", RRF_RT_ANY, &type, nullptr,
                           nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(type, DWORD(REG_SZ));
    // Asked without QSettings, which would make the key it opens.
    EXPECT_NE(RegGetValueW(HKEY_CURRENT_USER, L"Software\\Tavrel", L"Tavrel", RRF_RT_ANY, nullptr,
                           nullptr, nullptr),
              ERROR_SUCCESS);
#else
    EXPECT_TRUE(QFile::exists(storeFile()));
#endif
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
#ifdef Q_OS_WIN
    const size_t refusals = 2; // the registry has no file to block
#else
    const size_t refusals = 3;
#endif
    for (size_t i = 0; i < refusals; ++i)
        ui.answer(Answer::Ok);
    WriteRegValue(QStringLiteral("HKLM\\Software\\Tavrel\\Database"), QStringLiteral("x"),
                  QStringLiteral("REG_SZ"));
    WriteRegValue(settingName(QStringLiteral("Database")), QStringLiteral("x"),
                  QStringLiteral("REG_BINARY"));
#ifndef Q_OS_WIN
    // A folder where the store's file should be: the store cannot be written.
    QDir().mkpath(storeFile());
    WriteRegValue(settingName(QStringLiteral("Database")), QStringLiteral("x"),
                  QStringLiteral("REG_SZ"));
#endif
    ASSERT_EQ(ui.messages().size(), refusals);
    for (const auto& m : ui.messages())
        EXPECT_TRUE(m.text.startsWith(QStringLiteral("Fout gevonden in: WriteRegValue\r\n")))
            << m.text.toStdString();
#ifndef Q_OS_WIN
    QDir(storeFile()).removeRecursively();
#endif
}

TEST(Registry, TheStoreIsReadableByItsUserOnly) {
#ifdef Q_OS_WIN
    // The key is made for the user alone, and an existing one open to all
    // is narrowed, keeping what it holds.
    test::ScriptedUi ui;
    const QString key = test::testSettingsKey();
    for (const bool existing : {false, true}) {
        SCOPED_TRACE(existing ? "existing" : "new");
        if (existing) {
            RegDeleteTreeW(HKEY_CURRENT_USER, reinterpret_cast<const wchar_t*>(key.utf16()));
            QSettings(QStringLiteral("HKEY_CURRENT_USER\\") + key, QSettings::NativeFormat)
                .setValue(QStringLiteral("Domain"), QStringLiteral("ftp.club.example"));
        }
        WriteRegValue(settingName(QStringLiteral("Password")), QStringLiteral("geheim"),
                      QStringLiteral("REG_SZ"));
        EXPECT_FALSE(test::othersMayOpenKey(key));
        EXPECT_EQ(ReadRegValue(settingName(QStringLiteral("Password"))).toString(),
                  QStringLiteral("geheim"));
        if (existing) {
            EXPECT_EQ(ReadRegValue(settingName(QStringLiteral("Domain"))).toString(),
                      QStringLiteral("ftp.club.example"));
        }
    }
    EXPECT_TRUE(ui.prompts().empty());
#else
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
#endif
}

} // namespace
