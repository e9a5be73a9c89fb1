#pragma once

#include "platform/Types.h"
#include "zonemap/HugeBuffer.h"
#include "zonemap/ZoneEdgeTable.h"

#include <cstdint>
#include <utility>
#include <vector>

class TZone;

// The geometric checks of map outlines, in exact integer arithmetic.

// Points of the outline once repeated consecutive points (also the last against the first)
// are dropped: what the polygon really has as corners.
int32_t DistinctCornerCount(const std::vector<TPoint>& Points);

// Two edges of one closed outline (indices into the zone's own edges, Edge1 < Edge2) that
// meet where they should not: edges that are not consecutive and touch or cross, or
// consecutive edges that fold back over each other. Zero-length edges are ignored.
struct TEdgePair {
    int32_t Edge1 = -1;
    int32_t Edge2 = -1;
};
// False when the outline is simple, or has fewer than three distinct corners (which
// DistinctCornerCount reports). The lowest such pair for outlines of real zones; past a
// million comparisons of edges, whichever pair SweepSelfIntersection meets first.
bool FindSelfIntersection(const std::vector<TPoint>& Points, TEdgePair& Crossing);
// The same question in O(n log n) for any outline (a sweep that stops at the first meeting
// it finds); the pair it gives is a meeting pair, not necessarily the lowest.
bool SweepSelfIntersection(const std::vector<TPoint>& Points, TEdgePair& Crossing);

// An edge's line in exact arithmetic: the reduced direction (first non-zero component
// positive) and the line's offset, so that edges on one line have equal lines; Lo..Hi is
// the edge's interval along it, TA and TB its start's and end's positions. A zero-length
// edge has no line (false).
__extension__ typedef __int128 TWideInt;
struct TEdgeLine {
    int64_t UX = 0, UY = 0;
    TWideInt Offset = 0;
    TWideInt Lo = 0, Hi = 0;
    TWideInt TA = 0, TB = 0;
};
bool EdgeLineOf(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, TEdgeLine& Line);

// Pairs of zones (by position in Zones, first < second, sorted) with edges that lie on one
// line and overlap along a positive length without being the same edge. Zones sharing an
// identical edge can be in the list too; callers decide what such pairs mean. The edges
// are grouped by their line, and along a line only zones with an open interval other than
// the current one's copies are visited, so the cost grows with the number of edges and
// the pairs found, not with the number of pairs of edges.
std::vector<std::pair<int32_t, int32_t>> FindCollinearOverlaps(const std::vector<TZone*>& Zones);
// The same from the zones' edges. Stops, returning false with the pairs found so far, once
// visiting the open zones would cost more than WorkBudget steps.
class TZoneEdges;
bool FindCollinearOverlaps(const TZoneEdges& Edges, std::vector<std::pair<int32_t, int32_t>>& Pairs,
                           int64_t WorkBudget);
// Every distinct edge of a zone list with the zones that have it, and the edge of every
// zone's every edge: what the checks of shared edges, split borders and near borders each
// ask of the edges, found once. The edges are first grouped by the top bits of their hash,
// so that each group is matched in a table that stays in the cache: at millions of edges
// one table for all misses the cache on nearly every edge.
class TZoneEdges {
public:
    static constexpr uint32_t NoZone = 0xFFFFFFFFu;
    explicit TZoneEdges(const std::vector<TZone*>& Zones);

    size_t ZoneCount() const { return First.size() - 1; }
    size_t EdgeCount() const { return Count; }
    const TEdgeKey& Key(uint32_t Edge) const { return Edges[Edge].Key; }
    // The zones that have the edge, each once, in zone order, appended to Zones.
    void ZonesOn(uint32_t Edge, std::vector<uint32_t>& Zones) const;
    // The distinct edge that zone Zone's edge E is.
    uint32_t EdgeOf(size_t Zone, size_t E) const { return OfEdge[First[Zone] + E]; }
    size_t EdgesOf(size_t Zone) const { return First[Zone + 1] - First[Zone]; }
    // Whether another zone has edge E of zone Zone too.
    bool Shared(size_t Zone, size_t E) const {
        const uint32_t D = EdgeOf(Zone, E);
        return (SharedBits[D / 64] >> (D % 64) & 1) != 0;
    }
    // Every edge of three zones or more, with its zones in zone order.
    template <class TVisit> void ForEachCrowdedEdge(TVisit&& Visit) const {
        for (size_t D = 0; D < Count; ++D)
            if (Edges[D].Second == Crowded)
                Visit(Edges[D].Key, Crowds[Edges[D].First]);
    }

private:
    static constexpr uint32_t Crowded = 0xFFFFFFFEu; // Second: First indexes Crowds
    struct TDistinct {
        TEdgeKey Key;
        uint32_t First, Second;
    };
    std::vector<size_t> First; // zone K's edges are OfEdge[First[K]] .. OfEdge[First[K + 1] - 1]
    THugeBuffer<uint32_t> OfEdge;
    THugeBuffer<TDistinct> Edges; // the first Count
    size_t Count = 0;
    std::vector<std::vector<uint32_t>> Crowds;
    std::vector<uint64_t> SharedBits; // by distinct edge
};
