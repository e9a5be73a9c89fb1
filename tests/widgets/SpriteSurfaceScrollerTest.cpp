#include "widgets/SpriteSurfaceScroller.h"
#include "graphics/ColorPalette.h"
#include "sprites/SpriteSurface.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// A 200 x 100 surface over a 1000 x 1000 virtual area, and the editor's 57 x 57 scroller
// hooked into it, shown as its own window so that mouse input takes Qt's real path.
struct TScrollerFixture {
    std::vector<std::string> Log;
    TColorPalette Palette;
    std::unique_ptr<TSpriteSurface> Surface = std::make_unique<TSpriteSurface>();
    std::unique_ptr<TSpriteSurfaceScroller> Scroller = std::make_unique<TSpriteSurfaceScroller>();

    explicit TScrollerFixture(int Size = 57) {
        Palette.RecreateHandle(false);
        Surface->SetColorPalette(&Palette);
        Surface->SetBounds(0, 0, 200, 100);
        Surface->SetUseVirtualSize(true);
        Surface->SetVirtualWidth(1000);
        Surface->SetVirtualHeight(1000);
        Scroller->SetBounds(0, 0, Size, Size);
        Scroller->SetSpriteSurface(Surface.get());
        Scroller->OnScrollStart = [this](TObject*) { Log.push_back("start"); };
        Scroller->OnScrollEnd = [this](TObject*) { Log.push_back("end"); };
        Scroller->OnCenter = [this](TObject*) { Log.push_back("center"); };
        Scroller->AfterLoad();
        Scroller->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(Scroller.get()));
    }
    QWindow* Window() { return Scroller->windowHandle(); }
    // QTest takes (0, 0) for "the centre"; a corner press goes to the widget directly.
    void Mouse(QEvent::Type Type, Qt::MouseButton Button, QPoint At) {
        if (At.isNull()) {
            const Qt::MouseButtons held =
                Type == QEvent::MouseButtonRelease ? Qt::NoButton : Button;
            QMouseEvent event(Type, QPointF(At), Scroller->mapToGlobal(QPointF(At)), Button, held,
                              Qt::NoModifier);
            QApplication::sendEvent(Scroller.get(), &event);
        } else if (Type == QEvent::MouseButtonPress) {
            QTest::mousePress(Window(), Button, {}, At);
        } else {
            QTest::mouseRelease(Window(), Button, {}, At);
        }
    }
    void SetOffsets(int X, int Y) {
        Surface->SetOffsetX(X);
        Surface->SetOffsetY(Y);
    }
};

struct TStepCase {
    QPoint Press;
    QPoint MoveTo; // null: no move after the press
    int StepX;
    int StepY;
};

} // namespace

TEST(SpriteSurfaceScroller, EachFrameStepsTowardTheMouseUpToMaxScroll) {
    const TStepCase cases[] = {
        {{56, 28}, {}, 100, 0},        {{42, 28}, {}, 50, 0},  {{28, 28}, {}, 0, 0},
        {{0, 0}, {}, -100, -100},      {{28, 56}, {}, 0, 100}, {{14, 42}, {}, -50, 50},
        {{42, 28}, {200, 28}, 100, 0}, // dragged outside: limited to MaxScroll
    };
    for (const TStepCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "press " << c.Press.x() << "," << c.Press.y());
        TScrollerFixture f;
        f.SetOffsets(400, 400);
        f.Mouse(QEvent::MouseButtonPress, Qt::LeftButton, c.Press);
        if (!c.MoveTo.isNull())
            QTest::mouseMove(f.Window(), c.MoveTo);
        f.Surface->Render();
        EXPECT_EQ(f.Surface->OffsetX(), 400 + c.StepX);
        EXPECT_EQ(f.Surface->OffsetY(), 400 + c.StepY);
        f.Surface->Render();
        EXPECT_EQ(f.Surface->OffsetX(), 400 + 2 * c.StepX);
        f.Mouse(QEvent::MouseButtonRelease, Qt::LeftButton, c.MoveTo.isNull() ? c.Press : c.MoveTo);
        f.Surface->Render();
        EXPECT_EQ(f.Surface->OffsetX(), 400 + 2 * c.StepX) << "moved after the release";
        EXPECT_EQ(f.Log, (std::vector<std::string>{"start", "end"}));
    }
}

TEST(SpriteSurfaceScroller, OffsetsAreClampedToTheVirtualArea) {
    TScrollerFixture f;
    f.SetOffsets(150, 30);
    f.Mouse(QEvent::MouseButtonPress, Qt::RightButton, {0, 0});
    f.Surface->Render();
    EXPECT_EQ(f.Surface->OffsetX(), 50);
    EXPECT_EQ(f.Surface->OffsetY(), 0);
    f.Surface->Render();
    EXPECT_EQ(f.Surface->OffsetX(), 0);
    QTest::mouseMove(f.Window(), {56, 56});
    f.SetOffsets(750, 850);
    f.Surface->Render();
    EXPECT_EQ(f.Surface->OffsetX(), 800); // VirtualWidth - Width
    EXPECT_EQ(f.Surface->OffsetY(), 900);
    // A virtual area narrower than the surface ends at a negative offset.
    f.Surface->SetVirtualWidth(120);
    f.Surface->Render();
    EXPECT_EQ(f.Surface->OffsetX(), -80);
    QTest::mouseRelease(f.Window(), Qt::RightButton, {}, {56, 56});
}

TEST(SpriteSurfaceScroller, ScrollerWithoutCentreDoesNotStep) {
    TScrollerFixture f(1);
    f.SetOffsets(400, 400);
    f.Scroller->SetBounds(0, 0, 1, 57);
    QTest::mousePress(f.Window(), Qt::LeftButton, {}, {0, 56});
    f.Surface->Render();
    EXPECT_EQ(f.Surface->OffsetX(), 400);
    EXPECT_EQ(f.Surface->OffsetY(), 500);
    QTest::mouseRelease(f.Window(), Qt::LeftButton, {}, {0, 56});
}

struct TDblClickCase {
    QPoint At;
    int OffsetX;
    int OffsetY;
    bool Center;
};

TEST(SpriteSurfaceScroller, DoubleClickJumpsToEdgesOrReportsTheCentre) {
    const TDblClickCase cases[] = {
        {{50, 50}, 800, 900, false}, // bottom-right corner
        {{5, 5}, 0, 0, false},       {{28, 28}, 400, 400, true}, {{28, 5}, 400, 0, false},
        {{50, 28}, 800, 400, false}, {{43, 43}, 400, 400, true}, // 43 is not beyond 57 - 14
    };
    for (const TDblClickCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "at " << c.At.x() << "," << c.At.y());
        TScrollerFixture f;
        f.SetOffsets(400, 400);
        QTest::mouseDClick(f.Window(), Qt::LeftButton, {}, c.At);
        EXPECT_EQ(f.Surface->OffsetX(), c.OffsetX);
        EXPECT_EQ(f.Surface->OffsetY(), c.OffsetY);
        // The second press also starts scrolling, after the double click.
        const std::vector<std::string> expected =
            c.Center ? std::vector<std::string>{"start", "end", "center", "start", "end"}
                     : std::vector<std::string>{"start", "end", "start", "end"};
        EXPECT_EQ(f.Log, expected);
    }
}

TEST(SpriteSurfaceScroller, SecondPressOfDoubleClickScrollsWhileHeld) {
    TScrollerFixture f;
    f.SetOffsets(400, 400);
    int starts = 0;
    f.Scroller->OnScrollStart = [&](TObject*) {
        // A frame while the second press is held.
        if (++starts == 2)
            f.Surface->Render();
    };
    // (56, 20): the right edge region only; 20 is 8 above the centre row.
    QTest::mouseDClick(f.Window(), Qt::LeftButton, {}, {56, 20});
    EXPECT_EQ(starts, 2);
    EXPECT_EQ(f.Surface->OffsetX(), 800); // jumped to the right edge; its +100 step clamped
    EXPECT_EQ(f.Surface->OffsetY(), 400 - 28);
}

TEST(SpriteSurfaceScroller, PreviousBeforeRenderRunsFirstAndIsRestored) {
    auto f = std::make_unique<TScrollerFixture>();
    std::vector<int> seen;
    TSpriteSurface& surface = *f->Surface;
    // Replace the fixture's hook by a fresh scroller that finds a handler already there.
    f->Scroller.reset();
    EXPECT_FALSE(surface.BeforeRender) << "destruction restores the (empty) previous handler";
    surface.BeforeRender = [&](TObject* Sender) {
        EXPECT_EQ(Sender, &surface);
        seen.push_back(surface.OffsetX());
    };
    surface.SetOffsetX(400);
    auto scroller = std::make_unique<TSpriteSurfaceScroller>();
    scroller->SetBounds(0, 0, 57, 57);
    scroller->SetSpriteSurface(&surface);
    scroller->AfterLoad();
    scroller->AfterLoad(); // must not hook over its own hook
    scroller->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(scroller.get()));
    QTest::mousePress(scroller->windowHandle(), Qt::LeftButton, {}, {56, 28});
    surface.Render();
    surface.Render();
    EXPECT_EQ(seen, (std::vector<int>{400, 500}));
    EXPECT_EQ(surface.OffsetX(), 600);
    QTest::mouseRelease(scroller->windowHandle(), Qt::LeftButton, {}, {56, 28});
    // Another surface: the first gets its own handler back and is no longer panned.
    TSpriteSurface other;
    scroller->SetSpriteSurface(&other);
    seen.clear();
    surface.Render();
    EXPECT_EQ(seen, (std::vector<int>{600}));
    scroller.reset();
    surface.Render();
    EXPECT_EQ(seen.size(), 2u);
}

TEST(SpriteSurfaceScroller, SurfaceDestroyedFirstIsForgotten) {
    TScrollerFixture f;
    f.Surface.reset();
    EXPECT_EQ(f.Scroller->SpriteSurface(), nullptr);
    QTest::mouseDClick(f.Window(), Qt::LeftButton, {}, {50, 50});
    f.Scroller.reset(); // nothing left to unhook
}

TEST(SpriteSurfaceScroller, DesigningDoesNotHook) {
    TSpriteSurface surface;
    TSpriteSurfaceScroller scroller;
    scroller.SetDesigning(true);
    scroller.SetSpriteSurface(&surface);
    scroller.AfterLoad();
    EXPECT_FALSE(surface.BeforeRender);
}

TEST(SpriteSurfaceScroller, PaintsTheGlyphOrTheDrawnFace) {
    TSpriteSurfaceScroller scroller;
    scroller.SetBounds(0, 0, 57, 57);
    scroller.SetColor(clBlack);
    scroller.SetColorHighlight(clSilver);
    scroller.SetColorShadow(clGray);
    QImage face = scroller.grab().toImage();
    const QRgb silver = qRgb(192, 192, 192);
    const QRgb gray = qRgb(128, 128, 128);
    EXPECT_EQ(face.pixel(10, 0), silver);  // top edge
    EXPECT_EQ(face.pixel(56, 40), silver); // right edge
    EXPECT_EQ(face.pixel(10, 56), gray);   // bottom edge
    EXPECT_EQ(face.pixel(0, 10), gray);    // left edge
    EXPECT_EQ(face.pixel(10, 28), gray);   // horizontal axis
    EXPECT_EQ(face.pixel(28, 10), gray);   // vertical axis
    EXPECT_EQ(face.pixel(14, 14), silver); // upper-left diamond edge
    EXPECT_EQ(face.pixel(42, 42), gray);   // lower-right diamond edge
    EXPECT_EQ(face.pixel(5, 5), qRgb(0, 0, 0));

    // A 2 x 2 glyph stretched over the control: one colour per quadrant.
    TBitmap glyph;
    glyph.SetPalette({{0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}, {255, 255, 255, 0}});
    glyph.SetSize(2, 2);
    glyph.ScanLine(0)[0] = 0;
    glyph.ScanLine(0)[1] = 1;
    glyph.ScanLine(1)[0] = 2;
    glyph.ScanLine(1)[1] = 3;
    scroller.SetGlyph(glyph);
    glyph.ScanLine(0)[0] = 3; // the scroller holds its own copy
    ASSERT_EQ(scroller.Glyph().Width(), 2);
    QImage picture = scroller.grab().toImage();
    EXPECT_EQ(picture.pixel(5, 5), qRgb(255, 0, 0));
    EXPECT_EQ(picture.pixel(50, 5), qRgb(0, 255, 0));
    EXPECT_EQ(picture.pixel(5, 50), qRgb(0, 0, 255));
    EXPECT_EQ(picture.pixel(50, 50), qRgb(255, 255, 255));
}
