#include "common/OwnerOnly.h"
#include "support/OwnerOnlyCheck.h"
#include "support/TempDir.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <unistd.h>
#endif

using namespace tavrel;
using tavrel::test::TempDir;

namespace {

using tavrel::test::othersMayOpen;

// What another user may have left where the program writes: a link of the
// given kind at path, to a file of ours.
enum class Trap { SymbolicLink, HardLink };

void PrintTo(Trap trap, std::ostream* out) {
    *out << (trap == Trap::HardLink ? "a hard link" : "a symbolic link");
}

class OwnerOnlyTrap : public testing::TestWithParam<Trap> {
protected:
    void SetUp() override {
        victim = dir.write(QStringLiteral("eigen.txt"), "van mij");
        path = dir.file(QStringLiteral("ftp_send.ftp"));
        plant();
    }
    void plant() {
        QFile::remove(path);
#ifdef Q_OS_WIN
        const auto* from = reinterpret_cast<const wchar_t*>(path.utf16());
        const auto* to = reinterpret_cast<const wchar_t*>(victim.utf16());
        if (GetParam() == Trap::HardLink) {
            ASSERT_TRUE(CreateHardLinkW(from, to, nullptr));
        } else {
            // A real link, not the shortcut file QFile::link makes there.
            CreateSymbolicLinkW(from, to, SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
            if (!QFileInfo::exists(path))
                GTEST_SKIP() << "Wine 8 makes no symbolic links (CreateSymbolicLinkW answers "
                                "success and does nothing); Windows does";
        }
#else
        if (GetParam() == Trap::HardLink) {
            ASSERT_EQ(
                ::link(QFile::encodeName(victim).constData(), QFile::encodeName(path).constData()),
                0);
        } else {
            ASSERT_TRUE(QFile::link(victim, path));
        }
#endif
    }
    TempDir dir;
    QString victim, path;
};

INSTANTIATE_TEST_SUITE_P(Links, OwnerOnlyTrap, testing::Values(Trap::SymbolicLink, Trap::HardLink),
                         [](const auto& info) {
                             return info.param == Trap::HardLink ? "HardLink" : "SymbolicLink";
                         });

TEST_P(OwnerOnlyTrap, OpeningForWritingNeverWritesThroughIt) {
    QFile file;
    const Result<void> opened = openOwnerOnly(file, path);
    ASSERT_FALSE(opened.ok());
    EXPECT_FALSE(opened.why().isEmpty());
    EXPECT_EQ(dir.read(QStringLiteral("eigen.txt")), QByteArray("van mij"));
}

TEST_P(OwnerOnlyTrap, NewFilesReplaceItWithoutTouchingItsTarget) {
    using Write = Result<void> (*)(const QString&, const QByteArray&);
    const std::pair<const char*, Write> writers[] = {{"write", writeOwnerOnlyFile},
                                                     {"replace", replaceOwnerOnlyFile}};
    for (const auto& [name, write] : writers) {
        SCOPED_TRACE(name);
        plant();
        const Result<void> written = write(path, "nieuw");
        ASSERT_TRUE(written.ok()) << written.why().toStdString();
        EXPECT_EQ(dir.read(QStringLiteral("ftp_send.ftp")), QByteArray("nieuw"));
        EXPECT_FALSE(QFileInfo(path).isSymLink());
        EXPECT_FALSE(othersMayOpen(path));
        EXPECT_EQ(dir.read(QStringLiteral("eigen.txt")), QByteArray("van mij"));
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2) << "no temporary left";
    }
}

TEST(OwnerOnly, OpeningForWritingEmptiesAndNarrowsAnOwnFile) {
    TempDir dir;
    const QString fresh = dir.file(QStringLiteral("nieuw.log"));
    const QString old = dir.write(QStringLiteral("oud.log"), "een lange vorige tekst");
    QFile::setPermissions(old, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                   QFile::ReadOther);
    for (const QString& path : {fresh, old}) {
        QFile file;
        const Result<void> opened = openOwnerOnly(file, path);
        ASSERT_TRUE(opened.ok()) << opened.why().toStdString();
        file.write("kort");
        file.close();
        EXPECT_EQ(QFileInfo(path).size(), 4);
        EXPECT_FALSE(othersMayOpen(path));
    }
    QFile folder;
    EXPECT_FALSE(openOwnerOnly(folder, dir.path()).ok()) << "a folder is no log";
}

TEST(OwnerOnly, FoldersItMakesAreTheUsersAlone) {
    TempDir dir;
    QFile::setPermissions(dir.path(),
                          QFileInfo(dir.path()).permissions() | QFile::ReadOther | QFile::ExeOther);
    const QString deep = dir.file(QStringLiteral("a/b/c"));
    ASSERT_TRUE(makeOwnerOnlyFolder(deep));
    for (const char* made : {"a", "a/b", "a/b/c"})
        EXPECT_FALSE(othersMayOpen(dir.file(QLatin1String(made)))) << made;
#ifndef Q_OS_WIN
    EXPECT_TRUE(othersMayOpen(dir.path())) << "a folder that was there stays as it was";
#endif
    EXPECT_TRUE(makeOwnerOnlyFolder(deep)) << "an existing folder is fine";
    const QString file = dir.write(QStringLiteral("bestand"), "");
    EXPECT_FALSE(makeOwnerOnlyFolder(file));
}

} // namespace
