#include "app/DatabaseChoice.h"
#include "app/Main.h"
#include "app/MessageColour.h"
#include "app/QtUi.h"
#include "app/StartupSettings.h"
#include "common/Registry.h"
#include "support/Databases.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"
#include "support/Unchangeable.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSettings>
#include <QTest>

#include <gtest/gtest.h>

using namespace tavrel;

namespace {

// A click on the box itself, as a user makes it.
void clickBox(QCheckBox* box) {
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
}

void store(const char* name, const QString& value) {
    WriteRegValue(settingName(QLatin1String(name)), value, QStringLiteral("REG_SZ"));
}

QString caption(QWidget* w) {
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->text();
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->text();
    if (auto* g = qobject_cast<QGroupBox*>(w))
        return g->title();
    if (auto* e = qobject_cast<QLineEdit*>(w))
        return e->text();
    return {};
}

TEST(MainWindow, ControlsHaveTheirNamesCaptionsAndDesignStates) {
    test::ScriptedUi ui;
    Main w;
    EXPECT_EQ(w.windowTitle(), QStringLiteral("UploadTavrel"));
    struct Control {
        const char* name;
        const char* kind;
        QString caption;
        bool enabled;
        int checked; // -1: not a check box
    };
    const Control controls[] = {
        {"Label1", "QLabel", QStringLiteral("Tavrel Upload Programma"), true, -1},
        {"LabelDB_0", "QLabel", QStringLiteral("Tavrel datafile:"), true, -1},
        {"cmdBrowse_0", "QPushButton", QStringLiteral("Zoek..."), true, -1},
        {"Frame2", "QGroupBox", QString(), true, -1},
        {"OptVersie_0", "QRadioButton", QStringLiteral("Tavrel 2006"), true, 1},
        {"OptVersie_1", "QRadioButton", QStringLiteral("Tavrel 2009"), true, 0},
        {"LabelDB_1", "QLabel", QStringLiteral("Limieten en niveaus datafile:"), true, -1},
        {"cmdBrowse_2", "QPushButton", QStringLiteral("Zoek..."), true, -1},
        {"checkFTP", "QCheckBox", QStringLiteral("Upload naar webdomein"), true, 1},
        {"Label_0", "QLabel", QStringLiteral("Domein (b.v. www.example.com):"), true, -1},
        {"Label_1", "QLabel", QStringLiteral("Folder (b.v. httpdocs):"), true, -1},
        {"Label_2", "QLabel", QStringLiteral("Gebruikersnaam:"), true, -1},
        {"Label_3", "QLabel", QStringLiteral("Wachtwoord:"), true, -1},
        {"Frame1", "QGroupBox", QStringLiteral("Te uploaden gegevens"), true, -1},
        {"checkUpl_0", "QCheckBox", QStringLiteral("zwemmers en tijden"), true, 1},
        {"checkUpl_1", "QCheckBox", QStringLiteral("limieten"), true, 0},
        {"checkUpl_2", "QCheckBox", QStringLiteral("niveaus"), true, 0},
        {"checkCSV", "QCheckBox", QStringLiteral("Bewaar CSV bestanden in"), true, 0},
        {"cmdBrowse_1", "QPushButton", QStringLiteral("Zoek..."), false, -1},
        {"cmdOK", "QPushButton", QStringLiteral("OK"), true, -1},
        {"cmdCancel", "QPushButton", QStringLiteral("Sluiten"), true, -1},
        {"cmdLimiet_0", "QPushButton", QStringLiteral("Bewerk limieten"), true, -1},
        {"cmdLimiet_1", "QPushButton", QStringLiteral("Bewerk niveaus"), true, -1},
        {"lblVersie", "QLabel", QStringLiteral("Versie 2.1.4"), true, -1},
    };
    for (const Control& c : controls) {
        SCOPED_TRACE(c.name);
        auto* widget = w.findChild<QWidget*>(QLatin1String(c.name));
        ASSERT_NE(widget, nullptr);
        EXPECT_TRUE(widget->inherits(c.kind));
        EXPECT_EQ(caption(widget), c.caption);
        EXPECT_EQ(widget->isEnabled(), c.enabled);
        EXPECT_FALSE(widget->isHidden());
        if (c.checked >= 0) {
            EXPECT_EQ(qobject_cast<QAbstractButton*>(widget)->isChecked(), c.checked == 1);
        }
    }
    for (const char* name : {"tbDB_0", "tbDB_1", "Tbox_0", "Tbox_1", "Tbox_2", "Tbox_3"})
        EXPECT_TRUE(w.findChild<QLineEdit*>(QLatin1String(name))->isEnabled()) << name;
    EXPECT_FALSE(w.findChild<QLineEdit*>(QStringLiteral("tbCSV"))->isEnabled());
    EXPECT_EQ(w.Tbox[3]->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(w.Label1->font().bold());
    EXPECT_TRUE(w.checkFTP->font().bold());
    EXPECT_TRUE(w.checkCSV->font().bold());
    EXPECT_TRUE(w.Message->isReadOnly());
    EXPECT_EQ(w.Message->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    const QPalette colours = w.Message->palette();
    EXPECT_GE(contrastRatio(colours.color(QPalette::Text), colours.color(QPalette::Base)), 4.5);
    EXPECT_EQ(colours.color(QPalette::Text).hsvHue(), 0) << "red";
    EXPECT_EQ(w.Picture1->pixmap().size(), QSize(32, 32));
    EXPECT_TRUE(ui.prompts().empty());
}

TEST(MainWindow, FirstStartShowsTheDefaults) {
    test::ScriptedUi ui;
    Main w;
#ifdef Q_OS_WIN
    const QString folder = QStringLiteral("C:\\Program Files\\Tavrel Software\\Kordis\\");
#else
    const QString folder = documentsFolder() + QLatin1Char('/');
#endif
    EXPECT_EQ(w.tbDB[0]->text(), folder + QStringLiteral("team.mdb"));
    EXPECT_EQ(w.tbDB[1]->text(), folder + QStringLiteral("limieten.mdb"));
    EXPECT_TRUE(w.OptVersie[0]->isChecked());
    EXPECT_FALSE(w.OptVersie[1]->isChecked());
    EXPECT_EQ(w.Tbox[0]->text(), QStringLiteral("www.example.com"));
    EXPECT_EQ(w.Tbox[1]->text(), QStringLiteral("httpdocs"));
    EXPECT_EQ(w.Tbox[2]->text(), QString());
    EXPECT_EQ(w.Tbox[3]->text(), QString());
    EXPECT_EQ(w.tbCSV->text(),
              QDir::toNativeSeparators(QCoreApplication::applicationDirPath()) + QDir::separator());
}

TEST(MainWindow, StoredSettingsAreShownAndEmptyOnesFallBack) {
    test::ScriptedUi ui;
    store("Database", QStringLiteral("/data/team.mdb"));
    store("Limieten Database", QStringLiteral("/data/limieten.mdb"));
    store("Domain", QString());
    store("FTPfolder", QString());
    store("User", QString());
    store("Password", QStringLiteral("geheim"));
    store("CSVdir", QStringLiteral("/data/csv/"));
    Main w;
    EXPECT_EQ(w.tbDB[0]->text(), QStringLiteral("/data/team.mdb"));
    EXPECT_EQ(w.tbDB[1]->text(), QStringLiteral("/data/limieten.mdb"));
    EXPECT_EQ(w.Tbox[0]->text(), QStringLiteral("www.example.com")) << "stored empty domain";
    EXPECT_EQ(w.Tbox[1]->text(), QStringLiteral("httpdocs")) << "stored empty folder";
    EXPECT_EQ(w.Tbox[2]->text(), QString()) << "a stored empty user stays empty";
    EXPECT_EQ(w.Tbox[3]->text(), QStringLiteral("geheim"));
    EXPECT_EQ(w.Tbox[3]->displayText(), QStringLiteral("******")) << "each character as \"*\"";
    EXPECT_EQ(w.tbCSV->text(), QStringLiteral("/data/csv/"));
}

TEST(MainWindow, StoredVersionSelectsItsOption) {
    const std::tuple<const char*, bool, bool> cases[] = {
        {"2006", true, false}, {"2009", false, true}, {"", true, false}, {"2010", false, false}};
    for (const auto& [stored, opt2006, opt2009] : cases) {
        SCOPED_TRACE(stored);
        test::ScriptedUi ui;
        store("Tavrel", QLatin1String(stored));
        Main w;
        EXPECT_EQ(w.OptVersie[0]->isChecked(), opt2006);
        EXPECT_EQ(w.OptVersie[1]->isChecked(), opt2009);
    }
}

// Each way a person changes a check box: the mouse, the Space key, and the
// toggle action a screen reader or other assistive tool sends.
const std::pair<const char*, void (*)(QCheckBox*)> kBoxInputs[] = {
    {"mouse", clickBox},
    {"space", [](QCheckBox* box) { QTest::keyClick(box, Qt::Key_Space); }},
    {"toggle action",
     [](QCheckBox* box) {
         QAccessibleInterface* a = QAccessible::queryAccessibleInterface(box);
         ASSERT_TRUE(a && a->actionInterface());
         a->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
     }},
};

TEST(MainWindow, BothBoxesEnableTheirControlsWhateverTicksThem) {
    for (const auto& [input, change] : kBoxInputs) {
        SCOPED_TRACE(input);
        test::ScriptedUi ui;
        Main w;
        w.show();
        auto accountEnabled = [&w](bool enabled) {
            for (int i = 0; i < 4; ++i) {
                EXPECT_EQ(w.Label[i]->isEnabled(), enabled) << i;
                EXPECT_EQ(w.Tbox[i]->isEnabled(), enabled) << i;
            }
        };
        change(w.checkFTP);
        EXPECT_FALSE(w.checkFTP->isChecked());
        accountEnabled(false);
        change(w.checkFTP);
        accountEnabled(true);

        change(w.checkCSV);
        EXPECT_TRUE(w.checkCSV->isChecked());
        EXPECT_TRUE(w.tbCSV->isEnabled());
        EXPECT_TRUE(w.cmdBrowse[1]->isEnabled());
        change(w.checkCSV);
        EXPECT_FALSE(w.tbCSV->isEnabled());
        EXPECT_FALSE(w.cmdBrowse[1]->isEnabled());
    }
}

TEST(MainWindow, AFailedUploadShowsTheLineThatSaysWhy) {
    test::ScriptedUi ui;
    Main w;
    w.show();
    QString log;
    for (int i = 0; i < 30; ++i)
        log += QStringLiteral("200 regel %1\r\n").arg(i);
    log += QStringLiteral("550 No such file or directory.\r\n");
    for (int i = 0; i < 10; ++i)
        log += QStringLiteral("Niet verzonden: bestand %1\r\n").arg(i);
    w.showMessage(log);
    // Short lines do not wrap: the scroll position is the first line in view.
    EXPECT_EQ(w.Message->verticalScrollBar()->value(), 29) << "the line before the reason on top";
    EXPECT_GE(w.Message->height(), 8 * w.Message->fontMetrics().lineSpacing());
}

TEST(MainWindow, BrowseChoosesDatabaseFilesWithTheirTitles) {
    test::ScriptedUi ui;
    test::TempDir dir;
    store("Database", dir.write(QStringLiteral("team.mdb"), "x"));
    store("Limieten Database", QStringLiteral("/nergens/limieten.mdb"));
    Main w;
    const QString filter =
        QStringLiteral("(Microsoft Access Database) *.mdb|*.mdb|SQLite-database (*.sqlite *.db)|"
                       "*.sqlite;*.db|Alle bestanden (*)|*");
    ui.chooseFile(QStringLiteral("/new/limieten.mdb")).chooseFile(QStringLiteral("/new/team.mdb"));
    ui.chooseFile(QString());
    w.cmdBrowse[2]->click();
    w.cmdBrowse[0]->click();
    EXPECT_EQ(w.tbDB[0]->text(), QStringLiteral("/new/team.mdb"));
    EXPECT_EQ(w.tbDB[1]->text(), QStringLiteral("/new/limieten.mdb"));
    w.cmdBrowse[2]->click(); // cancelled
    EXPECT_EQ(w.tbDB[1]->text(), QStringLiteral("/new/limieten.mdb"));

    ASSERT_EQ(ui.prompts().size(), 3u);
    EXPECT_EQ(ui.prompts()[0].title, QStringLiteral("Zoek limieten en niveaus database"));
    EXPECT_EQ(ui.prompts()[0].text,
              QDir::toNativeSeparators(dir.file(QStringLiteral("limieten.mdb"))))
        << "no folder of its own: beside the club file";
    EXPECT_EQ(ui.prompts()[1].title, QStringLiteral("Zoek Tavrel database"));
    EXPECT_EQ(ui.prompts()[1].text, dir.file(QStringLiteral("team.mdb"))) << "its own folder";
    for (const auto& p : ui.prompts())
        EXPECT_EQ(p.filter, filter);
    EXPECT_EQ(qtFileFilter(filter),
              QStringLiteral("(Microsoft Access Database) *.mdb;;SQLite-database (*.sqlite *.db);;"
                             "Alle bestanden (*)"));
}

TEST(MainWindow, ADatabaseDialogStartsWhereTheFilesAreWithTheFilterThatShowsThem) {
    test::TempDir here;
    const QString documents = QDir::toNativeSeparators(documentsFolder());
    const QString sep = QDir::separator();
    const QString inHere = QDir::toNativeSeparators(here.write(QStringLiteral("club.db"), "x"));
    const QString notHere = QDir::toNativeSeparators(here.file(QStringLiteral("limieten.mdb")));
    test::TempDir there;
    const QString other = QDir::toNativeSeparators(there.write(QStringLiteral("team.mdb"), "x"));
    struct Case {
        QString current, other, start;
    };
    const Case cases[] = {
        {inHere, other, inHere},
        {notHere, other, there.folder() + QStringLiteral("limieten.mdb")},
        {notHere, QString(), notHere},
        {QStringLiteral("/nergens/team.mdb"), inHere, here.folder() + QStringLiteral("team.mdb")},
        {QStringLiteral("C:\\Program Files\\Tavrel Software\\Kordis\\team.mdb"),
         QStringLiteral("/nergens/limieten.mdb"), documents + sep + QStringLiteral("team.mdb")},
        {QString(), QString(), documents + sep},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].current.toStdString());
        EXPECT_EQ(databaseDialogStart(cases[i].current, cases[i].other), cases[i].start);
    }
    const QString filter = kDatabaseFileFilter;
    const std::pair<const char*, int> filters[] = {
        {"team.mdb", 0}, {"TEAM.MDB", 0}, {"/a/club.db", 1}, {"club.sqlite", 1}, {"notes.txt", 2}};
    for (const auto& [name, index] : filters)
        EXPECT_EQ(matchingFilter(filter, QLatin1String(name)), index) << name;
}

TEST(MainWindow, AFirstStartSaysWhatToDoUntilTheFilesAreChosen) {
    test::ScriptedUi ui;
    test::TempDir dir;
    const QString club = test::makeClubDatabase(dir, demo::ClubVariant::Tavrel2006);
    const QString limits = test::makeLimitsDatabase(dir);
    store("Database", QStringLiteral("/nergens/team.mdb"));
    store("Limieten Database", QStringLiteral("/nergens/limieten.mdb"));
    Main w;
    const QString clubHint =
        QStringLiteral("Kies met Zoek... het Tavrel-databasebestand van de club.");
    EXPECT_EQ(w.Message->toPlainText(), clubHint);
    w.Tbox[0]->setText(QStringLiteral("www.club.nl"));
    EXPECT_EQ(w.Message->toPlainText(), clubHint) << "another field leaves it";

    ui.chooseFile(club).chooseFile(limits);
    w.cmdBrowse[0]->click();
    EXPECT_TRUE(w.Message->toPlainText().startsWith(
        QStringLiteral("Kies met Zoek... het databasebestand met limieten en niveaus")));
    w.cmdBrowse[2]->click();
    EXPECT_EQ(w.Message->toPlainText(), QString());
    EXPECT_TRUE(ui.prompts().size() == 2u) << "no box";

    // A file of the other layout is named the moment it is chosen.
    w.OptVersie[1]->setChecked(true);
    ui.chooseFile(club);
    w.cmdBrowse[0]->click();
    EXPECT_EQ(w.Message->toPlainText(),
              QStringLiteral("Dit bestand heeft de indeling van Tavrel 2006; kies Tavrel 2006."));
    w.OptVersie[0]->setChecked(true);
    EXPECT_EQ(w.Message->toPlainText(), QString()) << "gone once the option changes";
    ui.chooseFile(limits);
    w.cmdBrowse[0]->click();
    EXPECT_TRUE(w.Message->toPlainText().contains(QStringLiteral("de tabel MEMBERS ontbreekt")));
}

TEST(MainWindow, BrowseChoosesTheCsvFolderAndAppendsASeparator) {
    test::ScriptedUi ui;
    store("CSVdir", QStringLiteral("/start/"));
    Main w;
    const QString sep = QDir::separator();
    ui.chooseFolder(QStringLiteral("/data/csv")).chooseFolder(sep).chooseFolder(QString());
    w.checkCSV->click();
    w.cmdBrowse[1]->click();
    EXPECT_EQ(w.tbCSV->text(), QStringLiteral("/data/csv") + sep);
    w.cmdBrowse[1]->click();
    EXPECT_EQ(w.tbCSV->text(), sep + sep) << "the root gets one more separator";
    w.cmdBrowse[1]->click();
    EXPECT_EQ(w.tbCSV->text(), sep + sep) << "cancel keeps the folder";
    ASSERT_EQ(ui.prompts().size(), 3u);
    EXPECT_EQ(ui.prompts()[0].title, QStringLiteral("Zoek folder voor opslag csv bestanden"));
    EXPECT_EQ(ui.prompts()[0].text, QStringLiteral("/start/"));
}

TEST(MainWindow, SluitenEndsTheProgramWithoutSavingAnything) {
    test::ScriptedUi ui;
    Main w;
    w.Tbox[0]->setText(QStringLiteral("changed.example.com"));
    w.cmdCancel->click();
    EXPECT_TRUE(ui.programEnded());
    EXPECT_FALSE(ReadRegValue(settingName(QStringLiteral("Domain"))).isValid());
}

} // namespace

namespace {

TEST(MainWindow, NothingIsClippedAtItsNaturalSize) {
    test::ScriptedUi ui;
    Main w;
    w.show();
    w.resize(w.sizeHint());
    QCoreApplication::processEvents();
    for (QWidget* child : w.findChildren<QWidget*>()) {
        if (!child->isVisible() ||
            !(child->inherits("QLabel") || child->inherits("QAbstractButton")))
            continue;
        SCOPED_TRACE(child->objectName().toStdString());
        EXPECT_GE(child->width(), child->sizeHint().width());
        EXPECT_GE(child->height(), child->minimumSizeHint().height());
    }
    // The four buttons stand in one row.
    const int y = w.cmdOK->y();
    for (QPushButton* b : {w.cmdCancel, w.cmdLimiet[0], w.cmdLimiet[1]})
        EXPECT_EQ(b->y(), y) << b->objectName().toStdString();
    EXPECT_LT(w.cmdOK->x(), w.cmdCancel->x());
    EXPECT_LT(w.cmdCancel->x(), w.cmdLimiet[0]->x());
    EXPECT_LT(w.cmdLimiet[0]->x(), w.cmdLimiet[1]->x());
}

} // namespace

namespace {

// Installed for the whole system, the program's folder is not the user's:
// a first start then offers a folder the user can write.
TEST(MainWindow, AFirstStartOffersACsvFolderTheUserCanWrite) {
    test::TempDir program, home;
    test::Unchangeable installed(program.path());
    if (!installed.works())
        GTEST_SKIP() << test::Unchangeable::whyNot();
    const QByteArray oldHome = qgetenv("HOME"), oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", QFile::encodeName(home.path()));
    qunsetenv("XDG_CONFIG_HOME"); // no user-dirs file: documents are HOME/Documents
    const QString documents = QDir::toNativeSeparators(home.file(QStringLiteral("Documents")));

    EXPECT_EQ(defaultCsvFolder(program.path()), home.folder()) << "no documents folder yet";
    ASSERT_TRUE(QDir().mkpath(documents));
    EXPECT_EQ(defaultCsvFolder(program.path()), documents + QDir::separator());
    test::TempDir writable;
    EXPECT_EQ(defaultCsvFolder(writable.path()), writable.folder());

    qputenv("HOME", oldHome);
    qputenv("XDG_CONFIG_HOME", oldConfig);
}

} // namespace

namespace {

TEST(MessageColour, StaysRedAndReadableOnLightAndDarkPalettes) {
    for (const char* background :
         {"#ffffff", "#efefef", "#dcdad5", "#808080", "#353535", "#2d2d2d", "#000000"}) {
        SCOPED_TRACE(background);
        const QColor red = readableRed(QColor(QLatin1String(background)));
        EXPECT_GE(contrastRatio(red, QColor(QLatin1String(background))), 4.5);
        EXPECT_EQ(red.hsvHue(), 0);
        EXPECT_GT(red.red(), 2 * std::max(red.green(), red.blue()) - 1) << "still plainly red";
    }
    EXPECT_NEAR(contrastRatio(Qt::red, QColor(0xef, 0xef, 0xef)), 3.48, 0.01)
        << "why plain red will not do";
}

} // namespace

namespace {

// A desktop that turns dark while the program runs: the message area follows
// with a lighter red.
TEST(MainWindow, TheMessageStaysReadableWhenThePaletteTurnsDark) {
    test::ScriptedUi ui;
    Main w;
    const QPalette light = QApplication::palette();
    QPalette dark = light;
    dark.setColor(QPalette::Button, QColor(0x35, 0x35, 0x35));
    dark.setColor(QPalette::Window, QColor(0x2d, 0x2d, 0x2d));
    QApplication::setPalette(dark);
    QCoreApplication::processEvents();
    const QPalette shown = w.Message->palette();
    EXPECT_EQ(shown.color(QPalette::Base), QColor(0x35, 0x35, 0x35));
    EXPECT_GE(contrastRatio(shown.color(QPalette::Text), shown.color(QPalette::Base)), 4.5);
    EXPECT_EQ(shown.color(QPalette::Text).hsvHue(), 0);
    QApplication::setPalette(light);
}

} // namespace
