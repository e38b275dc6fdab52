// The "Feature Information" dialog: a feature's texts and the versions that
// carry it.
#pragma once

#include <QDialog>

#include "app/choices.h"
#include "dialogs/qt/services.h"
#include "package/model.h"

class QLineEdit;
class QListWidget;
class QPlainTextEdit;

namespace orv {

class FeatureDialog : public QDialog {
    Q_OBJECT
public:
    explicit FeatureDialog(UiServices ui, QWidget* parent = nullptr);

    // Fills the controls; the versions list shows one line per version.
    void setUp(const FeatureRecord& record, const VersionChoices& versions);
    FeatureRecord record() const;

private slots:
    void linkClicked(int itemId);

private:
    void buildLayout();

    UiServices ui_;
    FeatureRecord original_;
    VersionChoices versions_;
    QLineEdit* title_ = nullptr;
    QPlainTextEdit* description_ = nullptr;
    QLineEdit* screenshot_ = nullptr;
    QLineEdit* thumbnail_ = nullptr;
    QListWidget* versionList_ = nullptr;
};

// Runs the dialog modally on a copy of `record`; true on OK with the record
// updated, false on Cancel with the record untouched.
bool editFeature(const UiServices& ui, QWidget* parent, FeatureRecord& record, const VersionChoices& versions);

}  // namespace orv
