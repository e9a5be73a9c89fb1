#pragma once

#include <QLineEdit>
#include <QSpinBox>

#include <cstdint>

// A spin edit whose value is its text read as a whole number: text that is not one reads
// as MinValue. MinValue = MaxValue = 0 means no limits; otherwise a value outside them is
// corrected when the edit loses the focus (Value() limits it at any time). Any integer may
// be typed, also one beyond the limits, so that what the user typed is what is read.
class TSpinEdit : public QSpinBox {
    Q_OBJECT
public:
    explicit TSpinEdit(QWidget* Parent = nullptr);

    int32_t MinValue() const { return FMinValue; }
    int32_t MaxValue() const { return FMaxValue; }
    void SetLimits(int32_t AMinValue, int32_t AMaxValue);
    int32_t Increment() const { return FIncrement; }
    void SetIncrement(int32_t Value);

    int32_t Value() const;
    void SetValue(int32_t Value);
    // The text as typed.
    QString Text() const { return lineEdit()->text(); }
    QLineEdit* Edit() const { return lineEdit(); }

protected:
    QValidator::State validate(QString& Input, int& Pos) const override;
    int valueFromText(const QString& Text) const override;
    void fixup(QString& Input) const override;
    void keyPressEvent(QKeyEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;

private:
    bool HasLimits() const { return FMinValue != 0 || FMaxValue != 0; }
    int32_t Limited(int64_t Value) const;

    int32_t FMinValue = 0;
    int32_t FMaxValue = 0;
    int32_t FIncrement = 1;
};
