#pragma once

#include "graphics/DIBCanvas.h"
#include "platform/Canvas.h"
#include "platform/Controls.h"
#include "platform/LogPalette.h"
#include "sprites/SpriteEvents.h"

#include <QImage>
#include <QPoint>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

class QThreadPool;
class TAnimateThread;
class TColorPalette;
class TSpriteEngine;

// A window control that shows a frame-based sprite scene. It owns an off-screen frame
// buffer (viewed through DIBCanvas and drawn on through BufferCanvas), refers to a colour
// palette, shows a viewport (OffsetX, OffsetY) into a virtual area (VirtualWidth,
// VirtualHeight), drives an ordered list of sprite engines and owns the animation thread
// that paces the frames while Active.
//
// Everything here runs on the GUI thread; the animation thread only asks for frames.
// Width() is always a multiple of 4 (ChangeBounds rounds positive widths down); the
// widget's extra columns, if Qt gives it more, are painted in Color().
class TSpriteSurface : public TCustomControl {
    Q_OBJECT
public:
    explicit TSpriteSurface(TComponent* AOwner = nullptr, QWidget* Parent = nullptr);
    ~TSpriteSurface() override;

    // True: the animation thread produces a frame every AnimationInterval milliseconds.
    bool Active() const { return FActive; }
    void SetActive(bool Value);
    int32_t AnimationInterval() const { return FAnimationInterval.load(std::memory_order_relaxed); }
    void SetAnimationInterval(int32_t Value) {
        FAnimationInterval.store(Value, std::memory_order_relaxed);
    }
    // Draws the frames-per-second counter at (4, 4) of each frame.
    bool ShowPerformance() const { return FShowPerformance; }
    void SetShowPerformance(bool Value) { FShowPerformance = Value; }
    bool AutoBlank() const { return FAutoBlank; }
    void SetAutoBlank(bool Value) { FAutoBlank = Value; }
    uint16_t AutoBlankColorIndex() const { return FAutoBlankColorIndex; }
    void SetAutoBlankColorIndex(uint16_t Value) { FAutoBlankColorIndex = Value; }
    // Frames since the last latch of the counter (since creation at first).
    int32_t FrameCount() const { return FFrameCount; }
    // The last latched frame count, the number shown.
    int32_t FramesPerSecond() const { return FFramesPerSecond; }

    // Ordered by Priority, highest first; not owned.
    const std::vector<TSpriteEngine*>& Engines() const { return FEngines; }
    bool WrapHorizontal() const { return FWrapHorizontal; }
    void SetWrapHorizontal(bool Value) { FWrapHorizontal = Value; }
    bool WrapVertical() const { return FWrapVertical; }
    void SetWrapVertical(bool Value) { FWrapVertical = Value; }

    // False: the virtual area follows the control's size and the offsets stay 0.
    bool UseVirtualSize() const { return FUseVirtualSize; }
    void SetUseVirtualSize(bool Value);
    int32_t VirtualWidth() const { return FVirtualWidth; }
    // Stored only when UseVirtualSize; refreshes the scroll bars in every case.
    void SetVirtualWidth(int32_t Value);
    int32_t VirtualHeight() const { return FVirtualHeight; }
    void SetVirtualHeight(int32_t Value);
    // Ignored unless UseVirtualSize; otherwise stored unclamped, the bar's thumb moved and
    // OnOffsetChange called (also for an unchanged value). No redraw.
    int32_t OffsetX() const { return FOffsetX; }
    void SetOffsetX(int32_t Value);
    int32_t OffsetY() const { return FOffsetY; }
    void SetOffsetY(int32_t Value);
    // Saturating at the ends of the 32-bit range.
    int32_t VirtualX(int32_t X) const { return Saturated(int64_t(X) + FOffsetX); }
    int32_t VirtualY(int32_t Y) const { return Saturated(int64_t(Y) + FOffsetY); }

    // Optional bars that follow and drive the offsets. Not owned; a destroyed bar is
    // forgotten. Replacing a bar takes the surface's scroll handler off the old one.
    TScrollBar* ScrollBarHorz() const { return FScrollBarHorz; }
    void SetScrollBarHorz(TScrollBar* Value);
    TScrollBar* ScrollBarVert() const { return FScrollBarVert; }
    void SetScrollBarVert(TScrollBar* Value);

    // Required for bd8. Not owned; a destroyed palette is forgotten.
    TColorPalette* ColorPalette() const { return FColorPalette; }
    void SetColorPalette(TColorPalette* Value);
    // Reaches the buffer at its next rebuild for a size change.
    TBitDepth BitDepth() const { return FBitDepth; }
    void SetBitDepth(TBitDepth Value) { FBitDepth = Value; }

    TDIBCanvas& DIBCanvas() { return FDIBCanvas; }
    // The toolkit canvas over the frame buffer, handed to the TCanvasEvent handlers.
    TCanvas& BufferCanvas() { return FBufferCanvas; }
    bool BufferExists() const { return FBufferExists; }
    // The frame as the window receives it: the buffer's memory with the palette as
    // colour table (Indexed8, or RGB555 / RGB16). Null without a buffer.
    const QImage& FrameImage() const { return FFrameImage; }
    // What the window is given: an 8-bit frame converted to 32 bits through its colour
    // table (drawing an indexed image makes Qt convert it on every paint, several times
    // slower), any other frame as it is. Only rows that changed since the last call are
    // converted again.
    const QImage& ScreenImage();
    // The palette selections and realizations of the memory and window contexts.
    const TDeviceContext& MemoryDC() const { return FMemoryDC; }
    const TDeviceContext& WindowDC() const { return FWindowDC; }

    // One frame. EVelmora "ColorPalette property must be assigned" (after setting Active
    // false) when an 8-bit surface has no palette. Called by the animation thread through
    // the GUI thread and directly by owners.
    void Render();
    // Frees the buffer so that the next frame rebuilds it from the current palette, then
    // renders.
    void RecreateBuffer();
    // Called by engines when their SpriteSurface is assigned, left or destroyed.
    void AddEngine(TSpriteEngine* Engine);
    void RemoveEngine(TSpriteEngine* Engine);
    void SortEngines();
    void UpdateScrollBars();
    void CreateBuffer();
    void FreeBuffer();

    void RemovalNotice(TComponent* AComponent, TOperation Operation) override;

    TNotifyEvent BeforeRender;
    TNotifyEvent AfterRender;
    TCanvasEvent BeforeSpriteRender;
    TCanvasEvent AfterSpriteRender;
    TNotifyEvent OnOffsetChange;
    // X and Y in virtual coordinates.
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    // The first visible drawn sprite under a mouse release, searched engine by engine.
    TSpriteEvent OnSpriteClick;

protected:
    // Rounds a positive width down to a multiple of 4; then the virtual size follows the
    // control (unless UseVirtualSize) and the bars are refreshed.
    void ChangeBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    // Inactive: a white box with a black frame. Active: nothing (the frames come from the
    // animation).
    void Paint() override;
    // Installed as the OnScroll of the attached bars.
    virtual void ScrollBarScroll(TObject* Sender, TScrollCode ScrollCode, int& ScrollPos);
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

    void paintEvent(QPaintEvent* Event) override;
    // Called in each frame once every engine has admitted, moved and removed its sprites,
    // before the first one draws: what will be drawn is then known.
    virtual void BeforeDrawSprites() {}

private:
    friend class TAnimateThread;

    static int32_t Saturated(int64_t Value) {
        return int32_t(std::clamp<int64_t>(Value, std::numeric_limits<int32_t>::min(),
                                           std::numeric_limits<int32_t>::max()));
    }

    // A frame asked for by the animation thread. An error makes the surface inactive and
    // then goes to the application's default handler, so it is shown once.
    void AnimationFrame();
    void SelectAndRealizePalette();
    // The one transfer of the frame to the window.
    void BitBlt();
    void AttachBar(TScrollBar*& Field, TScrollBar* Value);

    bool FActive = false;
    std::atomic<int32_t> FAnimationInterval{0};
    bool FShowPerformance = false;
    std::unique_ptr<TAnimateThread> FAnimateThread;
    bool FAutoBlank = false;
    uint16_t FAutoBlankColorIndex = 0;
    uint32_t FNextSecondMark = 0;
    int32_t FFrameCount = 0;
    int32_t FFramesPerSecond = 0;
    std::vector<TSpriteEngine*> FEngines;
    bool FWrapHorizontal = false;
    bool FWrapVertical = false;
    bool FUseVirtualSize = false;
    int32_t FVirtualHeight = 0;
    int32_t FOffsetY = 0;
    int32_t FOffsetX = 0;
    int32_t FVirtualWidth = 0;
    TScrollBar* FScrollBarHorz = nullptr;
    TScrollBar* FScrollBarVert = nullptr;
    bool FUpdatingBars = false;
    TColorPalette* FColorPalette = nullptr;
    TDIBCanvas FDIBCanvas;
    TDeviceContext FMemoryDC;
    TDeviceContext FWindowDC;
    // The DIB section: the pixel memory the DIB canvas and the frame image point into.
    std::vector<uint8_t> FSection;
    QImage FFrameImage;
    TBufferCanvas FBufferCanvas;
    bool FBufferExists = false;
    TBitDepth FBitDepth = bd8;
    // The colour table the frame image was last given, to update it only on a change.
    std::vector<QRgb> FColorTable;
    QImage FScreenImage;
    // The 8-bit frame, colour table and offsets FScreenImage was last converted from.
    std::vector<uint8_t> FShownFrame;
    std::vector<QRgb> FShownTable;
    QPoint FShownOffset;
    // FShownFrame holds the frame FScreenImage shows.
    bool FShownKept = false;
    std::unique_ptr<QThreadPool> FConversionPool;
    bool FBlitting = false;
};
