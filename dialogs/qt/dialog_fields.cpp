#include "dialogs/qt/dialog_fields.h"

#include <QBoxLayout>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <limits>

#include "dialogs/dialog_rules.h"
#include "dialogs/qt/gui_text.h"
#include "links/qt/link_static.h"

namespace orv {

QLabel* makeLabel(const QString& text, QWidget* buddy, const QString& name) {
    auto* label = new QLabel(text, buddy->parentWidget());
    label->setObjectName(name);
    label->setBuddy(buddy);
    return label;
}

QLineEdit* makeLineEdit(QWidget* parent, const QString& name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setMaxLength(std::numeric_limits<int>::max());  // no length limit
    return edit;
}

QPlainTextEdit* makeTextEdit(QWidget* parent, const QString& name) {
    auto* edit = new QPlainTextEdit(parent);
    edit->setObjectName(name);
    edit->setTabChangesFocus(true);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    return edit;
}

CLinkStatic* makeTestLink(int itemId, QWidget* parent, const QString& name) {
    auto* link = new CLinkStatic(itemId, QStringLiteral("Test"), parent);
    link->setObjectName(name);
    link->EnableOpenOnClick(false);
    link->EnableTooltip(false);
    link->SetUnderlineMode(1);
    link->SetNotifyParent(true);
    return link;
}

QListWidget* makeMultiList(QWidget* parent, const QString& name) {
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    list->setSelectionMode(QAbstractItemView::MultiSelection);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    return list;
}

void addOkCancel(QDialog* dialog, QBoxLayout* layout) {
    auto* ok = new QPushButton(QStringLiteral("OK"), dialog);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), dialog);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    layout->addStretch(1);
    layout->addWidget(ok);
    layout->addWidget(cancel);
}

namespace {
constexpr char kShownText[] = "orvShownText";
}  // namespace

void setLineText(QLineEdit* edit, const ByteString& bytes) {
    edit->setText(toQString(bytes));
    edit->setCursorPosition(0);
    edit->setProperty(kShownText, edit->text());
}

void setEditorText(QPlainTextEdit* edit, const ByteString& bytes) {
    QString text = toQString(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    edit->setPlainText(text);
    edit->setProperty(kShownText, edit->toPlainText());
}

ByteString lineBytes(const ByteString& original, const QLineEdit* edit) {
    return fieldOnOk(original, fromQString(edit->property(kShownText).toString()), fromQString(edit->text()));
}

ByteString editorBytes(const ByteString& original, const QPlainTextEdit* edit) {
    const auto crLf = [](QString text) { return fromQString(text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"))); };
    return fieldOnOk(original, crLf(edit->property(kShownText).toString()), crLf(edit->toPlainText()));
}

void showIdList(QListWidget* list, const RecordChoices& choices, const IdList& ids) {
    list->clear();
    for (const ByteString& label : choices.labels) list->addItem(toQString(label));
    for (uint32_t line : linesOfIds(choices, ids)) list->item(static_cast<int>(line))->setSelected(true);
}

IdList idListOnOk(const QListWidget* list, const RecordChoices& choices, const IdList& before) {
    std::vector<uint32_t> selected;
    for (int row = 0; row < list->count(); ++row) {
        if (list->item(row)->isSelected()) selected.push_back(static_cast<uint32_t>(row));
    }
    return idsOnOk(choices, before, selected);
}

}  // namespace orv
