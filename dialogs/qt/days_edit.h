// The free-upgrade days field: digits only from the keyboard, with up/down
// arrows (buttons, arrow keys, wheel) that step by one and stop at 0 and
// 1000000. The text is whatever was typed; a number larger than the arrows
// allow stays as typed.
#pragma once

#include <QAbstractSpinBox>
#include <cstdint>

namespace orv {

class DaysEdit : public QAbstractSpinBox {
    Q_OBJECT
public:
    explicit DaysEdit(QWidget* parent = nullptr);

    // Shows the number without separators.
    void setNumber(uint32_t value);
    QString text() const;

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;

protected:
    StepEnabled stepEnabled() const override;

private:
    // The arrows' idea of the current value: the text, held to 0..kMaxFreeUpgradeDays.
    uint32_t clampedValue() const;
};

}  // namespace orv
