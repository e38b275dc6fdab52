#include "dialogs/qt/days_edit.h"

#include <QLineEdit>
#include <limits>

#include "dialogs/dialog_rules.h"
#include "dialogs/qt/gui_text.h"

namespace orv {

DaysEdit::DaysEdit(QWidget* parent) : QAbstractSpinBox(parent) {
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setAccelerated(true);
    lineEdit()->setMaxLength(std::numeric_limits<int>::max());
}

void DaysEdit::setNumber(uint32_t value) { lineEdit()->setText(QString::number(value)); }

QString DaysEdit::text() const { return lineEdit()->text(); }

uint32_t DaysEdit::clampedValue() const { return daysStepped(fromQString(text()).view(), 0); }

void DaysEdit::stepBy(int steps) {
    setNumber(daysStepped(fromQString(text()).view(), steps));
    lineEdit()->selectAll();
}

QAbstractSpinBox::StepEnabled DaysEdit::stepEnabled() const {
    uint32_t v = clampedValue();
    StepEnabled e = StepNone;
    if (v > 0) e |= StepDownEnabled;
    if (v < kMaxFreeUpgradeDays) e |= StepUpEnabled;
    return e;
}

QValidator::State DaysEdit::validate(QString& input, int&) const {
    return daysTextAllowed(fromQString(input).view()) ? QValidator::Acceptable : QValidator::Invalid;
}

}  // namespace orv
