#include "widgets/SpriteSurfaceScroller.h"

#include "sprites/SpriteSurface.h"

#include <QRegion>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

int32_t Saturated(int64_t Value) {
    return int32_t(std::clamp<int64_t>(Value, std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max()));
}

// MaxScroll x the distance in half-widths, truncated and limited to MaxScroll; the mouse
// may be far outside the control while the button is held. None without a centre.
int32_t AxisStep(int32_t MaxScroll, int32_t Mouse, int32_t Size) {
    const int32_t centre = Size / 2;
    if (centre <= 0)
        return 0;
    const double f = std::abs(double(Mouse) - double(centre)) / double(centre);
    double step = std::trunc(double(MaxScroll) * f);
    step = std::min(step, double(MaxScroll));
    // A negative MaxScroll has no upper bound above; keep the cast defined.
    step = std::max(step, double(std::numeric_limits<int32_t>::min()));
    const int32_t result = int32_t(step);
    return Mouse < centre ? Saturated(-int64_t(result)) : result;
}

} // namespace

TSpriteSurfaceScroller::TSpriteSurfaceScroller(TComponent* AOwner, QWidget* Parent)
    : TPanel(AOwner, Parent) {
    setCursor(Qt::CrossCursor);
}

TSpriteSurfaceScroller::~TSpriteSurfaceScroller() {
    Unhook();
}

void TSpriteSurfaceScroller::SetSpriteSurface(TSpriteSurface* Value) {
    if (Value == FSpriteSurface)
        return;
    if (FSpriteSurface) {
        Unhook();
        RemoveFreeNotification(FSpriteSurface);
    }
    FSpriteSurface = Value;
    if (Value)
        FreeNotification(Value);
}

void TSpriteSurfaceScroller::SetGlyph(const TBitmap& Value) {
    if (&Value == &FGlyph)
        return;
    FGlyph.SetSize(0, 0);
    FGlyph.SetPixelFormat(Value.PixelFormat());
    if (Value.PixelFormat() == TPixelFormat::pf8bit)
        FGlyph.SetPalette(std::vector<TRGBQuad>(Value.Palette().begin(),
                                                Value.Palette().begin() + Value.PaletteSize()));
    FGlyph.SetSize(Value.Width(), Value.Height());
    if (Value.HasPixels() && FGlyph.HasPixels())
        for (int32_t y = 0; y < Value.Height(); ++y)
            std::memcpy(FGlyph.ScanLine(y), Value.ScanLine(y), size_t(Value.Width()));
    update();
}

void TSpriteSurfaceScroller::AfterLoad() {
    TPanel::AfterLoad();
    // A second AfterLoad must not take the hook for the previous handler: ScrollStep would
    // then call itself without end.
    if (Designing() || !FSpriteSurface || HookedInto(FSpriteSurface))
        return;
    FOldBeforeRender = FSpriteSurface->BeforeRender;
    FSpriteSurface->BeforeRender = THook{this};
    FHookedSurface = FSpriteSurface;
}

void TSpriteSurfaceScroller::RemovalNotice(TComponent* AComponent, TOperation Operation) {
    TPanel::RemovalNotice(AComponent, Operation);
    if (Operation != TOperation::opRemove || !AComponent ||
        AComponent != static_cast<TComponent*>(FSpriteSurface))
        return;
    // The surface and its handlers are going away with it: nothing to restore.
    if (FHookedSurface == FSpriteSurface) {
        FHookedSurface = nullptr;
        FOldBeforeRender = nullptr;
    }
    FSpriteSurface = nullptr;
}

bool TSpriteSurfaceScroller::HookedInto(const TSpriteSurface* Surface) const {
    if (!Surface || Surface != FHookedSurface)
        return false;
    const THook* hook = Surface->BeforeRender.target<THook>();
    return hook && hook->Scroller == this;
}

void TSpriteSurfaceScroller::Unhook() {
    if (HookedInto(FHookedSurface))
        FHookedSurface->BeforeRender = std::move(FOldBeforeRender);
    FOldBeforeRender = nullptr;
    FHookedSurface = nullptr;
}

void TSpriteSurfaceScroller::ScrollStep(TObject* Sender) {
    if (FOldBeforeRender)
        FOldBeforeRender(Sender);
    if (!FScrolling || !FSpriteSurface)
        return;
    const int32_t stepX = AxisStep(FMaxScroll, FLastMouseX, Width());
    const int32_t stepY = AxisStep(FMaxScroll, FLastMouseY, Height());
    TSpriteSurface& s = *FSpriteSurface;
    s.SetOffsetX(Saturated(int64_t(s.OffsetX()) + stepX));
    s.SetOffsetY(Saturated(int64_t(s.OffsetY()) + stepY));
    if (s.OffsetX() < 0)
        s.SetOffsetX(0);
    const int32_t maxX = Saturated(int64_t(s.VirtualWidth()) - s.Width());
    if (s.OffsetX() > maxX)
        s.SetOffsetX(maxX);
    if (s.OffsetY() < 0)
        s.SetOffsetY(0);
    const int32_t maxY = Saturated(int64_t(s.VirtualHeight()) - s.Height());
    if (s.OffsetY() > maxY)
        s.SetOffsetY(maxY);
}

void TSpriteSurfaceScroller::DblClick() {
    TPanel::DblClick();
    if (!FSpriteSurface)
        return;
    TSpriteSurface& s = *FSpriteSurface;
    const int32_t qx = Width() / 4;
    const int32_t qy = Height() / 4;
    bool edge = false;
    if (FLastMouseX > Width() - qx) {
        s.SetOffsetX(Saturated(int64_t(s.VirtualWidth()) - s.Width()));
        edge = true;
    }
    if (FLastMouseX < qx) {
        s.SetOffsetX(0);
        edge = true;
    }
    if (FLastMouseY > Height() - qy) {
        s.SetOffsetY(Saturated(int64_t(s.VirtualHeight()) - s.Height()));
        edge = true;
    }
    if (FLastMouseY < qy) {
        s.SetOffsetY(0);
        edge = true;
    }
    if (!edge && OnCenter)
        OnCenter(this);
}

void TSpriteSurfaceScroller::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TPanel::MouseDown(Button, Shift, X, Y);
    FScrolling = true;
    FLastMouseX = X;
    FLastMouseY = Y;
    if (OnScrollStart)
        OnScrollStart(this);
}

void TSpriteSurfaceScroller::MouseMove(TShiftState Shift, int X, int Y) {
    TPanel::MouseMove(Shift, X, Y);
    FLastMouseX = X;
    FLastMouseY = Y;
}

void TSpriteSurfaceScroller::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TPanel::MouseUp(Button, Shift, X, Y);
    FScrolling = false;
    FLastMouseX = X;
    FLastMouseY = Y;
    if (OnScrollEnd)
        OnScrollEnd(this);
}

void TSpriteSurfaceScroller::Paint() {
    TCanvas& canvas = Canvas();
    const int32_t w = Width();
    const int32_t h = Height();
    if (FGlyph.Width() > 0) {
        canvas.StretchDraw({0, 0, w, h}, FGlyph);
        return;
    }
    TPanel::Paint();
    canvas.Brush().Color = Color();
    canvas.Brush().Style = TBrushStyle::bsSolid;
    canvas.FillRect({0, 0, w, h});
    const int32_t cx = w / 2;
    const int32_t cy = h / 2;
    canvas.Pen().Width = 1;
    canvas.Pen().Style = TPenStyle::psSolid;
    // The bevel: lit along the top and right, shaded along the bottom and left.
    canvas.MoveTo(0, 0);
    canvas.Pen().Color = FColorHighlight;
    canvas.LineTo(w - 1, 0);
    canvas.LineTo(w - 1, h - 1);
    canvas.Pen().Color = FColorShadow;
    canvas.LineTo(0, h - 1);
    canvas.LineTo(0, 0);
    // The diamond, its upper edges lit, then the horizontal axis.
    canvas.MoveTo(0, cy);
    canvas.Pen().Color = FColorHighlight;
    canvas.LineTo(cx, 0);
    canvas.LineTo(w - 1, cy);
    canvas.Pen().Color = FColorShadow;
    canvas.LineTo(cx, h - 1);
    canvas.LineTo(0, cy);
    canvas.LineTo(w - 1, cy);
    canvas.MoveTo(cx, 0);
    canvas.LineTo(cx, h - 1);
}

void TSpriteSurfaceScroller::resizeEvent(QResizeEvent* Event) {
    TPanel::resizeEvent(Event);
    if (parentWidget() && width() > 0 && height() > 0)
        setMask(QRegion(rect(), QRegion::Ellipse));
    else
        clearMask();
}
