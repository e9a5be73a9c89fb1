#include "editor/SpinEdit.h"

#include <QKeyEvent>
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
    // Whatever could be a number is accepted as typed; text that is not one reads as the
    // minimum, so the box never falls back to an earlier value behind the user's back.
    return Number.match(Input).hasMatch() ? QValidator::Acceptable : QValidator::Invalid;
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

void TSpinEdit::keyPressEvent(QKeyEvent* Event) {
    // Qt's spin box would put its last value back for text that is not a number; here such
    // text reads as the minimum, as when the dialog reads it.
    if (Event->key() == Qt::Key_Return || Event->key() == Qt::Key_Enter) {
        bool Ok = false;
        Text().trimmed().toLongLong(&Ok);
        if (!Ok)
            lineEdit()->setText(QString::number(FMinValue));
    }
    QSpinBox::keyPressEvent(Event);
}

void TSpinEdit::focusOutEvent(QFocusEvent* Event) {
    QSpinBox::focusOutEvent(Event);
    SetValue(Value());
}
