#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// Bytes and texts that the hardening suites feed to the readers.
namespace Inputs {

inline void Put16(std::string& Out, uint16_t V) {
    Out += char(V & 0xFF);
    Out += char(V >> 8);
}

inline void Put32(std::string& Out, uint32_t V) {
    for (int I = 0; I < 4; ++I)
        Out += char((V >> (8 * I)) & 0xFF);
}

inline std::string Patch32(std::string Bytes, size_t At, uint32_t V) {
    std::string Field;
    Put32(Field, V);
    Bytes.replace(At, 4, Field);
    return Bytes;
}

inline std::string Patch16(std::string Bytes, size_t At, uint16_t V) {
    std::string Field;
    Put16(Field, V);
    Bytes.replace(At, 2, Field);
    return Bytes;
}

inline std::string Cut(std::string Bytes, size_t Size) {
    Bytes.resize(Size);
    return Bytes;
}

// Offsets of the fields of a file with an info header.
namespace Bmp {
constexpr size_t DataOffset = 10;
constexpr size_t HeaderSize = 14;
constexpr size_t Width = 18;
constexpr size_t Height = 22;
constexpr size_t Planes = 26;
constexpr size_t Bits = 28;
constexpr size_t Compression = 30;
constexpr size_t ColorsUsed = 46;
constexpr size_t Table = 54;
} // namespace Bmp

struct BmpLayout {
    int32_t Width = 4;
    int32_t Height = 2;
    uint16_t Bits = 8;
    uint32_t Compression = 0;
    uint32_t ColorsUsed = 0; // 0: the full table for the depth
    std::string Pixels;      // empty: every padded row filled with index 1
};

// A Windows BMP with an info header: the colour table (entry i = i, i, i) right after the
// header, the pixel data right after the table.
inline std::string MakeBmp(const BmpLayout& L) {
    const size_t Entries = L.ColorsUsed != 0 ? L.ColorsUsed : L.Bits <= 8 ? (1u << L.Bits) : 0;
    std::string Pixels = L.Pixels;
    if (Pixels.empty() && L.Compression == 0) {
        const size_t Stride = (size_t(L.Width) * L.Bits + 31) / 32 * 4;
        Pixels.assign(Stride * size_t(L.Height < 0 ? -L.Height : L.Height), '\1');
    }
    const uint32_t Offset = uint32_t(14 + 40 + 4 * Entries);
    std::string Out = "BM";
    Put32(Out, uint32_t(Offset + Pixels.size()));
    Put32(Out, 0);
    Put32(Out, Offset);
    Put32(Out, 40);
    Put32(Out, uint32_t(L.Width));
    Put32(Out, uint32_t(L.Height));
    Put16(Out, 1);
    Put16(Out, L.Bits);
    Put32(Out, L.Compression);
    Put32(Out, uint32_t(Pixels.size()));
    Put32(Out, 2835);
    Put32(Out, 2835);
    Put32(Out, L.ColorsUsed);
    Put32(Out, 0);
    for (size_t I = 0; I < Entries; ++I) {
        Out += std::string(3, char(I));
        Out += '\0';
    }
    return Out + Pixels;
}

// The "BitmapData" form: Width, Height, Size, RunCount, then the run records.
inline std::string BitmapData(int32_t Width, int32_t Height, int32_t Size, int32_t RunCount,
                              const std::vector<uint16_t>& Counts = {}) {
    std::string Out;
    Put32(Out, uint32_t(Width));
    Put32(Out, uint32_t(Height));
    Put32(Out, uint32_t(Size));
    Put32(Out, uint32_t(RunCount));
    for (uint16_t Count : Counts) {
        Put16(Out, Count);
        Out += '\x07';
        Out += '\0';
    }
    return Out;
}

// 256 palette lines "1,2,3" joined by LF, with some lines replaced.
inline std::string PaletteText(int Count, const std::vector<std::pair<int, std::string>>& Bad) {
    std::vector<std::string> Lines(size_t(Count), "1,2,3");
    for (const auto& [Line, Text] : Bad)
        Lines[size_t(Line)] = Text;
    std::string Out;
    for (size_t I = 0; I < Lines.size(); ++I)
        Out += (I == 0 ? "" : "\n") + Lines[I];
    return Out;
}

inline std::vector<std::string> SplitLines(const std::string& Text) {
    std::vector<std::string> Lines;
    size_t Start = 0;
    for (size_t End; (End = Text.find('\n', Start)) != std::string::npos; Start = End + 1)
        Lines.push_back(Text.substr(Start, End - Start));
    Lines.push_back(Text.substr(Start));
    return Lines;
}

inline void WriteFile(const std::string& Path, const std::string& Bytes) {
    std::ofstream(Path, std::ios::binary) << Bytes;
}

inline std::string ReadFile(const std::string& Path) {
    std::ifstream In(Path, std::ios::binary);
    return {std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>()};
}

} // namespace Inputs
