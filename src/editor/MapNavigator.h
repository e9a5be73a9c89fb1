#pragma once

#include "platform/Controls.h"

#include <QObject>
#include <QPointer>

#include <cstdint>
#include <functional>

class QWheelEvent;
class TSpriteSurface;

// Moves a sprite surface's view from the keyboard, the mouse wheel and its scroll bars,
// and shows every step at once with a frame of its own instead of waiting for the
// animation's next one.
//
// Wheel: WheelStep pixels per notch (120 eighths of a degree), proportional for finer
// wheels; Shift or a horizontal wheel scrolls sideways; Ctrl+wheel is left to others.
// Keys, while the surface has the focus: arrows a LineStep; Page Up/Down a page (the
// visible height less a LineStep), with Shift a page sideways; Home and End the left and
// right edges; Ctrl+Home the top-left corner, Ctrl+End the bottom-right one.
//
// Every move goes through the surface's offset setters (so OnOffsetChange fires and
// attached bars follow) and is clamped to 0 .. VirtualWidth - Width (0 when the map is
// narrower than the view), likewise vertically. Offsets that some other mover put beyond
// that range are left alone until the navigator moves that axis.
class TMapNavigator : public QObject {
    Q_OBJECT
public:
    static constexpr int32_t DefaultWheelStep = 120;
    static constexpr int32_t DefaultLineStep = 40;

    // Installs itself as an event filter of Surface and gives it the keyboard focus
    // policy. Surface may be destroyed first.
    explicit TMapNavigator(TSpriteSurface* Surface, QObject* Parent = nullptr);
    ~TMapNavigator() override;

    TSpriteSurface* Surface() const;

    int32_t WheelStep() const { return FWheelStep; }
    void SetWheelStep(int32_t Value) { FWheelStep = Value; }
    int32_t LineStep() const { return FLineStep; }
    void SetLineStep(int32_t Value);

    // The largest offsets the navigator moves to; never negative.
    int32_t MaxOffsetX() const;
    int32_t MaxOffsetY() const;
    // The distance of Page Up/Down (vertical) and of a page sideways; at least a LineStep.
    int32_t PageX() const;
    int32_t PageY() const;

    // Offsets (X, Y), clamped; only an axis that changes is set. A change is drawn at
    // once. Returns whether anything moved.
    bool ScrollTo(int64_t X, int64_t Y);
    bool ScrollBy(int64_t DX, int64_t DY);
    // Puts the map point (X, Y) at the centre of the view, as far as the clamping allows.
    void CenterOn(int32_t X, int32_t Y);

    // Attaches the bars to the surface (either may be none) and has each move of them
    // drawn at once; their line and page steps follow the view's size. Attach bars
    // through here: a bar attached to the surface directly moves the view only at the
    // next animation frame.
    void AttachScrollBars(TScrollBar* Horz, TScrollBar* Vert);
    // The bars' line and page steps for the current view size; also run on every resize.
    void UpdateBarSteps();

    // Asked for each frame instead of drawing it here, when assigned: the owner draws its
    // frames in one place.
    std::function<void()> OnRender;
    // Runs each step of the user's (a wheel turn, a key, a bar move, a click in the
    // overview), when assigned: the owner runs all user input through one wrapper.
    std::function<void(const std::function<void()>& Step)> OnInput;
    void RunInput(const std::function<void()>& Step);

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    bool Wheel(QWheelEvent* Event);
    bool Key(int Key, Qt::KeyboardModifiers Modifiers, bool Apply);
    bool MoveTo(int32_t X, int32_t Y);
    void WrapBar(TScrollBar* Bar, TScrollEvent& Previous);
    static void UnwrapBar(TScrollBar* Bar, TScrollEvent& Previous);
    void RenderNow();

    QPointer<TSpriteSurface> FSurface;
    // The surface as the object the filter sees, compared without a cast.
    QObject* FWatched = nullptr;
    QPointer<TScrollBar> FBarHorz;
    QPointer<TScrollBar> FBarVert;
    // The surface's own scroll handlers of the bars, called first by the wrappers.
    TScrollEvent FPreviousHorz;
    TScrollEvent FPreviousVert;
    int32_t FWheelStep = DefaultWheelStep;
    int32_t FLineStep = DefaultLineStep;
    // Wheel movement not yet a whole pixel, in pixels times 120.
    int64_t FWheelRestX = 0;
    int64_t FWheelRestY = 0;
    bool FRendering = false;
    bool FRenderAgain = false;
};
