// `zonewright-cli trace` on a stand-in for a real map drawn with another game's tools,
// told only its sea colours, and how well the zones match the truth it was drawn from.
//
// The picture: 3584 x 2816, about 310 territories of one land colour (islands among them)
// with dark border lines 1-2 pixels wide and 6 wide between countries, a dark coast line,
// seas of blue shades (about 40 sea zones) with a dithered glow along the coasts and light
// lines between the sea zones, lettering and town marks, and a plain margin round a framed
// map. Counters: the share of territories and sea zones whose best zone has an intersection
// over union of at least 0.85 and 0.90, the recall of the traced neighbours against the
// pairs that meet along 6 pixel sides or more and their precision against the pairs that
// meet at all, the check's findings (by kind in the label), and the vertices of all zones.

#include "BenchMain.h"
#include "cli/Commands.h"
#include "cli/MapSession.h"
#include "mapcheck/MapChecks.h"
#include "platform/Bitmap.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int32_t Width = 3584, Height = 2816, Margin = 48;
constexpr uint8_t Plain = 20, Ink = 31, Land = 30, Town = 33, SeaLine = 52, SeaInk = 53;
// Open sea in two shades, then the glow: eight shades, the lightest at the coast, dithered
// into each other over GlowWidth pixels.
constexpr uint8_t Seas[] = {40, 41, 42, 43, 44, 45, 46, 47, 48, 49};
constexpr int32_t Glows = 8, GlowWidth = 18;

struct TStandIn {
    std::vector<uint8_t> Pixels;
    std::vector<int32_t> Owner; // -1 on the frame and the margin
    std::vector<uint8_t> OwnerIsSea;
    // Owners meeting along at least MinContact pixel sides, and owners that meet at all.
    std::set<std::pair<int32_t, int32_t>> Touching, Meeting;
};

constexpr int64_t MinContact = 6;

uint32_t Hash(uint32_t A, uint32_t B, uint32_t C) {
    uint32_t H =
        A * 0x9E3779B1u ^ (B + 0x7F4A7C15u) * 0x85EBCA77u ^ (C + 0x165667B1u) * 0xC2B2AE3Du;
    H ^= H >> 15;
    H *= 0x2C1B3C6Du;
    H ^= H >> 12;
    return H;
}

// Smooth value noise in [0, 1), several octaves.
double Noise(double X, double Y, uint32_t Seed) {
    double Sum = 0, Scale = 1, Total = 0;
    for (uint32_t Octave = 0; Octave < 4; ++Octave) {
        const double FX = std::floor(X), FY = std::floor(Y);
        const double TX = X - FX, TY = Y - FY;
        const double SX = TX * TX * (3 - 2 * TX), SY = TY * TY * (3 - 2 * TY);
        const auto V = [&](double DX, double DY) {
            return double(
                       Hash(uint32_t(int32_t(FX + DX)), uint32_t(int32_t(FY + DY)), Seed + Octave) &
                       0xFFFF) /
                   65536.0;
        };
        const double Top = V(0, 0) + (V(1, 0) - V(0, 0)) * SX;
        const double Bottom = V(0, 1) + (V(1, 1) - V(0, 1)) * SX;
        Sum += Scale * (Top + (Bottom - Top) * SY);
        Total += Scale;
        Scale *= 0.5;
        X *= 2.03;
        Y *= 2.03;
    }
    return Sum / Total;
}

bool InMap(int32_t X, int32_t Y) {
    return X >= Margin && Y >= Margin && X < Width - Margin && Y < Height - Margin;
}

// Labels the 4-connected parts of the pixels where Inside holds; returns their sizes.
template <class TInside> std::vector<int64_t> Parts(std::vector<int32_t>& Part, TInside&& Inside) {
    Part.assign(size_t(Width) * Height, -1);
    std::vector<int64_t> Sizes;
    std::vector<uint32_t> Stack;
    for (uint32_t I = 0; I < Part.size(); ++I) {
        if (Part[I] >= 0 || !Inside(I))
            continue;
        const int32_t Id = int32_t(Sizes.size());
        Sizes.push_back(0);
        Part[I] = Id;
        Stack.push_back(I);
        while (!Stack.empty()) {
            const uint32_t J = Stack.back();
            Stack.pop_back();
            ++Sizes.back();
            const int32_t X = int32_t(J % Width), Y = int32_t(J / Width);
            for (const uint32_t N : {X > 0 ? J - 1 : J, X + 1 < Width ? J + 1 : J,
                                     Y > 0 ? J - Width : J, Y + 1 < Height ? J + Width : J})
                if (Part[N] < 0 && Inside(N)) {
                    Part[N] = Id;
                    Stack.push_back(N);
                }
        }
    }
    return Sizes;
}

// Grows owners from their seeds over the pixels of one kind, each pixel to the seed nearest
// it (through wiggly coordinates) among those that reach it through the kind: territories
// shaped like a Voronoi diagram with wandering borders, each in one piece.
void Grow(std::vector<int32_t>& Owner, const std::vector<uint8_t>& IsKind,
          const std::vector<std::pair<int32_t, int32_t>>& Seeds, int32_t FirstOwner) {
    const auto Warped = [](int32_t X, int32_t Y, double& WX, double& WY) {
        WX = X + 9 * std::sin(Y / 23.0 + std::sin(X / 71.0)) + 5 * std::sin(Y / 9.0 + X / 31.0);
        WY = Y + 9 * std::sin(X / 27.0 + std::sin(Y / 83.0)) + 5 * std::sin(X / 11.0 - Y / 37.0);
    };
    std::vector<std::vector<uint32_t>> Buckets(4096);
    std::vector<int32_t> Best(Owner.size(), -1);
    std::vector<uint16_t> BestKey(Owner.size(), 0xFFFF);
    size_t Now = 0;
    const auto Offer = [&](uint32_t I, int32_t K) {
        double WX, WY;
        Warped(int32_t(I % Width), int32_t(I / Width), WX, WY);
        const double D = std::hypot(WX - Seeds[size_t(K)].first, WY - Seeds[size_t(K)].second);
        // Never behind the bucket being taken, which would leave the pixel unreached.
        const uint16_t Key = uint16_t(std::max(double(Now), std::min(4095.0, D)));
        if (Key < BestKey[I]) {
            BestKey[I] = Key;
            Best[I] = K;
            Buckets[Key].push_back(I);
        }
    };
    for (size_t K = 0; K < Seeds.size(); ++K)
        Offer(uint32_t(Seeds[K].second) * Width + uint32_t(Seeds[K].first), int32_t(K));
    for (size_t Key = 0; Key < Buckets.size(); Now = ++Key)
        for (size_t Q = 0; Q < Buckets[Key].size(); ++Q) {
            const uint32_t I = Buckets[Key][Q];
            if (Owner[I] >= 0 || BestKey[I] != Key)
                continue;
            Owner[I] = FirstOwner + Best[I];
            const int32_t X = int32_t(I % Width), Y = int32_t(I / Width);
            for (const uint32_t N : {X > 0 ? I - 1 : I, X + 1 < Width ? I + 1 : I,
                                     Y > 0 ? I - Width : I, Y + 1 < Height ? I + Width : I})
                if (Owner[N] < 0 && IsKind[N])
                    Offer(N, Best[I]);
        }
}

TStandIn Draw() {
    TStandIn M;
    const size_t N = size_t(Width) * Height;
    // Land and sea: continents of noise, islands scattered over the sea.
    std::vector<uint8_t> IsLand(N, 0);
    std::vector<double> Height01(N);
    for (int32_t Y = 0; Y < Height; ++Y)
        for (int32_t X = 0; X < Width; ++X)
            Height01[size_t(Y) * Width + size_t(X)] = Noise(X / 900.0, Y / 900.0, 11);
    std::vector<double> Sample;
    for (size_t I = 0; I < N; I += 97)
        Sample.push_back(Height01[I]);
    std::nth_element(Sample.begin(), Sample.begin() + std::ptrdiff_t(Sample.size() * 42 / 100),
                     Sample.end());
    const double SeaLevel = Sample[Sample.size() * 42 / 100];
    for (size_t I = 0; I < N; ++I)
        IsLand[I] = InMap(int32_t(I % Width), int32_t(I / Width)) && Height01[I] > SeaLevel;
    Height01 = {};
    std::mt19937 Random(2816);
    for (int K = 0; K < 40; ++K) {
        std::uniform_int_distribution<int32_t> PX(Margin + 60, Width - Margin - 60);
        std::uniform_int_distribution<int32_t> PY(Margin + 60, Height - Margin - 60);
        const int32_t CX = PX(Random), CY = PY(Random);
        const double R = std::uniform_real_distribution<double>(9, 38)(Random);
        bool Open = true;
        for (int32_t Y = CY - int32_t(R) - 30; Open && Y <= CY + int32_t(R) + 30; Y += 3)
            for (int32_t X = CX - int32_t(R) - 30; Open && X <= CX + int32_t(R) + 30; X += 3)
                Open = !IsLand[size_t(Y) * Width + size_t(X)];
        if (!Open)
            continue;
        for (int32_t Y = CY - 2 * int32_t(R); Y <= CY + 2 * int32_t(R); ++Y)
            for (int32_t X = CX - 2 * int32_t(R); X <= CX + 2 * int32_t(R); ++X) {
                const double A = std::atan2(Y - CY, X - CX);
                const double Edge = R * (1 + 0.25 * std::sin(3 * A + K) + 0.1 * std::sin(7 * A));
                if (std::hypot(X - CX, Y - CY) < Edge)
                    IsLand[size_t(Y) * Width + size_t(X)] = 1;
            }
    }
    // Specks of land or sea too small to be a territory go to the other side.
    std::vector<int32_t> Part;
    for (int Kind = 1; Kind >= 0; --Kind) {
        const std::vector<int64_t> Sizes = Parts(Part, [&](uint32_t I) {
            return InMap(int32_t(I % Width), int32_t(I / Width)) && IsLand[I] == Kind;
        });
        for (size_t I = 0; I < N; ++I)
            if (Part[I] >= 0 && Sizes[size_t(Part[I])] < 600)
                IsLand[I] = uint8_t(1 - Kind);
    }

    // Territories from seeds on a jittered grid, well inside the land; seas likewise.
    M.Owner.assign(N, -1);
    std::vector<std::pair<int32_t, int32_t>> LandSeeds, SeaSeeds;
    const auto Scatter = [&](int32_t Spacing, int Kind,
                             std::vector<std::pair<int32_t, int32_t>>& Out) {
        std::uniform_real_distribution<double> J(0.15, 0.85);
        for (int32_t GY = Margin; GY + Spacing <= Height - Margin; GY += Spacing)
            for (int32_t GX = Margin; GX + Spacing <= Width - Margin; GX += Spacing) {
                const int32_t X = GX + int32_t(J(Random) * Spacing);
                const int32_t Y = GY + int32_t(J(Random) * Spacing);
                bool Inside = true;
                for (int32_t DY = -12; DY <= 12 && Inside; DY += 4)
                    for (int32_t DX = -12; DX <= 12 && Inside; DX += 4)
                        Inside = IsLand[size_t(Y + DY) * Width + size_t(X + DX)] == Kind;
                if (Inside)
                    Out.push_back({X, Y});
            }
    };
    Scatter(130, 1, LandSeeds);
    Scatter(300, 0, SeaSeeds);
    std::vector<uint8_t> IsSea(N);
    for (size_t I = 0; I < N; ++I)
        IsSea[I] = InMap(int32_t(I % Width), int32_t(I / Width)) && !IsLand[I];
    Grow(M.Owner, IsLand, LandSeeds, 0);
    Grow(M.Owner, IsSea, SeaSeeds, int32_t(LandSeeds.size()));
    M.OwnerIsSea.assign(LandSeeds.size(), 0);
    M.OwnerIsSea.resize(LandSeeds.size() + SeaSeeds.size(), 1);
    // Land or sea that no seed reached (islands, lakes) is an owner of its own.
    const std::vector<int64_t> Sizes = Parts(Part, [&](uint32_t I) {
        return M.Owner[I] < 0 && InMap(int32_t(I % Width), int32_t(I / Width));
    });
    std::vector<int32_t> OwnerOfPart(Sizes.size(), -1);
    for (size_t I = 0; I < N; ++I)
        if (Part[I] >= 0) {
            int32_t& O = OwnerOfPart[size_t(Part[I])];
            if (O < 0) {
                O = int32_t(M.OwnerIsSea.size());
                M.OwnerIsSea.push_back(!IsLand[I]);
            }
            M.Owner[I] = O;
        }
    IsSea = {};
    Part = {};

    // Countries: territories grouped by the nearest of a few capitals.
    std::vector<int32_t> Country(M.OwnerIsSea.size(), -1);
    for (size_t K = 0; K < LandSeeds.size(); ++K)
        Country[K] = int32_t((LandSeeds[K].first / 700) * 7 + LandSeeds[K].second / 700);

    // The picture: fills, glow, lines, lettering and towns, frame and margin.
    M.Pixels.assign(N, Plain);
    std::vector<int32_t> Coast(N, 1 << 20); // chamfer distance (3 per step) from the land
    for (size_t I = 0; I < N; ++I)
        if (M.Owner[I] >= 0 && !M.OwnerIsSea[size_t(M.Owner[I])])
            Coast[I] = 0;
    for (int Pass = 0; Pass < 2; ++Pass)
        for (size_t K = 0; K < N; ++K) {
            const size_t I = Pass == 0 ? K : N - 1 - K;
            const int32_t X = int32_t(I % Width), Y = int32_t(I / Width);
            const int32_t S = Pass == 0 ? -1 : 1;
            int32_t& D = Coast[I];
            const auto From = [&](int32_t DX, int32_t DY, int32_t Step) {
                const int32_t NX = X + DX * S, NY = Y + DY * S;
                if (NX >= 0 && NY >= 0 && NX < Width && NY < Height)
                    D = std::min(D, Coast[size_t(NY) * Width + size_t(NX)] + Step);
            };
            From(1, 0, 3);
            From(0, 1, 3);
            From(1, 1, 4);
            From(-1, 1, 4);
        }
    for (size_t I = 0; I < N; ++I) {
        const int32_t O = M.Owner[I];
        if (O < 0)
            continue;
        if (!M.OwnerIsSea[size_t(O)]) {
            M.Pixels[I] = Land;
            continue;
        }
        static const int32_t Bayer[4][4] = {
            {0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
        const int32_t X = int32_t(I % Width), Y = int32_t(I / Width);
        const double Level = Coast[I] / 3.0 / GlowWidth * Glows + (Bayer[Y % 4][X % 4] + 0.5) / 16;
        const int32_t Shade = std::clamp(int32_t(Level), 0, Glows);
        M.Pixels[I] = Shade == Glows ? Seas[O % 2] : Seas[2 + Shade];
    }
    Coast = {};
    // A border between owners A and B: pixels on A's side back from it up to the width.
    const auto Width2 = [&](int32_t A, int32_t B, int32_t& OnA, int32_t& OnB, uint8_t& Color) {
        const bool SA = M.OwnerIsSea[size_t(A)], SB = M.OwnerIsSea[size_t(B)];
        Color = SA && SB ? SeaLine : Ink;
        int32_t W = 1;
        if (!SA && !SB)
            W = Country[size_t(A)] >= 0 && Country[size_t(B)] >= 0 &&
                        Country[size_t(A)] != Country[size_t(B)]
                    ? 6
                    : 1 + int32_t(Hash(uint32_t(std::min(A, B)), uint32_t(std::max(A, B)), 5) % 2);
        // A coast line lies on the land; a line of one pixel on the lower owner's side.
        OnA = SA != SB ? (SA ? 0 : W) : (W + (A < B)) / 2;
        OnB = W - OnA;
    };
    for (int Round = 0; Round < 2; ++Round) // sea lines first, land lines over them
        for (int32_t Y = 0; Y < Height; ++Y)
            for (int32_t X = 0; X < Width; ++X)
                for (int Axis = 0; Axis < 2; ++Axis) {
                    const int32_t DX = Axis == 0, DY = Axis == 1;
                    if (X + DX >= Width || Y + DY >= Height)
                        continue;
                    const int32_t A = M.Owner[size_t(Y) * Width + size_t(X)];
                    const int32_t B = M.Owner[size_t(Y + DY) * Width + size_t(X + DX)];
                    if (A == B || A < 0 || B < 0)
                        continue;
                    int32_t OnA, OnB;
                    uint8_t Color;
                    Width2(A, B, OnA, OnB, Color);
                    if ((Color == SeaLine) != (Round == 0))
                        continue;
                    for (int32_t K = 0; K < OnA; ++K) {
                        const int32_t PX = X - K * DX, PY = Y - K * DY;
                        if (PX >= 0 && PY >= 0 && M.Owner[size_t(PY) * Width + size_t(PX)] == A)
                            M.Pixels[size_t(PY) * Width + size_t(PX)] = Color;
                    }
                    for (int32_t K = 0; K < OnB; ++K) {
                        const int32_t PX = X + DX + K * DX, PY = Y + DY + K * DY;
                        if (PX < Width && PY < Height &&
                            M.Owner[size_t(PY) * Width + size_t(PX)] == B)
                            M.Pixels[size_t(PY) * Width + size_t(PX)] = Color;
                    }
                }
    // Names in a 3 x 5 pixel font (some letters closed, leaving specks inside), and a town
    // mark in some territories.
    static const uint16_t Glyphs[] = {0x7B6F, 0x2C97, 0x73E7, 0x79E7, 0x49ED, 0x79CF, 0x7BCF,
                                      0x4927, 0x7BEF, 0x79EF, 0x5BEA, 0x3B6B, 0x7249, 0x5B6D};
    const auto Write = [&](int32_t CX, int32_t CY, int32_t Letters, int32_t Scale, uint8_t Color,
                           uint32_t Seed) {
        const int32_t X0 = CX - Letters * 4 * Scale / 2, Y0 = CY - 5 * Scale / 2;
        for (int32_t L = 0; L < Letters; ++L) {
            const uint16_t G = Glyphs[Hash(Seed, uint32_t(L), 9) % std::size(Glyphs)];
            for (int32_t R = 0; R < 5 * Scale; ++R)
                for (int32_t C = 0; C < 3 * Scale; ++C)
                    if ((G >> ((R / Scale) * 3 + C / Scale)) & 1)
                        M.Pixels[size_t(Y0 + R) * Width + size_t(X0 + L * 4 * Scale + C)] = Color;
        }
    };
    for (size_t K = 0; K < LandSeeds.size(); ++K) {
        const auto [X, Y] = LandSeeds[K];
        Write(X, Y, 4 + int32_t(Hash(uint32_t(K), 1, 2) % 5), 1 + int32_t(K % 2), Ink, uint32_t(K));
        if (K % 3 == 0)
            for (int32_t DY = 0; DY < 7; ++DY)
                for (int32_t DX = 0; DX < 7; ++DX)
                    M.Pixels[size_t(Y + 12 + DY) * Width + size_t(X - 3 + DX)] =
                        DX == 0 || DY == 0 || DX == 6 || DY == 6 ? Ink : Town;
    }
    for (size_t K = 0; K < SeaSeeds.size(); ++K)
        Write(SeaSeeds[K].first, SeaSeeds[K].second, 5, 2, SeaInk, uint32_t(K + 1000));
    for (int32_t Y = Margin - 2; Y < Height - Margin + 2; ++Y)
        for (int32_t X = Margin - 2; X < Width - Margin + 2; ++X)
            if (!InMap(X, Y))
                M.Pixels[size_t(Y) * Width + size_t(X)] = Ink;

    std::map<std::pair<int32_t, int32_t>, int64_t> Contacts;
    for (int32_t Y = 0; Y < Height; ++Y)
        for (int32_t X = 0; X < Width; ++X) {
            const int32_t A = M.Owner[size_t(Y) * Width + size_t(X)];
            for (const auto& [DX, DY] : {std::pair{1, 0}, std::pair{0, 1}}) {
                if (X + DX >= Width || Y + DY >= Height)
                    continue;
                const int32_t B = M.Owner[size_t(Y + DY) * Width + size_t(X + DX)];
                if (A != B && A >= 0 && B >= 0)
                    ++Contacts[{std::min(A, B), std::max(A, B)}];
            }
        }
    for (const auto& [Pair, Length] : Contacts) {
        M.Meeting.insert(Pair);
        if (Length >= MinContact)
            M.Touching.insert(Pair);
    }
    return M;
}

const TStandIn& StandIn() {
    static const TStandIn M = Draw();
    return M;
}

// The first zone (in zone order) whose outline holds each pixel's centre.
std::vector<int32_t> ZonePixels(TZoneSpriteSurface& S) {
    std::vector<int32_t> Shown(size_t(Width) * Height, -1);
    std::vector<double> Xs;
    for (int32_t K = 0; K < S.ZoneCount(); ++K) {
        const TZone& Z = *S.Zone(K);
        int32_t Top = Height, Bottom = 0;
        for (int32_t I = 0; I < Z.PointCount(); ++I) {
            Top = std::min(Top, Z.Point(I).Y);
            Bottom = std::max(Bottom, Z.Point(I).Y);
        }
        for (int32_t Y = std::max(0, Top); Y < std::min(Height, Bottom + 1); ++Y) {
            const double YC = Y + 0.5;
            Xs.clear();
            for (int32_t I = 0; I < Z.PointCount(); ++I) {
                const TPoint A = Z.Point(I), B = Z.Point((I + 1) % Z.PointCount());
                if ((A.Y <= YC) != (B.Y <= YC))
                    Xs.push_back(A.X + (YC - A.Y) * (B.X - A.X) / double(B.Y - A.Y));
            }
            std::sort(Xs.begin(), Xs.end());
            for (size_t I = 0; I + 1 < Xs.size(); I += 2)
                for (int32_t X = std::max(0, int32_t(std::ceil(Xs[I] - 0.5)));
                     X < std::min(Width, int32_t(std::ceil(Xs[I + 1] - 0.5))); ++X) {
                    int32_t& P = Shown[size_t(Y) * Width + size_t(X)];
                    if (P < 0)
                        P = K;
                }
        }
    }
    return Shown;
}

struct TMeasures {
    double Share85 = 0, Share90 = 0, Recall = 0, Precision = 0;
    int64_t Vertices = 0, Findings = 0, Zones = 0, Territories = 0;
    std::map<std::string, int64_t> ByKind;
};

TMeasures Measure(const TStandIn& M, const std::string& Traced) {
    TMapSession Session;
    TFinding Error;
    if (!Session.Load(Traced, Error))
        throw std::runtime_error("the traced map does not load: " + Error.Message);
    TZoneSpriteSurface& S = Session.Surface();
    TMeasures R;
    R.Zones = S.ZoneCount();
    for (const TFinding& F : CheckMapSet(S)) {
        ++R.Findings;
        ++R.ByKind[F.Kind];
    }
    for (int32_t K = 0; K < S.ZoneCount(); ++K)
        R.Vertices += S.Zone(K)->PointCount();

    const std::vector<int32_t> Shown = ZonePixels(S);
    const size_t Owners = M.OwnerIsSea.size();
    std::vector<std::map<int32_t, int64_t>> Overlap(Owners);
    std::vector<int64_t> OwnerArea(Owners, 0), ZoneArea(size_t(S.ZoneCount()), 0);
    for (size_t I = 0; I < Shown.size(); ++I) {
        if (Shown[I] >= 0)
            ++ZoneArea[size_t(Shown[I])];
        if (M.Owner[I] >= 0) {
            ++OwnerArea[size_t(M.Owner[I])];
            if (Shown[I] >= 0)
                ++Overlap[size_t(M.Owner[I])][Shown[I]];
        }
    }
    int64_t At85 = 0, At90 = 0;
    for (size_t O = 0; O < Owners; ++O) {
        double Best = 0;
        for (const auto& [Z, Both] : Overlap[O])
            Best = std::max(Best, double(Both) / double(OwnerArea[O] + ZoneArea[size_t(Z)] - Both));
        At85 += Best >= 0.85;
        At90 += Best >= 0.90;
    }
    R.Territories = int64_t(Owners);
    R.Share85 = double(At85) / double(Owners);
    R.Share90 = double(At90) / double(Owners);

    // Each zone stands for the owner it covers most.
    std::vector<std::map<int32_t, int64_t>> ByZone(ZoneArea.size());
    for (size_t O = 0; O < Owners; ++O)
        for (const auto& [Z, Both] : Overlap[O])
            ByZone[size_t(Z)][int32_t(O)] = Both;
    std::vector<int32_t> OwnerOf(ZoneArea.size(), -1);
    for (size_t Z = 0; Z < ByZone.size(); ++Z) {
        int64_t Most = 0;
        for (const auto& [O, Both] : ByZone[Z])
            if (Both > Most) {
                Most = Both;
                OwnerOf[Z] = O;
            }
    }
    std::set<std::pair<int32_t, int32_t>> Found;
    for (int32_t K = 0; K < S.ZoneCount(); ++K)
        for (int32_t J = 0; J < S.Zone(K)->NeighborCount(); ++J) {
            const int32_t A = OwnerOf[size_t(K)];
            const int32_t B = OwnerOf[size_t(S.Zone(K)->Neighbor(J)->Index())];
            if (A >= 0 && B >= 0 && A != B)
                Found.insert({std::min(A, B), std::max(A, B)});
        }
    int64_t Hit = 0, Right = 0;
    for (const auto& Pair : M.Touching)
        Hit += Found.count(Pair);
    for (const auto& Pair : Found)
        Right += M.Meeting.count(Pair);
    R.Recall = double(Hit) / double(M.Touching.size());
    R.Precision = Found.empty() ? 0 : double(Right) / double(Found.size());
    return R;
}

struct TFiles {
    QTemporaryDir Dir;
    std::string In, Out;
    TFiles() {
        In = Dir.filePath("standin.mapset").toStdString();
        Out = Dir.filePath("traced.mapset").toStdString();
        TBitmap Image;
        Image.SetPixelFormat(TPixelFormat::pf8bit);
        std::vector<TRGBQuad> Palette(256);
        for (int I = 0; I < 256; ++I)
            Palette[size_t(I)] = {uint8_t(I), uint8_t(I), uint8_t(I), 0};
        Palette[Plain] = {200, 215, 225, 0};
        Palette[Ink] = {30, 40, 50, 0};
        Palette[Land] = {150, 200, 215, 0};
        Palette[Town] = {40, 40, 200, 0};
        Palette[SeaLine] = {230, 200, 160, 0};
        Palette[SeaInk] = {120, 60, 20, 0};
        for (size_t K = 0; K < std::size(Seas); ++K)
            Palette[Seas[K]] = {uint8_t(150 + 10 * K), uint8_t(70 + 15 * K), uint8_t(30 + 12 * K),
                                0};
        Image.SetPalette(Palette);
        Image.SetSize(Width, Height);
        const TStandIn& M = StandIn();
        for (int32_t Y = 0; Y < Height; ++Y)
            std::copy_n(M.Pixels.begin() + std::ptrdiff_t(Y) * Width, Width, Image.ScanLine(Y));
        Image.SaveToFile(Dir.filePath("standin.bmp").toStdString());
        std::ofstream(In) << "Bitmap=standin.bmp\r\nElement=standin.bmp:0,0\r\n";
    }
};

std::string SeaList() {
    std::string Text;
    for (uint8_t C : Seas)
        Text += (Text.empty() ? "" : ",") + std::to_string(C);
    return Text;
}

void TraceStandIn(benchmark::State& State) {
    static TFiles Files;
    std::string Summary;
    for (auto _ : State) {
        std::ostringstream Out, Err;
        if (RunCli({"trace", Files.In, Files.Out, "--sea", SeaList()}, Out, Err) != 0) {
            State.SkipWithError(("trace failed: " + Err.str()).c_str());
            return;
        }
        Summary = Out.str();
    }
    const TMeasures R = Measure(StandIn(), Files.Out);
    State.counters["iou85_share"] = R.Share85;
    State.counters["iou90_share"] = R.Share90;
    State.counters["adjacency_recall"] = R.Recall;
    State.counters["adjacency_precision"] = R.Precision;
    State.counters["findings"] = double(R.Findings);
    State.counters["vertices"] = double(R.Vertices);
    State.counters["zones"] = double(R.Zones);
    State.counters["territories"] = double(R.Territories);
    State.counters["connections"] = double(StandIn().Touching.size());
    std::string Kinds;
    for (const auto& [Kind, Count] : R.ByKind)
        Kinds += " " + Kind + " " + std::to_string(Count);
    State.SetLabel(Kinds.empty() ? "no findings" : Kinds.substr(1));
    std::fprintf(stderr, "%s", Summary.c_str());
}
BENCHMARK(TraceStandIn)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv);
}
