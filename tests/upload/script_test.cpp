#include "support/QtPrinters.h"
#include "support/TempDir.h"
#include "upload/FtpScript.h"
#include "upload/LogCheck.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace tavrel;

namespace {

RunInput account(std::array<bool, 3> sets) {
    RunInput in;
    in.domain = QStringLiteral("ftp.club.example");
    in.ftpFolder = QStringLiteral("web docs");
    in.user = QStringLiteral("club");
    in.password = QStringLiteral("ge heim");
    in.dataSets = sets;
    return in;
}

TEST(FtpScript, HasTheSendLinesOfTheTickedDataSetsInOrder) {
    const QString head = QStringLiteral(
        "open ftp.club.example\r\nclub\r\nge heim\r\nhash\r\nascii\r\ncd web docs\r\n");
    const QString tail = QStringLiteral("close\r\nbye\r\n\r\n");
    const QString f = QStringLiteral("/tmp/uit dir/");
    const std::pair<std::array<bool, 3>, QString> cases[] = {
        {{false, false, false}, QString()},
        {{true, false, false},
         QStringLiteral("send /tmp/uit dir/zwemmers.csv\r\nsend /tmp/uit dir/tijden.csv\r\n")},
        {{false, true, true},
         QStringLiteral("send /tmp/uit dir/limieten.csv\r\nsend /tmp/uit dir/niveaus.csv\r\n")},
        {{true, true, true},
         QStringLiteral("send /tmp/uit dir/zwemmers.csv\r\nsend /tmp/uit dir/tijden.csv\r\n"
                        "send /tmp/uit dir/limieten.csv\r\nsend /tmp/uit dir/niveaus.csv\r\n")},
        {{false, false, true}, QStringLiteral("send /tmp/uit dir/niveaus.csv\r\n")},
    };
    for (const auto& [sets, sends] : cases)
        EXPECT_EQ(ftpScriptText(account(sets), f), head + sends + tail);
}

TEST(FtpScript, EmptyFieldsStillGiveTheirLines) {
    RunInput in;
    EXPECT_EQ(ftpScriptText(in, QString()),
              QStringLiteral("open \r\n\r\n\r\nhash\r\nascii\r\ncd \r\nclose\r\nbye\r\n\r\n"));
}

TEST(FtpScript, IsWrittenReadableByItsOwnerOnly) {
    test::TempDir dir;
    const QString path =
        dir.write(QStringLiteral("ftp_send.ftp"), "old, longer content of an earlier run");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    QString error;
    ASSERT_TRUE(writeOwnerOnlyFile(path, "new", &error)) << error.toStdString();
    EXPECT_EQ(dir.read(QStringLiteral("ftp_send.ftp")), QByteArray("new"));
    EXPECT_EQ(QFile::permissions(path) & ~(QFile::ReadUser | QFile::WriteUser),
              QFile::ReadOwner | QFile::WriteOwner);
}

TEST(LogCheck, FindsRefusalsOnlyWhereTheyAre) {
    const std::pair<const char*, bool> cases[] = {
        {"220 ready\r\n230 Login successful.\r\n226 Transfer complete.\r\n", false},
        {"331 ok\r\n530 Login incorrect.\r\n", true},
        {"421 Service not available\r\n", true},
        {"  530 indented\r\n", true},
        {"ftp: 4213 bytes verzonden in 0,01seconden\r\n", false},
        {"4213 bytes\r\n", false},
        {"5301 is geen code\r\n", false},
        {"257 \"/530\" is the current directory.\r\n", false},
        {"Niet verbonden.\r\n", true},
        {"ftp> NIET VERBONDEN\r\n", true},
        {"", false},
    };
    for (const auto& [log, refused] : cases)
        EXPECT_EQ(logShowsRefusal(QString::fromLatin1(log)), refused) << log;
}

TEST(LogCheck, MasksEveryOccurrenceOfThePassword) {
    EXPECT_EQ(maskPassword(QStringLiteral("a geheim b geheim"), QStringLiteral("geheim")),
              QStringLiteral("a **** b ****"));
    EXPECT_EQ(maskPassword(QStringLiteral("a GEHEIM"), QStringLiteral("geheim")),
              QStringLiteral("a GEHEIM"));
    EXPECT_EQ(maskPassword(QStringLiteral("log"), QString()), QStringLiteral("log"));
}

} // namespace
