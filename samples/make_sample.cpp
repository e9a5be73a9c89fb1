// Writes the sample map set: two 8-bit bitmaps of a small continent with its seas, and the
// map-set file that places them and defines the zones on them. Art and zones come from the
// same shapes, so the land zones tile the land exactly and the sea zones lie in open sea.
//
//   make_sample OUTPUT_DIR

#include "platform/Bitmap.h"
#include "platform/Exception.h"
#include "zonemap/EditorPalette.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int MapWidth = 1600;
constexpr int MapHeight = 1200;
constexpr int SheetWidth = MapWidth / 2; // two bitmaps side by side
constexpr int Brick = 120;               // the editor's grid template size at start
constexpr int SeaMargin = 8;             // open water kept between a sea zone and the coast

struct Pt {
    int X, Y;
    friend bool operator==(const Pt&, const Pt&) = default;
};

struct Zone {
    std::vector<Pt> Points;
    std::string Name;
    bool IsSea = false;
    std::vector<int> Neighbors;
};

// Deterministic noise: the same sample on every build and every machine.
uint32_t Hash(uint32_t A, uint32_t B, uint32_t C = 0) {
    uint32_t H =
        A * 0x9E3779B1u ^ (B + 0x7F4A7C15u) * 0x85EBCA77u ^ (C + 0x165667B1u) * 0xC2B2AE3Du;
    H ^= H >> 15;
    H *= 0x2C1B3C6Du;
    H ^= H >> 12;
    H *= 0x297A2D39u;
    H ^= H >> 15;
    return H;
}

// A value in [-Range, Range].
int Jitter(uint32_t A, uint32_t B, uint32_t C, int Range) {
    return int(Hash(A, B, C) % uint32_t(2 * Range + 1)) - Range;
}

// --- Land: a jittered mesh of provinces with the south-east cells left to the sea --------

constexpr std::array<int, 7> ColumnX = {230, 450, 680, 900, 1120, 1350, MapWidth};
constexpr std::array<int, 6> RowY = {0, 240, 470, 680, 950, MapHeight};
constexpr int Columns = int(ColumnX.size()) - 1;
constexpr int Rows = int(RowY.size()) - 1;

bool IsSeaCell(int C, int R) {
    return (C >= 4 && R >= 3) || (C == 3 && R == 4);
}

// A corner on the coast, where the sea zones need room: it moves less than inland ones.
bool IsCoastCorner(int I, int J) {
    if (I == 0)
        return true;
    bool Land = false, Sea = false;
    for (int C = I - 1; C <= I; ++C)
        for (int R = J - 1; R <= J; ++R)
            if (C >= 0 && R >= 0 && C < Columns && R < Rows)
                (IsSeaCell(C, R) ? Sea : Land) = true;
    return Land && Sea;
}

Pt Corner(int I, int J) {
    Pt P{ColumnX[size_t(I)], RowY[size_t(J)]};
    const bool Coast = IsCoastCorner(I, J);
    // Points on the map's border stay on it; the others move.
    if (I < Columns)
        P.X += Jitter(uint32_t(I), uint32_t(J), 1, Coast ? 20 : 50);
    if (J > 0 && J < Rows)
        P.Y += Jitter(uint32_t(I), uint32_t(J), 2, Coast ? 16 : 44);
    return P;
}

bool OnMapBorder(Pt A, Pt B) {
    return (A.X == B.X && (A.X == 0 || A.X == MapWidth)) ||
           (A.Y == B.Y && (A.Y == 0 || A.Y == MapHeight));
}

// The points strictly between two corners of a border, from A towards B. Both provinces of
// a border take them from here, so they share every edge of it exactly.
std::vector<Pt> BorderPoints(int IA, int JA, int IB, int JB) {
    const bool Reverse = std::make_pair(IA, JA) > std::make_pair(IB, JB);
    if (Reverse) {
        std::swap(IA, IB);
        std::swap(JA, JB);
    }
    const Pt A = Corner(IA, JA);
    const Pt B = Corner(IB, JB);
    std::vector<Pt> Result;
    if (!OnMapBorder(A, B)) {
        const double DX = B.X - A.X;
        const double DY = B.Y - A.Y;
        const double Length = std::hypot(DX, DY);
        const uint32_t Key = uint32_t(IA * 64 + JA) * 4096u + uint32_t(IB * 64 + JB);
        for (int K = 1; K <= 3; ++K) {
            const double T = K / 4.0;
            const double Bend = IsCoastCorner(IA, JA) && IsCoastCorner(IB, JB) ? 0.06 : 0.13;
            const double Off = Jitter(Key, uint32_t(K), 3, 100) / 100.0 * Bend * Length;
            Result.push_back({int(std::lround(A.X + T * DX - Off * DY / Length)),
                              int(std::lround(A.Y + T * DY + Off * DX / Length))});
        }
    }
    if (Reverse)
        std::reverse(Result.begin(), Result.end());
    return Result;
}

const char* const ProvinceNames[Rows][Columns] = {
    {"Harrowmere", "Ostvale", "Brennock", "Calder Reach", "Thornwick", "Eskmoor"},
    {"Wyndhollow", "Aldermarch", "Greyfen", "Kestrel Downs", "Marrowby", "Dunleigh"},
    {"Saltcombe", "Fallowmead", "Corran", "Highcairn", "Redbank", "Ashgrove"},
    {"Pellinor", "Lowmarsh", "Virel", "Stonegate", "", ""},
    {"Carrick Bay", "Emberfield", "Tarnholt", "", "", ""},
};

std::vector<Zone> MakeLand() {
    std::vector<Zone> Land;
    for (int R = 0; R < Rows; ++R)
        for (int C = 0; C < Columns; ++C) {
            if (IsSeaCell(C, R))
                continue;
            const std::array<std::pair<int, int>, 4> Ring = {
                {{C, R}, {C + 1, R}, {C + 1, R + 1}, {C, R + 1}}};
            Zone Z;
            for (size_t K = 0; K < Ring.size(); ++K) {
                const auto [IA, JA] = Ring[K];
                const auto [IB, JB] = Ring[(K + 1) % Ring.size()];
                Z.Points.push_back(Corner(IA, JA));
                for (const Pt& P : BorderPoints(IA, JA, IB, JB))
                    Z.Points.push_back(P);
            }
            Z.Name = ProvinceNames[R][C];
            Land.push_back(std::move(Z));
        }
    // An island of two provinces in the south-east sea, sharing the border Mid1-Inland-Mid2.
    const Pt Mid1{-8, -66}, Mid2{12, 56}, Inland1{1, -14}, Inland2{11, 22};
    const auto Island = [](std::vector<Pt> Outline, const char* Name) {
        for (Pt& P : Outline)
            P = {1460 + P.X, 1045 + P.Y};
        return Zone{std::move(Outline), Name, false, {}};
    };
    Land.push_back(Island({Mid1, {26, -49}, {52, -18}, {60, 20}, {41, 52}, Mid2, Inland2, Inland1},
                          "Isle of Vey"));
    Land.push_back(Island(
        {Mid1, Inland1, Inland2, Mid2, {-18, 64}, {-54, 42}, {-67, 1}, {-51, -42}}, "Vey Strand"));
    return Land;
}

// --- Rasters ----------------------------------------------------------------------------

// Zone number per pixel (-1: sea), a pixel belonging to the polygon that holds its centre
// (even-odd), so that provinces sharing a border tile it without gap or overlap.
void FillPolygon(std::vector<int>& Owner, const std::vector<Pt>& Points, int Value) {
    for (int Y = 0; Y < MapHeight; ++Y) {
        const double YC = Y + 0.5;
        std::vector<double> Xs;
        for (size_t K = 0; K < Points.size(); ++K) {
            const Pt A = Points[K];
            const Pt B = Points[(K + 1) % Points.size()];
            if ((A.Y <= YC) != (B.Y <= YC))
                Xs.push_back(A.X + (YC - A.Y) * (B.X - A.X) / double(B.Y - A.Y));
        }
        std::sort(Xs.begin(), Xs.end());
        for (size_t K = 0; K + 1 < Xs.size(); K += 2) {
            const int From = std::max(0, int(std::ceil(Xs[K] - 0.5)));
            const int To = std::min(MapWidth, int(std::ceil(Xs[K + 1] - 0.5)));
            for (int X = From; X < To; ++X)
                Owner[size_t(Y) * MapWidth + size_t(X)] = Value;
        }
    }
}

// Distance in pixels (8-connected steps) from every pixel to the nearest land pixel.
std::vector<int> DistanceToLand(const std::vector<int>& Owner) {
    std::vector<int> Distance(Owner.size(), -1);
    std::deque<size_t> Queue;
    for (size_t I = 0; I < Owner.size(); ++I)
        if (Owner[I] >= 0) {
            Distance[I] = 0;
            Queue.push_back(I);
        }
    while (!Queue.empty()) {
        const size_t I = Queue.front();
        Queue.pop_front();
        const int X = int(I % MapWidth), Y = int(I / MapWidth);
        for (int DY = -1; DY <= 1; ++DY)
            for (int DX = -1; DX <= 1; ++DX) {
                const int NX = X + DX, NY = Y + DY;
                if (NX < 0 || NY < 0 || NX >= MapWidth || NY >= MapHeight)
                    continue;
                const size_t N = size_t(NY) * MapWidth + size_t(NX);
                if (Distance[N] < 0) {
                    Distance[N] = Distance[I] + 1;
                    Queue.push_back(N);
                }
            }
    }
    return Distance;
}

// --- Sea: the standard zones of the brick grid that lie in open water -------------------

std::vector<Pt> BrickPoints(int Left, int Top) {
    const int H = Brick / 2;
    return {{Left, Top},
            {Left + H, Top},
            {Left + Brick, Top},
            {Left + Brick, Top + Brick},
            {Left + H, Top + Brick},
            {Left, Top + Brick}};
}

std::vector<Zone> MakeSea(const std::vector<int>& Distance) {
    std::vector<Zone> Sea;
    int West = 0, East = 0;
    for (int Row = 0; Row * Brick < MapHeight; ++Row) {
        for (int Left = Row % 2 ? Brick / 2 : 0; Left + Brick <= MapWidth; Left += Brick) {
            const int Top = Row * Brick;
            bool Open = true;
            for (int Y = Top; Y <= Top + Brick && Open; ++Y)
                for (int X = Left; X <= Left + Brick && Open; ++X)
                    Open = Distance[size_t(std::min(Y, MapHeight - 1)) * MapWidth +
                                    size_t(std::min(X, MapWidth - 1))] > SeaMargin;
            if (!Open)
                continue;
            const bool IsWest = Left < MapWidth / 2;
            Sea.push_back({BrickPoints(Left, Top),
                           IsWest ? "Western Ocean " + std::to_string(++West)
                                  : "Gulf of Vey " + std::to_string(++East),
                           true,
                           {}});
        }
    }
    return Sea;
}

bool SameEdge(Pt A1, Pt A2, Pt B1, Pt B2) {
    return (A1 == B1 && A2 == B2) || (A1 == B2 && A2 == B1);
}

bool Adjacent(const Zone& A, const Zone& B) {
    for (size_t I = 0; I < A.Points.size(); ++I)
        for (size_t J = 0; J < B.Points.size(); ++J)
            if (SameEdge(A.Points[I], A.Points[(I + 1) % A.Points.size()], B.Points[J],
                         B.Points[(J + 1) % B.Points.size()]))
                return true;
    return false;
}

int FindZone(const std::vector<Zone>& Zones, const std::string& Name) {
    for (size_t I = 0; I < Zones.size(); ++I)
        if (Zones[I].Name == Name)
            return int(I);
    throw Exception("sample: no zone named " + Name);
}

// --- Art --------------------------------------------------------------------------------

enum Ink : uint8_t {
    DeepSea = 10,
    OpenSea,
    ShallowSea,
    Surf,
    Coast,
    Border,
    River,
    Rock,
    Snow,
    Meadow,
    Forest,
    Heath,
    Farmland,
    Steppe,
    LandOutline = 118, // the editor's outline colour of land zones
    SeaOutline = 196,  // and of sea zones
};
constexpr std::array<uint8_t, 5> LandInks = {Meadow, Forest, Heath, Farmland, Steppe};

std::vector<TRGBQuad> MakePalette() {
    std::vector<TRGBQuad> Palette(256);
    const auto Set = [&Palette](int I, int R, int G, int B) {
        Palette[size_t(I)] = {uint8_t(B), uint8_t(G), uint8_t(R), 0};
    };
    // The system colours at both ends are the editor's own; the merge keeps them anyway.
    const std::vector<std::string>& System = EditorPaletteEntries();
    for (int I = 0; I < 256; ++I) {
        int R = 0, G = 0, B = 0;
        std::sscanf(System[size_t(I)].c_str(), "%d,%d,%d", &R, &G, &B);
        Set(I, R, G, B);
    }
    // The free entries not used by the art: a 6 x 6 x 6 colour cube, so that the palette is
    // a full one for whoever draws on the sample.
    for (int I = 30; I < 246; ++I) {
        const int K = I - 30;
        Set(I, K / 36 * 51, K / 6 % 6 * 51, K % 6 * 51);
    }
    Set(DeepSea, 34, 72, 125);
    Set(OpenSea, 38, 78, 132);
    Set(ShallowSea, 62, 108, 158);
    Set(Surf, 120, 160, 196);
    Set(Coast, 72, 64, 48);
    Set(Border, 122, 110, 84);
    Set(River, 70, 120, 176);
    Set(Rock, 118, 102, 86);
    Set(Snow, 236, 236, 228);
    Set(Meadow, 150, 186, 104);
    Set(Forest, 96, 140, 84);
    Set(Heath, 178, 170, 112);
    Set(Farmland, 200, 190, 130);
    Set(Steppe, 168, 150, 100);
    Set(LandOutline, 150, 30, 24);
    Set(SeaOutline, 232, 240, 255);
    return Palette;
}

// One land ink per province, none shared by two neighbours.
std::vector<uint8_t> ColourProvinces(const std::vector<Zone>& Zones, size_t LandCount) {
    std::vector<uint8_t> Inks(LandCount);
    for (size_t I = 0; I < LandCount; ++I) {
        for (uint8_t Candidate : LandInks) {
            bool Taken = false;
            for (int N : Zones[I].Neighbors)
                Taken = Taken || (size_t(N) < I && Inks[size_t(N)] == Candidate);
            if (!Taken) {
                Inks[I] = Candidate;
                break;
            }
        }
        // Some variety where the first free ink would repeat the same pattern.
        if (Hash(uint32_t(I), 7) % 3 == 0)
            for (uint8_t Candidate : LandInks) {
                bool Taken = Candidate == Inks[I];
                for (int N : Zones[I].Neighbors)
                    Taken = Taken || (size_t(N) < I && Inks[size_t(N)] == Candidate);
                if (!Taken && Candidate > Inks[I]) {
                    Inks[I] = Candidate;
                    break;
                }
            }
    }
    return Inks;
}

void Plot(std::vector<uint8_t>& Art, const std::vector<int>& Owner, int X, int Y, uint8_t Ink,
          bool LandOnly) {
    if (X < 0 || Y < 0 || X >= MapWidth || Y >= MapHeight)
        return;
    const size_t I = size_t(Y) * MapWidth + size_t(X);
    if (!LandOnly || Owner[I] >= 0)
        Art[I] = Ink;
}

void Line(std::vector<uint8_t>& Art, const std::vector<int>& Owner, Pt A, Pt B, int Width,
          uint8_t Ink, bool LandOnly) {
    const int Steps = std::max(std::abs(B.X - A.X), std::abs(B.Y - A.Y));
    for (int S = 0; S <= Steps; ++S) {
        const int X = A.X + (Steps ? (B.X - A.X) * S / Steps : 0);
        const int Y = A.Y + (Steps ? (B.Y - A.Y) * S / Steps : 0);
        for (int DY = 0; DY < Width; ++DY)
            for (int DX = 0; DX < Width; ++DX)
                Plot(Art, Owner, X + DX, Y + DY, Ink, LandOnly);
    }
}

void Mountain(std::vector<uint8_t>& Art, const std::vector<int>& Owner, int X, int Y, int Size) {
    for (int Row = 0; Row <= Size; ++Row)
        for (int DX = -Row; DX <= Row; ++DX)
            Plot(Art, Owner, X + DX, Y - Size + Row, Row < Size / 3 ? Snow : Rock, true);
}

std::vector<uint8_t> Paint(const std::vector<Zone>& Zones, size_t LandCount,
                           const std::vector<int>& Owner, const std::vector<int>& Distance) {
    const std::vector<uint8_t> Inks = ColourProvinces(Zones, LandCount);
    std::vector<uint8_t> Art(Owner.size());
    for (int Y = 0; Y < MapHeight; ++Y)
        for (int X = 0; X < MapWidth; ++X) {
            const size_t I = size_t(Y) * MapWidth + size_t(X);
            if (Owner[I] < 0) {
                const int D = Distance[I];
                // A faint swell in the open sea: long runs, a hint of depth.
                const bool Swell = (X + 2 * Y) % 160 < 56 && D > 60;
                Art[I] = D <= 3 ? Surf : D <= 16 ? ShallowSea : Swell ? DeepSea : OpenSea;
                continue;
            }
            const bool Shore = Distance[I] == 0 && ((X > 0 && Owner[I - 1] < 0) ||
                                                    (X + 1 < MapWidth && Owner[I + 1] < 0) ||
                                                    (Y > 0 && Owner[I - MapWidth] < 0) ||
                                                    (Y + 1 < MapHeight && Owner[I + MapWidth] < 0));
            const bool Frontier =
                (X + 1 < MapWidth && Owner[I + 1] >= 0 && Owner[I + 1] != Owner[I]) ||
                (Y + 1 < MapHeight && Owner[I + MapWidth] >= 0 && Owner[I + MapWidth] != Owner[I]);
            Art[I] = Shore ? uint8_t(Coast) : Frontier ? uint8_t(Border) : Inks[size_t(Owner[I])];
        }
    // Two rivers running down to the sea, and a mountain range in the north-east.
    const std::vector<Pt> Rivers[] = {
        {{860, 330},
         {780, 420},
         {700, 470},
         {610, 560},
         {520, 600},
         {430, 690},
         {300, 760},
         {150, 800}},
        {{1010, 420}, {1040, 520}, {1000, 620}, {1060, 720}, {1110, 840}, {1200, 900}},
    };
    for (const auto& R : Rivers)
        for (size_t K = 0; K + 1 < R.size(); ++K)
            Line(Art, Owner, R[K], R[K + 1], 3, River, true);
    const Pt Peaks[] = {{1200, 150}, {1236, 176}, {1270, 140}, {1310, 190}, {1352, 160},
                        {1392, 214}, {1430, 178}, {1170, 196}, {1466, 232}};
    for (size_t K = 0; K < std::size(Peaks); ++K)
        Mountain(Art, Owner, Peaks[K].X, Peaks[K].Y, 16 + int(Hash(uint32_t(K), 9) % 10));
    return Art;
}

void SaveSheet(const std::vector<uint8_t>& Art, const std::vector<TRGBQuad>& Palette, int Left,
               const std::string& FileName) {
    TBitmap Sheet;
    Sheet.SetPixelFormat(TPixelFormat::pf8bit);
    Sheet.SetPalette(Palette);
    Sheet.SetSize(SheetWidth, MapHeight);
    for (int Y = 0; Y < MapHeight; ++Y)
        std::copy_n(Art.data() + size_t(Y) * MapWidth + size_t(Left), SheetWidth,
                    Sheet.ScanLine(Y));
    Sheet.SaveToFile(FileName);
}

std::string ZoneText(const Zone& Z) {
    std::ostringstream Out;
    for (const Pt& P : Z.Points)
        Out << P.X << ',' << P.Y << ',';
    Out << ';' << Z.Name << ';' << (Z.IsSea ? 1 : 0) << ';';
    for (int N : Z.Neighbors)
        Out << N << '#';
    return Out.str();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sample OUTPUT_DIR\n");
        return 2;
    }
    const std::string Dir = std::string(argv[1]) + "/";
    try {
        std::vector<Zone> Zones = MakeLand();
        const size_t LandCount = Zones.size();
        std::vector<int> Owner(size_t(MapWidth) * MapHeight, -1);
        for (size_t I = 0; I < LandCount; ++I)
            FillPolygon(Owner, Zones[I].Points, int(I));
        const std::vector<int> Distance = DistanceToLand(Owner);
        for (Zone& S : MakeSea(Distance))
            Zones.push_back(std::move(S));

        // Neighbours as the editor builds them before it saves: the adjacent zones in list
        // order, then the link partners that are not adjacent.
        const std::vector<std::pair<int, int>> Links = {
            {FindZone(Zones, "Isle of Vey"), FindZone(Zones, "Stonegate")},       // the ferry
            {FindZone(Zones, "Carrick Bay"), FindZone(Zones, "Western Ocean 9")}, // a harbour
        };
        for (size_t I = 0; I < Zones.size(); ++I)
            for (size_t J = 0; J < Zones.size(); ++J)
                if (I != J && Adjacent(Zones[I], Zones[J]))
                    Zones[I].Neighbors.push_back(int(J));
        for (const auto& [A, B] : Links) {
            auto& NA = Zones[size_t(A)].Neighbors;
            auto& NB = Zones[size_t(B)].Neighbors;
            if (std::find(NA.begin(), NA.end(), B) == NA.end())
                NA.push_back(B);
            if (std::find(NB.begin(), NB.end(), A) == NB.end())
                NB.push_back(A);
        }

        const std::vector<uint8_t> Art = Paint(Zones, LandCount, Owner, Distance);
        const std::vector<TRGBQuad> Palette = MakePalette();
        SaveSheet(Art, Palette, 0, Dir + "sample-west.bmp");
        SaveSheet(Art, Palette, SheetWidth, Dir + "sample-east.bmp");

        std::string Text = "Bitmap=sample-west.bmp\r\nBitmap=sample-east.bmp\r\n"
                           "Element=sample-west.bmp:0,0\r\nElement=sample-east.bmp:" +
                           std::to_string(SheetWidth) + ",0\r\n";
        for (const Zone& Z : Zones)
            Text += "Zone=" + ZoneText(Z) + "\r\n";
        for (const auto& [A, B] : Links)
            Text += "Link=" + std::to_string(A) + "," + std::to_string(B) + "\r\n";
        std::ofstream File(Dir + "sample.mapset", std::ios::binary | std::ios::trunc);
        File << Text;
        File.close();
        if (!File)
            throw Exception("Cannot create file " + Dir + "sample.mapset");
        std::printf("sample.mapset: %zu land zones, %zu sea zones, %zu links\n", LandCount,
                    Zones.size() - LandCount, Links.size());
    } catch (const std::exception& E) {
        std::fprintf(stderr, "make_sample: %s\n", E.what());
        return 1;
    }
    return 0;
}
