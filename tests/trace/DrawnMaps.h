#pragma once

#include "trace/Tracer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <random>
#include <set>
#include <utility>
#include <vector>

// A map picture drawn by the tests, with the truth it was drawn from: the owner of every
// pixel (territory, sea, island or lake), lines split between the owners on either side.
struct TDrawnMap {
    TTracePicture Picture;
    std::vector<int32_t> Owner;
    std::vector<uint8_t> OwnerIsSea;
    std::vector<uint8_t> SeaColors;
    std::vector<uint8_t> BorderColors;
    // Owners meeting along at least MinContact pixel sides, and owners that meet at all.
    std::set<std::pair<int32_t, int32_t>> Touching;
    std::set<std::pair<int32_t, int32_t>> Meeting;
};

namespace drawn {

constexpr uint8_t Line = 3, Other = 4, River = 40, Icon = 41, SeaA = 60, SeaB = 61, Glow = 62;
constexpr uint8_t Lands[] = {20, 21, 22, 23};

inline void Pair(std::set<std::pair<int32_t, int32_t>>& Set, int32_t A, int32_t B) {
    Set.insert({std::min(A, B), std::max(A, B)});
}

// Territories of a jittered grid of seeds (nearest seed), the cells listed in SeaCells
// open sea (two seas: the first half one shade, the rest another, a line between them),
// an island in the first sea, a lake in territory LakeCell, a river, labels and icons.
// Lines are 1 to 3 pixels wide, in colour Line, or Other where two territories of an odd
// pair meet (a second border colour).
inline TDrawnMap DrawMap(int32_t Width, int32_t Height, int32_t Columns, int32_t Rows,
                         uint32_t Seed, std::vector<int32_t> SeaCells, int32_t LakeCell,
                         bool SecondLineColour = true) {
    std::mt19937 Random(Seed);
    std::vector<std::pair<double, double>> Seeds;
    const double CW = double(Width) / Columns, CH = double(Height) / Rows;
    for (int32_t R = 0; R < Rows; ++R)
        for (int32_t C = 0; C < Columns; ++C) {
            std::uniform_real_distribution<double> J(0.25, 0.75);
            Seeds.push_back({(C + J(Random)) * CW, (R + J(Random)) * CH});
        }
    const int32_t Cells = Columns * Rows;
    const int32_t Island = Cells, Lake = Cells + 1;
    TDrawnMap M;
    M.Picture.Width = Width;
    M.Picture.Height = Height;
    M.Picture.Pixels.assign(size_t(Width) * size_t(Height), 0);
    M.Owner.assign(M.Picture.Pixels.size(), -1);
    M.OwnerIsSea.assign(size_t(Cells) + 2, 0);
    for (int32_t S : SeaCells)
        M.OwnerIsSea[size_t(S)] = 1;
    M.OwnerIsSea[size_t(Lake)] = 1;
    const auto Nearest = [&](double X, double Y) {
        int32_t Best = 0;
        double D = 1e18;
        for (int32_t K = 0; K < Cells; ++K) {
            const double E = std::hypot(X - Seeds[size_t(K)].first, Y - Seeds[size_t(K)].second);
            if (E < D) {
                D = E;
                Best = K;
            }
        }
        return Best;
    };
    // Well inside a cell: its border is at least half the distance to the nearest seed away.
    const auto Room = [&](int32_t Cell) {
        double D = 1e18;
        for (int32_t K = 0; K < Cells; ++K)
            if (K != Cell)
                D = std::min(D, std::hypot(Seeds[size_t(K)].first - Seeds[size_t(Cell)].first,
                                           Seeds[size_t(K)].second - Seeds[size_t(Cell)].second));
        return 0.36 * D;
    };
    const auto At = [Width](int32_t X, int32_t Y) { return size_t(Y) * size_t(Width) + size_t(X); };
    const auto Sea0 = SeaCells.empty() ? -1 : SeaCells.front();
    for (int32_t Y = 0; Y < Height; ++Y)
        for (int32_t X = 0; X < Width; ++X) {
            int32_t O = Nearest(X + 0.5, Y + 0.5);
            const auto& S0 = Sea0 >= 0 ? Seeds[size_t(Sea0)] : std::pair<double, double>{-1e9, 0};
            const auto& L0 =
                LakeCell >= 0 ? Seeds[size_t(LakeCell)] : std::pair<double, double>{-1e9, 0};
            if (O == Sea0 && std::hypot(X + 0.5 - S0.first, Y + 0.5 - S0.second) < Room(Sea0))
                O = Island;
            else if (O == LakeCell &&
                     std::hypot(X + 0.5 - L0.first, Y + 0.5 - L0.second) < Room(LakeCell))
                O = Lake;
            M.Owner[At(X, Y)] = O;
        }
    // Fills: land inks by cell, sea shades by half, a glow along coasts.
    const size_t Half = SeaCells.size() / 2;
    const auto SeaInk = [&](int32_t O) {
        for (size_t K = 0; K < SeaCells.size(); ++K)
            if (SeaCells[K] == O)
                return K < Half ? SeaA : SeaB;
        return SeaA;
    };
    for (int32_t Y = 0; Y < Height; ++Y)
        for (int32_t X = 0; X < Width; ++X) {
            const int32_t O = M.Owner[At(X, Y)];
            M.Picture.Pixels[At(X, Y)] = M.OwnerIsSea[size_t(O)] ? SeaInk(O) : Lands[O % 4];
        }
    // A river across the land, under the lines.
    for (int32_t X = 0; X < Width; ++X) {
        const int32_t YC = int32_t(Height * 0.45 + 25 * std::sin(X / 40.0));
        for (int32_t Y = YC; Y < YC + 3; ++Y)
            if (!M.OwnerIsSea[size_t(M.Owner[At(X, Y)])])
                M.Picture.Pixels[At(X, Y)] = River;
    }
    // Lines: a pixel within the pair's half width of another owner (land pairs and pairs
    // of the two seas; coasts are the change of colour itself, with a glow on the sea side).
    const auto WidthOf = [](int32_t A, int32_t B) {
        return int32_t((uint32_t(std::min(A, B)) * 7u + uint32_t(std::max(A, B)) * 3u) % 3u) + 1;
    };
    std::vector<uint8_t> Ink = M.Picture.Pixels;
    for (int32_t Y = 0; Y < Height; ++Y)
        for (int32_t X = 0; X < Width; ++X) {
            const int32_t O = M.Owner[At(X, Y)];
            for (int32_t DY = -1; DY <= 1; ++DY)
                for (int32_t DX = -1; DX <= 1; ++DX) {
                    const int32_t NX = X + DX, NY = Y + DY;
                    if ((DX != 0) == (DY != 0) || NX < 0 || NY < 0 || NX >= Width || NY >= Height)
                        continue;
                    const int32_t N = M.Owner[At(NX, NY)];
                    if (N == O)
                        continue;
                    const bool SeaO = M.OwnerIsSea[size_t(O)], SeaN = M.OwnerIsSea[size_t(N)];
                    if (SeaO != SeaN) {
                        if (SeaO)
                            Ink[At(X, Y)] = Glow;
                        continue;
                    }
                    // Lines are drawn on the lower-numbered side, W pixels wide.
                    if (O > N || O == Island || N == Island)
                        continue;
                    const int32_t W = WidthOf(O, N);
                    const uint8_t Colour = SecondLineColour && (O + N) % 5 == 0 ? Other : Line;
                    for (int32_t K = 0; K < W; ++K) {
                        const int32_t PX = X - DX * K, PY = Y - DY * K;
                        if (PX >= 0 && PY >= 0 && PX < Width && PY < Height)
                            Ink[At(PX, PY)] = Colour;
                    }
                }
        }
    M.Picture.Pixels = std::move(Ink);
    // Labels in the line colour and icons, inside territories.
    for (int32_t K = 0; K < Cells; ++K) {
        if (M.OwnerIsSea[size_t(K)])
            continue;
        const int32_t X0 = int32_t(Seeds[size_t(K)].first) - 12,
                      Y0 = int32_t(Seeds[size_t(K)].second) + 18;
        for (int32_t Letter = 0; Letter < 3; ++Letter)
            for (int32_t Y = 0; Y < 7; ++Y)
                for (int32_t X = 0; X < 5; ++X)
                    if ((X == 0 || X == 4 || Y == 0 || Y == 6) &&
                        M.Owner[At(X0 + Letter * 7 + X, Y0 + Y)] == K)
                        M.Picture.Pixels[At(X0 + Letter * 7 + X, Y0 + Y)] = Line;
        for (int32_t Y = 0; Y < 6; ++Y)
            for (int32_t X = 0; X < 6; ++X)
                if (M.Owner[At(X0 + X, Y0 - 14 + Y)] == K)
                    M.Picture.Pixels[At(X0 + X, Y0 - 14 + Y)] = Icon;
    }
    M.SeaColors = {SeaA, SeaB, Glow};
    M.BorderColors =
        SecondLineColour ? std::vector<uint8_t>{Line, Other} : std::vector<uint8_t>{Line};
    std::map<std::pair<int32_t, int32_t>, int32_t> Contact;
    for (int32_t Y = 0; Y < Height; ++Y)
        for (int32_t X = 0; X < Width; ++X) {
            const int32_t O = M.Owner[At(X, Y)];
            if (X + 1 < Width && M.Owner[At(X + 1, Y)] != O)
                ++Contact[{std::min(O, M.Owner[At(X + 1, Y)]), std::max(O, M.Owner[At(X + 1, Y)])}];
            if (Y + 1 < Height && M.Owner[At(X, Y + 1)] != O)
                ++Contact[{std::min(O, M.Owner[At(X, Y + 1)]), std::max(O, M.Owner[At(X, Y + 1)])}];
        }
    for (const auto& [Owners, Length] : Contact) {
        M.Meeting.insert(Owners);
        // A border shorter than two grid steps may fold into a corner on the grid.
        if (Length >= 12)
            M.Touching.insert(Owners);
    }
    return M;
}

} // namespace drawn
