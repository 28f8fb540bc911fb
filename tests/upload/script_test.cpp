#include "support/QtPrinters.h"
#include "upload/FtpScript.h"
#include "upload/LogCheck.h"

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

TEST(LogCheck, FindsTheLineThatSaysWhyAnUploadFailed) {
    const std::pair<const char*, int> cases[] = {
        {"220 ready\n230 Login successful.\n226 Transfer complete.\n", -1},
        {"220 ready\n331 ok\n530 Login incorrect.\nNiet verbonden.\n", 2},
        {"250 ok\nftp: 4213 bytes verzonden in 0,01seconden 1,00kB/s.\n", -1},
        {"250 ok\n150 sending\nftp: de server antwoordt niet meer.\n", 2},
        {"Niet verbonden.\n", 0},
        {"250 ok\nNiet verzonden: a.csv (een eerdere opdracht is mislukt).\n", 1},
        {"ftp: ongeldige poort: 0.\nAanmelden is mislukt.\n", 0},
        {"4213 bytes\n5301 geen code\n", -1},
    };
    for (const auto& [log, line] : cases)
        EXPECT_EQ(failureLine(QString::fromLatin1(log)), line) << log;
}

// What a server said, as the window, the report, standard error and the
// last-run line show it: the password hidden where it stands whole and never
// garbling other words (short passwords included), and no control character
// that moves a terminal's cursor or starts a line of its own.
TEST(LogCheck, ShowsServerTextAsTextWithThePasswordHiddenWhole) {
    const QString forty = QStringLiteral("Ge heim$1'\"x *") + QString(26, QLatin1Char('z'));
    const struct {
        QString text, password, shown;
    } cases[] = {
        {QStringLiteral("a geheim b geheim."), QStringLiteral("geheim"),
         QStringLiteral("a **** b ****.")},
        {QStringLiteral("a GEHEIM"), QStringLiteral("geheim"), QStringLiteral("a GEHEIM")},
        {QStringLiteral("530 Authentication failed."), QStringLiteral("a"),
         QStringLiteral("530 Authentication failed.")},
        {QStringLiteral("Verbonden met de server."), QStringLiteral("de"),
         QStringLiteral("Verbonden met **** server.")},
        {QStringLiteral("530 Fout wachtwoord: ") + forty + QStringLiteral("\r\n"), forty,
         QStringLiteral("530 Fout wachtwoord: ****\r\n")},
        {QStringLiteral("log"), QString(), QStringLiteral("log")},
        {QStringLiteral(
             "220 welkom\x1b[2K\x1b[1A\rDe verbinding is versleuteld (TLS).\r\n\tok\x85"),
         QString(),
         QStringLiteral("220 welkom?[2K?[1A?De verbinding is versleuteld (TLS).\r\n\tok?")},
        {QString(3000, QLatin1Char('x')) + QStringLiteral("\r\n226 ok"), QString(),
         QString(512, QLatin1Char('x')) + QChar(0x2026) + QStringLiteral("\r\n226 ok")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(shownText(c.text, c.password), c.shown) << c.text.left(60).toStdString();
}

} // namespace
