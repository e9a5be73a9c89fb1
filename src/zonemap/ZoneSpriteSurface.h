#pragma once

#include "platform/Types.h"
#include "zonemap/Link.h"
#include "zonemap/PointList.h"
#include "zonemap/Zone.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using TPathEvent = std::function<void(TObject* Sender, TZone* Zone1, TZone* Zone2, int32_t& Cost)>;

// Holds one map set: zones and the links between them, with neighbour building, path
// search and grid points.
class TZoneSpriteSurface : public TObject {
public:
    TZoneSpriteSurface();
    ~TZoneSpriteSurface() override;
    TZoneSpriteSurface(const TZoneSpriteSurface&) = delete;
    TZoneSpriteSurface& operator=(const TZoneSpriteSurface&) = delete;

    uint16_t ColorIndexLand() const { return FColorIndexLand; }
    void SetColorIndexLand(uint16_t Value) { FColorIndexLand = Value; }
    uint16_t ColorIndexSea() const { return FColorIndexSea; }
    void SetColorIndexSea(uint16_t Value) { FColorIndexSea = Value; }
    int32_t GridMarginTop() const { return FGridMarginTop; }
    void SetGridMarginTop(int32_t Value) { FGridMarginTop = Value; }
    int32_t GridWidth() const { return FGridWidth; }
    void SetGridWidth(int32_t Value) { FGridWidth = Value; }
    int32_t GridHeight() const { return FGridHeight; }
    void SetGridHeight(int32_t Value) { FGridHeight = Value; }

    TPathEvent OnPathCost;

    // Zones. The surface owns a zone once it is added.
    void AddZone(TZone* Zone);
    // Frees Zone with its links, and drops every reference to it from the other zones'
    // neighbour lists at once, so that nothing can reach the freed zone.
    void DeleteZone(TZone* Zone);
    int32_t ZoneCount() const { return int32_t(FZones.size()); }
    // Raises EListError outside 0 .. ZoneCount() - 1.
    TZone* Zone(int32_t Index) const;
    // Exact, case-sensitive; nullptr when no zone has the name.
    TZone* ZoneByName(const std::string& Name) const;

    // Links: each zone joins the other's neighbour list (no test for duplicates).
    void AddLink(TZone* Zone1, TZone* Zone2);
    int32_t LinkCount() const { return int32_t(FLinks.size()); }
    TLink* Link(int32_t Index) const;

    // Frees every link and zone.
    void Clear();

    // Every zone's neighbours: the zones sharing an edge with it in zone-list order, then
    // its link partners that are not adjacent, in link order, each zone once.
    void BuildNeighbors();
    // The cheapest chain of neighbours from Start to Destination, both included (empty
    // when Destination cannot be reached). Step costs come from OnPathCost when it is
    // assigned, else 10 land to land, 1 sea to sea and 1000 between land and sea.
    void FindPath(TZone* Start, TZone* Destination);
    int32_t PathCount() const { return int32_t(FPath.size()); }
    TZone* PathZone(int32_t Index) const;

    // Grid points of every zone, row by row from Point(0).y + GridMarginTop; nothing when
    // GridWidth or GridHeight is not positive. A zone whose grid would have more than
    // MaxGridCandidates candidates gets none, so absurd coordinates cannot stall a load.
    static constexpr int64_t MaxGridCandidates = int64_t(1) << 22;
    void BuildGridPoints();

protected:
    // MakeNeighbors for every link in link order, without a linear search per link.
    void ApplyLinks();

private:
    void Renumber(size_t From);

    std::vector<std::unique_ptr<TZone>> FZones;
    std::vector<std::unique_ptr<TLink>> FLinks;
    int32_t FGridHeight = 0;
    int32_t FGridWidth = 0;
    int32_t FGridMarginTop = 0;
    uint16_t FColorIndexLand = 0;
    uint16_t FColorIndexSea = 0;
    std::vector<TZone*> FPath;
    std::deque<TZone*> FOpenList;
};
