#include "editor/MapNavigator.h"
#include "editor/OverviewWindow.h"

#include "../zonemap/Fixtures.h"
#include "support/Scripted.h"

#include "graphics/ColorPalette.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <cstdint>

namespace {

QRgb PaletteRgb(const TColorPalette& Palette, int Index) {
    const uint32_t e = Palette.Entries(Index);
    return qRgb(int(e & 0xFF), int((e >> 8) & 0xFF), int((e >> 16) & 0xFF));
}

// A 400 x 300 view; the overview's map area is 400 x 300 as well, so one overview pixel
// is ten map pixels of a 4000 x 3000 map.
struct Overview {
    Overview() {
        Surface.SetColorPalette(&Palette);
        Surface.SetBounds(0, 0, 400, 300);
        Surface.SetVirtualWidth(4000);
        Surface.SetVirtualHeight(3000);
        Window.resize(400, 300);
    }
    TColorPalette Palette;
    TZoneSpriteSurface Surface;
    TMapNavigator Navigator{&Surface};
    TOverviewWindow Window{&Surface, &Navigator};
};

TEST(OverviewTest, ClickOrDragCentresTheViewOnThatPlace) {
    Overview o;
    ASSERT_EQ(o.Window.MapRect(), QRect(0, 0, 400, 300));
    struct Case {
        QPoint At;
        int32_t OffsetX, OffsetY;
    } cases[] = {{{200, 150}, 1800, 1350},
                 {{50, 40}, 300, 250},
                 {{1, 1}, 0, 0},
                 {{399, 299}, 3600, 2700},
                 {{-20, 500}, 0, 2700}};
    for (const Case& c : cases) {
        o.Surface.SetOffsetX(1234);
        o.Surface.SetOffsetY(1234);
        QTest::mouseClick(&o.Window, Qt::LeftButton, Qt::NoModifier, c.At);
        EXPECT_EQ(o.Surface.OffsetX(), c.OffsetX) << c.At.x();
        EXPECT_EQ(o.Surface.OffsetY(), c.OffsetY) << c.At.y();
    }
    // A drag follows the mouse.
    QTest::mousePress(&o.Window, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    QMouseEvent move(QEvent::MouseMove, QPointF(120, 110), QPointF(120, 110), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&o.Window, &move);
    EXPECT_EQ(o.Surface.OffsetX(), 1000);
    EXPECT_EQ(o.Surface.OffsetY(), 950);
}

TEST(OverviewTest, RectangleFollowsTheViewAndTheAspectIsKept) {
    Overview o;
    o.Navigator.ScrollTo(1000, 500);
    EXPECT_EQ(o.Window.ViewRect(), QRectF(100, 50, 40, 30));
    const QImage shown = o.Window.grab().toImage();
    EXPECT_EQ(shown.pixel(100, 70), qRgb(255, 255, 255));
    EXPECT_EQ(shown.pixel(139, 70), qRgb(255, 255, 255));
    EXPECT_NE(shown.pixel(120, 70), qRgb(255, 255, 255));
    // A tall window: the map keeps its shape, centred.
    o.Window.resize(200, 400);
    EXPECT_EQ(o.Window.MapRect(), QRect(0, 125, 200, 150));
    EXPECT_EQ(o.Window.ViewRect(), QRectF(50, 150, 20, 15));
    EXPECT_EQ(o.Window.MapPointAt(QPoint(100, 200)), QPoint(2000, 1500));
}

TEST(OverviewTest, PictureShowsTheElementsAndTheZonesAndFollowsEdits) {
    TempDir dir;
    Fixtures::WriteBitmap(dir.File("a.bmp"), 1000, 500, 50);
    Fixtures::WriteBitmap(dir.File("b.bmp"), 500, 500, 60);
    Overview o;
    o.Surface.SetBitmapDirectory(dir.Path());
    o.Surface.SetColorIndexLand(118);
    o.Surface.SetColorIndexSea(196);
    o.Surface.AddBitmap("a.bmp");
    o.Surface.AddBitmap("b.bmp");
    // The virtual area becomes 4000 x 3000: the far element sets it.
    o.Surface.AddElement("a.bmp", 1000, 1000);
    o.Surface.AddElement("b.bmp", 3500, 2500);
    ASSERT_EQ(o.Window.MapRect(), QRect(0, 0, 400, 300));
    const QRgb black = PaletteRgb(o.Palette, 0);
    const QRgb a = PaletteRgb(o.Palette, 50);
    const QRgb b = PaletteRgb(o.Palette, 60);
    const QRgb land = PaletteRgb(o.Palette, 118);
    const QRgb sea = PaletteRgb(o.Palette, 196);

    QImage image = o.Window.MapImage();
    ASSERT_EQ(image.size(), QSize(400, 300));
    EXPECT_EQ(image.pixel(150, 120), a);
    EXPECT_EQ(image.pixel(100, 100), a); // the element's first map pixel
    EXPECT_EQ(image.pixel(199, 149), a); // and its last
    EXPECT_EQ(image.pixel(200, 120), black);
    EXPECT_EQ(image.pixel(99, 120), black);
    EXPECT_EQ(image.pixel(380, 280), b);

    // A zone edit shows after MapChanged; so does an element moved under it.
    o.Surface.AddZone(new TZone(&o.Surface, "500,500,1500,500,1500,900,500,900,;L;0;"));
    o.Surface.AddZone(new TZone(&o.Surface, "2000,2000,3000,2000,3000,2800,;S;1;"));
    o.Surface.AddElement("b.bmp", 2500, 100);
    o.Window.MapChanged();
    image = o.Window.MapImage();
    EXPECT_EQ(image.pixel(50, 70), land);  // left side of the land zone
    EXPECT_EQ(image.pixel(100, 50), land); // its top
    EXPECT_EQ(image.pixel(250, 200), sea);
    EXPECT_EQ(image.pixel(75, 70), black); // inside is not filled
    EXPECT_EQ(image.pixel(270, 30), b);

    // A zone far outside the map costs nothing and draws nothing wrong.
    o.Surface.AddZone(new TZone(&o.Surface, "-2000000000,5,2000000000,5,0,2000000000,;Far;0;"));
    o.Window.MapChanged();
    image = o.Window.MapImage();
    EXPECT_EQ(image.pixel(200, 0), land);
    EXPECT_EQ(image.pixel(150, 120), a);
}

} // namespace
