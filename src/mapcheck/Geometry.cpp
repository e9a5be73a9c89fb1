#include "mapcheck/Geometry.h"

#include "zonemap/Zone.h"

#include <algorithm>
#include <cstdlib>
#include <numeric>
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
    if (FindWithinBudget(Edges, Crossing, ExhaustiveBudget))
        return Crossing.Edge1 >= 0;
    return SweepEdges(Edges, Crossing);
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

} // namespace

std::vector<std::pair<int32_t, int32_t>> FindCollinearOverlaps(const std::vector<TZone*>& Zones) {
    // Each edge by its line: the reduced direction (first non-zero component positive) and
    // the line's offset; along the line, the interval Lo..Hi of the projections.
    struct TEntry {
        int64_t UX, UY;
        TWide Offset;
        TWide Lo, Hi;
        int32_t Zone;
    };
    std::vector<TEntry> Entries;
    size_t EdgeTotal = 0;
    for (const TZone* Z : Zones)
        EdgeTotal += size_t(Z->PointCount());
    Entries.reserve(EdgeTotal);
    for (size_t I = 0; I < Zones.size(); ++I) {
        const TZone& Z = *Zones[I];
        for (int32_t E = 0; E < Z.PointCount(); ++E) {
            const TEdge Edge = Z.Edge(E);
            int64_t DX = int64_t(Edge.X2) - Edge.X1;
            int64_t DY = int64_t(Edge.Y2) - Edge.Y1;
            if (DX == 0 && DY == 0)
                continue;
            const int64_t G = std::gcd(DX, DY);
            DX /= G;
            DY /= G;
            if (DX < 0 || (DX == 0 && DY < 0)) {
                DX = -DX;
                DY = -DY;
            }
            const TWide T1 = TWide(DX) * Edge.X1 + TWide(DY) * Edge.Y1;
            const TWide T2 = TWide(DX) * Edge.X2 + TWide(DY) * Edge.Y2;
            Entries.push_back({DX, DY, TWide(DY) * Edge.X1 - TWide(DX) * Edge.Y1, std::min(T1, T2),
                               std::max(T1, T2), int32_t(I)});
        }
    }
    const auto SameLine = [](const TEntry& P, const TEntry& Q) {
        return P.UX == Q.UX && P.UY == Q.UY && P.Offset == Q.Offset;
    };
    std::sort(Entries.begin(), Entries.end(), [](const TEntry& P, const TEntry& Q) {
        if (P.UX != Q.UX)
            return P.UX < Q.UX;
        if (P.UY != Q.UY)
            return P.UY < Q.UY;
        if (P.Offset != Q.Offset)
            return P.Offset < Q.Offset;
        return P.Lo < Q.Lo;
    });

    std::vector<std::pair<int32_t, int32_t>> Pairs;
    std::vector<const TEntry*> Active;
    for (size_t Begin = 0; Begin < Entries.size();) {
        size_t End = Begin + 1;
        while (End < Entries.size() && SameLine(Entries[Begin], Entries[End]))
            ++End;
        Active.clear();
        for (size_t K = Begin; K < End; ++K) {
            const TEntry& Current = Entries[K];
            // Intervals that end where this one starts only touch it at a point.
            std::erase_if(Active, [&](const TEntry* A) { return A->Hi <= Current.Lo; });
            for (const TEntry* A : Active)
                if (A->Zone != Current.Zone && !(A->Lo == Current.Lo && A->Hi == Current.Hi))
                    Pairs.emplace_back(std::min(A->Zone, Current.Zone),
                                       std::max(A->Zone, Current.Zone));
            Active.push_back(&Current);
        }
        Begin = End;
    }
    std::sort(Pairs.begin(), Pairs.end());
    Pairs.erase(std::unique(Pairs.begin(), Pairs.end()), Pairs.end());
    return Pairs;
}
