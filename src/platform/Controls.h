#pragma once

#include "platform/Canvas.h"
#include "platform/Component.h"

#include <QScrollBar>
#include <QWidget>

#include <functional>
#include <string>

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

enum TShiftFlag : unsigned {
    ssShift = 1,
    ssAlt = 2,
    ssCtrl = 4,
    ssLeft = 8,
    ssRight = 16,
    ssMiddle = 32,
    ssDouble = 64
};
using TShiftState = unsigned; // a set of TShiftFlag bits

using TMouseEvent =
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;

// A window control: a QWidget that turns Qt's events into the operations the program's
// controls override (Paint, MouseDown, MouseMove, MouseUp, DblClick, ChangeBounds,
// Resize). Width() and Height() are the bounds the control accepted through
// ChangeBounds; a derived control may accept less than Qt gave it (the widget's extra
// pixels are then left to its Paint).
class TCustomControl : public QWidget, public TComponent {
    Q_OBJECT
public:
    explicit TCustomControl(TComponent* AOwner = nullptr, QWidget* Parent = nullptr);
    ~TCustomControl() override;

    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    void SetWidth(int Value) { SetBounds(FLeft, FTop, Value, FHeight); }
    void SetHeight(int Value) { SetBounds(FLeft, FTop, FWidth, Value); }

    TFont& Font() { return FFont; }
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);

    // Valid inside Paint.
    TCanvas& Canvas() { return FCanvas; }

    void Invalidate() { update(); }
    // Paints now, synchronously.
    void Repaint() { repaint(); }

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TNotifyEvent OnResize;

protected:
    // Applies new bounds; the base stores them and moves the widget. Overrides may change
    // the values first and then call the base.
    virtual void ChangeBounds(int ALeft, int ATop, int AWidth, int AHeight);
    // After the size changed (the size message): the base calls OnResize.
    virtual void Resize();
    // Paints the control with Canvas(); the base fills it with Color().
    virtual void Paint();
    // Client coordinates. The bases do no more than the platform's bookkeeping; MouseUp
    // of the left button inside the control calls Click.
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void Click();
    virtual void DblClick();

    void paintEvent(QPaintEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void moveEvent(QMoveEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    void mouseDoubleClickEvent(QMouseEvent* Event) override;

private:
    int FLeft = 0;
    int FTop = 0;
    int FWidth = 0;
    int FHeight = 0;
    bool FApplyingBounds = false;
    TFont FFont;
    TColor FColor = clBtnFace;
    TWidgetCanvas FCanvas;
};

enum class TBevelCut { bvNone, bvLowered, bvRaised };

// A panel: a control with an optional bevel and a centred caption.
class TPanel : public TCustomControl {
    Q_OBJECT
public:
    explicit TPanel(TComponent* AOwner = nullptr, QWidget* Parent = nullptr);

    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& Value);
    TBevelCut BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut Value);

protected:
    void Paint() override;

private:
    std::string FCaption;
    TBevelCut FBevelOuter = TBevelCut::bvRaised;
};

enum class TScrollCode {
    scLineUp,
    scLineDown,
    scPageUp,
    scPageDown,
    scPosition,
    scTrack,
    scTop,
    scBottom,
    scEndScroll
};

using TScrollEvent = std::function<void(TObject* Sender, TScrollCode ScrollCode, int& ScrollPos)>;

// A scroll bar component. OnScroll fires for the user's actions only, with the position
// scrolled to; SetPosition moves the thumb without firing it.
class TScrollBar : public QScrollBar, public TComponent {
    Q_OBJECT
public:
    explicit TScrollBar(Qt::Orientation Orientation, TComponent* AOwner = nullptr,
                        QWidget* Parent = nullptr);

    int Position() const { return value(); }
    void SetPosition(int Value);
    int Min() const { return minimum(); }
    int Max() const { return maximum(); }
    void SetMin(int Value) { setMinimum(Value); }
    void SetMax(int Value) { setMaximum(Value); }
    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool Value) { setEnabled(Value); }

    TScrollEvent OnScroll;

private:
    void ActionTriggered(int Action);
    bool FSettingPosition = false;
};
