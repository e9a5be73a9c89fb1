#pragma once

#include "platform/Types.h"
#include "zonemap/ZoneEdges.h"

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
// The lowest meeting pair by comparing every pair of edges whose boxes overlap, at any
// cost: what FindSelfIntersection finds within its budget, the slow way.
bool FindLowestSelfIntersectionPairwise(const std::vector<TPoint>& Points, TEdgePair& Crossing);

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
// visiting the open zones would cost more than WorkBudget steps; WorkUsed, when given,
// gets the steps taken.
bool FindCollinearOverlaps(const TZoneEdges& Edges, std::vector<std::pair<int32_t, int32_t>>& Pairs,
                           int64_t WorkBudget, int64_t* WorkUsed = nullptr);
