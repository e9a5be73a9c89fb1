#include "WigglyGrid.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace {

struct TXY {
    int32_t X, Y;
};

uint64_t Hash(uint64_t H) {
    H ^= H >> 33;
    H *= 0xff51afd7ed558ccdull;
    H ^= H >> 33;
    H *= 0xc4ceb9fe1a85ec53ull;
    H ^= H >> 33;
    return H;
}

// Offset across a side at distance T along it: below T / 2 and (Cell - T) / 2, so the
// four sides meeting at a corner stay in four disjoint wedges and never cross.
int32_t Wiggle(uint64_t Side, int32_t I, int32_t T, int32_t Cell) {
    const int32_t Room = std::min(T, Cell - T);
    const double Unit = double(int64_t(Hash(Side * 1000003u + uint64_t(I)) % 2001) - 1000) / 1000;
    return int32_t(Unit * 0.45 * std::min(Room, 40));
}

// The points of a side from corner (X, Y) along +x (Horizontal) or +y, corners excluded.
std::vector<TXY> SideInterior(const TWigglyGridOptions& O, int32_t X, int32_t Y, bool Horizontal) {
    const uint64_t Side =
        (uint64_t(uint32_t(Y)) << 33) ^ (uint64_t(uint32_t(X)) << 1) ^ (Horizontal ? 1u : 0u);
    std::vector<TXY> Points;
    for (int32_t I = 1; I < O.Segments; ++I) {
        const int32_t T = int32_t((int64_t(I) * O.Cell + O.Segments / 2) / O.Segments);
        // The map's outer border stays straight, inside the background.
        const bool Outer =
            Horizontal ? Y == 0 || Y == O.Rows * O.Cell : X == 0 || X == O.Columns * O.Cell;
        const int32_t W = Outer ? 0 : Wiggle(Side, I, T, O.Cell);
        Points.push_back(Horizontal ? TXY{X + T, Y + W} : TXY{X + W, Y + T});
    }
    return Points;
}

void Append(std::string& S, int32_t V) {
    char Digits[16];
    const int N = std::snprintf(Digits, sizeof Digits, "%d", V);
    S.append(Digits, size_t(N));
}

void WriteLe(std::string& S, uint32_t V, int Bytes) {
    for (int I = 0; I < Bytes; ++I)
        S += char((V >> (8 * I)) & 0xFF);
}

// An uncompressed bottom-up 8-bit bitmap with a full colour table.
void WriteBitmap(const std::string& Path, int32_t Size) {
    const uint32_t Row = uint32_t(Size + 3) & ~3u;
    const uint32_t Offset = 14 + 40 + 256 * 4;
    std::string B;
    B += "BM";
    WriteLe(B, Offset + Row * uint32_t(Size), 4);
    WriteLe(B, 0, 4);
    WriteLe(B, Offset, 4);
    WriteLe(B, 40, 4);
    WriteLe(B, uint32_t(Size), 4);
    WriteLe(B, uint32_t(Size), 4);
    WriteLe(B, 1, 2);
    WriteLe(B, 8, 2);
    WriteLe(B, 0, 4);
    WriteLe(B, Row * uint32_t(Size), 4);
    WriteLe(B, 2835, 4);
    WriteLe(B, 2835, 4);
    WriteLe(B, 256, 4);
    WriteLe(B, 0, 4);
    for (uint32_t I = 0; I < 256; ++I)
        WriteLe(B, (I << 16) | ((255 - I) << 8) | (I / 2), 4);
    std::string Line(Row, '\0');
    for (int32_t Y = Size - 1; Y >= 0; --Y) {
        for (int32_t X = 0; X < Size; ++X)
            Line[size_t(X)] = char(10 + ((X / 64) ^ (Y / 48)) % 200);
        B += Line;
    }
    std::ofstream Out(Path, std::ios::binary | std::ios::trunc);
    Out.write(B.data(), std::streamsize(B.size()));
    if (!Out.flush())
        throw std::runtime_error("cannot write " + Path);
}

} // namespace

bool WigglyGridIsSea(const TWigglyGridOptions& O, int32_t Row, int32_t Column) {
    return Column >= O.Columns * 2 / 5 && Column < O.Columns * 3 / 5 && Row % 25 != 0;
}

std::string WigglyGridZoneText(const TWigglyGridOptions& O, int32_t Row, int32_t Column) {
    if (O.Segments < 1 || O.Segments > O.Cell)
        throw std::invalid_argument("segments per side must be 1 .. cell size");
    const int32_t L = Column * O.Cell, T = Row * O.Cell, R = L + O.Cell, B = T + O.Cell;
    std::vector<TXY> Outline{{L, T}};
    const auto Add = [&](std::vector<TXY> Side, bool Reverse) {
        if (Reverse)
            std::reverse(Side.begin(), Side.end());
        Outline.insert(Outline.end(), Side.begin(), Side.end());
    };
    Add(SideInterior(O, L, T, true), false);
    Outline.push_back({R, T});
    Add(SideInterior(O, R, T, false), false);
    Outline.push_back({R, B});
    Add(SideInterior(O, L, B, true), true);
    Outline.push_back({L, B});
    Add(SideInterior(O, L, T, false), true);

    std::string S;
    S.reserve(Outline.size() * 12 + 32);
    for (const TXY& P : Outline) {
        Append(S, P.X);
        S += ',';
        Append(S, P.Y);
        S += ',';
    }
    const bool Sea = WigglyGridIsSea(O, Row, Column);
    S += Sea ? ";Sea" : ";Land";
    Append(S, Row * O.Columns + Column + 1);
    S += Sea ? ";1;" : ";0;";
    if (O.WithNeighbors) {
        // In zone-list order, as neighbour building gives them.
        const int32_t N = Row * O.Columns + Column;
        for (const int32_t M :
             {Row > 0 ? N - O.Columns : -1, Column > 0 ? N - 1 : -1,
              Column + 1 < O.Columns ? N + 1 : -1, Row + 1 < O.Rows ? N + O.Columns : -1})
            if (M >= 0) {
                Append(S, M);
                S += '#';
            }
    }
    return S;
}

TWigglyGridFiles WriteWigglyGrid(const std::string& Directory, const TWigglyGridOptions& O) {
    TWigglyGridFiles F;
    F.MapSet = Directory + "/wiggly.mapset";
    F.Bitmap = Directory + "/wiggly.bmp";
    WriteBitmap(F.Bitmap, O.Bitmap);
    std::ofstream Out(F.MapSet, std::ios::binary | std::ios::trunc);
    Out << "Bitmap=wiggly.bmp\r\n";
    for (int32_t Y = 0; Y < O.Rows * O.Cell; Y += O.Bitmap)
        for (int32_t X = 0; X < O.Columns * O.Cell; X += O.Bitmap)
            Out << "Element=wiggly.bmp:" << X << "," << Y << "\r\n";
    for (int32_t Row = 0; Row < O.Rows; ++Row)
        for (int32_t Column = 0; Column < O.Columns; ++Column)
            Out << "Zone=" << WigglyGridZoneText(O, Row, Column) << "\r\n";
    F.MapSetBytes = int64_t(Out.tellp());
    if (!Out.flush())
        throw std::runtime_error("cannot write " + F.MapSet);
    F.ZoneCount = O.Rows * O.Columns;
    F.PointCount = int64_t(F.ZoneCount) * 4 * O.Segments;
    return F;
}
