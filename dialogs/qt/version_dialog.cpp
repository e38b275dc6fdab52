#include "dialogs/qt/version_dialog.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "app/download_size.h"
#include "dialogs/qt/days_edit.h"
#include "dialogs/dialog_rules.h"
#include "dialogs/qt/dialog_fields.h"
#include "dialogs/qt/gui_text.h"
#include "dialogs/qt/release_date.h"
#include "links/qt/link_static.h"
#include "resources/control_ids.h"
#include "support/numbers.h"

namespace orv {

namespace {
constexpr int kLocationTest = IDC_VER_LOCATION_TEST;
constexpr int kScreenshotTest = IDC_VER_SCREENSHOT_TEST;
constexpr int kThumbnailTest = IDC_VER_THUMBNAIL_TEST;
}  // namespace

VersionDialog::VersionDialog(UiServices ui, QWidget* parent) : QDialog(parent), ui_(std::move(ui)) {
    setObjectName(QStringLiteral("versionDialog"));
    setWindowTitle(QStringLiteral("Version Information"));
    buildLayout();
    resize(560, 430);
}

void VersionDialog::buildLayout() {
    version_ = makeLineEdit(this, QStringLiteral("version"));
    location_ = makeLineEdit(this, QStringLiteral("location"));
    auto* locationTest = makeTestLink(kLocationTest, this, QStringLiteral("locationTest"));
    fileSize_ = makeLineEdit(this, QStringLiteral("fileSize"));
    auto* bytes = new QLabel(QStringLiteral("Bytes"), this);
    bytes->setObjectName(QStringLiteral("bytesLabel"));
    determine_ = new QPushButton(QStringLiteral("&Determine Automatically..."), this);
    determine_->setObjectName(QStringLiteral("determineButton"));
    determine_->setAutoDefault(false);
    screenshot_ = makeLineEdit(this, QStringLiteral("screenshot"));
    auto* screenshotTest = makeTestLink(kScreenshotTest, this, QStringLiteral("screenshotTest"));
    thumbnail_ = makeLineEdit(this, QStringLiteral("thumbnail"));
    auto* thumbnailTest = makeTestLink(kThumbnailTest, this, QStringLiteral("thumbnailTest"));
    freeUpgrades_ = makeMultiList(this, QStringLiteral("freeUpgrades"));
    released_ = new QCalendarWidget(this);
    released_->setObjectName(QStringLiteral("released"));
    released_->setSelectionMode(QCalendarWidget::SingleSelection);
    released_->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    // The days a stored release date can name and read back.
    released_->setDateRange(QDate(1899, 12, 30), QDate(9999, 12, 31));
    days_ = new DaysEdit(this);
    days_->setObjectName(QStringLiteral("freeUpgradeDays"));
    auto* daysAfter = new QLabel(QStringLiteral("days before the release date."), this);
    daysAfter->setObjectName(QStringLiteral("daysAfterLabel"));

    for (CLinkStatic* link : {locationTest, screenshotTest, thumbnailTest})
        connect(link, &CLinkStatic::clicked, this, &VersionDialog::linkClicked);
    connect(determine_, &QPushButton::clicked, this, &VersionDialog::determineFileSize);

    auto* grid = new QGridLayout;
    grid->addWidget(makeLabel(QStringLiteral("&Version:"), version_, QStringLiteral("versionLabel")), 0, 0);
    grid->addWidget(version_, 0, 1);
    grid->addWidget(makeLabel(QStringLiteral("&Location:"), location_, QStringLiteral("locationLabel")), 1, 0);
    grid->addWidget(location_, 1, 1);
    grid->addWidget(locationTest, 1, 2);
    grid->addWidget(makeLabel(QStringLiteral("&File Size:"), fileSize_, QStringLiteral("fileSizeLabel")), 2, 0);
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(fileSize_, 1);
    sizeRow->addWidget(bytes);
    sizeRow->addSpacing(12);
    sizeRow->addWidget(determine_);
    grid->addLayout(sizeRow, 2, 1);
    grid->addWidget(makeLabel(QStringLiteral("&Screenshot:"), screenshot_, QStringLiteral("screenshotLabel")), 3, 0);
    grid->addWidget(screenshot_, 3, 1);
    grid->addWidget(screenshotTest, 3, 2);
    grid->addWidget(makeLabel(QStringLiteral("&Thumbnail:"), thumbnail_, QStringLiteral("thumbnailLabel")), 4, 0);
    grid->addWidget(thumbnail_, 4, 1);
    grid->addWidget(thumbnailTest, 4, 2);
    grid->setColumnStretch(1, 1);

    auto* upgradeColumn = new QVBoxLayout;
    upgradeColumn->addWidget(
        makeLabel(QStringLiteral("Free &Upgrade:"), freeUpgrades_, QStringLiteral("freeUpgradesLabel")));
    upgradeColumn->addWidget(freeUpgrades_, 1);
    auto* releasedColumn = new QVBoxLayout;
    releasedColumn->addWidget(makeLabel(QStringLiteral("&Released:"), released_, QStringLiteral("releasedLabel")));
    releasedColumn->addWidget(released_, 1);
    auto* lists = new QHBoxLayout;
    lists->addLayout(upgradeColumn, 1);
    lists->addLayout(releasedColumn, 1);

    auto* daysRow = new QHBoxLayout;
    daysRow->addWidget(
        makeLabel(QStringLiteral("Free upgrade if &purchased"), days_, QStringLiteral("freeUpgradeDaysLabel")));
    days_->setMinimumWidth(90);
    daysRow->addWidget(days_);
    daysRow->addWidget(daysAfter);
    daysRow->addStretch(1);

    auto* buttons = new QHBoxLayout;
    addOkCancel(this, buttons);
    auto* top = new QVBoxLayout(this);
    top->addLayout(grid);
    top->addLayout(lists, 1);
    top->addLayout(daysRow);
    top->addLayout(buttons);

    QWidget* order[] = {version_,       location_, fileSize_, determine_, screenshot_, thumbnail_,
                        freeUpgrades_,  released_, days_};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}

void VersionDialog::setUp(const VersionRecord& record, const VersionChoices& versions) {
    original_ = record;
    versions_ = versions;
    setLineText(version_, record.version);
    setLineText(location_, record.location);
    setLineText(fileSize_, record.fileSize);
    setLineText(screenshot_, record.screenshot);
    setLineText(thumbnail_, record.thumbnail);
    showIdList(freeUpgrades_, versions, record.freeUpgrades);
    released_->setSelectedDate(releaseDateShown(record.releaseDate));
    days_->setNumber(record.freeUpgradeDays);
}

VersionRecord VersionDialog::record() const {
    VersionRecord out = original_;
    out.version = lineBytes(original_.version, version_);
    out.location = lineBytes(original_.location, location_);
    out.fileSize = lineBytes(original_.fileSize, fileSize_);
    out.screenshot = lineBytes(original_.screenshot, screenshot_);
    out.thumbnail = lineBytes(original_.thumbnail, thumbnail_);
    out.freeUpgrades = idListOnOk(freeUpgrades_, versions_, original_.freeUpgrades);
    out.releaseDate = releaseDateStored(released_->selectedDate());
    out.freeUpgradeDays = parseU32(fromQString(days_->text()));
    return out;
}

void VersionDialog::linkClicked(int itemId) {
    const TestLink* link = findTestLink(versionTestLinks(), static_cast<uint32_t>(itemId));
    if (!link) return;
    const VersionRecord now = record();
    const ByteString& text = link->fieldId == IDC_VER_LOCATION     ? now.location
                             : link->fieldId == IDC_VER_SCREENSHOT ? now.screenshot
                                                                   : now.thumbnail;
    openFieldLink(ui_, link->opens, text);
}

void VersionDialog::determineFileSize() {
    // The request is synchronous: the dialog waits with a busy cursor.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const DownloadSizeResult result = ui_.determineSize(lineBytes(original_.location, location_));
    QApplication::restoreOverrideCursor();
    if (result.ok) fileSize_->setText(toQString(result.size));
    else ui_.message(this, errorMessage(result.message));
}

bool editVersion(const UiServices& ui, QWidget* parent, VersionRecord& record, const VersionChoices& versions) {
    VersionDialog dialog(ui, parent);
    dialog.setUp(record, versions);
    if (dialog.exec() != QDialog::Accepted) return false;
    record = dialog.record();
    return true;
}

}  // namespace orv
