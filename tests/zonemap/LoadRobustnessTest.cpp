#include "Fixtures.h"
#include "platform/Exception.h"
#include "support/Scripted.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>

using namespace std::string_literals;

namespace {

using Fixtures::WriteBitmap;
using Fixtures::WriteFile;

// Loading hostile or broken files: every load ends, by success or by an Exception, and
// leaves a surface that renders, rebuilds, searches and saves.
class LoadRobustnessTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteBitmap(Dir.File("a.bmp"), 16, 16, 20);
        S.Surface.SetBitmapDirectory(Dir.Path());
        S.Surface.SetGridMarginTop(16);
        S.Surface.SetGridWidth(20);
        S.Surface.SetGridHeight(26);
        S.Surface.SetPreviewWidth(40);
        S.Surface.SetPreviewHeight(30);
    }
    void LoadAndExercise(const std::string& Text) {
        const std::string Path = Dir.File("m" + std::to_string(++Loads) + ".mapset");
        WriteFile(Path, Text);
        try {
            S.Surface.SetMapSetFile(Path);
        } catch (const Exception&) {
        }
        S.Surface.Render();
        S.Surface.BuildNeighbors();
        if (S.Surface.ZoneCount() > 0)
            S.Surface.FindPath(S.Surface.Zone(0), S.Surface.Zone(S.Surface.ZoneCount() - 1));
        for (int32_t I = 0; I < S.Surface.ZoneCount(); ++I)
            S.Surface.Zone(I)->Sprite()->SetHighlighted(true);
        S.Surface.Render();
        try {
            S.Surface.SaveMapSet(Dir.File("out.mapset"));
        } catch (const Exception&) {
        }
    }
    TempDir Dir;
    Fixtures::SurfaceWithPalette S;
    MessageCapture Messages;
    int Loads = 0;
};

TEST_F(LoadRobustnessTest, HostileLinesEndQuickly) {
    const std::string Far = "2147483647";
    const std::string Near = "-2147483648";
    const std::string Cases[] = {
        "Zone=" + Near + "," + Near + "," + Far + "," + Near + "," + Far + "," + Far + "," + Near +
            "," + Far + ";Huge;0;",
        "Zone=" + Far + "," + Far + "," + Far + "," + Far + "," + Far + "," + Far + ";Edge;0;0#",
        "Zone=0,0,100,0,0,100;T;0;-2147483648#",
        "Zone=0,0,100,0,0,100;T;0;$FFFFFFFF#",
        "Zone=0,0,100,0,0,100;T;0;2147483648#",
        "Zone=0,0;T;0;0#0#0#0#0#0#0#0#0#0#0#0#",
        "Zone=;;;;;;;;;\r\nZone=\r\nZone=,,,,,,,,\r\nZone=;\r\nLink=0,0\r\nLink=1,2",
        // Far out, yet clear of the 32-bit limit by more than the bitmap's size.
        "Bitmap=a.bmp\r\nElement=a.bmp:2000000000,2000000000\r\nElement=a.bmp:" + Near + "," + Near,
        "Bitmap=a.bmp\r\nElement=a.bmp:99999999999,-99999999999\r\nElement=:::\r\n",
        "Bitmap=\r\n",
        "Bitmap=" + Dir.Path() + "\r\n",
        "Link=-1,-1",
        "Element=a.bmp:0,0",
        std::string(1000, '\r') + std::string(1000, '\n') + "Zone=0,0,10,0,10,10;A;0;",
        "=\r\n==\r\n===Zone=\r\nZone==0,0,1,1;=;0;",
        "Zone=0,0,100,0,0,100;" + std::string(20000, 'N') + ";0;",
        [] {
            std::string T = "Zone=";
            for (int I = 0; I < 100000; ++I)
                T += std::to_string(I % 1000) + "," + std::to_string(I / 100) + ",";
            return T + ";Many;0;";
        }(),
        [] {
            std::string T = "Zone=0,0,100,0,0,100;A;0;";
            for (int I = 0; I < 20000; ++I)
                T += "0#";
            return T + "\r\nLink=0,0";
        }(),
    };
    for (const std::string& Text : Cases) {
        const auto Start = std::chrono::steady_clock::now();
        LoadAndExercise(Text);
        const double Seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
        EXPECT_LT(Seconds, 20.0) << Text.substr(0, 80);
    }
}

TEST_F(LoadRobustnessTest, MutatedFilesNeverBreakTheSurface) {
    const std::string Valid = "Bitmap=a.bmp\r\nElement=a.bmp:0,0\r\nElement=a.bmp:16,0\r\n"
                              "Zone=0,0,20,0,20,20,0,20,;A;0;1#\r\n"
                              "Zone=20,0,40,0,40,20,20,20,;B;1;0#2#\r\n"
                              "Zone=40,0,60,0,60,20,40,20,;C;0;1#\r\nLink=0,2\r\n";
    const std::string Alphabet = "=;,:#\r\n\0-$x0123456789ZoneLinkBitmapElement"s;
    std::mt19937 Random(7);
    for (int Round = 0; Round < 300; ++Round) {
        std::string Text = Valid;
        const int Edits = 1 + int(Random() % 6);
        for (int E = 0; E < Edits; ++E) {
            const size_t At = Random() % (Text.size() + 1);
            switch (Random() % 3) {
            case 0:
                Text.insert(At, 1, Alphabet[Random() % Alphabet.size()]);
                break;
            case 1:
                if (At < Text.size())
                    Text.erase(At, 1 + Random() % 8);
                break;
            default:
                if (At < Text.size())
                    Text[At] = Alphabet[Random() % Alphabet.size()];
            }
        }
        LoadAndExercise(Text);
    }
}

} // namespace
