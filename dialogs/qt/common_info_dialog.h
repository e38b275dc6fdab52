// The "Common Information" dialog: the fourteen texts about the product and
// the company, with "Test" labels that open the link and e-mail fields.
#pragma once

#include <QDialog>
#include <array>

#include "dialogs/qt/services.h"
#include "package/model.h"

class QLineEdit;
class QPlainTextEdit;
class CLinkStatic;

namespace orv {

class CommonInfoDialog : public QDialog {
    Q_OBJECT
public:
    explicit CommonInfoDialog(UiServices ui, QWidget* parent = nullptr);

    // Shows `info` in the fields; call before exec().
    void setInfo(const CommonInfo& info);
    // The fields as the user left them (unchanged fields keep their bytes).
    CommonInfo info() const;

private slots:
    void linkClicked(int itemId);

private:
    void buildLayout();
    // Field i as it would be stored now.
    ByteString fieldBytesAt(uint32_t i) const;

    UiServices ui_;
    CommonInfo original_;
    // One editor per field in field order: either a line or a text edit.
    std::array<QLineEdit*, CommonInfo::kFieldCount> lines_{};
    std::array<QPlainTextEdit*, CommonInfo::kFieldCount> texts_{};
};

// Runs the dialog modally on a copy of `info`; on OK stores the edit and
// returns true, on Cancel leaves `info` as it was and returns false.
bool editCommonInfo(const UiServices& ui, QWidget* parent, CommonInfo& info);

}  // namespace orv
