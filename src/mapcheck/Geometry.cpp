#include "mapcheck/Geometry.h"

#include "zonemap/Zone.h"
#include "zonemap/ZoneEdgeTable.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <limits>
#include <numeric>
#include <queue>
#include <set>
#include <tuple>

namespace {

// Cross products of 32-bit coordinates need 65 bits.
__extension__ typedef __int128 TWide;

struct TSegment {
    TPoint A;
    TPoint B;
    int32_t Index; // the zone's own edge number
};

int Sign(TWide V) {
    return V > 0 ? 1 : V < 0 ? -1 : 0;
}

// Side of C relative to the directed line A -> B.
int Orientation(const TPoint& A, const TPoint& B, const TPoint& C) {
    const TWide Cross = TWide(int64_t(B.X) - A.X) * (int64_t(C.Y) - A.Y) -
                        TWide(int64_t(B.Y) - A.Y) * (int64_t(C.X) - A.X);
    return Sign(Cross);
}

// C, known to be on the line through A and B, lies within the segment's box.
bool WithinBox(const TPoint& A, const TPoint& B, const TPoint& C) {
    return std::min(A.X, B.X) <= C.X && C.X <= std::max(A.X, B.X) && std::min(A.Y, B.Y) <= C.Y &&
           C.Y <= std::max(A.Y, B.Y);
}

// Closed segments share at least one point.
bool SegmentsMeet(const TSegment& S, const TSegment& T) {
    const int D1 = Orientation(T.A, T.B, S.A);
    const int D2 = Orientation(T.A, T.B, S.B);
    const int D3 = Orientation(S.A, S.B, T.A);
    const int D4 = Orientation(S.A, S.B, T.B);
    if (D1 * D2 < 0 && D3 * D4 < 0)
        return true;
    return (D1 == 0 && WithinBox(T.A, T.B, S.A)) || (D2 == 0 && WithinBox(T.A, T.B, S.B)) ||
           (D3 == 0 && WithinBox(S.A, S.B, T.A)) || (D4 == 0 && WithinBox(S.A, S.B, T.B));
}

// First.B == Second.A: the two fold back over each other when they are collinear and
// point in opposite directions.
bool FoldsBack(const TSegment& First, const TSegment& Second) {
    if (Orientation(First.A, First.B, Second.B) != 0)
        return false;
    const TWide Dot = TWide(int64_t(First.B.X) - First.A.X) * (int64_t(Second.B.X) - Second.A.X) +
                      TWide(int64_t(First.B.Y) - First.A.Y) * (int64_t(Second.B.Y) - Second.A.Y);
    return Dot < 0;
}

// Whether edges K and L of an outline of M edges meet where they should not.
bool EdgesMeet(const std::vector<TSegment>& Edges, size_t K, size_t L) {
    const size_t M = Edges.size();
    if ((K + 1) % M == L)
        return FoldsBack(Edges[K], Edges[L]);
    if ((L + 1) % M == K)
        return FoldsBack(Edges[L], Edges[K]);
    return SegmentsMeet(Edges[K], Edges[L]);
}

bool LexLess(const TPoint& A, const TPoint& B) {
    return A.X != B.X ? A.X < B.X : A.Y < B.Y;
}

// Shamos and Hoey's sweep: the edges crossing a vertical line sweeping left to right (ties
// bottom to top) are kept in their order along it, and only edges that become neighbours
// in that order are compared. Until the first meeting the order is well defined, so the
// sweep stops there: O(n log n), and it finds a meeting whenever there is one. Corners are
// distinct and each is the end of exactly two edges (the caller checks repeated corners).
bool SweepForMeeting(const std::vector<TSegment>& Edges, TEdgePair& Crossing) {
    const size_t M = Edges.size();
    const auto Left = [&](size_t K) {
        return LexLess(Edges[K].A, Edges[K].B) ? Edges[K].A : Edges[K].B;
    };
    const auto Right = [&](size_t K) {
        return LexLess(Edges[K].A, Edges[K].B) ? Edges[K].B : Edges[K].A;
    };
    // The one edge being inserted is compared with edges already in the order, at its left
    // end: above (+1), below (-1) or through it (0, a meeting the neighbour test reports).
    size_t Inserting = 0;
    const auto Side = [&](size_t S, size_t T) {
        const TPoint P = Left(S);
        if (Left(T) == P)
            return Orientation(P, Right(T), Right(S));
        return Orientation(Left(T), Right(T), P);
    };
    const auto Below = [&](size_t X, size_t Y) {
        if (X == Inserting)
            return Side(X, Y) < 0;
        return Side(Y, X) > 0;
    };
    std::multiset<size_t, decltype(Below)> Order(Below);
    std::vector<std::multiset<size_t, decltype(Below)>::iterator> Where(M, Order.end());

    const auto Report = [&](size_t K, size_t L) {
        if (!EdgesMeet(Edges, K, L))
            return false;
        Crossing = {std::min(Edges[K].Index, Edges[L].Index),
                    std::max(Edges[K].Index, Edges[L].Index)};
        return true;
    };

    // Corner C is where edge C starts and edge C - 1 ends.
    std::vector<size_t> Corners(M);
    std::iota(Corners.begin(), Corners.end(), size_t(0));
    std::sort(Corners.begin(), Corners.end(),
              [&](size_t P, size_t Q) { return LexLess(Edges[P].A, Edges[Q].A); });
    for (const size_t C : Corners) {
        const TPoint P = Edges[C].A;
        const size_t Ending[2] = {(C + M - 1) % M, C};
        for (const size_t K : Ending) {
            if (!(Right(K) == P))
                continue;
            auto At = Where[K];
            auto Next = std::next(At);
            if (At != Order.begin() && Next != Order.end() && Report(*std::prev(At), *Next))
                return true;
            Order.erase(At);
            Where[K] = Order.end();
        }
        for (const size_t K : Ending) {
            if (!(Left(K) == P))
                continue;
            Inserting = K;
            auto At = Order.insert(K);
            Where[K] = At;
            if (At != Order.begin() && Report(*std::prev(At), K))
                return true;
            if (std::next(At) != Order.end() && Report(K, *std::next(At)))
                return true;
        }
    }
    return false;
}

// Every pair of edges whose x and y ranges overlap, the lowest meeting pair kept; false
// (Crossing untouched in meaning) when that takes more than Budget comparisons. Crossing
// holds the lowest pair, or -1 and -1 for none, when it returns true.
bool FindWithinBudget(const std::vector<TSegment>& Edges, TEdgePair& Crossing, int64_t Budget);
// The same pairs through a grid of cells over the outline, so that the sides of a wiggly
// outline, whose edges all overlap in x, cost what their neighbours do. Crossing as above;
// false, with nothing found, when the edges would fill too many cells.
bool FindInGrid(const std::vector<TSegment>& Edges, TEdgePair& Crossing);
// The comparisons FindWithinBudget would make: pairs whose x ranges overlap.
int64_t PairsOverlappingInX(const std::vector<TSegment>& Edges);
// Outlines of real zones take a few thousand comparisons; past this the sweep decides.
constexpr int64_t ExhaustiveBudget = int64_t(1) << 20;

// The corners with the number of the point each one is.
std::vector<std::pair<TPoint, int32_t>> DistinctCorners(const std::vector<TPoint>& Points) {
    std::vector<std::pair<TPoint, int32_t>> Corners;
    for (size_t I = 0; I < Points.size(); ++I)
        if (Corners.empty() || !(Corners.back().first == Points[I]))
            Corners.emplace_back(Points[I], int32_t(I));
    while (Corners.size() > 1 && Corners.back().first == Corners.front().first)
        Corners.pop_back();
    return Corners;
}

} // namespace

int32_t DistinctCornerCount(const std::vector<TPoint>& Points) {
    return int32_t(DistinctCorners(Points).size());
}

namespace {

// The outline's edges between distinct corners, each with the number of the edge it
// begins; none when fewer than three corners are left.
std::vector<TSegment> OutlineEdges(const std::vector<TPoint>& Points) {
    const auto Corners = DistinctCorners(Points);
    const size_t M = Corners.size();
    if (M < 3)
        return {};
    std::vector<TSegment> Edges(M);
    for (size_t K = 0; K < M; ++K)
        Edges[K] = {Corners[K].first, Corners[(K + 1) % M].first, Corners[K].second};
    return Edges;
}

bool SweepEdges(const std::vector<TSegment>& Edges, TEdgePair& Crossing) {
    const size_t M = Edges.size();
    // A corner visited twice is a touch the sweep does not look for.
    std::vector<size_t> ByPoint(M);
    std::iota(ByPoint.begin(), ByPoint.end(), size_t(0));
    std::sort(ByPoint.begin(), ByPoint.end(),
              [&](size_t P, size_t Q) { return LexLess(Edges[P].A, Edges[Q].A); });
    for (size_t I = 1; I < M; ++I)
        if (Edges[ByPoint[I - 1]].A == Edges[ByPoint[I]].A) {
            Crossing = {std::min(Edges[ByPoint[I - 1]].Index, Edges[ByPoint[I]].Index),
                        std::max(Edges[ByPoint[I - 1]].Index, Edges[ByPoint[I]].Index)};
            return true;
        }
    return SweepForMeeting(Edges, Crossing);
}

} // namespace

bool FindSelfIntersection(const std::vector<TPoint>& Points, TEdgePair& Crossing) {
    const std::vector<TSegment> Edges = OutlineEdges(Points);
    if (Edges.empty())
        return false;
    // Which search answers stays as the comparisons in x decide, whichever way the pairs
    // are then found, so that an outline reports the same pair as it always has.
    const int64_t M = int64_t(Edges.size());
    if (M * (M - 1) / 2 > ExhaustiveBudget && PairsOverlappingInX(Edges) > ExhaustiveBudget)
        return SweepEdges(Edges, Crossing);
    // Below some dozens of edges the grid costs more to set up than it saves.
    constexpr int64_t GridFrom = 48;
    if ((M >= GridFrom && FindInGrid(Edges, Crossing)) ||
        FindWithinBudget(Edges, Crossing, ExhaustiveBudget))
        return Crossing.Edge1 >= 0;
    return SweepEdges(Edges, Crossing);
}

bool FindLowestSelfIntersectionPairwise(const std::vector<TPoint>& Points, TEdgePair& Crossing) {
    const std::vector<TSegment> Edges = OutlineEdges(Points);
    return !Edges.empty() && FindWithinBudget(Edges, Crossing, INT64_MAX) && Crossing.Edge1 >= 0;
}

bool SweepSelfIntersection(const std::vector<TPoint>& Points, TEdgePair& Crossing) {
    const std::vector<TSegment> Edges = OutlineEdges(Points);
    return !Edges.empty() && SweepEdges(Edges, Crossing);
}

namespace {

bool FindWithinBudget(const std::vector<TSegment>& Edges, TEdgePair& Crossing, int64_t Budget) {
    const size_t M = Edges.size();
    Crossing = {-1, -1};

    // Sweep over x: only edges whose x ranges overlap are compared, which keeps long
    // coastlines from costing every pair of their edges.
    std::vector<size_t> Order(M);
    std::iota(Order.begin(), Order.end(), size_t(0));
    const auto MinX = [&](size_t K) { return std::min(Edges[K].A.X, Edges[K].B.X); };
    const auto MaxX = [&](size_t K) { return std::max(Edges[K].A.X, Edges[K].B.X); };
    std::sort(Order.begin(), Order.end(), [&](size_t P, size_t Q) { return MinX(P) < MinX(Q); });

    bool Found = false;
    for (size_t OI = 0; OI < M; ++OI) {
        const size_t K = Order[OI];
        const int32_t KMinY = std::min(Edges[K].A.Y, Edges[K].B.Y);
        const int32_t KMaxY = std::max(Edges[K].A.Y, Edges[K].B.Y);
        for (size_t OJ = OI + 1; OJ < M && MinX(Order[OJ]) <= MaxX(K); ++OJ) {
            if (--Budget < 0)
                return false;
            const size_t L = Order[OJ];
            if (std::max(Edges[L].A.Y, Edges[L].B.Y) < KMinY ||
                std::min(Edges[L].A.Y, Edges[L].B.Y) > KMaxY)
                continue;
            if (!EdgesMeet(Edges, K, L))
                continue;
            // Report the lowest pair, whatever order the sweep met them in.
            TEdgePair Pair{std::min(Edges[K].Index, Edges[L].Index),
                           std::max(Edges[K].Index, Edges[L].Index)};
            if (!Found ||
                std::tie(Pair.Edge1, Pair.Edge2) < std::tie(Crossing.Edge1, Crossing.Edge2))
                Crossing = Pair;
            Found = true;
        }
    }
    return true;
}

int64_t PairsOverlappingInX(const std::vector<TSegment>& Edges) {
    const size_t M = Edges.size();
    std::vector<int32_t> MinXs(M);
    for (size_t K = 0; K < M; ++K)
        MinXs[K] = std::min(Edges[K].A.X, Edges[K].B.X);
    std::sort(MinXs.begin(), MinXs.end());
    // Each edge counted with those starting at or after its own start (in x) and before its
    // end; among edges starting together each pair once.
    int64_t Pairs = 0;
    for (size_t K = 0; K < M; ++K) {
        const int32_t Lo = std::min(Edges[K].A.X, Edges[K].B.X);
        const int32_t Hi = std::max(Edges[K].A.X, Edges[K].B.X);
        const auto From = std::upper_bound(MinXs.begin(), MinXs.end(), Lo);
        const auto To = std::upper_bound(MinXs.begin(), MinXs.end(), Hi);
        Pairs += To - From;
    }
    // Pairs starting at one x always overlap, and were not counted above.
    for (size_t K = 0; K < M;) {
        size_t End = K + 1;
        while (End < M && MinXs[End] == MinXs[K])
            ++End;
        const int64_t Run = int64_t(End - K);
        Pairs += Run * (Run - 1) / 2;
        K = End;
    }
    return Pairs;
}

bool FindInGrid(const std::vector<TSegment>& Edges, TEdgePair& Crossing) {
    const size_t M = Edges.size();
    struct TBox {
        int64_t X1, Y1, X2, Y2;
    };
    std::vector<TBox> Boxes(M);
    TBox All{INT64_MAX, INT64_MAX, INT64_MIN, INT64_MIN};
    int64_t Extent = 0;
    for (size_t K = 0; K < M; ++K) {
        const TSegment& E = Edges[K];
        Boxes[K] = {std::min(E.A.X, E.B.X), std::min(E.A.Y, E.B.Y), std::max(E.A.X, E.B.X),
                    std::max(E.A.Y, E.B.Y)};
        All = {std::min(All.X1, Boxes[K].X1), std::min(All.Y1, Boxes[K].Y1),
               std::max(All.X2, Boxes[K].X2), std::max(All.Y2, Boxes[K].Y2)};
        Extent += std::max(Boxes[K].X2 - Boxes[K].X1, Boxes[K].Y2 - Boxes[K].Y1);
    }
    // Cells of a power of two about an edge's usual size (cheap to find an edge's cells
    // in), never more of them than some per edge.
    const int64_t MaxCells = 4 * int64_t(M) + 64;
    int Shift = std::bit_width(uint64_t(std::max<int64_t>(1, Extent / int64_t(M)))) - 1;
    const auto Columns = [&] { return ((All.X2 - All.X1) >> Shift) + 1; };
    const auto Rows = [&] { return ((All.Y2 - All.Y1) >> Shift) + 1; };
    while (TWide(Columns()) * Rows() > MaxCells)
        ++Shift;
    const int64_t NX = Columns();
    // Each edge's cells, from the outline's corner.
    struct TCells {
        int32_t X1, Y1, X2, Y2;
    };
    std::vector<TCells> Cells(M);
    const size_t MaxEntries = 16 * M + 1024;
    std::vector<uint32_t> Start(size_t(NX * Rows()) + 1, 0);
    size_t Entries = 0;
    for (size_t K = 0; K < M; ++K) {
        const TBox& B = Boxes[K];
        TCells& C = Cells[K];
        C = {int32_t((B.X1 - All.X1) >> Shift), int32_t((B.Y1 - All.Y1) >> Shift),
             int32_t((B.X2 - All.X1) >> Shift), int32_t((B.Y2 - All.Y1) >> Shift)};
        Entries += size_t(C.X2 - C.X1 + 1) * size_t(C.Y2 - C.Y1 + 1);
        if (Entries > MaxEntries)
            return false;
        for (int64_t CY = C.Y1; CY <= C.Y2; ++CY)
            for (int64_t CX = C.X1; CX <= C.X2; ++CX)
                ++Start[size_t(CY * NX + CX) + 1];
    }
    for (size_t C = 1; C < Start.size(); ++C)
        Start[C] += Start[C - 1];
    // The edges of each cell, counted above and placed here (compressed rows).
    std::vector<uint32_t> InCell(Entries);
    {
        std::vector<uint32_t> Next(Start.begin(), Start.end() - 1);
        for (size_t K = 0; K < M; ++K) {
            const TCells& C = Cells[K];
            for (int64_t CY = C.Y1; CY <= C.Y2; ++CY)
                for (int64_t CX = C.X1; CX <= C.X2; ++CX)
                    InCell[Next[size_t(CY * NX + CX)]++] = uint32_t(K);
        }
    }
    Crossing = {-1, -1};
    for (size_t C = 0; C + 1 < Start.size(); ++C)
        for (uint32_t P = Start[C]; P < Start[C + 1]; ++P)
            for (uint32_t Q = P + 1; Q < Start[C + 1]; ++Q) {
                const size_t K = InCell[P], L = InCell[Q];
                const TBox &BK = Boxes[K], &BL = Boxes[L];
                // Boxes apart cannot meet; boxes sharing several cells are compared in the
                // one holding the corner where their overlap begins.
                if (std::max(BK.X1, BL.X1) > std::min(BK.X2, BL.X2) ||
                    std::max(BK.Y1, BL.Y1) > std::min(BK.Y2, BL.Y2))
                    continue;
                const int64_t CX = std::max(Cells[K].X1, Cells[L].X1);
                const int64_t CY = std::max(Cells[K].Y1, Cells[L].Y1);
                if (size_t(CY * NX + CX) != C || !EdgesMeet(Edges, K, L))
                    continue;
                const TEdgePair Pair{std::min(Edges[K].Index, Edges[L].Index),
                                     std::max(Edges[K].Index, Edges[L].Index)};
                if (Crossing.Edge1 < 0 ||
                    std::tie(Pair.Edge1, Pair.Edge2) < std::tie(Crossing.Edge1, Crossing.Edge2))
                    Crossing = Pair;
            }
    return true;
}

} // namespace

bool EdgeLineOf(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, TEdgeLine& Line) {
    int64_t DX = int64_t(X2) - X1;
    int64_t DY = int64_t(Y2) - Y1;
    if (DX == 0 && DY == 0)
        return false;
    const int64_t G = std::gcd(DX, DY);
    DX /= G;
    DY /= G;
    if (DX < 0 || (DX == 0 && DY < 0)) {
        DX = -DX;
        DY = -DY;
    }
    Line.UX = DX;
    Line.UY = DY;
    Line.Offset = TWideInt(DY) * X1 - TWideInt(DX) * Y1;
    Line.TA = TWideInt(DX) * X1 + TWideInt(DY) * Y1;
    Line.TB = TWideInt(DX) * X2 + TWideInt(DY) * Y2;
    Line.Lo = std::min(Line.TA, Line.TB);
    Line.Hi = std::max(Line.TA, Line.TB);
    return true;
}

std::vector<std::pair<int32_t, int32_t>> FindCollinearOverlaps(const std::vector<TZone*>& Zones) {
    std::vector<std::pair<int32_t, int32_t>> Pairs;
    FindCollinearOverlaps(TZoneEdges(Zones), Pairs, std::numeric_limits<int64_t>::max());
    return Pairs;
}

namespace {

// An edge's line: the reduced direction (first non-zero component positive) and the line's
// offset; along the line, the interval Lo..Hi of the end points' projections.
struct TLine {
    int64_t UX, UY;
    TWide Offset;
};

TLine LineOf(const TEdgeKey& K, TWide& Lo, TWide& Hi) {
    TEdgeLine Line;
    EdgeLineOf(K.X1, K.Y1, K.X2, K.Y2, Line);
    Lo = Line.Lo;
    Hi = Line.Hi;
    return {Line.UX, Line.UY, Line.Offset};
}

uint64_t LineHash(const TLine& L) {
    const auto Low = [](TWide V) { return uint64_t(V); };
    const auto High = [](TWide V) { return uint64_t(V >> 64); };
    uint64_t H = TEdgeKeyHash::Mix(uint64_t(L.UX) * 0x9e3779b97f4a7c15ull ^ uint64_t(L.UY));
    H = TEdgeKeyHash::Mix(H ^ Low(L.Offset));
    return TEdgeKeyHash::Mix(H ^ High(L.Offset));
}

} // namespace

bool FindCollinearOverlaps(const TZoneEdges& Edges, std::vector<std::pair<int32_t, int32_t>>& Pairs,
                           int64_t WorkBudget, int64_t* WorkUsed) {
    const int64_t FullBudget = WorkBudget;
    const size_t ZoneCount = Edges.ZoneCount();
    Pairs.clear();
    // Work on distinct edges: the copies of a shared edge lie on one line but never make a
    // pair. Two edges that make one overlap along their line, so their spans along its main
    // axis meet in cells of CellSpan: each short edge is counted under its line's hash with
    // each cell it reaches, and only edges that meet another there (some merely collide)
    // go to the exact pass. Long edges go there always, and so does every edge of their
    // lines. Counts are taken group by group of the hashes' top bits, in the cache.
    constexpr int CellShift = 6;
    constexpr int64_t MaxCells = 4;
    struct THashed {
        uint64_t Hash;
        uint32_t Slot;
        uint32_t Long; // 1: a long edge's line; 0: a short edge's line and cell
    };
    // At most MaxCells entries per edge.
    THugeBuffer<THashed> Hashed(Edges.EdgeCount() * size_t(MaxCells));
    size_t HashedCount = 0;
    std::vector<uint64_t> LongLines;
    for (uint32_t Slot = 0; Slot < Edges.EdgeCount(); ++Slot) {
        const TEdgeKey& K = Edges.Key(Slot);
        if (K.X1 == K.X2 && K.Y1 == K.Y2)
            continue;
        TWide Lo, Hi;
        const TLine Line = LineOf(K, Lo, Hi);
        const uint64_t H = LineHash(Line);
        const bool AlongX = std::abs(Line.UX) >= std::abs(Line.UY);
        const int64_t A = AlongX ? K.X1 : K.Y1, B = AlongX ? K.X2 : K.Y2;
        const int64_t First = std::min(A, B) >> CellShift, Last = std::max(A, B) >> CellShift;
        if (Last - First >= MaxCells) {
            LongLines.push_back(H);
            Hashed[HashedCount++] = {H, Slot, 1};
            continue;
        }
        for (int64_t C = First; C <= Last; ++C)
            Hashed[HashedCount++] = {TEdgeKeyHash::Mix(H ^ TEdgeKeyHash::Mix(uint64_t(C))), Slot,
                                     0};
    }
    std::sort(LongLines.begin(), LongLines.end());
    std::vector<uint64_t> Candidate((Edges.EdgeCount() + 63) / 64, 0);
    const auto Mark = [&](uint32_t Slot) { Candidate[Slot / 64] |= uint64_t(1) << (Slot % 64); };
    for (uint32_t Slot = 0; !LongLines.empty() && Slot < Edges.EdgeCount(); ++Slot) {
        const TEdgeKey& K = Edges.Key(Slot);
        TWide Lo, Hi;
        if (!(K.X1 == K.X2 && K.Y1 == K.Y2) &&
            std::binary_search(LongLines.begin(), LongLines.end(), LineHash(LineOf(K, Lo, Hi))))
            Mark(Slot);
    }
    LongLines = {};
    constexpr int GroupBits = 10;
    std::vector<uint32_t> GroupStart((size_t(1) << GroupBits) + 1, 0);
    for (size_t K = 0; K < HashedCount; ++K)
        ++GroupStart[(Hashed[K].Hash >> (64 - GroupBits)) + 1];
    for (size_t G = 1; G < GroupStart.size(); ++G)
        GroupStart[G] += GroupStart[G - 1];
    THugeBuffer<THashed> Grouped(HashedCount);
    {
        std::vector<uint32_t> Next(GroupStart.begin(), GroupStart.end() - 1);
        for (size_t K = 0; K < HashedCount; ++K)
            Grouped[Next[Hashed[K].Hash >> (64 - GroupBits)]++] = Hashed[K];
    }
    Hashed.Clear();
    std::vector<uint8_t> Seen;
    std::vector<THashed> Meeting;
    struct TSpan {
        TLine Line;
        TWide Lo, Hi;
    };
    std::vector<TSpan> Spans;
    for (size_t G = 0; G + 1 < GroupStart.size(); ++G) {
        const uint32_t Begin = GroupStart[G], End = GroupStart[G + 1];
        if (End - Begin < 2)
            continue;
        Seen.assign(std::bit_ceil(size_t(End - Begin) * 8), 0);
        const size_t Mask = Seen.size() - 1;
        for (uint32_t K = Begin; K < End; ++K) {
            if (Grouped[K].Long != 0)
                continue;
            uint8_t& Count = Seen[Grouped[K].Hash & Mask];
            Count = uint8_t(std::min(Count + 1, 2));
        }
        Meeting.clear();
        for (uint32_t K = Begin; K < End; ++K)
            if (Grouped[K].Long != 0)
                Mark(Grouped[K].Slot);
            else if (Seen[Grouped[K].Hash & Mask] >= 2)
                Meeting.push_back(Grouped[K]);
        // Edges that meet in a cell: only those on one line that overlap along it can
        // make a pair; edges that touch end to end, as along most borders, cannot.
        std::sort(Meeting.begin(), Meeting.end(),
                  [](const THashed& P, const THashed& Q) { return P.Hash < Q.Hash; });
        for (size_t RunBegin = 0; RunBegin < Meeting.size();) {
            size_t RunEnd = RunBegin + 1;
            while (RunEnd < Meeting.size() && Meeting[RunEnd].Hash == Meeting[RunBegin].Hash)
                ++RunEnd;
            if (RunEnd - RunBegin >= 2) {
                Spans.clear();
                for (size_t K = RunBegin; K < RunEnd; ++K) {
                    TSpan Span;
                    Span.Line = LineOf(Edges.Key(Meeting[K].Slot), Span.Lo, Span.Hi);
                    Spans.push_back(Span);
                }
                std::sort(Spans.begin(), Spans.end(), [](const TSpan& P, const TSpan& Q) {
                    return std::tie(P.Line.UX, P.Line.UY, P.Line.Offset, P.Lo) <
                           std::tie(Q.Line.UX, Q.Line.UY, Q.Line.Offset, Q.Lo);
                });
                bool Overlap = false;
                for (size_t K = 1; K < Spans.size() && !Overlap; ++K) {
                    TWide Reach = Spans[K - 1].Hi;
                    const TLine& L = Spans[K].Line;
                    const TLine& P = Spans[K - 1].Line;
                    if (L.UX == P.UX && L.UY == P.UY && L.Offset == P.Offset) {
                        Overlap = Spans[K].Lo < Reach;
                        Spans[K].Hi = std::max(Spans[K].Hi, Reach);
                    }
                }
                if (Overlap)
                    for (size_t K = RunBegin; K < RunEnd; ++K)
                        Mark(Meeting[K].Slot);
            }
            RunBegin = RunEnd;
        }
    }
    Grouped.Clear();
    Seen = {};
    std::vector<uint32_t> CandidateSlots;
    for (size_t W = 0; W < Candidate.size(); ++W)
        for (uint64_t Bits = Candidate[W]; Bits != 0; Bits &= Bits - 1)
            CandidateSlots.push_back(uint32_t(W * 64 + size_t(std::countr_zero(Bits))));
    Candidate = {};

    struct TEntry {
        TLine Line;
        TWide Lo, Hi;
        int32_t Zone;
    };
    std::vector<TEntry> Entries;
    Entries.reserve(CandidateSlots.size() * 2);
    std::vector<uint32_t> Zones;
    for (const uint32_t Slot : CandidateSlots) {
        TWide Lo, Hi;
        const TLine Line = LineOf(Edges.Key(Slot), Lo, Hi);
        Zones.clear();
        Edges.ZonesOn(Slot, Zones);
        for (uint32_t Z : Zones)
            Entries.push_back({Line, Lo, Hi, int32_t(Z)});
    }
    CandidateSlots = {};
    const auto SameLine = [](const TEntry& P, const TEntry& Q) {
        return P.Line.UX == Q.Line.UX && P.Line.UY == Q.Line.UY && P.Line.Offset == Q.Line.Offset;
    };
    std::sort(Entries.begin(), Entries.end(), [](const TEntry& P, const TEntry& Q) {
        return std::tie(P.Line.UX, P.Line.UY, P.Line.Offset, P.Lo, P.Hi, P.Zone) <
               std::tie(Q.Line.UX, Q.Line.UY, Q.Line.Offset, Q.Lo, Q.Hi, Q.Zone);
    });

    // Along each line, in order of Lo: the intervals still open, per zone, and how many of
    // them are the same interval as the current one (copies of one edge, which make no
    // pair). Only zones with an open interval that is not a copy make a pair, so an edge
    // shared by thousands of zones, or one zone folding along a line, costs n log n.
    std::vector<int32_t> Open(ZoneCount, 0), Copies(ZoneCount, 0), Where(ZoneCount, -1);
    std::vector<int32_t> OpenZones;
    using TClosing = std::pair<TWide, int32_t>;
    std::priority_queue<TClosing, std::vector<TClosing>, std::greater<>> Closing;
    bool Complete = true;
    // Pairs as one number each, ordered as the pairs: a hostile map yields millions of
    // them, and single numbers sort in half the time.
    const auto PairKey = [](int32_t A, int32_t B) {
        return uint64_t(uint32_t(A)) << 32 | uint32_t(B);
    };
    std::vector<uint64_t> Found;
    for (size_t Begin = 0; Begin < Entries.size() && Complete;) {
        size_t End = Begin + 1;
        while (End < Entries.size() && SameLine(Entries[Begin], Entries[End]))
            ++End;
        int64_t OpenTotal = 0;
        size_t Run = Begin;
        const auto Close = [&](int32_t Z) {
            --OpenTotal;
            if (--Open[size_t(Z)] == 0) {
                const int32_t Last = OpenZones.back();
                Where[size_t(Last)] = Where[size_t(Z)];
                OpenZones[size_t(Where[size_t(Z)])] = Last;
                OpenZones.pop_back();
                Where[size_t(Z)] = -1;
            }
        };
        for (size_t K = Begin; K < End; ++K) {
            const TEntry& Current = Entries[K];
            // Intervals that end where this one starts only touch it at a point.
            while (!Closing.empty() && Closing.top().first <= Current.Lo) {
                Close(Closing.top().second);
                Closing.pop();
            }
            if (Current.Lo != Entries[Run].Lo || Current.Hi != Entries[Run].Hi) {
                for (size_t R = Run; R < K; ++R)
                    Copies[size_t(Entries[R].Zone)] = 0;
                Run = K;
            }
            const size_t Z = size_t(Current.Zone);
            const int64_t CopiesOfOthers = int64_t(K - Run) - Copies[Z];
            if (OpenTotal - Open[Z] - CopiesOfOthers > 0) {
                WorkBudget -= int64_t(OpenZones.size());
                if (WorkBudget < 0) {
                    Complete = false;
                    break;
                }
                for (const int32_t Other : OpenZones)
                    if (size_t(Other) != Z && Open[size_t(Other)] > Copies[size_t(Other)])
                        Found.push_back(
                            PairKey(std::min(Other, Current.Zone), std::max(Other, Current.Zone)));
            }
            Closing.push({Current.Hi, Current.Zone});
            ++OpenTotal;
            if (Open[Z]++ == 0) {
                Where[Z] = int32_t(OpenZones.size());
                OpenZones.push_back(Current.Zone);
            }
            ++Copies[Z];
        }
        while (!Closing.empty()) {
            Close(Closing.top().second);
            Closing.pop();
        }
        for (size_t R = Run; R < End; ++R)
            Copies[size_t(Entries[R].Zone)] = 0;
        Begin = End;
    }
    if (WorkUsed != nullptr)
        *WorkUsed = FullBudget - WorkBudget;
    std::sort(Found.begin(), Found.end());
    Found.erase(std::unique(Found.begin(), Found.end()), Found.end());
    Pairs.reserve(Found.size());
    for (const uint64_t Key : Found)
        Pairs.emplace_back(int32_t(Key >> 32), int32_t(uint32_t(Key)));
    return Complete;
}
