#include "mapcheck/PaletteChecks.h"
#include "graphics/ColorPalette.h"
#include "mapcheck/MapChecks.h"
#include "platform/Bitmap.h"
#include "support/Scripted.h"
#include "zonemap/EditorPalette.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <gtest/gtest.h>

namespace {

// A Width x 1 bitmap of grey-ramp colours but for the given entries, its pixels Counts[i]
// times index Index[i].
void WriteBitmap(const std::string& Path, const std::vector<std::pair<int, TRGBQuad>>& Colors,
                 const std::vector<std::pair<uint8_t, int>>& Pixels) {
    std::vector<TRGBQuad> Palette(256);
    for (int I = 0; I < 256; ++I)
        Palette[size_t(I)] = {uint8_t(I), uint8_t(I), uint8_t(I), 0};
    for (const auto& [Index, Color] : Colors)
        Palette[size_t(Index)] = Color;
    int Width = 0;
    for (const auto& P : Pixels)
        Width += P.second;
    TBitmap Image;
    Image.SetPixelFormat(TPixelFormat::pf8bit);
    Image.SetPalette(Palette);
    Image.SetSize(Width, 1);
    uint8_t* Row = Image.ScanLine(0);
    for (const auto& [Index, Count] : Pixels)
        Row = std::fill_n(Row, Count, Index);
    Image.SaveToFile(Path);
}

constexpr TRGBQuad White{255, 255, 255, 0}, Red{0, 0, 255, 0}, Green{0, 160, 0, 0};

TEST(PaletteFindings, NameSystemColoursAndOtherPalettesWithThePixelsTheyChange) {
    TempDir Dir;
    // A paint program's picture: white at index 0, its green at 20, greys elsewhere.
    WriteBitmap(Dir.File("painted.bmp"), {{0, White}, {20, Green}}, {{0, 70}, {20, 30}, {40, 5}});
    // The map's own art, loaded last: red at 20, the system's colours where they belong.
    WriteBitmap(Dir.File("map.bmp"), {{20, Red}, {255, White}}, {{20, 8}, {255, 2}});

    TColorPalette Palette;
    Palette.SetPaletteEntries(EditorPaletteEntries());
    TZoneSpriteSurface S;
    S.SetColorPalette(&Palette);
    S.SetBitDepth(bd8);
    S.SetBitmapDirectory(Dir.Path());
    S.AddBitmap("painted.bmp");
    S.AddBitmap("map.bmp");

    std::vector<TFinding> Findings;
    CheckPalettes(S, Findings);
    ASSERT_EQ(Findings.size(), 2u);
    EXPECT_EQ(Findings[0].Kind, "system-colors");
    EXPECT_EQ(Findings[0].Message,
              "bitmap \"painted.bmp\": 70 pixels use palette entries 0..9 or 246..255, which the "
              "map keeps for the system colours, so they show in other colours: its white shows "
              "as black (entry 0); convert it to use entries 10..245 only (zonewright-cli "
              "picture)");
    EXPECT_EQ(Findings[1].Kind, "palette-differs");
    EXPECT_EQ(Findings[1].Message,
              "bitmap \"painted.bmp\": its colours differ from the palette in force (the last "
              "bitmap's, \"map.bmp\"), so 30 pixels show in other colours, by up to 255 of 255 "
              "in a channel: its green shows as red (entry 20); convert it to the map's palette "
              "(zonewright-cli picture --palette-of)");
    // The same findings come with the whole check.
    EXPECT_EQ(CheckMapSet(S).size(), 2u);

    // With the painted picture last, the map's art differs instead, by its red.
    S.RemoveBitmap("painted.bmp");
    S.AddBitmap("painted.bmp");
    Findings.clear();
    CheckPalettes(S, Findings);
    ASSERT_EQ(Findings.size(), 2u);
    EXPECT_EQ(Findings[0].Message.substr(0, 34), "bitmap \"map.bmp\": its colours diff");
    EXPECT_NE(Findings[0].Message.find("so 8 pixels show"), std::string::npos);
}

} // namespace
