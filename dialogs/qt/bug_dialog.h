// The "Bug Information" dialog: a bug's texts, severity and type, the
// versions it was introduced, discovered and fixed in, and the features it
// affects.
#pragma once

#include <QDialog>

#include "app/choices.h"
#include "package/model.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;

namespace orv {

class BugDialog : public QDialog {
    Q_OBJECT
public:
    explicit BugDialog(QWidget* parent = nullptr);

    void setUp(const BugRecord& record, const VersionChoices& versions, const FeatureChoices& features);
    BugRecord record() const;

private:
    void buildLayout();

    BugRecord original_;
    VersionChoices versions_;
    FeatureChoices features_;
    QLineEdit* title_ = nullptr;
    QPlainTextEdit* description_ = nullptr;
    QComboBox* severity_ = nullptr;
    QComboBox* type_ = nullptr;
    QComboBox* introduced_ = nullptr;
    QComboBox* discovered_ = nullptr;
    QComboBox* fixed_ = nullptr;
    QListWidget* affected_ = nullptr;
};

// Runs the dialog modally on a copy of `record`; true on OK with the record
// updated, false on Cancel with the record untouched.
bool editBug(QWidget* parent, BugRecord& record, const VersionChoices& versions, const FeatureChoices& features);

}  // namespace orv
