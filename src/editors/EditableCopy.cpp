#include "EditableCopy.h"

#include "LimitsCopy.h"
#include "common/Ui.h"
#include "common/db/Connection.h"

#include <QDir>
#include <QFileInfo>

namespace tavrel {

namespace {

const QString kSqliteFilter = QStringLiteral("(SQLite database) *.sqlite *.db|*.sqlite;*.db");

// Limits that belong to no meet are not copied; the export never wrote
// them either. Says how many, and the first of their codes.
QString orphansText(const LimitsCopied& copy) {
    if (copy.orphans == 0)
        return {};
    constexpr int kShown = 5;
    QString codes = copy.orphanCodes.mid(0, kShown).join(QStringLiteral(", "));
    if (copy.orphanCodes.size() > kShown)
        codes += QStringLiteral(" …");
    return QStringLiteral("\r\n\r\n%1 %2 bij geen wedstrijd en %3 niet overgenomen: %4.")
        .arg(copy.orphans)
        .arg(copy.orphans == 1 ? QStringLiteral("limiet hoort") : QStringLiteral("limieten horen"))
        .arg(copy.orphans == 1 ? QStringLiteral("is") : QStringLiteral("zijn"))
        .arg(codes);
}

} // namespace

Result<QString> offerEditableCopy(Connection& connection) {
    Ui& ui = Ui::current();
    const QString path = QDir::toNativeSeparators(connection.path());
    if (Result<void> tables = checkLimitsTables(connection); !tables) {
        ui.messageBox(QStringLiteral("Het bestand %1 kan niet als limieten- en niveaudatabase "
                                     "worden geopend.\r\n\r\n%2")
                          .arg(path, tables.why()),
                      kProgramTitle, Buttons::Ok, Icon::Critical);
        return tables.error();
    }
    if (ui.messageBox(
            QStringLiteral(
                "Het bestand %1 is een Access-database. Die kan dit programma hier alleen lezen: "
                "wijzigen, importeren en jaren verschuiven gaat niet.\r\n\r\nWilt u er een "
                "bewerkbare kopie van maken? Het Access-bestand zelf blijft zoals het is; het "
                "programma werkt daarna met de kopie.")
                .arg(path),
            kProgramTitle, Buttons::YesNo, Icon::Question) != Answer::Yes)
        return QString();

    const QFileInfo jet(connection.path());
    QString target =
        ui.saveFile(QStringLiteral("Bewerkbare kopie opslaan als"), kSqliteFilter,
                    QDir::toNativeSeparators(jet.absolutePath() + QLatin1Char('/') +
                                             jet.completeBaseName() + QStringLiteral(".sqlite")));
    if (target.isEmpty())
        return QString();
    if (QFileInfo(target).suffix().isEmpty())
        target += QStringLiteral(".sqlite");
    // Qt's dialog answers with '/'; the field and the setting hold what the
    // platform writes.
    target = QDir::toNativeSeparators(target);

    ui.setWaitCursor(true);
    const Result<LimitsCopied> copy = copyLimitsDatabase(connection, target);
    ui.setWaitCursor(false);
    if (!copy) {
        ui.messageBox(QStringLiteral("De bewerkbare kopie is niet gemaakt: %1.\r\n\r\nHet "
                                     "Access-bestand is niet veranderd; het venster toont het "
                                     "alleen om te lezen.")
                          .arg(copy.why()),
                      kProgramTitle, Buttons::Ok, Icon::Critical);
        return QString();
    }
    ui.messageBox(QStringLiteral("De bewerkbare kopie %1 is gemaakt en gecontroleerd: %2 "
                                 "wedstrijden, %3 limieten en %4 niveaus.%5\r\n\r\nHet programma "
                                 "werkt voortaan met deze kopie.")
                      .arg(target)
                      .arg(copy->meets)
                      .arg(copy->limits)
                      .arg(copy->levels)
                      .arg(orphansText(copy.value())),
                  kProgramTitle, Buttons::Ok, Icon::Information);
    return target;
}

} // namespace tavrel
