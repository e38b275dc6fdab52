#include "app/qt/main_window.h"

#include <QAction>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/qt/about_box.h"
#include "app/qt/icons.h"
#include "app/qt/record_list_model.h"
#include "app/summaries.h"
#include "dialogs/qt/gui_text.h"

namespace orv {

namespace {

template <typename W>
W* named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// A single-selection list box: while it has rows exactly one is selected.
// A click on the empty area below the rows, or Ctrl with a click or Space
// on the selected row, would leave none selected in a plain view.
class RecordListView : public QListView {
public:
    using QListView::QListView;

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override {
        const QItemSelectionModel::SelectionFlags flags = QListView::selectionCommand(index, event);
        if (!index.isValid() || (flags & (QItemSelectionModel::Deselect | QItemSelectionModel::Toggle)))
            return QItemSelectionModel::NoUpdate;
        return flags;
    }
};

// Summaries break lines with CR LF; the text box wants bare line feeds.
QString summaryText(const ByteString& summary) {
    QString text = toQString(summary);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

}  // namespace

MainWindow::MainWindow(MainWindowServices services, QWidget* parent)
    : QDialog(parent), services_(std::move(services)) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Orvantis"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(programIcon());
    model_ = new RecordListModel(doc_.package, this);
    if (!services_.editors.version) services_.editors = dialogEditors(services_.ui, this);
    buildWidgets();
    connectCommands();
    versionsRadio_->setChecked(true);
    updateSelectionState();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildWidgets() {
    auto* fileLabel = named(new QLabel(QStringLiteral("&Filename:"), this), "fileNameLabel");
    fileNameEdit_ = named(new QLineEdit(this), "fileNameEdit");
    fileNameEdit_->setReadOnly(true);
    fileLabel->setBuddy(fileNameEdit_);
    openButton_ = named(new QPushButton(this), "openButton");
    openButton_->setIcon(openButtonIcon());
    openButton_->setIconSize(QSize(16, 16));
    openButton_->setToolTip(QStringLiteral("Open"));
    openButton_->setAccessibleName(QStringLiteral("Open"));
    commonInfoButton_ = named(new QPushButton(QStringLiteral("&Common Information..."), this), "commonInfoButton");

    auto* group = named(new QGroupBox(QStringLiteral("Version specific"), this), "kindGroup");
    versionsRadio_ = named(new QRadioButton(QStringLiteral("&Versions"), group), "versionsRadio");
    featuresRadio_ = named(new QRadioButton(QStringLiteral("Fea&tures"), group), "featuresRadio");
    bugsRadio_ = named(new QRadioButton(QStringLiteral("&Bugs"), group), "bugsRadio");
    list_ = named(new RecordListView(group), "recordList");
    list_->setModel(model_);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setUniformItemSizes(true);
    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    addButton_ = named(new QPushButton(QStringLiteral("&Add..."), group), "addButton");
    editButton_ = named(new QPushButton(QStringLiteral("&Edit..."), group), "editButton");
    removeButton_ = named(new QPushButton(QStringLiteral("&Remove..."), group), "removeButton");
    moveUpButton_ = named(new QPushButton(QStringLiteral("Move &Up"), group), "moveUpButton");
    moveDownButton_ = named(new QPushButton(QStringLiteral("Move &Down"), group), "moveDownButton");

    auto* summaryLabel = named(new QLabel(QStringLiteral("&Summary:"), this), "summaryLabel");
    summaryEdit_ = named(new QPlainTextEdit(this), "summaryEdit");
    summaryEdit_->setReadOnly(true);
    summaryEdit_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    summaryLabel->setBuddy(summaryEdit_);
    saveButton_ = named(new QPushButton(QStringLiteral("Save"), this), "saveButton");
    saveButton_->setDefault(true);
    cancelButton_ = named(new QPushButton(QStringLiteral("Cancel"), this), "cancelButton");

    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(fileLabel);
    fileRow->addWidget(fileNameEdit_, 1);
    fileRow->addWidget(openButton_);
    fileRow->addWidget(commonInfoButton_);

    auto* radios = new QHBoxLayout;
    radios->addWidget(versionsRadio_);
    radios->addWidget(featuresRadio_);
    radios->addWidget(bugsRadio_);
    radios->addStretch(1);
    auto* listButtons = new QVBoxLayout;
    for (QPushButton* b : {addButton_, editButton_, removeButton_}) listButtons->addWidget(b);
    listButtons->addSpacing(12);
    listButtons->addWidget(moveUpButton_);
    listButtons->addWidget(moveDownButton_);
    listButtons->addStretch(1);
    auto* listRow = new QHBoxLayout;
    listRow->addWidget(list_, 1);
    listRow->addLayout(listButtons);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addLayout(radios);
    groupLayout->addLayout(listRow, 1);

    auto* bottomRow = new QHBoxLayout;
    bottomRow->addStretch(1);
    bottomRow->addWidget(saveButton_);
    bottomRow->addWidget(cancelButton_);

    auto* top = new QVBoxLayout(this);
    top->addLayout(fileRow);
    top->addSpacing(4);
    top->addWidget(group, 3);
    top->addWidget(summaryLabel);
    top->addWidget(summaryEdit_, 1);
    top->addLayout(bottomRow);
    resize(540, 580);
}

void MainWindow::connectCommands() {
    connect(openButton_, &QPushButton::clicked, this, &MainWindow::openCommand);
    connect(commonInfoButton_, &QPushButton::clicked, this, &MainWindow::commonInfoCommand);
    for (QRadioButton* r : {versionsRadio_, featuresRadio_, bugsRadio_})
        connect(r, &QRadioButton::clicked, this, &MainWindow::refreshList);  // also when already checked
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MainWindow::updateSelectionState);
    connect(addButton_, &QPushButton::clicked, this, &MainWindow::addCommand);
    connect(editButton_, &QPushButton::clicked, this, &MainWindow::editCommand);
    connect(removeButton_, &QPushButton::clicked, this, &MainWindow::removeCommand);
    connect(moveUpButton_, &QPushButton::clicked, this, &MainWindow::moveUpCommand);
    connect(moveDownButton_, &QPushButton::clicked, this, &MainWindow::moveDownCommand);
    connect(saveButton_, &QPushButton::clicked, this, &MainWindow::saveCommand);
    connect(cancelButton_, &QPushButton::clicked, this, &MainWindow::reject);

    // The About box: in the window's context menu and on F1.
    auto* about = new QAction(QStringLiteral("&About Orvantis..."), this);
    about->setObjectName(QStringLiteral("aboutAction"));
    about->setShortcut(QKeySequence::HelpContents);
    connect(about, &QAction::triggered, this, &MainWindow::aboutCommand);
    addAction(about);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

void MainWindow::initialize() {
    if (!fileName_.empty()) loadPackageFile(fileName_);
    versionsRadio_->setChecked(true);
    refreshList();
}

RecordKind MainWindow::currentKind() const {
    if (versionsRadio_->isChecked()) return RecordKind::Versions;
    if (featuresRadio_->isChecked()) return RecordKind::Features;
    return RecordKind::Bugs;
}

int MainWindow::selectedRow() const {
    const QModelIndexList rows = list_->selectionModel()->selectedIndexes();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void MainWindow::selectRow(int row) {
    if (row < 0 || row >= model_->rowCount()) {
        list_->selectionModel()->clearSelection();
        return;
    }
    const QModelIndex index = model_->index(row);
    list_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    list_->scrollTo(index);
}

void MainWindow::refreshList() {
    changingRows_ = true;
    model_->showKind(currentKind());
    selectRow(0);
    changingRows_ = false;
    updateSelectionState();
}

void MainWindow::updateSelectionState() {
    if (changingRows_) return;
    const int sel = selectedRow();
    const ListCommands allowed = listCommands(sel, static_cast<uint32_t>(model_->rowCount()));
    editButton_->setEnabled(allowed.edit);
    removeButton_->setEnabled(allowed.remove);
    moveUpButton_->setEnabled(allowed.moveUp);
    moveDownButton_->setEnabled(allowed.moveDown);
    if (sel >= 0)
        summaryEdit_->setPlainText(summaryText(rowSummary(doc_.package, model_->kind(), static_cast<uint32_t>(sel))));
    else
        summaryEdit_->clear();
}

void MainWindow::aboutCommand() { showAboutBox(this); }

}  // namespace orv
