#include "common/ErrorReport.h"
#include "support/ScriptedUi.h"

#include <gtest/gtest.h>

using namespace tavrel;

namespace {

TEST(ReportError, ShowsTheFourLineReportWithStopIconAndOk) {
    test::ScriptedUi ui;
    ui.answer(Answer::Ok);
    ReportError(QStringLiteral("UploadTavrel"),
                {ErrorNumber::UploadFailed, QStringLiteral("UploadTavrel.Main.cmdOK_Click"),
                 QStringLiteral("FTP verbinding naar ftp.example.com mislukt")});
    ASSERT_EQ(ui.prompts().size(), 1u);
    const auto& p = ui.prompts()[0];
    EXPECT_EQ(p.text, QStringLiteral("Fout gevonden in: UploadTavrel\r\n"
                                     "Foutnummer : -2147220991\r\n"
                                     "Bron              : UploadTavrel.Main.cmdOK_Click\r\n"
                                     "Omschrijving : FTP verbinding naar ftp.example.com mislukt"));
    EXPECT_EQ(p.title, QStringLiteral("Foutmelding!"));
    EXPECT_EQ(p.buttons, Buttons::Ok);
    EXPECT_EQ(p.icon, Icon::Critical);
}

} // namespace
