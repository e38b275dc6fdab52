#include "dialogs/qt/days_edit.h"

#include <QLineEdit>
#include <algorithm>
#include <limits>


namespace orv {

DaysEdit::DaysEdit(QWidget* parent) : QAbstractSpinBox(parent) {
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setAccelerated(true);
    lineEdit()->setMaxLength(std::numeric_limits<int>::max());
}

void DaysEdit::setNumber(uint32_t value) { lineEdit()->setText(QString::number(value)); }

QString DaysEdit::text() const { return lineEdit()->text(); }

uint32_t DaysEdit::clampedValue() const {
    uint32_t v = 0;
    for (QChar c : text()) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) break;
        v = std::min<uint32_t>(v * 10 + static_cast<uint32_t>(c.unicode() - '0'), kMaximum);
    }
    return v;
}

void DaysEdit::stepBy(int steps) {
    int64_t v = static_cast<int64_t>(clampedValue()) + steps;
    v = std::clamp<int64_t>(v, 0, kMaximum);
    setNumber(static_cast<uint32_t>(v));
    lineEdit()->selectAll();
}

QAbstractSpinBox::StepEnabled DaysEdit::stepEnabled() const {
    uint32_t v = clampedValue();
    StepEnabled e = StepNone;
    if (v > 0) e |= StepDownEnabled;
    if (v < kMaximum) e |= StepUpEnabled;
    return e;
}

QValidator::State DaysEdit::validate(QString& input, int&) const {
    for (QChar c : input) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return QValidator::Invalid;
    }
    return QValidator::Acceptable;
}

}  // namespace orv
