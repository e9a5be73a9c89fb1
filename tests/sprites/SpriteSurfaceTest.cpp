#include "SpriteTestSupport.h"

#include "support/Scripted.h"

#include "graphics/CompressedBitmapSprite.h"
#include "platform/Bitmap.h"

#include "platform/Application.h"
#include "platform/Clock.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPixmap>
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

void SendMouse(QWidget& W, QEvent::Type Type, int X, int Y,
               Qt::MouseButton Button = Qt::LeftButton) {
    QMouseEvent event(Type, QPointF(X, Y), QPointF(X, Y), Button,
                      Type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Button),
                      Qt::NoModifier);
    QApplication::sendEvent(&W, &event);
}

TEST(SpriteSurfaceTest, NewSurfaceIsRoundedDownButKeepsTheRequestedVirtualSize) {
    TSpriteSurface s;
    EXPECT_EQ(s.Width(), 184);
    EXPECT_EQ(s.Height(), 41);
    EXPECT_EQ(s.VirtualWidth(), 185);
    EXPECT_EQ(s.VirtualHeight(), 41);
    EXPECT_FALSE(s.Active());
    EXPECT_EQ(s.BitDepth(), bd8);
    EXPECT_FALSE(s.BufferExists());
    EXPECT_EQ(s.AnimationInterval(), 0);
}

TEST(SpriteSurfaceTest, WidthIsRoundedDownToAMultipleOfFour) {
    struct Case {
        int In, Out;
    } cases[] = {{185, 184}, {3, 0}, {0, 0}, {4, 4}, {7, 4}, {1023, 1020}};
    TSpriteSurface s;
    for (const Case& c : cases) {
        s.SetBounds(0, 0, c.In, 30);
        EXPECT_EQ(s.Width(), c.Out) << c.In;
        EXPECT_EQ(s.VirtualWidth(), c.Out) << c.In;
        EXPECT_EQ(s.VirtualHeight(), 30);
    }
}

TEST(SpriteSurfaceTest, OffsetsAreIgnoredWithoutVirtualSize) {
    TSpriteSurface s;
    int changes = 0;
    s.OnOffsetChange = [&](TObject*) { ++changes; };
    s.SetOffsetX(10);
    s.SetOffsetY(10);
    s.SetVirtualWidth(1000);
    EXPECT_EQ(s.OffsetX(), 0);
    EXPECT_EQ(s.OffsetY(), 0);
    EXPECT_EQ(s.VirtualWidth(), 185);
    EXPECT_EQ(changes, 0);
    s.SetBounds(0, 0, 100, 60);
    EXPECT_EQ(s.VirtualWidth(), 100);
    EXPECT_EQ(s.VirtualHeight(), 60);
}

TEST(SpriteSurfaceTest, VirtualOffsetsTakeAnyValueAndAlwaysNotify) {
    TSpriteSurface s;
    s.SetUseVirtualSize(true);
    int changes = 0;
    s.OnOffsetChange = [&](TObject* Sender) {
        EXPECT_EQ(Sender, static_cast<TObject*>(&s));
        ++changes;
    };
    for (int v : {-50, 5000, 5000}) {
        s.SetOffsetX(v);
        EXPECT_EQ(s.OffsetX(), v);
    }
    s.SetOffsetY(-3);
    EXPECT_EQ(changes, 4);
    EXPECT_EQ(s.VirtualX(10), 5010);
    EXPECT_EQ(s.VirtualY(10), 7);

    s.SetBounds(0, 0, 40, 40); // the virtual area stays
    EXPECT_EQ(s.VirtualWidth(), 185);
    s.SetUseVirtualSize(false); // back to the control's size, offsets 0, no notice
    EXPECT_EQ(s.VirtualWidth(), 40);
    EXPECT_EQ(s.OffsetX(), 0);
    EXPECT_EQ(s.OffsetY(), 0);
    EXPECT_EQ(changes, 4);
}

TEST(SpriteSurfaceScrollBarTest, BarsFollowTheVirtualArea) {
    TSpriteSurface s;
    TScrollBar h(Qt::Horizontal);
    TScrollBar v(Qt::Vertical);
    s.SetUseVirtualSize(true);
    s.SetBounds(0, 0, 100, 50);
    s.SetScrollBarHorz(&h);
    s.SetScrollBarVert(&v);
    h.SetMax(77);
    s.SetVirtualWidth(100); // Width >= VirtualWidth: disabled, maximum as it was
    EXPECT_FALSE(h.Enabled());
    EXPECT_EQ(h.Max(), 77);
    s.SetVirtualWidth(350);
    s.SetVirtualHeight(80);
    EXPECT_TRUE(h.Enabled());
    EXPECT_EQ(h.Max(), 250);
    EXPECT_TRUE(v.Enabled());
    EXPECT_EQ(v.Max(), 30);
    s.SetBounds(0, 0, 400, 100); // resizing refreshes them too
    EXPECT_FALSE(h.Enabled());
    EXPECT_FALSE(v.Enabled());
}

TEST(SpriteSurfaceScrollBarTest, OffsetMovesTheThumbAndUserScrollingMovesTheOffset) {
    TSpriteSurface s;
    TScrollBar h(Qt::Horizontal);
    TScrollBar v(Qt::Vertical);
    s.SetScrollBarHorz(&h);
    s.SetScrollBarVert(&v);
    s.SetUseVirtualSize(true);
    s.SetBounds(0, 0, 100, 50);
    s.SetVirtualWidth(1000);
    s.SetVirtualHeight(500);
    h.setSingleStep(10);
    int changes = 0;
    s.OnOffsetChange = [&](TObject*) { ++changes; };

    s.SetOffsetX(120);
    EXPECT_EQ(h.Position(), 120);
    EXPECT_EQ(changes, 1);

    s.SetOffsetY(40);
    changes = 0;
    h.triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(s.OffsetX(), 130);
    EXPECT_EQ(s.OffsetY(), 40); // taken from the vertical bar as it stands
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(h.Position(), 130);
}

TEST(SpriteSurfaceScrollBarTest, ReplacedAndDestroyedBarsAreLetGo) {
    TSpriteSurface s;
    s.SetUseVirtualSize(true);
    s.SetVirtualWidth(1000);
    TScrollBar kept(Qt::Horizontal);
    {
        TScrollBar gone(Qt::Horizontal);
        s.SetScrollBarHorz(&gone);
        EXPECT_EQ(s.ScrollBarHorz(), &gone);
    }
    EXPECT_EQ(s.ScrollBarHorz(), nullptr);
    s.SetScrollBarHorz(&kept);
    EXPECT_TRUE(bool(kept.OnScroll));
    TScrollBar other(Qt::Horizontal);
    s.SetScrollBarHorz(&other);
    EXPECT_FALSE(bool(kept.OnScroll));
    s.SetOffsetX(300); // moves only the attached bar
    EXPECT_EQ(kept.Position(), 0);
}

TEST(SpriteSurfaceScrollBarTest, BarOutlivingTheSurfaceNoLongerCallsIt) {
    TScrollBar h(Qt::Horizontal);
    {
        TSpriteSurface s;
        s.SetScrollBarHorz(&h);
    }
    EXPECT_FALSE(bool(h.OnScroll));
    h.triggerAction(QAbstractSlider::SliderSingleStepAdd);
}

TEST(SpriteSurfaceRenderTest, FrameStepsComeInOrder) {
    TSurfaceFixture f(64, 32);
    std::vector<std::string> log;
    TSpriteEngine engine;
    engine.SetSpriteSurface(&f.Surface);
    engine.AddSprite(Probe("S", &log));
    engine.OnAddSprite = [&](TObject*, TSprite*) { log.push_back("add"); };
    f.Surface.BeforeRender = [&](TObject* Sender) {
        EXPECT_EQ(Sender, static_cast<TObject*>(&f.Surface));
        // The first frame's buffer is still 0 x 0 here; it is sized after this event.
        log.push_back("before " + std::to_string(f.Surface.DIBCanvas().Width()));
    };
    f.Surface.BeforeSpriteRender = [&](TObject*, TCanvas& C, TDIBCanvas& D) {
        EXPECT_EQ(&C, &f.Surface.BufferCanvas());
        EXPECT_EQ(&D, &f.Surface.DIBCanvas());
        log.push_back("beforeSprite " + std::to_string(D.Width()));
    };
    f.Surface.AfterSpriteRender = [&](TObject*, TCanvas&, TDIBCanvas&) {
        log.push_back("afterSprite");
    };
    f.Surface.AfterRender = [&](TObject*) { log.push_back("after"); };
    f.Surface.Render();
    EXPECT_EQ(log, (std::vector<std::string>{"before 0", "beforeSprite 64", "add", "move S",
                                             "draw S", "afterSprite", "after"}));
    EXPECT_EQ(f.Surface.FrameCount(), 1);
    EXPECT_TRUE(f.Surface.BufferExists());
    EXPECT_EQ(f.Surface.FrameImage().size(), QSize(64, 32));
    engine.Clear();
}

TEST(SpriteSurfaceRenderTest, MissingPaletteStopsTheFrameAndTheAnimation) {
    MessageCapture capture;
    TSpriteSurface s;
    bool before = false;
    s.BeforeRender = [&](TObject*) { before = true; };
    s.SetActive(true);
    try {
        s.Render();
        FAIL() << "no error";
    } catch (const EVelmora& E) {
        EXPECT_STREQ(E.what(), "ColorPalette property must be assigned");
    }
    EXPECT_FALSE(before);
    EXPECT_FALSE(s.Active());
    EXPECT_FALSE(s.BufferExists());
    // A frame the thread may have asked for meanwhile fails the same way, and is shown.
    const uint32_t end = timeGetTime() + 100;
    while (timeGetTime() < end)
        Application().ProcessMessages();
    EXPECT_LE(capture.Messages().size(), 1u);
}

TEST(SpriteSurfaceRenderTest, QueuedInputWaitsUntilTheFrameIsDone) {
    TSurfaceFixture f;
    std::vector<std::string> log;
    f.Surface.OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int32_t X, int32_t) {
        log.push_back("click " + std::to_string(X));
    };
    auto post = [&](int X) {
        QCoreApplication::postEvent(
            &f.Surface, new QMouseEvent(QEvent::MouseButtonPress, QPointF(X, 5), QPointF(X, 5),
                                        Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
    };
    post(3);
    QMetaObject::invokeMethod(
        &f.Surface, [&] { log.push_back("queued call"); }, Qt::QueuedConnection);
    post(7);
    f.Surface.Render();
    EXPECT_EQ(log, std::vector<std::string>{"queued call"});
    QCoreApplication::processEvents();
    EXPECT_EQ(log, (std::vector<std::string>{"queued call", "click 3", "click 7"}));
}

TEST(SpriteSurfaceRenderTest, PaletteIsSelectedAndRealizedInBothContexts) {
    TSurfaceFixture f;
    f.Surface.Render();
    for (const TDeviceContext* dc : {&f.Surface.MemoryDC(), &f.Surface.WindowDC()}) {
        EXPECT_EQ(dc->SelectedPalette, f.Palette.Handle());
        EXPECT_FALSE(dc->ForcedBackground);
        EXPECT_GE(dc->RealizeCount, 1);
    }
    const int before = f.Surface.WindowDC().RealizeCount;
    f.Surface.Render();
    EXPECT_EQ(f.Surface.WindowDC().RealizeCount, before + 1);
}

TEST(SpriteSurfaceRenderTest, BufferIsRebuiltWhenTheSizeChanges) {
    TSurfaceFixture f(64, 32);
    f.Surface.Render();
    const uint8_t* first = f.Surface.DIBCanvas().Bits();
    f.Surface.Render();
    EXPECT_EQ(f.Surface.DIBCanvas().Bits(), first); // same size: same buffer
    f.Surface.SetBounds(0, 0, 101, 50);
    f.Surface.SetAutoBlank(true);
    f.Surface.SetAutoBlankColorIndex(7);
    f.Surface.Render();
    const TDIBCanvas& d = f.Surface.DIBCanvas();
    EXPECT_EQ(d.Width(), 100);
    EXPECT_EQ(d.Height(), 50);
    EXPECT_EQ(d.BufferSize(), 5000);
    EXPECT_EQ(f.Surface.FrameImage().size(), QSize(100, 50));
    EXPECT_EQ(f.Surface.FrameImage().constBits(), d.Bits()); // the image wraps the buffer
    EXPECT_EQ(d.Bits()[0], 7);
    EXPECT_EQ(d.Bits()[4999], 7);
}

TEST(SpriteSurfaceRenderTest, EmptyAndNegativeSizesGiveAnEmptyBuffer) {
    TSurfaceFixture f;
    f.Surface.SetAutoBlank(true);
    TSpriteEngine engine;
    engine.SetSpriteSurface(&f.Surface);
    engine.AddSprite(Probe("s", nullptr));
    for (int w : {0, -8}) {
        f.Surface.SetBounds(0, 0, w, -5);
        f.Surface.Render();
        EXPECT_EQ(f.Surface.DIBCanvas().Width(), 0);
        EXPECT_EQ(f.Surface.DIBCanvas().BufferSize(), 0);
        EXPECT_TRUE(f.Surface.FrameImage().isNull());
    }
}

TEST(SpriteSurfaceRenderTest, FrameShowsThePaletteColoursAndRecreateBufferTakesNewOnes) {
    TSurfaceFixture f(16, 8);
    f.Surface.SetAutoBlank(true);
    f.Surface.SetAutoBlankColorIndex(100);
    f.Surface.Render();
    EXPECT_EQ(f.Surface.FrameImage().pixel(3, 3), qRgb(100, 100, 100));

    std::vector<std::string> lines = f.Palette.PaletteEntries();
    lines[100] = "10,20,30";
    f.Palette.SetPaletteEntries(lines);
    f.Surface.Render(); // the buffer keeps the colours it was built with
    EXPECT_EQ(f.Surface.FrameImage().pixel(3, 3), qRgb(100, 100, 100));
    f.Surface.RecreateBuffer();
    EXPECT_EQ(f.Surface.FrameImage().pixel(3, 3), qRgb(10, 20, 30));
    EXPECT_EQ(f.Surface.MemoryDC().SelectedPalette, f.Palette.Handle());
}

TEST(SpriteSurfaceRenderTest, ScreenImageShowsTheFrameInItsPaletteColours) {
    // The second size is converted in two halves on two threads.
    for (const QSize Size : {QSize(16, 8), QSize(640, 480)}) {
        SCOPED_TRACE(Size.width());
        TSurfaceFixture f(Size.width(), Size.height());
        std::vector<std::string> lines = f.Palette.PaletteEntries();
        for (int i = 0; i < 256; ++i)
            lines[size_t(i)] = std::to_string(i) + "," + std::to_string(255 - i) + "," +
                               std::to_string(i * 7 % 256);
        f.Palette.SetPaletteEntries(lines);
        for (int round = 0; round < 2; ++round) {
            f.Surface.RecreateBuffer();
            uint8_t* bits = f.Surface.DIBCanvas().Bits();
            for (int i = 0; i < Size.width() * Size.height(); ++i)
                bits[i] = uint8_t((i * 7 + i / Size.width() * 13 + round) % 256);
            const QImage& shown = f.Surface.ScreenImage();
            EXPECT_EQ(shown.format(), QImage::Format_RGB32);
            EXPECT_EQ(shown, f.Surface.FrameImage().convertToFormat(QImage::Format_RGB32));
            lines[1] = "9,9,9";
            f.Palette.SetPaletteEntries(lines);
        }
    }
}

// Rows are converted again only when they changed: a change anywhere in a row, in either
// half, a new colour table, and changes after the view has moved must reach the 32-bit
// picture.
TEST(SpriteSurfaceRenderTest, ScreenImageFollowsEveryChangedRow) {
    for (const QSize Size : {QSize(16, 8), QSize(640, 480)}) {
        SCOPED_TRACE(Size.width());
        TSurfaceFixture f(Size.width(), Size.height());
        f.Surface.Render();
        uint8_t* bits = f.Surface.DIBCanvas().Bits();
        for (int i = 0; i < Size.width() * Size.height(); ++i)
            bits[i] = uint8_t(i * 31 % 251);
        const auto Same = [&f] {
            return f.Surface.ScreenImage() ==
                   f.Surface.FrameImage().convertToFormat(QImage::Format_RGB32);
        };
        ASSERT_TRUE(Same());
        const int w = Size.width(), h = Size.height();
        for (const int at : {0, w - 1, (h / 2) * w, (h - 1) * w + w - 1, (h / 2 - 1) * w + 3}) {
            bits[at] = uint8_t(bits[at] + 77);
            EXPECT_TRUE(Same()) << at;
        }
        EXPECT_TRUE(Same());
        // The same pixels in new colours.
        std::vector<std::string> lines = f.Palette.PaletteEntries();
        lines[size_t(bits[0])] = "1,2,3";
        const std::vector<uint8_t> pixels(bits, bits + w * h);
        f.Palette.SetPaletteEntries(lines);
        f.Surface.CreateBuffer();
        std::copy(pixels.begin(), pixels.end(), f.Surface.DIBCanvas().Bits());
        EXPECT_TRUE(Same());
        // A moved view, then changes while it stands still again.
        f.Surface.SetUseVirtualSize(true);
        for (const int32_t x : {8, 8, 8}) {
            f.Surface.SetOffsetX(x);
            f.Surface.DIBCanvas().Bits()[(h - 1) * w] ^= 0x40;
            EXPECT_TRUE(Same());
        }
    }
}

TEST(SpriteSurfaceRenderTest, SixteenBitSurfacesNeedNoPalette) {
    struct Case {
        TBitDepth Depth;
        uint16_t Red;
        QImage::Format Format;
    } cases[] = {{bd15, 0x7C00, QImage::Format_RGB555}, {bd16, 0xF800, QImage::Format_RGB16}};
    for (const Case& c : cases) {
        TSpriteSurface s;
        s.SetBitDepth(c.Depth);
        s.SetBounds(0, 0, 20, 10);
        s.SetAutoBlank(true);
        s.SetAutoBlankColorIndex(c.Red);
        s.Render();
        EXPECT_EQ(s.DIBCanvas().BitDepth(), c.Depth);
        EXPECT_EQ(s.DIBCanvas().BufferSize(), 400);
        EXPECT_EQ(s.FrameImage().format(), c.Format);
        EXPECT_EQ(s.FrameImage().pixel(19, 9), qRgb(255, 0, 0));
        EXPECT_EQ(s.MemoryDC().RealizeCount, 0);
    }
}

TEST(SpriteSurfaceRenderTest, DepthChangeAfterTheFirstFrameWaitsForAResize) {
    TSurfaceFixture f(20, 10);
    f.Surface.Render();
    f.Surface.SetBitDepth(bd16);
    f.Surface.RecreateBuffer(); // same size: the canvas keeps drawing 8 bits
    EXPECT_EQ(f.Surface.DIBCanvas().BitDepth(), bd8);
    EXPECT_EQ(f.Surface.FrameImage().format(), QImage::Format_Indexed8);
    f.Surface.SetBounds(0, 0, 24, 10);
    f.Surface.Render();
    EXPECT_EQ(f.Surface.DIBCanvas().BitDepth(), bd16);
    EXPECT_EQ(f.Surface.FrameImage().format(), QImage::Format_RGB16);
}

TEST(SpriteSurfaceRenderTest, PerformanceCounterLatchesAndIsDrawn) {
    TSurfaceFixture f(64, 32);
    f.Surface.SetAutoBlank(true);
    f.Surface.SetAutoBlankColorIndex(100);
    f.Surface.Font().Color = clWhite;
    for (int i = 0; i < 3; ++i)
        f.Surface.Render();
    EXPECT_EQ(f.Surface.FrameCount(), 3);
    f.Surface.SetShowPerformance(true);
    f.Surface.Render();
    // The first latch counts every frame since creation.
    EXPECT_EQ(f.Surface.FramesPerSecond(), 4);
    EXPECT_EQ(f.Surface.FrameCount(), 0);
    f.Surface.Render(); // within the second: no latch
    EXPECT_EQ(f.Surface.FramesPerSecond(), 4);
    EXPECT_EQ(f.Surface.FrameCount(), 1);

    const TDIBCanvas& d = f.Surface.DIBCanvas();
    bool black = false;
    bool white = false;
    for (int y = 4; y < 20; ++y)
        for (int x = 4; x < 14; ++x) {
            black = black || d.GetPixel(x, y) == 0;
            white = white || d.GetPixel(x, y) == 255;
        }
    EXPECT_TRUE(black);
    EXPECT_TRUE(white);
    EXPECT_EQ(d.GetPixel(2, 2), 100); // outside the text cell
}

TEST(SpriteSurfacePaintTest, InactiveSurfaceShowsAWhiteBoxWithABlackFrame) {
    TSurfaceFixture f(40, 20);
    f.Surface.SetAutoBlank(true);
    f.Surface.SetAutoBlankColorIndex(249);
    f.Surface.Render();
    const QImage shot = f.Surface.grab().toImage();
    EXPECT_EQ(shot.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(38, 10), qRgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(10, 18), qRgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(10, 10), qRgb(255, 255, 255));
    EXPECT_EQ(shot.pixel(39, 19), qRgb(255, 255, 255));
}

// ---- mouse ----

struct ClickFixture : ::testing::Test {
    std::vector<std::string> Log;
    TSurfaceFixture F{100, 60};
    TSpriteEngine High;
    TSpriteEngine Low;
    std::vector<std::string> Clicks;
    ClickFixture() {
        High.SetPriority(2);
        Low.SetPriority(1);
        High.SetSpriteSurface(&F.Surface);
        Low.SetSpriteSurface(&F.Surface);
        F.Surface.OnSpriteClick = [this](TObject* Sender, TSprite* S) {
            EXPECT_EQ(Sender, static_cast<TObject*>(&F.Surface));
            Clicks.push_back(NameOf(S));
        };
    }
    TSprite* Put(TSpriteEngine& E, const std::string& Name, float X, float Y) {
        TSprite* s = E.AddSprite(Probe(Name, nullptr));
        s->SetX(X);
        s->SetY(Y);
        return s;
    }
    void Release(int X, int Y, Qt::MouseButton Button = Qt::LeftButton) {
        SendMouse(F.Surface, QEvent::MouseButtonRelease, X, Y, Button);
    }
};

TEST_F(ClickFixture, FirstVisibleDrawnSpriteInEngineOrderIsReported) {
    Put(Low, "low", 0, 0);
    Put(High, "under", 2, 2);
    Put(High, "over", 4, 4); // admitted later: ahead of "under" in the drawn list
    Put(High, "hidden", 5, 5)->SetVisible(false);
    F.Surface.Render();
    Release(5, 5);
    Release(1, 1);
    Release(50, 50);
    EXPECT_EQ(Clicks, (std::vector<std::string>{"over", "low"}));
}

TEST_F(ClickFixture, EnginesWithoutClickSpritesAreSkipped) {
    Put(High, "high", 0, 0);
    Put(Low, "low", 0, 0);
    F.Surface.Render();
    High.SetClickSprites(false);
    Release(3, 3, Qt::RightButton); // any button counts
    EXPECT_EQ(Clicks, (std::vector<std::string>{"low"}));
}

TEST_F(ClickFixture, BoundsRightAndBottomAreOutsideAndPendingSpritesAreNotSearched) {
    Put(High, "s", 10, 10); // bounds 10..19 inclusive
    Put(Low, "pending", 0, 0);
    F.Surface.Render();
    Put(Low, "late", 30, 30);
    Release(19, 12);
    Release(12, 19);
    Release(31, 31);
    EXPECT_TRUE(Clicks.empty());
    Release(18, 18);
    EXPECT_EQ(Clicks, (std::vector<std::string>{"s"}));
}

TEST_F(ClickFixture, MouseEventsAndClicksUseVirtualCoordinates) {
    F.Surface.SetUseVirtualSize(true);
    F.Surface.SetVirtualWidth(1000);
    F.Surface.SetOffsetX(200);
    F.Surface.SetOffsetY(50);
    Put(High, "far", 205, 55);
    F.Surface.Render();
    std::vector<std::string> events;
    F.Surface.OnMouseDown = [&](TObject*, TMouseButton B, TShiftState, int X, int Y) {
        events.push_back("down " + std::to_string(int(B)) + " " + std::to_string(X) + "," +
                         std::to_string(Y));
    };
    F.Surface.OnMouseMove = [&](TObject*, TShiftState, int X, int Y) {
        events.push_back("move " + std::to_string(X) + "," + std::to_string(Y));
    };
    F.Surface.OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int X, int Y) {
        events.push_back("up " + std::to_string(X) + "," + std::to_string(Y));
    };
    SendMouse(F.Surface, QEvent::MouseButtonPress, 7, 8);
    SendMouse(F.Surface, QEvent::MouseMove, 8, 9);
    Release(8, 9);
    EXPECT_EQ(events, (std::vector<std::string>{"down 0 207,58", "move 208,59", "up 208,59"}));
    EXPECT_EQ(Clicks, (std::vector<std::string>{"far"}));
}

TEST_F(ClickFixture, ExtremePositionsAndOffsetsStayInRange) {
    auto bm = std::make_unique<TBitmap>();
    bm->SetPixelFormat(TPixelFormat::pf8bit);
    bm->SetSize(64, 48);
    TCompressedBitmapSpriteFactory factory;
    factory.SetBitmap(bm.get());
    F.Surface.SetUseVirtualSize(true);
    F.Surface.SetVirtualWidth(INT32_MAX);
    TScrollBar bar(Qt::Horizontal);
    F.Surface.SetScrollBarHorz(&bar);
    F.Surface.SetBounds(0, 0, -8, 40);
    F.Surface.SetVirtualWidth(INT32_MAX); // maximum = VirtualWidth - Width, saturated
    EXPECT_EQ(bar.Max(), INT32_MAX);
    F.Surface.SetBounds(0, 0, 100, 60);
    const float ends[] = {2147483647.0f, -2147483648.0f, 2147483600.0f};
    for (float x : ends)
        for (float y : ends) {
            TSprite* s = High.AddSprite(factory.CreateSprite());
            s->SetX(x);
            s->SetY(y);
            EXPECT_GE(s->Width(), 1);
        }
    for (int32_t offset : {INT32_MIN, -1, 0, INT32_MAX}) {
        F.Surface.SetOffsetX(offset);
        F.Surface.SetOffsetY(offset);
        F.Surface.Render();
        Release(50, 30);
        SendMouse(F.Surface, QEvent::MouseMove, 50, 30);
    }
    EXPECT_EQ(F.Surface.VirtualX(10), INT32_MAX);
}

} // namespace
