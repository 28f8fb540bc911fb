#pragma once

#include "app/Main.h"
#include "support/PressOk.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <array>

namespace tavrel::test {

// Runs the exports through the main window: CSV folder kept, no upload.
struct ExportRun {
    ScriptedUi ui;
    Main window;
    TempDir out;

    ExportRun(const QString& club, const QString& version, const QString& limits,
              std::array<bool, 3> sets) {
        window.tbDB[0]->setText(club);
        window.tbDB[1]->setText(limits);
        window.OptVersie[version == QLatin1String("2006") ? 0 : 1]->setChecked(true);
        window.checkFTP->setChecked(false);
        window.checkCSV->setChecked(true);
        window.tbCSV->setText(out.folder());
        for (size_t i = 0; i < 3; ++i)
            window.checkUpl[i]->setChecked(sets[i]);
    }
    void press() { pressOk(window); }
    QByteArray file(const char* name) const { return out.read(QLatin1String(name)); }
    QStringList files() const { return QDir(out.path()).entryList(QDir::Files, QDir::Name); }
    QString message() const { return window.Message->toPlainText(); }
};

} // namespace tavrel::test
