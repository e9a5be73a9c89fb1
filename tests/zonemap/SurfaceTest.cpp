#include "Fixtures.h"
#include "platform/Exception.h"
#include "support/Scripted.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using Fixtures::SurfaceWithPalette;
using Fixtures::WriteBitmap;

class ClickSurface : public TZoneSpriteSurface {
public:
    using TZoneSpriteSurface::MouseDown;
};

TZone* Add(TZoneSpriteSurface& Surface, const std::string& Text) {
    TZone* Z = new TZone(&Surface, Text);
    Surface.AddZone(Z);
    return Z;
}

TEST(ZoneSurface, StartsWithTwoEnginesAndEmptyLists) {
    TZoneSpriteSurface Surface;
    EXPECT_EQ(Surface.BackgroundEngine().Priority(), 101);
    EXPECT_EQ(Surface.ZoneEngine().Priority(), 100);
    ASSERT_EQ(Surface.Engines().size(), 2u);
    EXPECT_EQ(Surface.Engines()[0], &Surface.BackgroundEngine());
    EXPECT_TRUE(Surface.ShowBackground());
    EXPECT_TRUE(Surface.ShowZones());
    EXPECT_TRUE(Surface.UseVirtualSize());
    EXPECT_EQ(Surface.ColorIndexLand(), 0);
    EXPECT_EQ(Surface.GridWidth(), 0);
    EXPECT_EQ(Surface.MapSetFile(), "");
    Surface.SetShowZones(false);
    Surface.SetShowBackground(false);
    EXPECT_FALSE(Surface.ZoneEngine().Visible());
    EXPECT_FALSE(Surface.BackgroundEngine().Visible());
}

class BackgroundTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteBitmap(Dir.File("a.bmp"), 32, 16, 20);
        WriteBitmap(Dir.File("b.bmp"), 8, 8, 30);
        S.Surface.SetBitmapDirectory(Dir.Path());
    }
    std::vector<std::string> ElementNames() const {
        std::vector<std::string> Names;
        for (const TElementEntry& E : S.Surface.ElementNames())
            Names.push_back(E.Name);
        return Names;
    }
    TempDir Dir;
    SurfaceWithPalette S;
};

TEST_F(BackgroundTest, AddBitmapMergesItsColoursAndListsItUnderItsName) {
    S.Surface.AddBitmap("a.bmp");
    S.Surface.AddBitmap(Dir.File("b.bmp")); // absolute names are used as they are
    ASSERT_EQ(S.Surface.Bitmaps().size(), 2u);
    EXPECT_EQ(S.Surface.Bitmaps()[0].Name, "a.bmp");
    EXPECT_EQ(S.Surface.Bitmaps()[0].Factory->Width(), 32);
    EXPECT_EQ(S.Surface.Bitmaps()[1].Name, Dir.File("b.bmp"));
    EXPECT_EQ(S.Palette.Entries(20) & 0xFFFFFF, RGBColor(20, 235, 10));
    EXPECT_EQ(S.Surface.BitmapIndex("A.BMP"), 0);
    EXPECT_EQ(S.Surface.BitmapIndex("c.bmp"), -1);
    EXPECT_TRUE(S.Surface.BufferExists());
}

TEST_F(BackgroundTest, AddBitmapOfAMissingFileAddsNothing) {
    try {
        S.Surface.AddBitmap("missing.bmp");
        FAIL() << "no error";
    } catch (const EFOpenError& E) {
        EXPECT_EQ(E.Message(), "Cannot open file " + Dir.File("missing.bmp"));
    }
    EXPECT_TRUE(S.Surface.Bitmaps().empty());
}

TEST_F(BackgroundTest, ElementsSetTheVirtualSizeToTheirExtent) {
    S.Surface.AddBitmap("a.bmp");
    S.Surface.AddBitmap("b.bmp");
    S.Surface.AddElement("A.BMP", 0, 0);
    S.Surface.AddElement("b.bmp", 100, 50);
    S.Surface.AddElement("a.bmp", 40, 10);
    EXPECT_EQ(ElementNames(), (std::vector<std::string>{"A.BMP", "b.bmp", "a.bmp"}));
    EXPECT_EQ(S.Surface.VirtualWidth(), 108);
    EXPECT_EQ(S.Surface.VirtualHeight(), 58);
    EXPECT_EQ(S.Surface.Element(1)->Position(), (TPoint{100, 50}));
    EXPECT_EQ(S.Surface.Element(1)->Factory(), S.Surface.Bitmaps()[1].Factory.get());

    S.Surface.AddElement("c.bmp", 500, 500);
    EXPECT_EQ(S.Surface.ElementCount(), 3);
    EXPECT_EQ(S.Surface.VirtualWidth(), 108);

    S.Surface.RemoveElement(1);
    EXPECT_EQ(S.Surface.VirtualWidth(), 72);
    EXPECT_EQ(S.Surface.VirtualHeight(), 26);
    S.Surface.RemoveElement(1);
    S.Surface.RemoveElement(0);
    EXPECT_EQ(S.Surface.VirtualWidth(), 0);
    EXPECT_EQ(S.Surface.VirtualHeight(), 0);
    EXPECT_THROW(S.Surface.RemoveElement(0), EListError);
    EXPECT_THROW(S.Surface.Element(0), EListError);

    S.Surface.Render(); // frees the removed sprites
    EXPECT_EQ(S.Surface.BackgroundEngine().SpriteCount(), 0);
}

TEST_F(BackgroundTest, RemoveBitmapTakesItsElementsAndKeepsTheOthersInOrder) {
    S.Surface.AddBitmap("a.bmp");
    S.Surface.AddBitmap("b.bmp");
    S.Surface.AddElement("a.bmp", 0, 0);
    S.Surface.AddElement("b.bmp", 100, 50);
    S.Surface.AddElement("a.bmp", 40, 10);
    S.Surface.AddElement("b.bmp", 8, 8);
    S.Surface.Render();
    TCompressedBitmapSprite* Second = S.Surface.Element(2);

    S.Surface.RemoveBitmap("B.BMP");
    EXPECT_EQ(ElementNames(), (std::vector<std::string>{"a.bmp", "a.bmp"}));
    EXPECT_EQ(S.Surface.Element(1), Second);
    ASSERT_EQ(S.Surface.Bitmaps().size(), 1u);
    EXPECT_EQ(S.Surface.Bitmaps()[0].Name, "a.bmp");
    EXPECT_EQ(S.Surface.VirtualWidth(), 108); // stays until the next update
    S.Surface.RemoveBitmap("none.bmp");
    S.Surface.Render();
    EXPECT_EQ(S.Surface.BackgroundEngine().SpriteCount(), 2);
}

TEST_F(BackgroundTest, ElementsAreDrawnBeneathTheZones) {
    S.Surface.AddBitmap("a.bmp");
    S.Surface.AddElement("a.bmp", 0, 0);
    S.Surface.SetColorIndexSea(77);
    Add(S.Surface, "0,0,20,0,20,12,0,12;S;1;");
    S.Surface.Render();
    EXPECT_EQ(S.Surface.DIBCanvas().GetPixel(10, 2), 77);  // outline inset by 2
    EXPECT_EQ(S.Surface.DIBCanvas().GetPixel(10, 5), 20);  // background inside
    EXPECT_EQ(S.Surface.DIBCanvas().GetPixel(30, 14), 20); // background outside

    S.Surface.SetShowBackground(false);
    S.Surface.SetAutoBlank(true);
    S.Surface.Render();
    EXPECT_EQ(S.Surface.DIBCanvas().GetPixel(30, 14), 0);
    EXPECT_EQ(S.Surface.DIBCanvas().GetPixel(10, 2), 77);
}

TEST_F(BackgroundTest, WhatNoElementCoversIsBlankedInEveryFrame) {
    TDIBCanvas& Frame = S.Surface.DIBCanvas();
    // Pixels of the rectangle (right and bottom outside) that are not Index.
    const auto Others = [&](const TRect& R, uint16_t Index) {
        int N = 0;
        for (int Y = R.Top; Y < R.Bottom; ++Y)
            for (int X = R.Left; X < R.Right; ++X)
                N += Frame.GetPixel(X, Y) != Index;
        return N;
    };
    S.Surface.AddBitmap("a.bmp"); // 32 x 16
    S.Surface.AddElement("a.bmp", 0, 0);
    S.Surface.AddElement("a.bmp", 32, 0);
    S.Surface.Render();
    Frame.Blank(99); // what an earlier frame left
    S.Surface.Render();
    EXPECT_EQ(Others({0, 0, 64, 16}, 20), 0);
    EXPECT_EQ(Others({0, 16, 64, 48}, 0), 0); // the map is smaller than the view

    S.Surface.RemoveElement(1);
    S.Surface.Render();
    EXPECT_EQ(Others({0, 0, 32, 16}, 20), 0);
    EXPECT_EQ(Others({32, 0, 64, 48}, 0), 0);

    S.Surface.SetOffsetX(16); // past the map's right edge
    S.Surface.SetOffsetY(-8);
    S.Surface.Render();
    EXPECT_EQ(Others({0, 8, 16, 24}, 20), 0);
    EXPECT_EQ(Others({16, 0, 64, 48}, 0) + Others({0, 0, 16, 8}, 0), 0);

    Fixtures::WriteFile(Dir.File("bad.mapset"), "Element=none.bmp:0,0\r\n");
    EXPECT_THROW(S.Surface.SetMapSetFile(Dir.File("bad.mapset")), Exception);
    S.Surface.Render();
    EXPECT_EQ(Others({0, 0, 64, 48}, 0), 0); // nothing of the old map stays
}

TEST(ZoneSprite, OutlinePointsMoveTwoPixelsTowardsTheCentre) {
    TZoneSpriteSurface Surface;
    TZone* Z = Add(Surface, "10,10,30,10,20,30");
    ASSERT_EQ(Z->Center(), (TPoint{20, 20}));
    ASSERT_NE(Z->Sprite(), nullptr);
    EXPECT_EQ(Z->Sprite()->Zone(), Z);
    EXPECT_EQ(Z->Sprite()->OutlinePoint(0), (TPoint{12, 12}));
    EXPECT_EQ(Z->Sprite()->OutlinePoint(1), (TPoint{28, 12}));
    EXPECT_EQ(Z->Sprite()->OutlinePoint(2), (TPoint{18, 28}));
    TRect Bounds;
    Z->Sprite()->GetBounds(Bounds);
    EXPECT_EQ(Bounds, (TRect{10, 10, 30, 30}));
}

class ZoneDrawingTest : public ::testing::Test {
protected:
    void SetUp() override {
        S.Surface.SetAutoBlank(true);
        S.Surface.SetAutoBlankColorIndex(50);
        S.Surface.SetColorIndexLand(118);
        S.Surface.SetColorIndexSea(196);
    }
    uint16_t Pixel(int X, int Y) { return S.Surface.DIBCanvas().GetPixel(X, Y); }
    int CountInRect(const TRect& R, uint16_t Index) {
        int N = 0;
        for (int Y = R.Top; Y < R.Bottom; ++Y)
            for (int X = R.Left; X < R.Right; ++X)
                N += Pixel(X, Y) == Index;
        return N;
    }
    uint8_t Nearest(TColor C) {
        return static_cast<TBufferCanvas&>(S.Surface.BufferCanvas()).NearestIndex(C);
    }
    SurfaceWithPalette S;
};

TEST_F(ZoneDrawingTest, SeaOutlineInItsColourAndNoLabel) {
    Add(S.Surface, "10,10,30,10,20,30;Sea1;1;");
    S.Surface.Render();
    EXPECT_EQ(Pixel(12, 12), 196);
    EXPECT_EQ(Pixel(20, 12), 196);
    EXPECT_EQ(Pixel(28, 12), 196);
    EXPECT_EQ(Pixel(18, 28), 196);
    EXPECT_EQ(Pixel(20, 18), 50);
    EXPECT_EQ(Pixel(10, 10), 50); // no label cell
}

TEST_F(ZoneDrawingTest, LandLabelIsWhiteOnBlackAtTheFirstPoint) {
    Add(S.Surface, "10,10,60,10,60,40,10,40;Land1;0;");
    S.Surface.Render();
    const uint8_t Black = Nearest(clBlack), White = Nearest(clWhite);
    EXPECT_EQ(Pixel(10, 10), Black);
    EXPECT_EQ(Pixel(9, 10), 50);
    EXPECT_EQ(Pixel(10, 9), 50);
    EXPECT_GT(CountInRect({10, 10, 40, 24}, White), 5);
    EXPECT_EQ(Pixel(58, 30), 118); // the outline beyond the label
}

TEST_F(ZoneDrawingTest, HighlightedOutlineIsWhiteAndTwoPixelsWide) {
    TZone* Z = Add(S.Surface, "10,10,50,10,50,40,10,40;Sea;1;");
    Z->Sprite()->SetHighlighted(true);
    S.Surface.Render();
    const uint8_t White = Nearest(clWhite);
    EXPECT_EQ(Pixel(30, 12), White);
    EXPECT_EQ(CountInRect({30, 10, 31, 15}, White), 2);
    EXPECT_EQ(CountInRect({0, 0, 64, 48}, 196), 0);
    EXPECT_EQ(S.Surface.BufferCanvas().Pen().Width, 1);
}

TEST_F(ZoneDrawingTest, OffsetsMoveOutlineAndLabel) {
    Add(S.Surface, "10,10,30,10,20,30;Sea1;1;");
    Add(S.Surface, "40,20,60,20,60,40,40,40;L;0;");
    S.Surface.SetVirtualWidth(1000);
    S.Surface.SetVirtualHeight(1000);
    S.Surface.SetOffsetX(5);
    S.Surface.SetOffsetY(3);
    S.Surface.Render();
    EXPECT_EQ(Pixel(7, 9), 196);
    EXPECT_EQ(Pixel(12, 12), 50);
    EXPECT_EQ(Pixel(35, 17), Nearest(clBlack));
}

TEST_F(ZoneDrawingTest, HiddenZonesDrawNothing) {
    Add(S.Surface, "10,10,60,10,60,40,10,40;Land1;0;");
    S.Surface.SetShowZones(false);
    S.Surface.Render();
    EXPECT_EQ(CountInRect({0, 0, 64, 48}, 50), 64 * 48);
}

TEST_F(ZoneDrawingTest, ZonesWithoutPointsAreSkipped) {
    Add(S.Surface, ";Nothing;0;");
    Add(S.Surface, "");
    S.Surface.Render();
    EXPECT_EQ(CountInRect({0, 0, 64, 48}, 50), 64 * 48);
}

// The outline as its points say it is drawn: one LineTo after another.
class TLineByLineSprite : public TZoneSprite {
public:
    using TZoneSprite::TZoneSprite;
    void DrawOutline(TCanvas& Canvas, TDIBCanvas& DIBCanvas) override {
        if (Highlighted()) {
            TZoneSprite::DrawOutline(Canvas, DIBCanvas);
            return;
        }
        DIBCanvas.SetPenColor(Zone()->ColorIndex());
        const TPoint First = OutlinePoint(0);
        DIBCanvas.MoveTo(First.X, First.Y);
        for (int32_t I = 1; I < Zone()->PointCount(); ++I) {
            const TPoint P = OutlinePoint(I);
            DIBCanvas.LineTo(P.X, P.Y);
        }
        DIBCanvas.LineTo(First.X, First.Y);
    }
};

// Outlines are drawn from pixels kept per zone; every frame must still be the one the
// lines give, across scrolls that put zones over each edge, a resize, and edits.
TEST(ZoneDrawing, KeptOutlinesDrawWhatTheLinesDrawAfterScrollsResizesAndEdits) {
    Fixtures::SurfaceWithPalette Kept, Lines;
    Lines.Surface.OnCreateZoneSprite = [](TObject*, TZone* Z, TZoneSprite*& Sprite) {
        Sprite = new TLineByLineSprite(Z);
    };
    for (auto* S : {&Kept, &Lines}) {
        S->Surface.SetColorIndexLand(118);
        S->Surface.SetColorIndexSea(196);
        S->Surface.SetAutoBlankColorIndex(50);
    }
    std::mt19937 Random(75);
    const auto Wiggly = [&](int32_t Left, int32_t Top, int32_t Size, int Index) {
        std::string Text;
        const int Sides = 8 + int(Random() % 40);
        for (int I = 0; I < 4 * Sides; ++I) {
            const int Side = I / Sides, Along = Size * (I % Sides) / Sides;
            const int32_t Jitter = int32_t(Random() % 7) - 3;
            const int32_t X = Left + (Side == 0   ? Along
                                      : Side == 1 ? Size
                                      : Side == 2 ? Size - Along
                                                  : 0);
            const int32_t Y = Top + (Side == 0   ? 0
                                     : Side == 1 ? Along
                                     : Side == 2 ? Size
                                                 : Size - Along);
            Text += std::to_string(X + (Side % 2 ? Jitter : 0)) + "," +
                    std::to_string(Y + (Side % 2 ? 0 : Jitter)) + ",";
        }
        return Text + ";Z" + std::to_string(Index) + ";" + std::to_string(Index % 3 == 0) + ";";
    };
    std::vector<std::pair<TZone*, TZone*>> Zones;
    for (int I = 0; I < 60; ++I) {
        const std::string Text = Wiggly(int32_t(Random() % 500), int32_t(Random() % 300),
                                        20 + int32_t(Random() % 90), I);
        Zones.push_back({Add(Kept.Surface, Text), Add(Lines.Surface, Text)});
    }
    // Larger than the view, and drawn highlighted.
    const std::string Large = Wiggly(-40, -30, 400, 61);
    Zones.push_back({Add(Kept.Surface, Large), Add(Lines.Surface, Large)});
    Zones[3].first->Sprite()->SetHighlighted(true);
    Zones[3].second->Sprite()->SetHighlighted(true);

    int Frames = 0;
    for (int Step = 0; Step < 80; ++Step) {
        if (Step == 30)
            for (auto* S : {&Kept, &Lines})
                S->Surface.SetBounds(0, 0, 200, 130);
        if (Step == 50)
            for (int I = 0; I < 10; ++I) {
                const size_t At = Random() % Zones.size();
                Kept.Surface.DeleteZone(Zones[At].first);
                Lines.Surface.DeleteZone(Zones[At].second);
                const std::string Text = Wiggly(int32_t(Random() % 500), int32_t(Random() % 300),
                                                20 + int32_t(Random() % 90), 100 + I);
                Zones[At] = {Add(Kept.Surface, Text), Add(Lines.Surface, Text)};
            }
        const int32_t X = int32_t(Random() % 560) - 60, Y = int32_t(Random() % 360) - 60;
        for (auto* S : {&Kept, &Lines}) {
            S->Surface.SetVirtualWidth(2000);
            S->Surface.SetVirtualHeight(2000);
            S->Surface.SetOffsetX(X);
            S->Surface.SetOffsetY(Y);
            S->Surface.Render();
        }
        const TDIBCanvas& A = Kept.Surface.DIBCanvas();
        const TDIBCanvas& B = Lines.Surface.DIBCanvas();
        ASSERT_EQ(A.BufferSize(), B.BufferSize());
        ASSERT_EQ(std::memcmp(A.Bits(), B.Bits(), size_t(A.BufferSize())), 0)
            << "frame " << Step << " at " << X << "," << Y;
        ++Frames;
    }
    EXPECT_EQ(Frames, 80);
}

TEST(ZoneClick, FirstZoneInListWhoseBoundsAndRegionHoldThePoint) {
    ClickSurface Surface;
    TZone* A = Add(Surface, "0,0,100,0,100,80,0,80;A;0;");
    TZone* B = Add(Surface, "50,40,150,40,150,120,50,120;B;0;");
    std::vector<TZone*> Clicked;
    Surface.OnZoneClick = [&](TObject* Sender, TZone* Z) {
        EXPECT_EQ(Sender, &Surface);
        Clicked.push_back(Z);
    };
    int MouseDowns = 0;
    Surface.OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++MouseDowns; };
    struct Case {
        int X, Y;
        TZone* Expected;
    } Cases[] = {
        {10, 10, A},  {60, 50, A},   {99, 79, A},        {100, 10, nullptr}, {10, 80, nullptr},
        {120, 60, B}, {149, 119, B}, {150, 60, nullptr}, {-1, -1, nullptr},
    };
    for (const Case& C : Cases) {
        Clicked.clear();
        Surface.MouseDown(TMouseButton::mbLeft, 0, C.X, C.Y);
        if (C.Expected) {
            EXPECT_EQ(Clicked, std::vector<TZone*>{C.Expected}) << C.X << "," << C.Y;
        } else {
            EXPECT_TRUE(Clicked.empty()) << C.X << "," << C.Y;
        }
    }
    EXPECT_EQ(MouseDowns, int(std::size(Cases)));

    // In virtual coordinates: the click point is shifted by the offsets.
    Surface.SetVirtualWidth(1000);
    Surface.SetVirtualHeight(1000);
    Surface.SetOffsetX(100);
    Surface.SetOffsetY(0);
    Clicked.clear();
    Surface.MouseDown(TMouseButton::mbLeft, 0, 20, 60);
    EXPECT_EQ(Clicked, std::vector<TZone*>{B});
}

TEST(ZoneClick, TriangleOutsideItsRegionButInsideItsBounds) {
    ClickSurface Surface;
    Add(Surface, "0,0,100,0,0,100;T;0;");
    int Clicks = 0;
    Surface.OnZoneClick = [&](TObject*, TZone*) { ++Clicks; };
    Surface.MouseDown(TMouseButton::mbLeft, 0, 90, 90);
    EXPECT_EQ(Clicks, 0);
    Surface.MouseDown(TMouseButton::mbLeft, 0, 10, 10);
    EXPECT_EQ(Clicks, 1);
}

TEST(ZoneSurface, DeleteZoneTakesItsOwnSprite) {
    SurfaceWithPalette S;
    TZone* A = Add(S.Surface, "0,0,10,0,10,10;A;0;");
    TZone* Keep = Add(S.Surface, "20,0,30,0,30,10;K;0;");
    S.Surface.Render();
    ASSERT_EQ(S.Surface.ZoneEngine().DrawnCount(), 2);
    // Deleting, adding and deleting again before a frame: a new zone may get the freed
    // zone's address while the old sprite still waits in the engine.
    S.Surface.DeleteZone(A);
    for (int I = 0; I < 5; ++I)
        S.Surface.DeleteZone(Add(S.Surface, "0,0,10,0,10,10;B;0;"));
    S.Surface.Render();
    ASSERT_EQ(S.Surface.ZoneEngine().DrawnCount(), 1);
    EXPECT_EQ(static_cast<TZoneSprite*>(S.Surface.ZoneEngine().DrawnSprite(0))->Zone(), Keep);
}

TEST(ZoneSurface, CreateSpriteEventMakesTheSprites) {
    TZoneSpriteSurface Surface;
    std::vector<TZone*> Asked;
    Surface.OnCreateZoneSprite = [&](TObject*, TZone* Z, TZoneSprite*& Sprite) {
        Asked.push_back(Z);
        Sprite = new TZoneSprite(Z);
        Sprite->SetHighlighted(true);
    };
    TZone* Z = Add(Surface, "0,0,10,0,10,10;A;0;");
    EXPECT_EQ(Asked, std::vector<TZone*>{Z});
    EXPECT_TRUE(Z->Sprite()->Highlighted());
}

TEST(ZoneSurface, ClearEmptiesTheMapSetButKeepsSizeAndName) {
    TempDir Dir;
    WriteBitmap(Dir.File("a.bmp"), 8, 8, 20);
    SurfaceWithPalette S;
    S.Surface.SetBitmapDirectory(Dir.Path());
    S.Surface.AddBitmap("a.bmp");
    S.Surface.AddElement("a.bmp", 100, 100);
    TZone* A = Add(S.Surface, "0,0,10,0,10,10;A;0;");
    S.Surface.AddLink(A, A);
    S.Surface.FindPath(A, A);
    S.Surface.Clear();
    EXPECT_EQ(S.Surface.ZoneCount(), 0);
    EXPECT_EQ(S.Surface.LinkCount(), 0);
    EXPECT_EQ(S.Surface.ElementCount(), 0);
    EXPECT_TRUE(S.Surface.Bitmaps().empty());
    EXPECT_EQ(S.Surface.BackgroundEngine().SpriteCount(), 0);
    EXPECT_EQ(S.Surface.ZoneEngine().SpriteCount(), 0);
    EXPECT_EQ(S.Surface.PathCount(), 0);
    EXPECT_EQ(S.Surface.VirtualWidth(), 108);
    S.Surface.Render();
}

} // namespace
