#include "dialogs/qt/common_info_dialog.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "dialogs/qt/dialog_fields.h"
#include "dialogs/qt/gui_text.h"
#include "links/qt/link_static.h"

namespace orv {

namespace {

// The "Test" label beside field i, or null.
const TestLink* testLinkOf(uint32_t i) {
    for (const TestLink& link : commonInfoTestLinks())
        if (link.fieldId == commonInfoEditIds()[i]) return &link;
    return nullptr;
}

constexpr uint32_t kLeftColumnFields = 6;

}  // namespace

CommonInfoDialog::CommonInfoDialog(UiServices ui, QWidget* parent) : QDialog(parent), ui_(std::move(ui)) {
    setObjectName(QStringLiteral("commonInfoDialog"));
    setWindowTitle(QStringLiteral("Common Information"));
    buildLayout();
    resize(780, 380);
}

void CommonInfoDialog::buildLayout() {
    auto* columns = new QHBoxLayout;
    QGridLayout* grids[2] = {new QGridLayout, new QGridLayout};
    int rows[2] = {0, 0};
    QWidget* previous = nullptr;
    for (uint32_t i = 0; i < CommonInfo::kFieldCount; ++i) {
        const CommonField& f = commonFields()[i];
        QWidget* editor = nullptr;
        if (f.multiLine) {
            texts_[i] = makeTextEdit(this, QString::fromLatin1(f.name));
            editor = texts_[i];
        } else {
            lines_[i] = makeLineEdit(this, QString::fromLatin1(f.name));
            editor = lines_[i];
        }
        if (previous) setTabOrder(previous, editor);
        previous = editor;
        int side = i < kLeftColumnFields ? 0 : 1;
        QGridLayout* grid = grids[side];
        int row = rows[side]++;
        auto* label = makeLabel(QString::fromLatin1(f.label), editor, QString::fromLatin1(f.name) + "Label");
        grid->addWidget(label, row, 0, f.multiLine ? Qt::AlignTop : Qt::AlignVCenter);
        grid->addWidget(editor, row, 1);
        if (f.multiLine) grid->setRowStretch(row, 1);
        if (const TestLink* test = testLinkOf(i)) {
            auto* link = makeTestLink(static_cast<int>(test->linkId), this, QString::fromLatin1(f.name) + "Test");
            connect(link, &CLinkStatic::clicked, this, &CommonInfoDialog::linkClicked);
            grid->addWidget(link, row, 2);
        }
    }
    for (QGridLayout* grid : grids) grid->setColumnStretch(1, 1);
    auto* divider = new QFrame(this);
    divider->setObjectName(QStringLiteral("columnDivider"));
    divider->setFrameShape(QFrame::VLine);
    divider->setFrameShadow(QFrame::Sunken);
    columns->addLayout(grids[0], 1);
    columns->addWidget(divider);
    columns->addLayout(grids[1], 1);

    auto* buttons = new QHBoxLayout;
    addOkCancel(this, buttons);
    auto* top = new QVBoxLayout(this);
    top->addLayout(columns, 1);
    top->addLayout(buttons);
}

ByteString CommonInfoDialog::fieldBytesAt(uint32_t i) const {
    const ByteString& before = original_.field(i);
    return lines_[i] ? lineBytes(before, lines_[i]) : editorBytes(before, texts_[i]);
}

void CommonInfoDialog::setInfo(const CommonInfo& info) {
    original_ = info;
    for (uint32_t i = 0; i < CommonInfo::kFieldCount; ++i) {
        if (lines_[i]) setLineText(lines_[i], info.field(i));
        else setEditorText(texts_[i], info.field(i));
    }
}

CommonInfo CommonInfoDialog::info() const {
    CommonInfo out;
    for (uint32_t i = 0; i < CommonInfo::kFieldCount; ++i) {
        out.field(i) = fieldBytesAt(i);
    }
    return out;
}

void CommonInfoDialog::linkClicked(int itemId) {
    const TestLink* link = findTestLink(commonInfoTestLinks(), static_cast<uint32_t>(itemId));
    for (uint32_t i = 0; link && i < CommonInfo::kFieldCount; ++i) {
        if (commonInfoEditIds()[i] == link->fieldId) openFieldLink(ui_, link->opens, fieldBytesAt(i));
    }
}

bool editCommonInfo(const UiServices& ui, QWidget* parent, CommonInfo& info) {
    CommonInfoDialog dialog(ui, parent);
    dialog.setInfo(info);
    if (dialog.exec() != QDialog::Accepted) return false;
    info = dialog.info();
    return true;
}

}  // namespace orv
