// The "Version Information" dialog: one version's texts, its free-upgrade
// versions, its release date and its free-upgrade days.
#pragma once

#include <QDialog>

#include "app/choices.h"
#include "dialogs/qt/services.h"
#include "package/model.h"

class QCalendarWidget;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace orv {

class DaysEdit;

class VersionDialog : public QDialog {
    Q_OBJECT
public:
    explicit VersionDialog(UiServices ui, QWidget* parent = nullptr);

    // Fills the controls from `record`; the free-upgrade list shows one line
    // per entry of `versions`. Call before exec().
    void setUp(const VersionRecord& record, const VersionChoices& versions);
    // The record as the controls describe it (id and reserved text carried).
    VersionRecord record() const;

private slots:
    void linkClicked(int itemId);
    void determineFileSize();

private:
    void buildLayout();

    UiServices ui_;
    VersionRecord original_;
    VersionChoices versions_;
    QLineEdit* version_ = nullptr;
    QLineEdit* location_ = nullptr;
    QLineEdit* fileSize_ = nullptr;
    QPushButton* determine_ = nullptr;
    QLineEdit* screenshot_ = nullptr;
    QLineEdit* thumbnail_ = nullptr;
    QListWidget* freeUpgrades_ = nullptr;
    QCalendarWidget* released_ = nullptr;
    DaysEdit* days_ = nullptr;
};

// Runs the dialog modally on a copy of `record`; true on OK with the record
// updated, false on Cancel with the record untouched.
bool editVersion(const UiServices& ui, QWidget* parent, VersionRecord& record, const VersionChoices& versions);

}  // namespace orv
