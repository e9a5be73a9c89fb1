#include "editor/SpinEdit.h"

#include <QLineEdit>
#include <QRegularExpression>

#include <algorithm>
#include <limits>

TSpinEdit::TSpinEdit(QWidget* Parent) : QSpinBox(Parent) {
    setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    setValue(0);
    setAccelerated(true);
}

void TSpinEdit::SetLimits(int32_t AMinValue, int32_t AMaxValue) {
    FMinValue = AMinValue;
    FMaxValue = AMaxValue;
    SetValue(Value());
}

void TSpinEdit::SetIncrement(int32_t Value) {
    FIncrement = Value;
    setSingleStep(Value);
}

int32_t TSpinEdit::Limited(int64_t Value) const {
    if (HasLimits())
        Value = std::clamp<int64_t>(Value, FMinValue, FMaxValue);
    return int32_t(std::clamp<int64_t>(Value, std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max()));
}

int32_t TSpinEdit::Value() const {
    bool Ok = false;
    const qlonglong Typed = Text().trimmed().toLongLong(&Ok);
    return Limited(Ok ? Typed : FMinValue);
}

void TSpinEdit::SetValue(int32_t Value) {
    setValue(Limited(Value));
    lineEdit()->setText(QString::number(value()));
}

QValidator::State TSpinEdit::validate(QString& Input, int&) const {
    static const QRegularExpression Number(QStringLiteral("^\\s*-?\\d*\\s*$"));
    if (!Number.match(Input).hasMatch())
        return QValidator::Invalid;
    bool Ok = false;
    Input.trimmed().toLongLong(&Ok);
    return Ok ? QValidator::Acceptable : QValidator::Intermediate;
}

int TSpinEdit::valueFromText(const QString& Text) const {
    bool Ok = false;
    const qlonglong Typed = Text.trimmed().toLongLong(&Ok);
    // The spin box itself has no limits; only leaving the edit corrects the value.
    return int32_t(std::clamp<qlonglong>(Ok ? Typed : FMinValue, std::numeric_limits<int>::min(),
                                         std::numeric_limits<int>::max()));
}

void TSpinEdit::fixup(QString& Input) const {
    bool Ok = false;
    Input.trimmed().toLongLong(&Ok);
    if (!Ok)
        Input = QString::number(FMinValue);
}

void TSpinEdit::focusOutEvent(QFocusEvent* Event) {
    QSpinBox::focusOutEvent(Event);
    SetValue(Value());
}
