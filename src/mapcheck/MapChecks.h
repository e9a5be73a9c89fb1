#pragma once

#include "mapcheck/Finding.h"
#include "platform/Types.h"
#include "zonemap/ZoneEdgeTable.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

class TZone;
class TZoneSpriteSurface;

// The checks of a map set held by a zone surface: no files, no printing, nothing changed.
// Rebuild the neighbour lists first (TZoneSpriteSurface::BuildNeighbors): "no-neighbor"
// reads them; every other check works from the outlines, names, links and elements alone.
// Run it on the thread that owns the surface; it starts two threads of its own for the
// outlines and the near borders, which only read the zones, and joins them before it
// returns. On a map of 20,000 zones over 200 elements the whole check takes about 25 ms,
// the neighbour rebuild and the check together under 30 ms (bench_cli_check,
// BM_CheckMapSet20000Zones and BM_BuildNeighborsAndCheck20000Zones); at 300 points per
// zone (6 million edges) the check takes under a second of each of two cores
// (BM_CheckMapSetWiggly/75). The cost grows with the number of edges, not with the number
// of pairs of zones.
//
// The findings, in this order: the names the save refuses (unnamed zones, repeated names,
// characters the file cannot hold, also in bitmap names), zones of fewer than three
// distinct points, self-intersecting outlines, zones without any neighbour, edges that
// three zones or more share (once for each set of zones), borders that overlap without an
// identical edge, borders drawn a pixel or two apart, zones that the grid-point budget left
// without grid points, links between adjacent zones or from a zone to itself, zones
// reaching outside every element (once the map set has an element at all), elements
// reaching left of or above the origin, and bitmaps the palette shows in other colours.
// Each finding's FormatFinding is the line the command-line tool prints for it. Findings
// only a file can give (a load that stopped, lines the reader ignored) are not among them.
// At most MaxFindingsPerKind findings of each kind are kept; Omitted, when given, gains
// the count of each kind's findings left out.
std::vector<TFinding> CheckMapSet(TZoneSpriteSurface& Surface, TFindingCounts* Omitted = nullptr);
// BuildNeighbors, then CheckMapSet, in less time than the two: the outline checks start at
// once beside the neighbour building, and a large map's edges are grouped once for both.
// When the neighbour budget stops the building, the checks go on with the lists as they
// were and NeighborError gets the message.
std::vector<TFinding> BuildNeighborsAndCheck(TZoneSpriteSurface& Surface, TFindingCounts* Omitted,
                                             std::string* NeighborError);

// The parts that need only zones (their numbers are their positions in Zones), or plain
// copies of what the surface holds: a check of a copy of the map set composes these in
// CheckMapSet's order.
void CheckNames(const std::vector<TZone*>& Zones, std::vector<TFinding>& Findings);
void CheckBitmapNames(const std::vector<std::string>& Names, std::vector<TFinding>& Findings);
// Reads the zones' neighbour lists.
void CheckNoNeighbors(const std::vector<TZone*>& Zones, std::vector<TFinding>& Findings);
void CheckGridPointRefusals(const std::vector<TZone*>& Zones, const std::vector<bool>& Refused,
                            std::vector<TFinding>& Findings);
// Links by the zone numbers they join, in link order.
void CheckLinks(const std::vector<TZone*>& Zones,
                const std::vector<std::pair<int32_t, int32_t>>& Links,
                std::vector<TFinding>& Findings);
// An element's place and size, and the name of its bitmap.
struct TElementBox {
    TPoint Position;
    int32_t Width = 0, Height = 0;
    std::string Bitmap;
    friend bool operator==(const TElementBox&, const TElementBox&) = default;
};
void CheckElements(const std::vector<TZone*>& Zones, const std::vector<TElementBox>& Elements,
                   std::vector<TFinding>& Findings);
// The same with the zones' part answered by ZoneOutside: whether zone Zone reaches outside
// every element, and its first point there (FirstPointOutside), for a check that keeps the
// answer of each zone while the elements stay.
void CheckElements(const std::vector<TZone*>& Zones, const std::vector<TElementBox>& Elements,
                   std::vector<TFinding>& Findings,
                   const std::function<bool(size_t Zone, TPoint& Outside)>& ZoneOutside);
bool FirstPointOutside(const std::vector<TPoint>& Points, const std::vector<TElementBox>& Elements,
                       TPoint& Outside);
void CheckOutlines(const std::vector<TZone*>& Zones, std::vector<TFinding>& Findings);
void CheckSplitBorders(const std::vector<TZone*>& Zones, std::vector<TFinding>& Findings);
// Edges shared by three zones or more, then split borders (at most MaxFindingsPerKind of
// them; Omitted gets the count of the others). Visiting pairs of overlapping zones stops
// after MaxOverlapWork steps, with a finding that says so.
void CheckSharedEdges(const std::vector<TZone*>& Zones, std::vector<TFinding>& Findings,
                      int64_t* Omitted);
class TZoneEdges;
// The same from the zones' edges found already.
void CheckSharedEdges(const std::vector<TZone*>& Zones, const TZoneEdges& Edges,
                      std::vector<TFinding>& Findings, int64_t* Omitted);
constexpr int64_t MaxOverlapWork = int64_t(1) << 23;

// The parts of CheckSharedEdges, for a check that keeps what it found between edits.
// The sets of zones (by number) sharing edges of three zones or more, with the count of
// such edges and the first (by its end points) of each set: a finding for each set, in
// order of the sets.
class TSharedEdgeGroups {
public:
    void Add(const TEdgeKey& Key, std::vector<uint32_t> Members);
    void AddFindings(const std::vector<TZone*>& Zones, std::vector<TFinding>& Findings) const;

private:
    struct TGroup {
        size_t Edges = 0;
        TEdgeKey First{};
    };
    std::map<std::vector<uint32_t>, TGroup> FGroups;
};
// Every split border, as pairs of zone numbers in order; false when the search stopped
// after MaxOverlapWork steps. WorkUsed, when given, gets the steps taken.
bool FindSplitBorders(const TZoneEdges& Edges, std::vector<std::pair<int32_t, int32_t>>& Pairs,
                      int64_t* WorkUsed = nullptr);
// The findings of those pairs: at most MaxFindingsPerKind (Omitted gets the count of the
// others), then one saying that the search stopped, unless it was Complete.
void AddSplitBorderFindings(const std::vector<TZone*>& Zones,
                            const std::vector<std::pair<int32_t, int32_t>>& Pairs, bool Complete,
                            std::vector<TFinding>& Findings, int64_t* Omitted);
TFinding SplitBorderFinding(TZoneRef A, TZoneRef B);
// A shared-edge finding names this many of its zones; its message gives their count.
constexpr size_t MaxZonesNamed = 10;
