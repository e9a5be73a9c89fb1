#include "platform/Controls.h"

#include "platform/Application.h"

#include <QMouseEvent>
#include <QMoveEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

#include <algorithm>

namespace {

TMouseButton ButtonOf(Qt::MouseButton Button) {
    switch (Button) {
    case Qt::RightButton:
        return TMouseButton::mbRight;
    case Qt::MiddleButton:
        return TMouseButton::mbMiddle;
    default:
        return TMouseButton::mbLeft;
    }
}

TShiftState ShiftOf(const QMouseEvent* Event) {
    TShiftState shift = 0;
    const Qt::KeyboardModifiers mods = Event->modifiers();
    if (mods & Qt::ShiftModifier)
        shift |= ssShift;
    if (mods & Qt::AltModifier)
        shift |= ssAlt;
    if (mods & Qt::ControlModifier)
        shift |= ssCtrl;
    const Qt::MouseButtons buttons = Event->buttons();
    if (buttons & Qt::LeftButton)
        shift |= ssLeft;
    if (buttons & Qt::RightButton)
        shift |= ssRight;
    if (buttons & Qt::MiddleButton)
        shift |= ssMiddle;
    return shift;
}

bool Handled(Qt::MouseButton Button) {
    return Button == Qt::LeftButton || Button == Qt::RightButton || Button == Qt::MiddleButton;
}

constexpr TColor clBtnHighlight = clWhite;
constexpr TColor clBtnShadow = RGBColor(128, 128, 128);

} // namespace

// ---- TCustomControl ----

TCustomControl::TCustomControl(TComponent* AOwner, QWidget* Parent)
    : QWidget(Parent), TComponent(AOwner) {
    // Windows reports every move over a control, not only while a button is held.
    setMouseTracking(true);
}

TCustomControl::~TCustomControl() = default;

void TCustomControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    ChangeBounds(ALeft, ATop, AWidth, AHeight);
}

void TCustomControl::SetColor(TColor Value) {
    if (Value == FColor)
        return;
    FColor = Value;
    update();
}

void TCustomControl::ChangeBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    const bool sizeChanged = AWidth != FWidth || AHeight != FHeight;
    FLeft = ALeft;
    FTop = ATop;
    FWidth = AWidth;
    FHeight = AHeight;
    // While the change comes from Qt the widget already has its geometry (possibly wider
    // than what a derived control accepted): only store it.
    const bool fromQt = FApplyingBounds;
    if (!fromQt) {
        FApplyingBounds = true;
        setGeometry(ALeft, ATop, std::max(0, AWidth), std::max(0, AHeight));
        FApplyingBounds = false;
    }
    if (sizeChanged) {
        // A resize handler may set new bounds; those must reach the widget.
        FApplyingBounds = false;
        Resize();
        FApplyingBounds = fromQt;
    }
}

void TCustomControl::Resize() {
    if (OnResize)
        OnResize(this);
}

void TCustomControl::Paint() {
    Canvas().Brush().Color = Color();
    Canvas().Brush().Style = TBrushStyle::bsSolid;
    Canvas().FillRect(Canvas().ClipRect());
}

void TCustomControl::MouseDown(TMouseButton, TShiftState, int, int) {}

void TCustomControl::MouseMove(TShiftState, int, int) {}

void TCustomControl::MouseUp(TMouseButton Button, TShiftState, int X, int Y) {
    if (Button == TMouseButton::mbLeft && rect().contains(X, Y))
        Click();
}

void TCustomControl::Click() {
    if (OnClick)
        OnClick(this);
}

void TCustomControl::DblClick() {
    if (OnDblClick)
        OnDblClick(this);
}

void TCustomControl::paintEvent(QPaintEvent* Event) {
    QPainter painter(this);
    const QRect r = Event->rect();
    FCanvas.Font() = FFont;
    FCanvas.Begin(&painter, {r.left(), r.top(), r.right() + 1, r.bottom() + 1});
    Application().Guarded([this] { Paint(); });
    FCanvas.End();
}

void TCustomControl::resizeEvent(QResizeEvent* Event) {
    QWidget::resizeEvent(Event);
    if (FApplyingBounds)
        return;
    const QRect g = geometry();
    FApplyingBounds = true;
    Application().Guarded([&] { ChangeBounds(g.x(), g.y(), g.width(), g.height()); });
    FApplyingBounds = false;
}

void TCustomControl::moveEvent(QMoveEvent* Event) {
    QWidget::moveEvent(Event);
    if (FApplyingBounds)
        return;
    const QRect g = geometry();
    if (g.x() == FLeft && g.y() == FTop)
        return;
    // Only the position is Qt's news here; the accepted size stays.
    FApplyingBounds = true;
    Application().Guarded([&] { ChangeBounds(g.x(), g.y(), FWidth, FHeight); });
    FApplyingBounds = false;
}

void TCustomControl::mousePressEvent(QMouseEvent* Event) {
    if (!Handled(Event->button()))
        return QWidget::mousePressEvent(Event);
    const QPoint p = Event->position().toPoint();
    const TMouseButton button = ButtonOf(Event->button());
    const TShiftState shift = ShiftOf(Event);
    Application().Guarded([&] { MouseDown(button, shift, p.x(), p.y()); });
}

void TCustomControl::mouseMoveEvent(QMouseEvent* Event) {
    const QPoint p = Event->position().toPoint();
    const TShiftState shift = ShiftOf(Event);
    Application().Guarded([&] { MouseMove(shift, p.x(), p.y()); });
}

void TCustomControl::mouseReleaseEvent(QMouseEvent* Event) {
    if (!Handled(Event->button()))
        return QWidget::mouseReleaseEvent(Event);
    const QPoint p = Event->position().toPoint();
    const TMouseButton button = ButtonOf(Event->button());
    const TShiftState shift = ShiftOf(Event);
    Application().Guarded([&] { MouseUp(button, shift, p.x(), p.y()); });
}

void TCustomControl::mouseDoubleClickEvent(QMouseEvent* Event) {
    if (!Handled(Event->button()))
        return QWidget::mouseDoubleClickEvent(Event);
    // Qt sends this in place of the second press: double click, then the press itself.
    const QPoint p = Event->position().toPoint();
    const TMouseButton button = ButtonOf(Event->button());
    const TShiftState shift = ShiftOf(Event) | ssDouble;
    Application().Guarded([&] {
        if (button == TMouseButton::mbLeft)
            DblClick();
        MouseDown(button, shift, p.x(), p.y());
    });
}

// ---- TPanel ----

TPanel::TPanel(TComponent* AOwner, QWidget* Parent) : TCustomControl(AOwner, Parent) {}

void TPanel::SetCaption(const std::string& Value) {
    if (Value == FCaption)
        return;
    FCaption = Value;
    update();
}

void TPanel::SetBevelOuter(TBevelCut Value) {
    if (Value == FBevelOuter)
        return;
    FBevelOuter = Value;
    update();
}

void TPanel::Paint() {
    TCanvas& canvas = Canvas();
    const int w = width();
    const int h = height();
    canvas.Brush().Color = Color();
    canvas.Brush().Style = TBrushStyle::bsSolid;
    canvas.FillRect({0, 0, w, h});
    if (FBevelOuter != TBevelCut::bvNone && w > 0 && h > 0) {
        const bool raised = FBevelOuter == TBevelCut::bvRaised;
        canvas.Pen().Width = 1;
        canvas.Pen().Style = TPenStyle::psSolid;
        // Light from the top left: the lit edges are top and left on a raised bevel.
        canvas.Pen().Color = raised ? clBtnHighlight : clBtnShadow;
        canvas.MoveTo(0, h - 1);
        canvas.LineTo(0, 0);
        canvas.LineTo(w, 0);
        canvas.Pen().Color = raised ? clBtnShadow : clBtnHighlight;
        canvas.MoveTo(w - 1, 1);
        canvas.LineTo(w - 1, h - 1);
        canvas.LineTo(-1, h - 1);
    }
    if (!FCaption.empty()) {
        canvas.Brush().Style = TBrushStyle::bsClear;
        const int tw = canvas.TextWidth(FCaption);
        const int th = canvas.TextHeight(FCaption);
        canvas.TextOut((w - tw) / 2, (h - th) / 2, FCaption);
    }
}

// ---- TScrollBar ----

TScrollBar::TScrollBar(Qt::Orientation Orientation, TComponent* AOwner, QWidget* Parent)
    : QScrollBar(Orientation, Parent), TComponent(AOwner) {
    connect(this, &QAbstractSlider::actionTriggered, this,
            [this](int Action) { ActionTriggered(Action); });
    connect(this, &QAbstractSlider::sliderReleased, this, [this] {
        if (!OnScroll || FSettingPosition)
            return;
        int pos = value();
        Application().Guarded([&] { OnScroll(this, TScrollCode::scPosition, pos); });
    });
}

void TScrollBar::SetPosition(int Value) {
    FSettingPosition = true;
    setValue(Value);
    FSettingPosition = false;
}

void TScrollBar::ActionTriggered(int Action) {
    if (!OnScroll || FSettingPosition)
        return;
    TScrollCode code;
    switch (Action) {
    case QAbstractSlider::SliderSingleStepAdd:
        code = TScrollCode::scLineDown;
        break;
    case QAbstractSlider::SliderSingleStepSub:
        code = TScrollCode::scLineUp;
        break;
    case QAbstractSlider::SliderPageStepAdd:
        code = TScrollCode::scPageDown;
        break;
    case QAbstractSlider::SliderPageStepSub:
        code = TScrollCode::scPageUp;
        break;
    case QAbstractSlider::SliderToMinimum:
        code = TScrollCode::scTop;
        break;
    case QAbstractSlider::SliderToMaximum:
        code = TScrollCode::scBottom;
        break;
    case QAbstractSlider::SliderMove:
        code = TScrollCode::scTrack;
        break;
    default:
        return;
    }
    // Qt has already moved the slider position for this action; the value follows it.
    int pos = sliderPosition();
    const int before = pos;
    Application().Guarded([&] { OnScroll(this, code, pos); });
    if (pos != before)
        setSliderPosition(pos);
}
