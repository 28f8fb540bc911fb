#include "common/OwnerOnly.h"
#include "support/TempDir.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <functional>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <unistd.h>
#endif

using namespace tavrel;
using tavrel::test::TempDir;

namespace {

// Qt reports the owner's bits twice (as owner and as user); compare only what
// others are granted besides the owner.
QFileDevice::Permissions beyondUser(const QString& path) {
    return QFileInfo(path).permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
}

constexpr auto kOwnerFile = QFile::ReadOwner | QFile::WriteOwner;

// What another user may have left where the program writes.
struct Planted {
    const char* what;
    std::function<void(const TempDir&, const QString& path, const QString& victim)> plant;
};

const Planted kTraps[] = {
    {"a symbolic link", [](const TempDir&, const QString& path,
                           const QString& victim) { ASSERT_TRUE(QFile::link(victim, path)); }},
    {"a hard link",
     [](const TempDir&, const QString& path, const QString& victim) {
#ifdef Q_OS_WIN
         ASSERT_TRUE(CreateHardLinkW(reinterpret_cast<const wchar_t*>(path.utf16()),
                                     reinterpret_cast<const wchar_t*>(victim.utf16()), nullptr));
#else
         ASSERT_EQ(
             ::link(QFile::encodeName(victim).constData(), QFile::encodeName(path).constData()), 0);
#endif
     }},
};

TEST(OwnerOnly, OpeningForWritingNeverWritesThroughALink) {
    for (const Planted& trap : kTraps) {
        SCOPED_TRACE(trap.what);
        TempDir dir;
        const QString victim = dir.write(QStringLiteral("eigen.txt"), "van mij");
        const QString path = dir.file(QStringLiteral("ftp_send.ftp.log"));
        trap.plant(dir, path, victim);
        QFile file;
        QString error;
        EXPECT_FALSE(openOwnerOnly(file, path, &error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(dir.read(QStringLiteral("eigen.txt")), QByteArray("van mij"));
    }
}

TEST(OwnerOnly, OpeningForWritingEmptiesAndNarrowsAnOwnFile) {
    TempDir dir;
    const QString fresh = dir.file(QStringLiteral("nieuw.log"));
    const QString old = dir.write(QStringLiteral("oud.log"), "een lange vorige tekst");
    QFile::setPermissions(old, kOwnerFile | QFile::ReadGroup | QFile::ReadOther);
    for (const QString& path : {fresh, old}) {
        QFile file;
        QString error;
        ASSERT_TRUE(openOwnerOnly(file, path, &error)) << error.toStdString();
        file.write("kort");
        file.close();
        EXPECT_EQ(QFileInfo(path).size(), 4);
        EXPECT_EQ(beyondUser(path), kOwnerFile);
    }
    QFile folder;
    QString error;
    EXPECT_FALSE(openOwnerOnly(folder, dir.path(), &error)) << "a folder is no log";
}

TEST(OwnerOnly, NewFilesReplaceLinksWithoutTouchingTheirTargets) {
    using Write = bool (*)(const QString&, const QByteArray&, QString*);
    const std::pair<const char*, Write> writers[] = {{"write", writeOwnerOnlyFile},
                                                     {"replace", replaceOwnerOnlyFile}};
    for (const auto& [name, write] : writers) {
        for (const Planted& trap : kTraps) {
            SCOPED_TRACE(std::string(name) + ", " + trap.what);
            TempDir dir;
            const QString victim = dir.write(QStringLiteral("eigen.txt"), "van mij");
            const QString path = dir.file(QStringLiteral("ftp_send.ftp"));
            trap.plant(dir, path, victim);
            QString error;
            ASSERT_TRUE(write(path, "nieuw", &error)) << error.toStdString();
            EXPECT_EQ(dir.read(QStringLiteral("ftp_send.ftp")), QByteArray("nieuw"));
            EXPECT_FALSE(QFileInfo(path).isSymLink());
            EXPECT_EQ(beyondUser(path), kOwnerFile);
            EXPECT_EQ(dir.read(QStringLiteral("eigen.txt")), QByteArray("van mij"));
            EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2) << "no temporary left";
        }
    }
}

TEST(OwnerOnly, FoldersItMakesAreTheUsersAlone) {
    TempDir dir;
    QFile::setPermissions(dir.path(),
                          QFileInfo(dir.path()).permissions() | QFile::ReadOther | QFile::ExeOther);
    const QString deep = dir.file(QStringLiteral("a/b/c"));
    ASSERT_TRUE(makeOwnerOnlyFolder(deep));
    for (const char* made : {"a", "a/b", "a/b/c"})
        EXPECT_EQ(beyondUser(dir.file(QLatin1String(made))),
                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)
            << made;
    EXPECT_TRUE(QFileInfo(dir.path()).permissions() & QFile::ReadOther)
        << "a folder that was there stays as it was";
    EXPECT_TRUE(makeOwnerOnlyFolder(deep)) << "an existing folder is fine";
    const QString file = dir.write(QStringLiteral("bestand"), "");
    EXPECT_FALSE(makeOwnerOnlyFolder(file));
}

} // namespace
