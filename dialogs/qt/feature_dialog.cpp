#include "dialogs/qt/feature_dialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>

#include "dialogs/dialog_rules.h"
#include "dialogs/qt/dialog_fields.h"
#include "dialogs/qt/gui_text.h"
#include "links/qt/link_static.h"
#include "resources/control_ids.h"

namespace orv {

namespace {
constexpr int kScreenshotTest = IDC_FEAT_SCREENSHOT_TEST;
constexpr int kThumbnailTest = IDC_FEAT_THUMBNAIL_TEST;
}  // namespace

FeatureDialog::FeatureDialog(UiServices ui, QWidget* parent) : QDialog(parent), ui_(std::move(ui)) {
    setObjectName(QStringLiteral("featureDialog"));
    setWindowTitle(QStringLiteral("Feature Information"));
    buildLayout();
    resize(380, 410);
}

void FeatureDialog::buildLayout() {
    title_ = makeLineEdit(this, QStringLiteral("title"));
    description_ = makeTextEdit(this, QStringLiteral("description"));
    screenshot_ = makeLineEdit(this, QStringLiteral("screenshot"));
    auto* screenshotTest = makeTestLink(kScreenshotTest, this, QStringLiteral("screenshotTest"));
    thumbnail_ = makeLineEdit(this, QStringLiteral("thumbnail"));
    auto* thumbnailTest = makeTestLink(kThumbnailTest, this, QStringLiteral("thumbnailTest"));
    versionList_ = makeMultiList(this, QStringLiteral("versions"));
    for (CLinkStatic* link : {screenshotTest, thumbnailTest})
        connect(link, &CLinkStatic::clicked, this, &FeatureDialog::linkClicked);

    auto* grid = new QGridLayout;
    grid->addWidget(makeLabel(QStringLiteral("&Title:"), title_, QStringLiteral("titleLabel")), 0, 0);
    grid->addWidget(title_, 0, 1, 1, 2);
    grid->addWidget(makeLabel(QStringLiteral("&Description:"), description_, QStringLiteral("descriptionLabel")), 1,
                    0, Qt::AlignTop);
    grid->addWidget(description_, 1, 1, 1, 2);
    grid->addWidget(makeLabel(QStringLiteral("&Screenshot:"), screenshot_, QStringLiteral("screenshotLabel")), 2, 0);
    grid->addWidget(screenshot_, 2, 1);
    grid->addWidget(screenshotTest, 2, 2);
    grid->addWidget(makeLabel(QStringLiteral("T&humbnail:"), thumbnail_, QStringLiteral("thumbnailLabel")), 3, 0);
    grid->addWidget(thumbnail_, 3, 1);
    grid->addWidget(thumbnailTest, 3, 2);
    grid->addWidget(makeLabel(QStringLiteral("&Versions:"), versionList_, QStringLiteral("versionsLabel")), 4, 0,
                    Qt::AlignTop);
    grid->addWidget(versionList_, 4, 1, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(1, 1);
    grid->setRowStretch(4, 1);

    auto* buttons = new QHBoxLayout;
    addOkCancel(this, buttons);
    auto* top = new QVBoxLayout(this);
    top->addLayout(grid, 1);
    top->addLayout(buttons);

    setTabOrder(title_, description_);
    setTabOrder(description_, screenshot_);
    setTabOrder(screenshot_, thumbnail_);
    setTabOrder(thumbnail_, versionList_);
}

void FeatureDialog::setUp(const FeatureRecord& record, const VersionChoices& versions) {
    original_ = record;
    versions_ = versions;
    setLineText(title_, record.title);
    setEditorText(description_, record.description);
    setLineText(screenshot_, record.screenshot);
    setLineText(thumbnail_, record.thumbnail);
    showIdList(versionList_, versions, record.versions);
}

FeatureRecord FeatureDialog::record() const {
    FeatureRecord out = original_;
    out.title = lineBytes(original_.title, title_);
    out.description = editorBytes(original_.description, description_);
    out.screenshot = lineBytes(original_.screenshot, screenshot_);
    out.thumbnail = lineBytes(original_.thumbnail, thumbnail_);
    out.versions = idListOnOk(versionList_, versions_, original_.versions);
    return out;
}

void FeatureDialog::linkClicked(int itemId) {
    const TestLink* link = findTestLink(featureTestLinks(), static_cast<uint32_t>(itemId));
    if (!link) return;
    const FeatureRecord now = record();
    openFieldLink(ui_, link->opens, link->fieldId == IDC_FEAT_SCREENSHOT ? now.screenshot : now.thumbnail);
}

bool editFeature(const UiServices& ui, QWidget* parent, FeatureRecord& record, const VersionChoices& versions) {
    FeatureDialog dialog(ui, parent);
    dialog.setUp(record, versions);
    if (dialog.exec() != QDialog::Accepted) return false;
    record = dialog.record();
    return true;
}

}  // namespace orv
