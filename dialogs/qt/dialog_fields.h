// Building blocks the editor dialogs share: labelled edits, "Test" labels
// configured the dialogs' way, multiple-selection lists of records, the
// OK/Cancel row, and the text forms of multi-line fields.
#pragma once

#include <QString>

#include "app/choices.h"
#include "package/model.h"
#include "support/byte_string.h"

class CLinkStatic;
class QBoxLayout;
class QDialog;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QWidget;

namespace orv {

// A label with a mnemonic whose Alt+letter focuses `buddy`.
QLabel* makeLabel(const QString& text, QWidget* buddy, const QString& name);
QLineEdit* makeLineEdit(QWidget* parent, const QString& name);
// A multi-line edit where Enter starts a new line and Tab leaves the field.
QPlainTextEdit* makeTextEdit(QWidget* parent, const QString& name);
// A "Test" label that only tells its dialog it was clicked: always
// underlined, no tooltip, never opens anything itself.
CLinkStatic* makeTestLink(int itemId, QWidget* parent, const QString& name);
// A list where each click toggles one line.
QListWidget* makeMultiList(QWidget* parent, const QString& name);

// Adds a right-aligned OK (default) and Cancel to `layout`, wired to the
// dialog's accept and reject.
void addOkCancel(QDialog* dialog, QBoxLayout* layout);

// Fill an edit with a field's bytes and remember the text as shown (the
// editor may have changed line breaks or undecodable bytes on the way in).
void setLineText(QLineEdit* edit, const ByteString& bytes);
void setEditorText(QPlainTextEdit* edit, const ByteString& bytes);
// What an edit hands back: the original bytes while its text is still the
// one shown, else the current text encoded (multi-line fields with CR LF
// line breaks).
ByteString lineBytes(const ByteString& original, const QLineEdit* edit);
ByteString editorBytes(const ByteString& original, const QPlainTextEdit* edit);

// Fills a list with one line per record of `choices` and selects the
// lines of `ids`; ids no record holds show nothing.
void showIdList(QListWidget* list, const RecordChoices& choices, const IdList& ids);
// The list's field on OK: the selected lines' ids, and `before`'s ids that
// no record holds while the user left the selection as it was.
IdList idListOnOk(const QListWidget* list, const RecordChoices& choices, const IdList& before);

}  // namespace orv
