#pragma once

#include "zonemap/ZoneSpriteSurface.h"

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

// Zone maps made by code, for the tests and the benchmarks.
namespace MapMaker {

inline std::string CoordinateText(const std::vector<TPoint>& Points) {
    std::string Text;
    for (const TPoint& P : Points)
        Text += std::to_string(P.X) + "," + std::to_string(P.Y) + ",";
    return Text;
}

// A hexagon of the grid: 20 wide, 20 high, rows 15 apart, odd rows shifted by 10, so each
// inner cell shares its six edges exactly with six others.
inline std::vector<TPoint> HexCell(int32_t Column, int32_t Row) {
    const int32_t X = Column * 20 + (Row % 2) * 10;
    const int32_t Y = Row * 15;
    return {{X, Y + 5},       {X + 10, Y},      {X + 20, Y + 5},
            {X + 20, Y + 15}, {X + 10, Y + 20}, {X, Y + 15}};
}

// Columns x Rows hexagons, named H<column>_<row>; every SeaEvery-th one (0: none) is sea.
inline void AddHexMap(TZoneSpriteSurface& Surface, int32_t Columns, int32_t Rows,
                      int32_t SeaEvery = 0) {
    int32_t N = 0;
    for (int32_t R = 0; R < Rows; ++R)
        for (int32_t C = 0; C < Columns; ++C, ++N) {
            const bool Sea = SeaEvery > 0 && N % SeaEvery == 0;
            Surface.AddZone(new TZone(&Surface, CoordinateText(HexCell(C, R)) + ";H" +
                                                    std::to_string(C) + "_" + std::to_string(R) +
                                                    ";" + (Sea ? "1" : "0") + ";"));
        }
}

// A hexagon map made awkward for neighbour building: cells missing, cells listed twice,
// polygons started at another vertex or run backwards, edges split by an extra vertex
// (which ends adjacency along them), repeated vertices, and random links (some of a zone
// to itself, some repeated, some between adjacent zones).
inline void AddRandomMap(TZoneSpriteSurface& Surface, int32_t Columns, int32_t Rows,
                         int32_t LinkTotal, uint32_t Seed) {
    std::mt19937 Random(Seed);
    const auto Chance = [&](int Percent) { return int(Random() % 100) < Percent; };
    for (int32_t R = 0; R < Rows; ++R)
        for (int32_t C = 0; C < Columns; ++C) {
            if (Chance(10))
                continue;
            std::vector<TPoint> P = HexCell(C, R);
            if (Chance(20)) {
                const size_t E = Random() % P.size();
                const TPoint A = P[E], B = P[(E + 1) % P.size()];
                P.insert(P.begin() + std::ptrdiff_t(E) + 1, {(A.X + B.X) / 2, (A.Y + B.Y) / 2});
            }
            if (Chance(10)) {
                const size_t V = Random() % P.size();
                P.insert(P.begin() + std::ptrdiff_t(V), P[V]);
            }
            std::rotate(P.begin(), P.begin() + std::ptrdiff_t(Random() % P.size()), P.end());
            if (Chance(50))
                std::reverse(P.begin(), P.end());
            const int Copies = Chance(5) ? 2 : 1;
            for (int K = 0; K < Copies; ++K)
                Surface.AddZone(new TZone(&Surface, CoordinateText(P) + ";Z;" +
                                                        (Chance(30) ? "1" : "0") + ";"));
        }
    if (Surface.ZoneCount() == 0)
        return;
    for (int32_t L = 0; L < LinkTotal; ++L) {
        const int32_t I = int32_t(Random() % uint32_t(Surface.ZoneCount()));
        TZone* A = Surface.Zone(I);
        TZone* B = Chance(5) ? A
                   : Chance(30) && I + 1 < Surface.ZoneCount()
                       ? Surface.Zone(I + 1)
                       : Surface.Zone(int32_t(Random() % uint32_t(Surface.ZoneCount())));
        Surface.AddLink(A, B);
        if (Chance(10))
            Surface.AddLink(B, A);
    }
}

} // namespace MapMaker
