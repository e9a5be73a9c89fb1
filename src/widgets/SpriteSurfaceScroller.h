#pragma once

#include "platform/Bitmap.h"
#include "platform/Controls.h"

#include <cstdint>
#include <functional>

class TSpriteSurface;

// A joystick-like panel that pans a sprite surface: while a mouse button is held on it,
// every frame of the surface moves the offsets from the centre towards the mouse, faster
// the farther the mouse is, up to MaxScroll pixels per frame on each axis. A double click
// near an edge jumps the view to that edge of the virtual area.
//
// Building it: set the properties (SpriteSurface among them), then AfterLoad(), which puts
// ScrollStep in front of the surface's BeforeRender. Assigning SpriteSurface afterwards
// does not hook the new surface.
//
// Unhooking: when the scroller is destroyed or given another SpriteSurface, the old
// surface gets its previous BeforeRender back, provided the hook is still the one this
// scroller made (a handler installed over it since is left alone). A surface destroyed
// first is forgotten through free notification.
class TSpriteSurfaceScroller : public TPanel {
    Q_OBJECT
public:
    explicit TSpriteSurfaceScroller(TComponent* AOwner = nullptr, QWidget* Parent = nullptr);
    ~TSpriteSurfaceScroller() override;

    TColor ColorShadow() const { return FColorShadow; }
    void SetColorShadow(TColor Value) { FColorShadow = Value; }
    TColor ColorHighlight() const { return FColorHighlight; }
    void SetColorHighlight(TColor Value) { FColorHighlight = Value; }
    TSpriteSurface* SpriteSurface() const { return FSpriteSurface; }
    void SetSpriteSurface(TSpriteSurface* Value);
    int32_t MaxScroll() const { return FMaxScroll; }
    void SetMaxScroll(int32_t Value) { FMaxScroll = Value; }
    // Width 0: the drawn face is shown instead.
    const TBitmap& Glyph() const { return FGlyph; }
    // Copies the picture (size, format, palette, pixels).
    void SetGlyph(const TBitmap& Value);
    bool Scrolling() const { return FScrolling; }

    TNotifyEvent OnScrollStart;
    TNotifyEvent OnScrollEnd;
    TNotifyEvent OnCenter;

    void AfterLoad() override;
    void RemovalNotice(TComponent* AComponent, TOperation Operation) override;

    // The surface's BeforeRender while hooked: the previous handler first, then one step.
    // A scroller under 2 pixels wide or high has no centre to measure from and does not
    // step on that axis.
    void ScrollStep(TObject* Sender);

protected:
    void Paint() override;
    void DblClick() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    // Placed over another control, only the round face takes the mouse (and is drawn):
    // a click beside it reaches the control below.
    void resizeEvent(QResizeEvent* Event) override;

private:
    // The handler put on the surface; its type lets the scroller recognise its own hook.
    struct THook {
        TSpriteSurfaceScroller* Scroller;
        void operator()(TObject* Sender) const { Scroller->ScrollStep(Sender); }
    };
    bool HookedInto(const TSpriteSurface* Surface) const;
    void Unhook();

    TColor FColorShadow = 0;
    TColor FColorHighlight = 0;
    TSpriteSurface* FSpriteSurface = nullptr;
    int32_t FMaxScroll = 100;
    int32_t FLastMouseX = 0;
    int32_t FLastMouseY = 0;
    bool FScrolling = false;
    TNotifyEvent FOldBeforeRender;
    // The surface whose BeforeRender carries this scroller's hook, if any.
    TSpriteSurface* FHookedSurface = nullptr;
    TBitmap FGlyph;
};
