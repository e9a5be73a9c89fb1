#pragma once

#include "graphics/ColorPalette.h"
#include "platform/Bitmap.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace Fixtures {

// Colour table of the test bitmaps: entry i is (i, 255 - i, i / 2), all distinct.
inline std::vector<TRGBQuad> TestColors() {
    std::vector<TRGBQuad> Colors(256);
    for (int I = 0; I < 256; ++I)
        Colors[size_t(I)] = {uint8_t(I / 2), uint8_t(255 - I), uint8_t(I), 0};
    return Colors;
}

// An 8-bit BMP of one colour index.
inline void WriteBitmap(const std::string& Path, int32_t Width, int32_t Height, uint8_t Index) {
    TBitmap Bitmap;
    Bitmap.SetPixelFormat(TPixelFormat::pf8bit);
    Bitmap.SetPalette(TestColors());
    Bitmap.SetSize(Width, Height);
    for (int32_t Y = 0; Y < Height; ++Y)
        std::fill_n(Bitmap.ScanLine(Y), Width, Index);
    Bitmap.SaveToFile(Path);
}

inline void WriteFile(const std::string& Path, const std::string& Bytes) {
    std::ofstream(Path, std::ios::binary) << Bytes;
}

inline std::string ReadFile(const std::string& Path) {
    std::ifstream In(Path, std::ios::binary);
    return {std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>()};
}

// The CR LF lines of a written file (the writer ends the last one too).
inline std::vector<std::string> Lines(const std::string& Text) {
    std::vector<std::string> Result;
    size_t Start = 0;
    for (size_t End; (End = Text.find("\r\n", Start)) != std::string::npos; Start = End + 2)
        Result.push_back(Text.substr(Start, End - Start));
    if (Start != Text.size())
        Result.push_back("<unterminated>" + Text.substr(Start));
    return Result;
}

// A surface that renders into a 64 x 48 buffer without being shown.
struct SurfaceWithPalette {
    SurfaceWithPalette() {
        Surface.SetColorPalette(&Palette);
        Surface.SetBounds(0, 0, 64, 48);
    }
    TColorPalette Palette;
    TZoneSpriteSurface Surface;
};

} // namespace Fixtures
