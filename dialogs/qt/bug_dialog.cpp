#include "dialogs/qt/bug_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>

#include "app/bug_types.h"
#include "dialogs/dialog_rules.h"
#include "dialogs/qt/dialog_fields.h"
#include "dialogs/qt/gui_text.h"
#include "support/numbers.h"

namespace orv {

namespace {

QComboBox* makeDropDown(QWidget* parent, const QString& name) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(false);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(12);
    return box;
}

// "None/Unknown", one item per version, and an empty item standing for an
// id no version holds, selected as `id` says.
void showVersion(QComboBox* box, const VersionChoices& versions, uint32_t id) {
    box->clear();
    box->addItem(QStringLiteral("None/Unknown"));
    for (const ByteString& label : versions.labels) box->addItem(toQString(label));
    if (needsKeptLine(versions, id)) box->addItem(QString());
    box->setCurrentIndex(static_cast<int>(dropDownLine(versions, id)));
}

uint32_t versionOnOk(const QComboBox* box, const VersionChoices& versions, uint32_t before) {
    const int index = box->currentIndex();
    return index < 0 ? before : idOfDropDownLine(versions, before, static_cast<uint32_t>(index));
}

}  // namespace

BugDialog::BugDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("bugDialog"));
    setWindowTitle(QStringLiteral("Bug Information"));
    buildLayout();
    resize(340, 460);
}

void BugDialog::buildLayout() {
    title_ = makeLineEdit(this, QStringLiteral("title"));
    description_ = makeTextEdit(this, QStringLiteral("description"));
    severity_ = makeDropDown(this, QStringLiteral("severity"));
    for (const char* s : kSeverityItems) severity_->addItem(QString::fromLatin1(s));
    type_ = makeDropDown(this, QStringLiteral("type"));
    for (const char* t : kBugTypes) type_->addItem(QString::fromLatin1(t));
    introduced_ = makeDropDown(this, QStringLiteral("introduced"));
    discovered_ = makeDropDown(this, QStringLiteral("discovered"));
    fixed_ = makeDropDown(this, QStringLiteral("fixed"));
    affected_ = makeMultiList(this, QStringLiteral("affectedFeatures"));

    struct Row {
        const char* label;
        QWidget* field;
        const char* name;
    };
    const Row rows[] = {
        {"&Title:", title_, "titleLabel"},
        {"&Description:", description_, "descriptionLabel"},
        {"&Severity:", severity_, "severityLabel"},
        {"T&ype:", type_, "typeLabel"},
        {"&Introduced:", introduced_, "introducedLabel"},
        {"Dis&covered:", discovered_, "discoveredLabel"},
        {"&Fixed:", fixed_, "fixedLabel"},
        {"&Affected\nfeatures:", affected_, "affectedFeaturesLabel"},
    };
    auto* grid = new QGridLayout;
    int r = 0;
    QWidget* previous = nullptr;
    for (const Row& row : rows) {
        bool tall = row.field == description_ || row.field == affected_;
        auto* label = makeLabel(QString::fromLatin1(row.label), row.field, QString::fromLatin1(row.name));
        grid->addWidget(label, r, 0, tall ? Qt::AlignTop : Qt::AlignVCenter);
        grid->addWidget(row.field, r, 1);
        if (tall) grid->setRowStretch(r, 1);
        if (previous) setTabOrder(previous, row.field);
        previous = row.field;
        ++r;
    }
    grid->setColumnStretch(1, 1);

    auto* buttons = new QHBoxLayout;
    addOkCancel(this, buttons);
    auto* top = new QVBoxLayout(this);
    top->addLayout(grid, 1);
    top->addLayout(buttons);
}

void BugDialog::setUp(const BugRecord& record, const VersionChoices& versions, const FeatureChoices& features) {
    original_ = record;
    versions_ = versions;
    features_ = features;
    setLineText(title_, record.title);
    setEditorText(description_, record.description);
    severity_->setCurrentIndex(severityLine(record.severity));
    type_->setCurrentIndex(static_cast<int>(typeLine(record.type)));
    showVersion(introduced_, versions, record.introduced);
    showVersion(discovered_, versions, record.discovered);
    showVersion(fixed_, versions, record.fixed);
    showIdList(affected_, features, record.affectedFeatures);
}

BugRecord BugDialog::record() const {
    BugRecord out = original_;
    out.title = lineBytes(original_.title, title_);
    out.description = editorBytes(original_.description, description_);
    out.severity = parseU32(fromQString(severity_->currentText()));
    out.type = fromQString(type_->currentText());
    out.introduced = versionOnOk(introduced_, versions_, original_.introduced);
    out.discovered = versionOnOk(discovered_, versions_, original_.discovered);
    out.fixed = versionOnOk(fixed_, versions_, original_.fixed);
    out.affectedFeatures = idListOnOk(affected_, features_, original_.affectedFeatures);
    return out;
}

bool editBug(QWidget* parent, BugRecord& record, const VersionChoices& versions, const FeatureChoices& features) {
    BugDialog dialog(parent);
    dialog.setUp(record, versions, features);
    if (dialog.exec() != QDialog::Accepted) return false;
    record = dialog.record();
    return true;
}

}  // namespace orv
