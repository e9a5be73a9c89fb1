#include "sprites/SpriteSurface.h"

#include "graphics/ColorPalette.h"
#include "platform/Application.h"
#include "platform/Clock.h"
#include "sprites/AnimateThread.h"
#include "sprites/Sprite.h"
#include "sprites/SpriteEngine.h"

#include <QPaintEvent>
#include <QPainter>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <cstring>
#include <latch>
#include <string>

namespace {

QColor ToQColor(TColor C) {
    return QColor(GetRValue(C), GetGValue(C), GetBValue(C));
}

// Rows First to End of an 8-bit picture to 32 bits through Table; raw rows, so that two
// threads can share the images without either touching their shared state. Shown holds the
// 8-bit rows as last converted: a row equal to it is already right in the 32-bit picture,
// and between frames of a still view most rows usually are. All converts every row without
// comparing, for a new picture, new colours or a view that has moved; while the view moves,
// rows are not kept (Keep false), and the first frame that stands still keeps them again.
struct TRowConversion {
    const uint8_t* From;
    qsizetype FromStride;
    uint8_t* Shown;
    bool All;
    bool Keep;
    uint8_t* To;
    qsizetype ToStride;
    int Width;
    const QRgb* Table;

    void operator()(int First, int End) const {
        for (int Y = First; Y < End; ++Y) {
            const uint8_t* Source = From + Y * FromStride;
            uint8_t* Kept = Shown + qsizetype(Y) * Width;
            if (!All && std::memcmp(Kept, Source, size_t(Width)) == 0)
                continue;
            auto* Target = reinterpret_cast<QRgb*>(To + Y * ToStride);
            if (!Keep) {
                for (int X = 0; X < Width; ++X)
                    Target[X] = Table[Source[X]];
                continue;
            }
            for (int X = 0; X < Width; ++X) {
                const uint8_t Index = Source[X];
                Kept[X] = Index;
                Target[X] = Table[Index];
            }
        }
    }
};

} // namespace

TSpriteSurface::TSpriteSurface(TComponent* AOwner, QWidget* Parent)
    : TCustomControl(AOwner, Parent), FAnimateThread(std::make_unique<TAnimateThread>(this)) {
    // Between frames the window keeps showing the last one, as a window that does not
    // erase its background does.
    setAttribute(Qt::WA_OpaquePaintEvent);
    SetBounds(Left(), Top(), 185, 41);
    FVirtualWidth = 185;
    FVirtualHeight = 41;
}

TSpriteSurface::~TSpriteSurface() {
    SetActive(false);
    // Before anything else goes: no frame may start from here on.
    FAnimateThread->Shutdown();
    FAnimateThread.reset();
    for (TSpriteEngine* engine : FEngines)
        engine->SurfaceGone();
    FEngines.clear();
    // The bars may outlive the surface: they must not call back into it.
    if (FScrollBarHorz)
        FScrollBarHorz->OnScroll = nullptr;
    if (FScrollBarVert)
        FScrollBarVert->OnScroll = nullptr;
    if (FBufferExists)
        FreeBuffer();
}

void TSpriteSurface::SetActive(bool Value) {
    if (Value == FActive)
        return;
    FActive = Value;
    if (!FAnimateThread)
        return;
    if (Value)
        FAnimateThread->Resume();
    else
        FAnimateThread->Suspend();
}

void TSpriteSurface::SetUseVirtualSize(bool Value) {
    FUseVirtualSize = Value;
    if (Value)
        return;
    FVirtualWidth = Width();
    FVirtualHeight = Height();
    FOffsetX = 0;
    FOffsetY = 0;
}

void TSpriteSurface::SetVirtualWidth(int32_t Value) {
    if (FUseVirtualSize)
        FVirtualWidth = Value;
    UpdateScrollBars();
}

void TSpriteSurface::SetVirtualHeight(int32_t Value) {
    if (FUseVirtualSize)
        FVirtualHeight = Value;
    UpdateScrollBars();
}

void TSpriteSurface::SetOffsetX(int32_t Value) {
    if (!FUseVirtualSize)
        return;
    FOffsetX = Value;
    if (FScrollBarHorz) {
        FUpdatingBars = true;
        FScrollBarHorz->SetPosition(Value);
        FUpdatingBars = false;
    }
    if (OnOffsetChange)
        OnOffsetChange(this);
}

void TSpriteSurface::SetOffsetY(int32_t Value) {
    if (!FUseVirtualSize)
        return;
    FOffsetY = Value;
    if (FScrollBarVert) {
        FUpdatingBars = true;
        FScrollBarVert->SetPosition(Value);
        FUpdatingBars = false;
    }
    if (OnOffsetChange)
        OnOffsetChange(this);
}

void TSpriteSurface::AttachBar(TScrollBar*& Field, TScrollBar* Value) {
    TScrollBar* old = Field;
    Field = Value;
    // The old bar no longer drives this surface.
    if (old && old != Value && old != FScrollBarHorz && old != FScrollBarVert)
        old->OnScroll = nullptr;
    if (!Value)
        return;
    FreeNotification(Value);
    if (!Designing())
        Value->OnScroll = [this](TObject* Sender, TScrollCode ScrollCode, int& ScrollPos) {
            ScrollBarScroll(Sender, ScrollCode, ScrollPos);
        };
}

void TSpriteSurface::SetScrollBarHorz(TScrollBar* Value) {
    AttachBar(FScrollBarHorz, Value);
}

void TSpriteSurface::SetScrollBarVert(TScrollBar* Value) {
    AttachBar(FScrollBarVert, Value);
}

void TSpriteSurface::ScrollBarScroll(TObject* Sender, TScrollCode, int& ScrollPos) {
    if (FUpdatingBars)
        return;
    // The scrolled bar's thumb has not moved yet: its new place is ScrollPos.
    if (FScrollBarHorz)
        SetOffsetX(Sender == static_cast<TComponent*>(FScrollBarHorz) ? ScrollPos
                                                                      : FScrollBarHorz->Position());
    if (FScrollBarVert)
        SetOffsetY(Sender == static_cast<TComponent*>(FScrollBarVert) ? ScrollPos
                                                                      : FScrollBarVert->Position());
}

void TSpriteSurface::SetColorPalette(TColorPalette* Value) {
    FColorPalette = Value;
    if (Value)
        FreeNotification(Value);
}

void TSpriteSurface::UpdateScrollBars() {
    if (FScrollBarHorz) {
        const bool enabled = Width() < FVirtualWidth;
        FScrollBarHorz->SetEnabled(enabled);
        if (enabled)
            FScrollBarHorz->SetMax(Saturated(int64_t(FVirtualWidth) - Width()));
    }
    if (FScrollBarVert) {
        const bool enabled = Height() < FVirtualHeight;
        FScrollBarVert->SetEnabled(enabled);
        if (enabled)
            FScrollBarVert->SetMax(Saturated(int64_t(FVirtualHeight) - Height()));
    }
}

void TSpriteSurface::ChangeBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    if (AWidth > 0)
        AWidth -= AWidth % 4;
    TCustomControl::ChangeBounds(ALeft, ATop, AWidth, AHeight);
    if (!FUseVirtualSize) {
        FVirtualWidth = Width();
        FVirtualHeight = Height();
    }
    UpdateScrollBars();
}

void TSpriteSurface::RemovalNotice(TComponent* AComponent, TOperation Operation) {
    TCustomControl::RemovalNotice(AComponent, Operation);
    if (Operation != TOperation::opRemove || !AComponent)
        return;
    if (AComponent == static_cast<TComponent*>(FScrollBarHorz))
        FScrollBarHorz = nullptr;
    if (AComponent == static_cast<TComponent*>(FScrollBarVert))
        FScrollBarVert = nullptr;
    if (AComponent == static_cast<TComponent*>(FColorPalette))
        FColorPalette = nullptr;
    FEngines.erase(std::remove_if(FEngines.begin(), FEngines.end(),
                                  [AComponent](TSpriteEngine* E) {
                                      return static_cast<TComponent*>(E) == AComponent;
                                  }),
                   FEngines.end());
}

void TSpriteSurface::AddEngine(TSpriteEngine* Engine) {
    FEngines.push_back(Engine);
    SortEngines();
}

void TSpriteSurface::RemoveEngine(TSpriteEngine* Engine) {
    auto at = std::find(FEngines.begin(), FEngines.end(), Engine);
    if (at != FEngines.end())
        FEngines.erase(at);
}

void TSpriteSurface::SortEngines() {
    std::sort(FEngines.begin(), FEngines.end(),
              [](TSpriteEngine* A, TSpriteEngine* B) { return A->Priority() > B->Priority(); });
}

void TSpriteSurface::Render() {
    if (!FColorPalette && FBitDepth == bd8) {
        SetActive(false);
        throw EVelmora("ColorPalette property must be assigned");
    }
    if (!FBufferExists)
        CreateBuffer();
    if (BeforeRender)
        BeforeRender(this);
    ++FFrameCount;
    // A negative size (bounds may be set so) is an empty buffer, never a negative one.
    const int32_t width = std::max(0, Width());
    const int32_t height = std::max(0, Height());
    if (FDIBCanvas.Width() != width || FDIBCanvas.Height() != height) {
        FreeBuffer();
        FDIBCanvas.SetBitDepth(FBitDepth);
        FDIBCanvas.SetWidth(width);
        FDIBCanvas.SetHeight(height);
        CreateBuffer();
    }
    if (FBitDepth == bd8)
        SelectAndRealizePalette();
    if (FAutoBlank)
        FDIBCanvas.Blank(FAutoBlankColorIndex);
    if (BeforeSpriteRender)
        BeforeSpriteRender(this, FBufferCanvas, FDIBCanvas);
    // All engines admit, move and remove before any draws. Indexes: a handler may change
    // the engine list.
    for (size_t i = 0; i < FEngines.size(); ++i)
        FEngines[i]->ProcessSprites();
    BeforeDrawSprites();
    for (size_t i = 0; i < FEngines.size(); ++i) {
        TSpriteEngine* engine = FEngines[i];
        engine->DrawSprites(FBufferCanvas, FDIBCanvas);
        engine->CheckCollisions();
    }
    if (AfterSpriteRender)
        AfterSpriteRender(this, FBufferCanvas, FDIBCanvas);
    if (FShowPerformance) {
        if (timeGetTime() > FNextSecondMark) {
            FNextSecondMark = timeGetTime() + 1000;
            FFramesPerSecond = FFrameCount;
            FFrameCount = 0;
        }
        FBufferCanvas.Brush().Color = clBlack;
        FBufferCanvas.Brush().Style = TBrushStyle::bsSolid;
        FBufferCanvas.Font() = Font();
        FBufferCanvas.TextOut(4, 4, std::to_string(FFramesPerSecond));
    }
    BitBlt();
    if (AfterRender)
        AfterRender(this);
    Application().ProcessMessages();
}

void TSpriteSurface::AnimationFrame() {
    try {
        Render();
    } catch (const std::exception& E) {
        // Any failed frame stops the animation before it is shown, so that an error that
        // would recur in every frame is reported once, not once every interval.
        SetActive(false);
        Application().HandleException(E);
    }
}

void TSpriteSurface::RecreateBuffer() {
    FreeBuffer();
    Render();
}

void TSpriteSurface::SelectAndRealizePalette() {
    HPALETTE handle = FColorPalette ? FColorPalette->Handle() : nullptr;
    SelectPalette(FMemoryDC, handle, false);
    RealizePalette(FMemoryDC);
    SelectPalette(FWindowDC, handle, false);
    RealizePalette(FWindowDC);
}

void TSpriteSurface::CreateBuffer() {
    if (FBitDepth == bd8 && !FColorPalette)
        throw EVelmora("ColorPalette property must be assigned");
    // The memory is laid out for the depth the DIB canvas draws in, which is what it will
    // write; the surface's BitDepth reaches the canvas only at a rebuild for a size change.
    const TBitDepth depth = FDIBCanvas.BitDepth();
    const int32_t width = std::max(0, FDIBCanvas.Width());
    const int32_t height = std::max(0, FDIBCanvas.Height());
    const size_t size = size_t(std::max(0, FDIBCanvas.BufferSize()));
    // Never a null pointer, even for a buffer without pixels.
    FSection.assign(std::max<size_t>(size, 4), 0);
    FMemoryDC = TDeviceContext{};
    FDIBCanvas.SetBits(FSection.data());

    std::array<TRGBQuad, 256> colors{};
    if (depth == bd8) {
        FColorTable.assign(256, qRgb(0, 0, 0));
        for (int i = 0; i < 256; ++i) {
            const uint32_t entry = FColorPalette ? FColorPalette->Entries(i) : 0;
            const uint8_t red = uint8_t(entry & 0xFF);
            const uint8_t green = uint8_t((entry >> 8) & 0xFF);
            const uint8_t blue = uint8_t((entry >> 16) & 0xFF);
            colors[size_t(i)] = TRGBQuad{blue, green, red, 0};
            FColorTable[size_t(i)] = qRgb(red, green, blue);
        }
    } else {
        FColorTable.clear();
    }

    if (width > 0 && height > 0) {
        switch (depth) {
        case bd8:
            FFrameImage = QImage(FSection.data(), width, height, width, QImage::Format_Indexed8);
            FFrameImage.setColorTable(QList<QRgb>(FColorTable.begin(), FColorTable.end()));
            break;
        case bd15:
            FFrameImage = QImage(FSection.data(), width, height, width * 2, QImage::Format_RGB555);
            break;
        case bd16:
            FFrameImage = QImage(FSection.data(), width, height, width * 2, QImage::Format_RGB16);
            break;
        }
    } else {
        FFrameImage = QImage();
    }

    if (FBitDepth == bd8)
        SelectAndRealizePalette();

    const TBufferFormat format = depth == bd8    ? TBufferFormat::bf8
                                 : depth == bd15 ? TBufferFormat::bf15
                                                 : TBufferFormat::bf16;
    FBufferCanvas.Bind(FSection.data(), width, height, depth == bd8 ? width : width * 2, format);
    FBufferCanvas.SetColorTable(colors.data(), depth == bd8 ? 256 : 0);
    FBufferExists = true;
}

void TSpriteSurface::FreeBuffer() {
    FBufferCanvas.Unbind();
    FFrameImage = QImage();
    FScreenImage = QImage();
    std::vector<uint8_t>().swap(FShownFrame);
    FShownKept = false;
    FDIBCanvas.SetBits(nullptr);
    std::vector<uint8_t>().swap(FSection);
    FMemoryDC = TDeviceContext{};
    FBufferExists = false;
}

void TSpriteSurface::BitBlt() {
    if (FFrameImage.isNull())
        return;
    FBlitting = true;
    repaint();
    FBlitting = false;
}

const QImage& TSpriteSurface::ScreenImage() {
    if (FFrameImage.format() != QImage::Format_Indexed8 || FColorTable.size() != 256)
        return FFrameImage;
    const int width = FFrameImage.width();
    const int height = FFrameImage.height();
    // Every row is converted when the picture is new or its colours changed.
    bool all = !FShownKept;
    if (FScreenImage.size() != FFrameImage.size()) {
        FScreenImage = QImage(FFrameImage.size(), QImage::Format_RGB32);
        all = true;
    }
    if (FShownTable != FColorTable) {
        FShownTable = FColorTable;
        all = true;
    }
    const bool moved = FShownOffset != QPoint(FOffsetX, FOffsetY);
    FShownOffset = QPoint(FOffsetX, FOffsetY);
    FShownKept = !moved;
    FShownFrame.resize(size_t(width) * size_t(height));
    const TRowConversion convert{FFrameImage.constBits(),
                                 FFrameImage.bytesPerLine(),
                                 FShownFrame.data(),
                                 all || moved,
                                 !moved,
                                 FScreenImage.bits(),
                                 FScreenImage.bytesPerLine(),
                                 width,
                                 FShownTable.data()};
    // A full view in two halves, one on a thread of the surface's own (a shared pool may
    // be busy with long work), roughly halves the conversion; a small one is not worth
    // the hand-over.
    if (int64_t(width) * height < 256 * 1024 || QThread::idealThreadCount() < 2) {
        convert(0, height);
        return FScreenImage;
    }
    if (!FConversionPool) {
        FConversionPool = std::make_unique<QThreadPool>();
        FConversionPool->setMaxThreadCount(1);
    }
    const int middle = height / 2;
    std::latch done(1);
    FConversionPool->start([&] {
        convert(middle, height);
        done.count_down();
    });
    convert(0, middle);
    done.wait();
    return FScreenImage;
}

void TSpriteSurface::paintEvent(QPaintEvent* Event) {
    if (!FBlitting) {
        TCustomControl::paintEvent(Event);
        return;
    }
    QPainter painter(this);
    painter.drawImage(0, 0, ScreenImage());
    // Qt may give the widget more than the accepted bounds.
    const QColor background = ToQColor(Color());
    if (width() > FFrameImage.width())
        painter.fillRect(FFrameImage.width(), 0, width() - FFrameImage.width(), height(),
                         background);
    if (height() > FFrameImage.height())
        painter.fillRect(0, FFrameImage.height(), FFrameImage.width(),
                         height() - FFrameImage.height(), background);
}

void TSpriteSurface::Paint() {
    if (FActive)
        return;
    TCanvas& canvas = Canvas();
    canvas.Brush().Color = clWhite;
    canvas.Brush().Style = TBrushStyle::bsSolid;
    canvas.FillRect(canvas.ClipRect());
    canvas.Pen().Color = clBlack;
    canvas.Pen().Style = TPenStyle::psSolid;
    canvas.Rectangle(0, 0, Width() - 1, Height() - 1);
}

void TSpriteSurface::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomControl::MouseDown(Button, Shift, X, Y);
    if (OnMouseDown)
        OnMouseDown(this, Button, Shift, VirtualX(X), VirtualY(Y));
}

void TSpriteSurface::MouseMove(TShiftState Shift, int X, int Y) {
    TCustomControl::MouseMove(Shift, X, Y);
    if (OnMouseMove)
        OnMouseMove(this, Shift, VirtualX(X), VirtualY(Y));
}

void TSpriteSurface::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    const TPoint p{VirtualX(X), VirtualY(Y)};
    TCustomControl::MouseUp(Button, Shift, X, Y);
    if (OnMouseUp)
        OnMouseUp(this, Button, Shift, p.X, p.Y);
    if (!OnSpriteClick)
        return;
    TRect bounds;
    for (size_t e = 0; e < FEngines.size(); ++e) {
        TSpriteEngine* engine = FEngines[e];
        if (!engine->ClickSprites())
            continue;
        for (int i = 0; i < engine->DrawnCount(); ++i) {
            TSprite* sprite = engine->DrawnSprite(i);
            if (!sprite->Visible())
                continue;
            sprite->ScreenBounds(bounds);
            // Back to virtual coordinates, in 64 bits: bounds may lie at the ends of the range.
            const int64_t left = int64_t(bounds.Left) + FOffsetX;
            const int64_t right = int64_t(bounds.Right) + FOffsetX;
            const int64_t top = int64_t(bounds.Top) + FOffsetY;
            const int64_t bottom = int64_t(bounds.Bottom) + FOffsetY;
            if (left <= p.X && p.X < right && top <= p.Y && p.Y < bottom) {
                OnSpriteClick(this, sprite);
                return;
            }
        }
    }
}
