#include "editor/MapNavigator.h"

#include "graphics/ColorPalette.h"
#include "platform/Controls.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

// A 400 x 300 view onto a 2000 x 1500 map: offsets run to 1600 and 1200.
struct View {
    View() {
        Surface.SetColorPalette(&Palette);
        Surface.SetBounds(0, 0, 400, 300);
        Surface.SetVirtualWidth(2000);
        Surface.SetVirtualHeight(1500);
        Surface.OnOffsetChange = [this](TObject*) { ++Changes; };
    }
    void Wheel(QPoint Angle, Qt::KeyboardModifiers Modifiers = Qt::NoModifier) {
        QWheelEvent event(QPointF(10, 10), QPointF(10, 10), QPoint(), Angle, Qt::NoButton,
                          Modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&Surface, &event);
    }
    void Key(int Key, Qt::KeyboardModifiers Modifiers = Qt::NoModifier) {
        QKeyEvent event(QEvent::KeyPress, Key, Modifiers);
        QApplication::sendEvent(&Surface, &event);
    }
    TColorPalette Palette;
    TZoneSpriteSurface Surface;
    TMapNavigator Navigator{&Surface};
    int Changes = 0;
};

// A wheel turn (Key 0) or a key press.
struct Input {
    int Key;
    QPoint Angle;
    Qt::KeyboardModifiers Modifiers = Qt::NoModifier;
};
constexpr Qt::KeyboardModifiers Shift = Qt::ShiftModifier;
constexpr Qt::KeyboardModifiers Ctrl = Qt::ControlModifier;

TEST(NavigationTest, WheelAndKeysMoveTheViewByTheirStepAndStopAtTheEdges) {
    struct Case {
        const char* Name;
        int32_t FromX, FromY;
        Input In;
        int32_t ToX, ToY;
    } cases[] = {
        {"wheel down a notch", 0, 0, {0, {0, -120}}, 0, 120},
        {"wheel up a notch", 300, 300, {0, {0, 120}}, 300, 180},
        {"wheel up at the top", 300, 50, {0, {0, 120}}, 300, 0},
        {"wheel down at the bottom", 0, 1150, {0, {0, -120}}, 0, 1200},
        {"fine wheel", 0, 0, {0, {0, -30}}, 0, 30},
        {"shift wheel goes sideways", 0, 0, {0, {0, -120}, Shift}, 120, 0},
        {"tilted wheel goes sideways", 500, 0, {0, {120, 0}}, 380, 0},
        {"sideways at the right edge", 1550, 0, {0, {0, -120}, Shift}, 1600, 0},
        {"ctrl wheel is not a scroll", 0, 0, {0, {0, -120}, Ctrl}, 0, 0},
        {"down", 0, 0, {Qt::Key_Down, {}}, 0, 40},
        {"up at the top", 0, 20, {Qt::Key_Up, {}}, 0, 0},
        {"right", 0, 0, {Qt::Key_Right, {}}, 40, 0},
        {"page down", 0, 0, {Qt::Key_PageDown, {}}, 0, 260},
        {"page up", 0, 1200, {Qt::Key_PageUp, {}}, 0, 940},
        {"shift page down goes sideways", 0, 0, {Qt::Key_PageDown, {}, Shift}, 360, 0},
        {"home", 500, 500, {Qt::Key_Home, {}}, 0, 500},
        {"end", 500, 500, {Qt::Key_End, {}}, 1600, 500},
        {"ctrl home", 500, 500, {Qt::Key_Home, {}, Ctrl}, 0, 0},
        {"ctrl end", 500, 500, {Qt::Key_End, {}, Ctrl}, 1600, 1200},
        {"ctrl arrow is not a scroll", 0, 0, {Qt::Key_Down, {}, Ctrl}, 0, 0},
    };
    for (const Case& c : cases) {
        View v;
        v.Surface.SetOffsetX(c.FromX);
        v.Surface.SetOffsetY(c.FromY);
        v.Changes = 0;
        const int32_t frames = v.Surface.FrameCount();
        if (c.In.Key)
            v.Key(c.In.Key, c.In.Modifiers);
        else
            v.Wheel(c.In.Angle, c.In.Modifiers);
        EXPECT_EQ(v.Surface.OffsetX(), c.ToX) << c.Name;
        EXPECT_EQ(v.Surface.OffsetY(), c.ToY) << c.Name;
        const bool moved = c.ToX != c.FromX || c.ToY != c.FromY;
        // A step is drawn by a frame of its own, and only a step that moved.
        EXPECT_EQ(v.Surface.FrameCount() - frames, moved ? 1 : 0) << c.Name;
        EXPECT_EQ(v.Changes > 0, moved) << c.Name;
    }
}

TEST(NavigationTest, FineWheelStepsAddUpToWholeNotches) {
    View v;
    for (int i = 0; i < 8; ++i)
        v.Wheel({0, -15});
    EXPECT_EQ(v.Surface.OffsetY(), 120);
    v.Navigator.SetWheelStep(100);
    for (int i = 0; i < 6; ++i)
        v.Wheel({0, -20}); // 16.67 pixels each: nothing may be lost to rounding
    EXPECT_EQ(v.Surface.OffsetY(), 220);
}

TEST(NavigationTest, MapSmallerThanTheViewNeverScrollsToNegativeOffsets) {
    View v;
    v.Surface.SetVirtualWidth(300);
    v.Surface.SetVirtualHeight(100);
    v.Key(Qt::Key_End, Qt::ControlModifier);
    v.Wheel({0, -120});
    v.Wheel({-120, 0});
    EXPECT_EQ(v.Surface.OffsetX(), 0);
    EXPECT_EQ(v.Surface.OffsetY(), 0);
    EXPECT_EQ(v.Changes, 0);
    // An offset someone else left outside the range comes back on the next move.
    v.Surface.SetOffsetX(-50);
    v.Key(Qt::Key_Right);
    EXPECT_EQ(v.Surface.OffsetX(), 0);
}

TEST(NavigationTest, CenterOnPutsThePointInTheMiddleAsFarAsTheMapAllows) {
    struct Case {
        int32_t X, Y, OffsetX, OffsetY;
    } cases[] = {{1000, 750, 800, 600},
                 {0, 0, 0, 0},
                 {1999, 1499, 1600, 1200},
                 {INT32_MIN, INT32_MAX, 0, 1200}};
    View v;
    for (const Case& c : cases) {
        v.Navigator.CenterOn(c.X, c.Y);
        EXPECT_EQ(v.Surface.OffsetX(), c.OffsetX) << c.X;
        EXPECT_EQ(v.Surface.OffsetY(), c.OffsetY) << c.Y;
    }
}

TEST(NavigationTest, ScrollBarsAndOffsetsMoveTogetherAndBarMovesAreDrawnAtOnce) {
    View v;
    TScrollBar horz(Qt::Horizontal);
    TScrollBar vert(Qt::Vertical);
    v.Surface.SetOffsetY(100);
    v.Navigator.AttachScrollBars(&horz, &vert);
    EXPECT_EQ(horz.Max(), 1600);
    EXPECT_EQ(vert.Max(), 1200);
    EXPECT_EQ(vert.Position(), 100);
    EXPECT_EQ(horz.pageStep(), 360);
    EXPECT_EQ(vert.pageStep(), 260);
    EXPECT_EQ(vert.singleStep(), 40);

    // The user's bar actions move the view, each with a frame at once.
    struct Case {
        TScrollBar* Bar;
        QAbstractSlider::SliderAction Action;
        int32_t X, Y;
    } cases[] = {{&horz, QAbstractSlider::SliderSingleStepAdd, 40, 100},
                 {&horz, QAbstractSlider::SliderPageStepAdd, 400, 100},
                 {&vert, QAbstractSlider::SliderPageStepSub, 400, 0},
                 {&vert, QAbstractSlider::SliderToMaximum, 400, 1200},
                 {&horz, QAbstractSlider::SliderToMinimum, 0, 1200}};
    for (const Case& c : cases) {
        const int32_t frames = v.Surface.FrameCount();
        c.Bar->triggerAction(c.Action);
        EXPECT_EQ(v.Surface.OffsetX(), c.X) << c.Action;
        EXPECT_EQ(v.Surface.OffsetY(), c.Y) << c.Action;
        EXPECT_EQ(v.Surface.FrameCount() - frames, 1) << c.Action;
    }
    // A drag of the thumb.
    horz.setSliderDown(true);
    horz.setSliderPosition(700);
    horz.setSliderDown(false);
    EXPECT_EQ(v.Surface.OffsetX(), 700);

    // Keys and wheel move the thumbs.
    v.Key(Qt::Key_Home, Qt::ControlModifier);
    v.Wheel({0, -120});
    EXPECT_EQ(horz.Position(), 0);
    EXPECT_EQ(vert.Position(), 120);

    // The page steps follow the view's size (a hidden widget hears of its size when shown).
    v.Surface.show();
    v.Surface.SetBounds(0, 0, 200, 100);
    QApplication::processEvents();
    EXPECT_EQ(horz.pageStep(), 160);
    EXPECT_EQ(vert.pageStep(), 60);
}

TEST(NavigationTest, BarsOutlivingTheNavigatorGetTheSurfaceHandlerBack) {
    TColorPalette palette;
    TZoneSpriteSurface surface;
    surface.SetColorPalette(&palette);
    surface.SetBounds(0, 0, 400, 300);
    surface.SetVirtualWidth(2000);
    TScrollBar horz(Qt::Horizontal);
    {
        TMapNavigator navigator(&surface);
        navigator.AttachScrollBars(&horz, nullptr);
    }
    horz.triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(surface.OffsetX(), horz.singleStep());
}

} // namespace
