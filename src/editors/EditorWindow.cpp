#include "EditorWindow.h"

#include "EditableCopy.h"
#include "EditorControls.h"
#include "RecordGrid.h"
#include "StoreMessages.h"
#include "common/Files.h"
#include "common/Ui.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace tavrel {

EditorWindow::EditorWindow(EditorHost& host, QWidget* parent, const QString& name,
                           const QString& title, const QString& gridName, const QString& importHint,
                           const QString& chooseHint)
    : QWidget(parent, Qt::Window)
    , host_(host) {
    setObjectName(name);
    setWindowTitle(title);
    setAttribute(Qt::WA_DeleteOnClose);

    Data = named(new RecordGrid(store_, deferred_), QStringLiteral("Data"));
    Data->setAccessibleName(gridName);
    Data->hide();
    Data->model().setWillChangeRecord(
        [this](ChangeReason reason, GridRecord& record, ChangeStatus& status) {
            adoRS_WillChangeRecord(reason, record, status);
        });
    cmdImport = button(QStringLiteral("Importeer"), QStringLiteral("cmdImport"));
    Label1 = named(new QLabel(importHint), QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    cmdOK = button(QStringLiteral("Sluiten"), QStringLiteral("cmdOK"));
    lblKies = named(new QLabel(chooseHint), QStringLiteral("lblKies"));
    lblKies->setWordWrap(true);
    lblKies->setAlignment(Qt::AlignCenter);
    connect(Data, &RecordGrid::shownChanged, lblKies,
            [this](bool shown) { lblKies->setHidden(shown); });
    connect(cmdImport, &QPushButton::clicked, this, [this] { cmdImport_Click(); });
    connect(cmdOK, &QPushButton::clicked, this, &EditorWindow::cmdOK_Click);
}

// The grid works on the store and the deferred steps, which go before the
// window's child widgets would.
EditorWindow::~EditorWindow() {
    delete Data;
}

bool EditorWindow::openingFailed() {
    host_.showMessage(QStringLiteral("Openen Limieten en niveaus database mislukt"));
    return false;
}

bool EditorWindow::openDatabase(const QStringList& tables) {
    const QString path = host_.limitsDatabasePath();
    if (!FileExist(path)) {
        host_.showMessage(QStringLiteral("Database file niet gevonden"));
        host_.focusLimitsDatabase();
        return false;
    }
    if (!ConnectJetDB(path, connection_))
        return openingFailed();
    // A table without a column the editor stores would refuse every row.
    if (const Result<void> columns = store_.checkColumns(tables); !columns) {
        Ui::current().messageBox(QStringLiteral("Het bestand %1 kan niet als limieten- en "
                                                "niveaudatabase worden geopend.\r\n\r\n%2")
                                     .arg(QDir::toNativeSeparators(path), columns.why()),
                                 kProgramTitle, Buttons::Ok, Icon::Critical);
        return openingFailed();
    }
    if (!connection_.isReadOnly())
        return true;
    // A Jet file: read-only here, unless the user lets a copy be made.
    const Result<QString> copy = offerEditableCopy(connection_);
    if (!copy)
        return openingFailed();
    if (copy->isEmpty())
        return true;
    host_.setLimitsDatabasePath(copy.value());
    connection_.close();
    return ConnectJetDB(copy.value(), connection_) || openingFailed();
}

void EditorWindow::makeFilter(int i, const QString& caption, const QStringList& items,
                              QLabel*& label, QComboBox*& box) {
    label = named(new QLabel(caption), indexed("lblASG", i));
    box = filterBox(items, indexed("cbASG", i));
    captionFor(label, box);
    connect(box, &QComboBox::activated, this, [this, i] { cbASG_Click(i); });
    connect(box->lineEdit(), &QLineEdit::returnPressed, this, [this, i] { cbASG_Click(i); });
}

bool EditorWindow::showRows(const RowSelection& selection) {
    if (!Data->commitPending())
        return false; // said by the grid
    const StoreResult loaded = Data->model().select(selection);
    if (!loaded.ok())
        sayNotRefreshed(loaded);
    return loaded.ok();
}

QHBoxLayout* EditorWindow::bottomRow() {
    auto* row = new QHBoxLayout;
    row->addWidget(cmdImport, 0, Qt::AlignTop);
    row->addWidget(Label1, 1);
    row->addWidget(cmdOK, 0, Qt::AlignBottom);
    return row;
}

QWidget* EditorWindow::gridArea(QSize minimum) {
    auto* area = new QWidget;
    auto* layout = new QVBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Data, 1);
    layout->addWidget(lblKies, 1);
    Data->setMinimumSize(minimum);
    area->setMinimumSize(minimum);
    return area;
}

void EditorWindow::cmdOK_Click() {
    close();
}

bool EditorWindow::storePending() {
    return Data->commitPending();
}

bool EditorWindow::undoPending() {
    Data->dropOpenCell();
    return Data->model().revertAll();
}

void EditorWindow::closeEvent(QCloseEvent* event) {
    if (!closed_) {
        const Deferred::Guard busy(deferred_);
        if (!storePending()) {
            event->ignore(); // what was typed stays, to be stored on the next try
            return;
        }
        closed_ = true;
        Data->model().clear();
        connection_.close();
        host_.editorClosed();
    }
    event->accept();
}

// Wrapped texts need more height as the window gets narrower, which a
// window's least size does not take into account by itself: without this,
// a window at its least size lays its controls over one another.
void EditorWindow::showEvent(QShowEvent* event) {
    if (!fitted_ && layout()) {
        fitted_ = true;
        layout()->activate();
        const int width = std::max(minimumWidth(), minimumSizeHint().width());
        const int height =
            std::max(minimumSizeHint().height(), layout()->totalMinimumHeightForWidth(width));
        setMinimumSize(width, height);
        resize(std::max(this->width(), width),
               std::max(this->height(), layout()->totalHeightForWidth(this->width())));
    }
    QWidget::showEvent(event);
}

void EditorWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        const Deferred::Guard busy(deferred_);
        if (!undoPending())
            cmdOK_Click();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace tavrel
