// Zone surfaces with a loaded map set and the animation running, scrolled, resized,
// reloaded and destroyed over and over: no deadlock, no race, no frame after destruction.
#include "Inputs.h"

#include "graphics/ColorPalette.h"
#include "platform/Application.h"
#include "platform/Clock.h"
#include "support/Scripted.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

namespace {

using namespace Inputs;

// Processes events until Done or the time is up; true when Done.
bool PumpUntil(const std::function<bool()>& Done, uint32_t Milliseconds) {
    const uint32_t Start = timeGetTime();
    while (!Done()) {
        if (timeGetTime() - Start >= Milliseconds)
            return false;
        Application().ProcessMessages();
        Sleep(1);
    }
    return true;
}

// Two map sets of a 4 x 3 hexagon-ish grid of squares over two background bitmaps.
std::string MapSetText(int Variant) {
    std::string Text = "Bitmap=A.BMP\r\nBitmap=B.BMP\r\n";
    for (int Y = 0; Y < 3; ++Y)
        for (int X = 0; X < 4; ++X)
            Text += std::string("Element=") + ((X + Y + Variant) % 2 ? "A.BMP" : "b.bmp") + ":" +
                    std::to_string(X * 64) + "," + std::to_string(Y * 48) + "\r\n";
    int N = 0;
    for (int Y = 0; Y < 3; ++Y)
        for (int X = 0; X < 4; ++X, ++N) {
            const int L = X * 60 + Variant * 3, T = Y * 50, R = L + 60, B = T + 50;
            Text += "Zone=" + std::to_string(L) + "," + std::to_string(T) + "," +
                    std::to_string(R) + "," + std::to_string(T) + "," + std::to_string(R) + "," +
                    std::to_string(B) + "," + std::to_string(L) + "," + std::to_string(B) + ",;Z" +
                    std::to_string(N) + ";" + (N % 3 == 0 ? "1" : "0") + ";" +
                    (X > 0 ? std::to_string(N - 1) + "#" : "") + "\r\n";
        }
    return Text + "Link=0,11\r\nLink=3,8\r\n";
}

class ZoneSurfaceShutdown : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFile(Dir.File("A.BMP"), MakeBmp({.Width = 64, .Height = 48, .Pixels = {}}));
        WriteFile(Dir.File("B.BMP"), MakeBmp({.Width = 64, .Height = 48, .Pixels = {}}));
        for (int V = 0; V < 2; ++V)
            WriteFile(Dir.File("map" + std::to_string(V) + ".mapset"), MapSetText(V));
    }
    std::string MapSet(int Variant) const {
        return Dir.File("map" + std::to_string(Variant) + ".mapset");
    }

    TempDir Dir;
    MessageCapture Messages;
};

struct LiveSurface {
    std::unique_ptr<TColorPalette> Palette = std::make_unique<TColorPalette>();
    TZoneSpriteSurface Surface;
};

std::unique_ptr<LiveSurface> MakeLive(const std::string& Directory, int& Frames) {
    auto L = std::make_unique<LiveSurface>();
    L->Surface.SetColorPalette(L->Palette.get());
    L->Surface.SetBitmapDirectory(Directory);
    L->Surface.SetBounds(0, 0, 120, 90);
    L->Surface.SetGridMarginTop(16);
    L->Surface.SetGridWidth(20);
    L->Surface.SetGridHeight(26);
    L->Surface.AfterRender = [&Frames](TObject*) { ++Frames; };
    return L;
}

TEST_F(ZoneSurfaceShutdown, LoadedAnimatedSurfacesScrollResizeReloadAndDie) {
    constexpr int Rounds = 40;
    int Frames = 0;
    int Lost = 0; // frames that came after their surface was destroyed
    for (int I = 0; I < Rounds; ++I) {
        auto L = MakeLive(Dir.Path(), Frames);
        L->Surface.SetMapSetFile(MapSet(I % 2));
        ASSERT_EQ(L->Surface.ZoneCount(), 12);
        L->Surface.SetAnimationInterval(I % 3);
        L->Surface.SetActive(true);
        const int Before = Frames;
        EXPECT_TRUE(PumpUntil([&] { return Frames > Before; }, 5000)) << "round " << I;

        // Scrolling and resizing between frames, and inside them through the events that
        // a frame processes.
        for (int Step = 0; Step < 6; ++Step) {
            L->Surface.SetOffsetX(Step * 17 - 20);
            L->Surface.SetOffsetY(Step * 11 - 10);
            L->Surface.SetBounds(0, 0, 40 + Step * 23 + I % 4, 30 + Step * 13);
            Application().ProcessMessages();
        }
        L->Surface.SetBounds(0, 0, 0, 0); // no pixels at all for a frame or two
        Application().ProcessMessages();
        L->Surface.SetBounds(0, 0, 120, 90);

        // Reloading while the animation runs: the load renders frames of its own.
        L->Surface.SetMapSetFile(MapSet((I + 1) % 2));
        EXPECT_EQ(L->Surface.ZoneCount(), 12);
        EXPECT_EQ(L->Surface.ElementCount(), 12);
        EXPECT_EQ(L->Surface.LinkCount(), 2);

        switch (I % 5) {
        case 0: // destroyed with a frame request pending
            Sleep(2);
            break;
        case 1: // destroyed right after a frame
        {
            const int Now = Frames;
            PumpUntil([&] { return Frames > Now; }, 2000);
            break;
        }
        case 2: // destroyed while held
            Application().ProcessMessages();
            L->Surface.SetActive(false);
            break;
        case 3: // the map set emptied, then destroyed at once
            L->Surface.Clear();
            break;
        default: // destroyed at once after the reload
            break;
        }
        L.reset();
        const int AtDestruction = Frames;
        Application().ProcessMessages();
        Sleep(3);
        Application().ProcessMessages();
        Lost += Frames - AtDestruction;
    }
    EXPECT_EQ(Lost, 0);
    EXPECT_GT(Frames, Rounds);
    EXPECT_TRUE(Messages.Messages().empty()) << Messages.Messages().front();
}

// Two surfaces animate at once and go in either order; a palette that goes first stops
// its surface's animation with the palette message instead of a crash.
TEST_F(ZoneSurfaceShutdown, TwoSurfacesAndAPaletteThatGoesFirst) {
    int Frames = 0;
    for (int I = 0; I < 20; ++I) {
        auto First = MakeLive(Dir.Path(), Frames);
        auto Second = MakeLive(Dir.Path(), Frames);
        First->Surface.SetMapSetFile(MapSet(0));
        Second->Surface.SetMapSetFile(MapSet(1));
        First->Surface.SetAnimationInterval(1);
        Second->Surface.SetAnimationInterval(0);
        First->Surface.SetActive(true);
        Second->Surface.SetActive(true);
        const int Before = Frames;
        EXPECT_TRUE(PumpUntil([&] { return Frames >= Before + 4; }, 5000)) << "round " << I;

        // The palette goes first: the surface forgets it, and its next frame reports the
        // missing palette and stops the animation.
        Second->Palette.reset();
        EXPECT_TRUE(PumpUntil([&] { return !Second->Surface.Active(); }, 5000));
        EXPECT_EQ(Second->Surface.ColorPalette(), nullptr);

        if (I % 2)
            std::swap(First, Second);
        First.reset();
        Application().ProcessMessages();
        Second.reset();
        const int AtDestruction = Frames;
        Application().ProcessMessages();
        EXPECT_EQ(Frames, AtDestruction);
    }
    for (const std::string& M : Messages.Messages())
        EXPECT_EQ(M, "ColorPalette property must be assigned");
    EXPECT_EQ(Messages.Messages().size(), 20u);
}

} // namespace
