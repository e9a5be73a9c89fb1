#include "mapcheck/NearBorders.h"

#include "mapcheck/Geometry.h"
#include "zonemap/Zone.h"
#include "zonemap/ZoneEdges.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <tuple>
#include <unordered_map>

namespace {

struct TRange {
    double Lo = 1, Hi = 0;
    bool Empty() const { return Lo > Hi; }
    void Cover(const TRange& R) {
        if (R.Empty())
            return;
        Lo = std::min(Lo, R.Lo);
        Hi = std::max(Hi, R.Hi);
    }
};

// The t of A + t * D (0 <= t <= 1) where Lo <= C + t * B <= Hi.
TRange Between(double C, double B, double Lo, double Hi, TRange Range) {
    if (std::abs(B) < 1e-12) {
        if (C < Lo || C > Hi)
            return {};
        return Range;
    }
    double T1 = (Lo - C) / B, T2 = (Hi - C) / B;
    if (T1 > T2)
        std::swap(T1, T2);
    return {std::max(Range.Lo, T1), std::min(Range.Hi, T2)};
}

// The t where A + t * D lies within R of the point C.
TRange InDisc(double AX, double AY, double DX, double DY, double CX, double CY, double R) {
    const double QX = AX - CX, QY = AY - CY;
    const double A = DX * DX + DY * DY;
    const double B = 2 * (DX * QX + DY * QY);
    const double C = QX * QX + QY * QY - R * R;
    if (A < 1e-12)
        return C <= 0 ? TRange{0, 1} : TRange{};
    const double Disc = B * B - 4 * A * C;
    if (Disc < 0)
        return {};
    const double Root = std::sqrt(Disc);
    return {std::max(0.0, (-B - Root) / (2 * A)), std::min(1.0, (-B + Root) / (2 * A))};
}

// The part of side S (as t from its start) lying within R of side F: S against the capsule
// around F, which is convex, so the part is one range.
TRange Within(const TNearSide& S, const TNearSide& F, double R) {
    const double DX = S.X1 - S.X0, DY = S.Y1 - S.Y0;
    const double FX = F.X1 - F.X0, FY = F.Y1 - F.Y0;
    const double Length = std::hypot(FX, FY);
    TRange Result = InDisc(S.X0, S.Y0, DX, DY, F.X0, F.Y0, R);
    Result.Cover(InDisc(S.X0, S.Y0, DX, DY, F.X1, F.Y1, R));
    if (Length > 0) {
        const double UX = FX / Length, UY = FY / Length;
        // Along F and across it, relative to F's start.
        const double Along0 = (S.X0 - F.X0) * UX + (S.Y0 - F.Y0) * UY;
        const double AlongD = DX * UX + DY * UY;
        const double Across0 = -(S.X0 - F.X0) * UY + (S.Y0 - F.Y0) * UX;
        const double AcrossD = -DX * UY + DY * UX;
        TRange Band = Between(Along0, AlongD, 0, Length, {0, 1});
        Band = Between(Across0, AcrossD, -R, R, Band);
        Result.Cover(Band);
    }
    return Result;
}

// Collinear and overlapping along a positive length: a split border, reported apart.
// Exact: the sides' ends are whole numbers, and their products need more than 64 bits.
bool OverlapOnALine(const TNearSide& S, const TNearSide& F) {
    __extension__ typedef __int128 TWide;
    const int64_t AX = int64_t(S.X0), AY = int64_t(S.Y0), DX = int64_t(S.X1) - AX,
                  DY = int64_t(S.Y1) - AY;
    const auto Cross = [&](double X, double Y) {
        return TWide(DX) * (int64_t(Y) - AY) - TWide(DY) * (int64_t(X) - AX);
    };
    if (Cross(F.X0, F.Y0) != 0 || Cross(F.X1, F.Y1) != 0)
        return false;
    const auto Along = [&](double X, double Y) {
        return TWide(DX) * (int64_t(X) - AX) + TWide(DY) * (int64_t(Y) - AY);
    };
    const TWide Length = TWide(DX) * DX + TWide(DY) * DY;
    const TWide T0 = Along(F.X0, F.Y0), T1 = Along(F.X1, F.Y1);
    return std::min(Length, std::max(T0, T1)) > std::max(TWide(0), std::min(T0, T1));
}

// Small cells keep few sides in each: real borders are dense (a 20-pixel brick map has a
// border pixel in every 7 or so) and the sides in one cell are compared pairwise.
constexpr double CellSize = 16;
// Cells hold pieces of sides no longer than a cell; past this many pieces the cells grow,
// so hostile outlines with edges of millions of pixels cannot take the memory.
constexpr double MaxPieces = 8e6;
// A grid of at most this many cells (16 MiB of counts); far-apart coordinates get larger
// cells instead.
constexpr double MaxCells = 1 << 22;

} // namespace

double NearGridCell(double Perimeter, double MinX, double MinY, double MaxX, double MaxY) {
    MinX -= NearDistance;
    MinY -= NearDistance;
    double Cell = std::max(CellSize, std::ceil(Perimeter / MaxPieces));
    while (((MaxX - MinX) / Cell + 2) * ((MaxY - MinY) / Cell + 2) > MaxCells)
        Cell *= 2;
    return Cell;
}

TNearGrid NearGridOf(const std::vector<TNearSide>& Sides) {
    TNearGrid Grid;
    if (Sides.empty())
        return Grid;
    double Perimeter = 0;
    double MinX = Sides[0].X0, MinY = Sides[0].Y0, MaxX = MinX, MaxY = MinY;
    for (const TNearSide& S : Sides) {
        Perimeter += std::hypot(S.X1 - S.X0, S.Y1 - S.Y0);
        MinX = std::min({MinX, S.X0, S.X1});
        MinY = std::min({MinY, S.Y0, S.Y1});
        MaxX = std::max({MaxX, S.X0, S.X1});
        MaxY = std::max({MaxY, S.Y0, S.Y1});
    }
    Grid.Cell = NearGridCell(Perimeter, MinX, MinY, MaxX, MaxY);
    Grid.BaseX = int64_t(std::floor((MinX - NearDistance) / Grid.Cell));
    Grid.BaseY = int64_t(std::floor((MinY - NearDistance) / Grid.Cell));
    Grid.Columns = int64_t(std::floor((MaxX + NearDistance) / Grid.Cell)) - Grid.BaseX + 1;
    Grid.Rows = int64_t(std::floor((MaxY + NearDistance) / Grid.Cell)) - Grid.BaseY + 1;
    return Grid;
}

bool NearCandidates(const TNearSide& S, const TNearSide& F) {
    return !(std::max(std::min(S.X0, S.X1), std::min(F.X0, F.X1)) >
                 std::min(std::max(S.X0, S.X1), std::max(F.X0, F.X1)) + 2 * NearDistance ||
             std::max(std::min(S.Y0, S.Y1), std::min(F.Y0, F.Y1)) >
                 std::min(std::max(S.Y0, S.Y1), std::max(F.Y0, F.Y1)) + 2 * NearDistance);
}

double NearPairLength(const std::vector<TNearSide>& Sides,
                      const std::vector<std::pair<uint32_t, uint32_t>>& Close, int32_t Zone1) {
    // The parts of each side near the other zone, then their lengths.
    struct TPart {
        uint32_t Side;
        double Lo, Hi;
    };
    std::vector<TPart> Parts;
    for (const auto& [P, Q] : Close) {
        const TNearSide& S = Sides[P];
        const TNearSide& F = Sides[Q];
        // Reported apart, as a split border.
        if (OverlapOnALine(S, F))
            return -1;
        if (const TRange R = Within(S, F, NearDistance); !R.Empty())
            Parts.push_back({P, R.Lo, R.Hi});
        if (const TRange R = Within(F, S, NearDistance); !R.Empty())
            Parts.push_back({Q, R.Lo, R.Hi});
    }
    std::sort(Parts.begin(), Parts.end(), [](const TPart& A, const TPart& B) {
        return std::tie(A.Side, A.Lo) < std::tie(B.Side, B.Lo);
    });
    double Along[2] = {0, 0}; // along Zone1's border, along Zone2's
    for (size_t K = 0; K < Parts.size();) {
        const TNearSide& S = Sides[Parts[K].Side];
        const double Length = std::hypot(S.X1 - S.X0, S.Y1 - S.Y0);
        double Lo = Parts[K].Lo, Hi = Parts[K].Hi, Covered = 0;
        const uint32_t Side = Parts[K].Side;
        for (++K; K < Parts.size() && Parts[K].Side == Side; ++K) {
            if (Parts[K].Lo > Hi) {
                Covered += Hi - Lo;
                Lo = Parts[K].Lo;
            }
            Hi = std::max(Hi, Parts[K].Hi);
        }
        Covered += Hi - Lo;
        Along[S.Zone == Zone1 ? 0 : 1] += Covered * Length;
    }
    return std::max(Along[0], Along[1]);
}

TFinding NearBorderFinding(TZoneRef Zone1, TZoneRef Zone2, int32_t Length) {
    return {"near-border",
            "the borders run within " + std::to_string(int(NearDistance)) +
                " pixels of each other along " + std::to_string(Length) +
                " pixels but share no edge, so they are not neighbours; if they should be, "
                "draw one border onto the other's corners",
            {std::move(Zone1), std::move(Zone2)}};
}

void CheckNearBorders(const std::vector<TZone*>& Zones, std::vector<TFinding>& Findings) {
    CheckNearBorders(Zones, TZoneEdges(Zones), Findings);
}

void CheckNearBorders(const std::vector<TZone*>& Zones, const TZoneEdges& Edges,
                      std::vector<TFinding>& Findings) {
    for (const TNearPair& P : FindNearBorders(Zones, Edges))
        Findings.push_back(NearBorderFinding({P.Zone1, Zones[size_t(P.Zone1)]->Name()},
                                             {P.Zone2, Zones[size_t(P.Zone2)]->Name()}, P.Length));
}

std::vector<TNearPair> FindNearBorders(const std::vector<TZone*>& Zones, const TZoneEdges& Edges,
                                       int64_t* Comparisons) {
    if (Comparisons != nullptr)
        *Comparisons = 0;
    // An edge that another zone has too has that zone across it, so the border there is no
    // gap, however close another zone's border runs (a thin zone between two others).
    std::vector<TNearSide> Sides;
    for (size_t I = 0; I < Zones.size(); ++I)
        for (int32_t E = 0; E < Zones[I]->PointCount(); ++E) {
            const TEdge Edge = Zones[I]->Edge(E);
            if ((Edge.X1 == Edge.X2 && Edge.Y1 == Edge.Y2) || Edges.Shared(I, size_t(E)))
                continue;
            Sides.push_back(
                {double(Edge.X1), double(Edge.Y1), double(Edge.X2), double(Edge.Y2), int32_t(I)});
        }
    if (Sides.empty())
        return {};
    const TNearGrid Grid = NearGridOf(Sides);

    // Each side in every cell that a piece of it reaches: counted first, then placed, so
    // that a cell's sides lie together without a sort.
    const auto CellOf = [&Grid](int64_t CX, int64_t CY) { return size_t(CY * Grid.Columns + CX); };
    std::vector<uint32_t> Start(size_t(Grid.Columns * Grid.Rows) + 1, 0);
    for (const TNearSide& S : Sides)
        Grid.ForEachCell(S, [&](int64_t CX, int64_t CY) { ++Start[CellOf(CX, CY) + 1]; });
    for (size_t C = 1; C < Start.size(); ++C)
        Start[C] += Start[C - 1];
    std::vector<uint32_t> InCell(Start.back());
    {
        std::vector<uint32_t> Next(Start.begin(), Start.end() - 1);
        for (size_t K = 0; K < Sides.size(); ++K)
            Grid.ForEachCell(Sides[K], [&](int64_t CX, int64_t CY) {
                InCell[Next[CellOf(CX, CY)]++] = uint32_t(K);
            });
    }

    // The neighbour lists side by side, read for nearly every pair of sides that touch. A
    // neighbour is found by its place in Zones: zones copied off their surface have no
    // number of their own.
    std::unordered_map<const TZone*, int32_t> Position;
    if (std::any_of(Zones.begin(), Zones.end(),
                    [&](const TZone* Z) { return size_t(Z->Index()) >= Zones.size(); }))
        for (size_t I = 0; I < Zones.size(); ++I)
            Position.emplace(Zones[I], int32_t(I));
    std::vector<uint32_t> NeighbourStart(Zones.size() + 1, 0);
    std::vector<int32_t> NeighbourList;
    for (size_t I = 0; I < Zones.size(); ++I) {
        for (const TZone* N : Zones[I]->Neighbors()) {
            int32_t At = -1;
            if (N->Index() >= 0 && size_t(N->Index()) < Zones.size() &&
                Zones[size_t(N->Index())] == N)
                At = N->Index();
            else if (const auto Found = Position.find(N); Found != Position.end())
                At = Found->second;
            NeighbourList.push_back(At);
        }
        NeighbourStart[I + 1] = uint32_t(NeighbourList.size());
    }
    const auto AreNeighbours = [&](int32_t A, int32_t B) {
        return std::find(NeighbourList.begin() + NeighbourStart[size_t(A)],
                         NeighbourList.begin() + NeighbourStart[size_t(A) + 1],
                         B) != NeighbourList.begin() + NeighbourStart[size_t(A) + 1];
    };

    // Pairs of sides of different zones, that are not neighbours, close enough to matter,
    // in order of their pair of zones: each pair of zones is then measured on its own,
    // without holding the parts of every pair at once (millions on a crowded map).
    struct TClose {
        int32_t Zone1, Zone2; // Zone1 < Zone2
        uint32_t P, Q;        // sides, P < Q
        bool operator<(const TClose& O) const {
            return std::tie(Zone1, Zone2, P, Q) < std::tie(O.Zone1, O.Zone2, O.P, O.Q);
        }
        bool operator==(const TClose& O) const = default;
    };
    std::vector<TClose> Close;
    // No more pairs than comparisons: reserved at once, a crowded map's millions of pairs
    // are not copied at every growth (virtual memory: only what is written is taken).
    int64_t Total = 0;
    for (size_t C = 0; C + 1 < Start.size(); ++C) {
        const int64_t InThisCell = int64_t(Start[C + 1]) - Start[C];
        Total += InThisCell * (InThisCell - 1) / 2;
    }
    if (Comparisons != nullptr)
        *Comparisons = Total;
    Close.reserve(size_t(std::min(Total, MaxNearComparisons)));
    int64_t Budget = MaxNearComparisons;
    for (size_t C = 0; C + 1 < Start.size() && Budget > 0; ++C) {
        const uint32_t Begin = Start[C], End = Start[C + 1];
        for (uint32_t P = Begin; P < End && Budget > 0; ++P)
            for (uint32_t Q = P + 1; Q < End; ++Q) {
                --Budget;
                const TNearSide& S = Sides[InCell[P]];
                const TNearSide& F = Sides[InCell[Q]];
                if (S.Zone == F.Zone || !NearCandidates(S, F) || AreNeighbours(S.Zone, F.Zone))
                    continue;
                Close.push_back({std::min(S.Zone, F.Zone), std::max(S.Zone, F.Zone),
                                 std::min(InCell[P], InCell[Q]), std::max(InCell[P], InCell[Q])});
            }
    }
    std::sort(Close.begin(), Close.end());
    Close.erase(std::unique(Close.begin(), Close.end()), Close.end());

    std::vector<TNearPair> Found;
    std::vector<std::pair<uint32_t, uint32_t>> Pair;
    for (size_t Begin = 0; Begin < Close.size();) {
        const int32_t Zone1 = Close[Begin].Zone1, Zone2 = Close[Begin].Zone2;
        Pair.clear();
        for (; Begin < Close.size() && Close[Begin].Zone1 == Zone1 && Close[Begin].Zone2 == Zone2;
             ++Begin)
            Pair.emplace_back(Close[Begin].P, Close[Begin].Q);
        const double Length = NearPairLength(Sides, Pair, Zone1);
        if (Length >= NearLength)
            Found.push_back({Zone1, Zone2, int32_t(std::lround(Length))});
    }
    return Found;
}
