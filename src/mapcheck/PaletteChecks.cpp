#include "mapcheck/PaletteChecks.h"

#include "graphics/ColorPalette.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>

namespace {

bool IsSystemEntry(int Index) {
    return Index < 10 || Index > 245;
}

bool SameColor(const TRGBQuad& A, const TRGBQuad& B) {
    return A.rgbRed == B.rgbRed && A.rgbGreen == B.rgbGreen && A.rgbBlue == B.rgbBlue;
}

int Difference(const TRGBQuad& A, const TRGBQuad& B) {
    return std::max({std::abs(A.rgbRed - B.rgbRed), std::abs(A.rgbGreen - B.rgbGreen),
                     std::abs(A.rgbBlue - B.rgbBlue)});
}

std::string RGBText(const TRGBQuad& C) {
    return std::to_string(C.rgbRed) + "," + std::to_string(C.rgbGreen) + "," +
           std::to_string(C.rgbBlue);
}

// "its white shows as black": the names, and the numbers too when the names are alike.
std::string ShowsAs(const TRGBQuad& Own, const TRGBQuad& Shown) {
    const std::string OwnName = ColorName(Own), ShownName = ColorName(Shown);
    if (OwnName != ShownName)
        return "its " + OwnName + " shows as " + ShownName;
    return "its " + OwnName + " (" + RGBText(Own) + ") shows as " + ShownName + " (" +
           RGBText(Shown) + ")";
}

} // namespace

std::string ColorName(const TRGBQuad& Color) {
    struct TNamed {
        const char* Name;
        int R, G, B;
    };
    static constexpr TNamed Names[] = {
        {"black", 0, 0, 0},
        {"white", 255, 255, 255},
        {"grey", 128, 128, 128},
        {"light grey", 192, 192, 192},
        {"dark grey", 64, 64, 64},
        {"red", 255, 0, 0},
        {"dark red", 128, 0, 0},
        {"green", 0, 160, 0},
        {"light green", 128, 255, 128},
        {"dark green", 0, 80, 0},
        {"blue", 0, 0, 255},
        {"navy", 0, 0, 128},
        {"light blue", 160, 200, 255},
        {"yellow", 255, 255, 0},
        {"olive", 128, 128, 0},
        {"cyan", 0, 255, 255},
        {"teal", 0, 128, 128},
        {"magenta", 255, 0, 255},
        {"purple", 128, 0, 128},
        {"orange", 255, 160, 0},
        {"brown", 140, 80, 20},
        {"pink", 255, 180, 200},
        {"beige", 240, 230, 190},
        {"sand", 210, 180, 120},
    };
    const TNamed* Best = &Names[0];
    int BestDistance = INT32_MAX;
    for (const TNamed& N : Names) {
        const int DR = Color.rgbRed - N.R, DG = Color.rgbGreen - N.G, DB = Color.rgbBlue - N.B;
        const int Distance = DR * DR + DG * DG + DB * DB;
        if (Distance < BestDistance) {
            BestDistance = Distance;
            Best = &N;
        }
    }
    return Best->Name;
}

void CheckPalettes(const TZoneSpriteSurface& Surface, std::vector<TFinding>& Findings) {
    const TColorPalette* Palette = Surface.ColorPalette();
    if (Palette == nullptr || Surface.Bitmaps().empty())
        return;
    std::array<TRGBQuad, 256> Shown;
    for (int I = 0; I < 256; ++I) {
        const uint32_t E = Palette->Entries(I);
        Shown[size_t(I)] = {uint8_t(E >> 16), uint8_t(E >> 8), uint8_t(E), 0};
    }
    const std::string LastName = Surface.Bitmaps().back().Name;
    for (const TBitmapEntry& B : Surface.Bitmaps()) {
        if (B.Palette.size() < 256 || !B.Factory)
            continue;
        std::array<int64_t, 256> Used{};
        const TCompressedBitmap& Picture = B.Factory->CompressedBitmap();
        const TRunRecord* Runs = Picture.Runs();
        for (int32_t R = 0; R < Picture.RunCount(); ++R)
            Used[Runs[R].Color] += Runs[R].Count;

        int64_t SystemPixels = 0, FreePixels = 0;
        int Largest = 0;
        int WorstSystem = -1, WorstFree = -1; // the entries with the most pixels affected
        for (int I = 0; I < 256; ++I) {
            if (Used[size_t(I)] == 0 || SameColor(B.Palette[size_t(I)], Shown[size_t(I)]))
                continue;
            int& Worst = IsSystemEntry(I) ? WorstSystem : WorstFree;
            (IsSystemEntry(I) ? SystemPixels : FreePixels) += Used[size_t(I)];
            if (Worst < 0 || Used[size_t(I)] > Used[size_t(Worst)])
                Worst = I;
            if (!IsSystemEntry(I))
                Largest = std::max(Largest, Difference(B.Palette[size_t(I)], Shown[size_t(I)]));
        }
        const std::string Bitmap = "bitmap \"" + B.Name + "\": ";
        if (SystemPixels > 0)
            Findings.push_back(
                {"system-colors",
                 Bitmap + std::to_string(SystemPixels) +
                     " pixels use palette entries 0..9 or 246..255, which the map keeps for "
                     "the system colours, so they show in other colours: " +
                     ShowsAs(B.Palette[size_t(WorstSystem)], Shown[size_t(WorstSystem)]) +
                     " (entry " + std::to_string(WorstSystem) +
                     "); convert it to use entries 10..245 only (zonewright-cli picture)",
                 {}});
        if (FreePixels > 0)
            Findings.push_back(
                {"palette-differs",
                 Bitmap + "its colours differ from the palette in force (the last bitmap's, \"" +
                     LastName + "\"), so " + std::to_string(FreePixels) +
                     " pixels show in other colours, by up to " + std::to_string(Largest) +
                     " of 255 in a channel: " +
                     ShowsAs(B.Palette[size_t(WorstFree)], Shown[size_t(WorstFree)]) + " (entry " +
                     std::to_string(WorstFree) +
                     "); convert it to the map's palette (zonewright-cli picture --palette-of)",
                 {}});
    }
}
