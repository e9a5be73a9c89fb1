#pragma once

#include "platform/Types.h"

#include <cstdint>
#include <string>
#include <vector>

class TZone;
class TZoneSpriteSurface;

// Mending split borders: two zones whose borders run along one line, one of them with a
// point the other lacks, share no identical edge and so are not neighbours. Each zone gets,
// on its own edges, the points of the other zone that lie exactly on them; no point moves,
// so every zone covers exactly the pixels it covered before, and the two then share
// identical edges. An edge identical to one that gets points gets them too, so no pair
// that met before stops meeting.

// Two zones made neighbours, and how many of their points the other zone took on.
struct TMendedBorder {
    int32_t Zone1 = -1;
    int32_t Zone2 = -1;
    int32_t PointsAdded = 0;
};

// A split border left as it is, and why.
struct TUnmendedBorder {
    int32_t Zone1 = -1;
    int32_t Zone2 = -1;
    std::string Reason;
};

// One zone's outline before and after, and its zone text (points, name, sea flag, no
// neighbours) before and after, for an undoable edit. The texts carry the name as it is;
// ReplaceZonePoints applies the points and never reads a name back from text.
struct TZoneOutlineChange {
    int32_t Zone = -1;
    std::vector<TPoint> Before;
    std::vector<TPoint> After;
    std::string BeforeText;
    std::string AfterText;
};

struct TBorderMend {
    std::vector<TMendedBorder> Mended; // by zone numbers, Zone1 < Zone2, sorted
    std::vector<TUnmendedBorder> Left;
    std::vector<TZoneOutlineChange> Changes; // by zone number
    int32_t PointsAdded = 0;                 // over all zones, each point once
};

// Every split border of the zones (numbered by their position in Zones). Changes nothing.
TBorderMend PlanBorderMend(const std::vector<TZone*>& Zones);
// The split border of one pair only; nothing to do when the two are not split.
TBorderMend PlanBorderMend(const std::vector<TZone*>& Zones, int32_t Zone1, int32_t Zone2);

// The surface's zones in list order.
std::vector<TZone*> SurfaceZones(const TZoneSpriteSurface& Surface);

// Gives zone Index the points, keeping its name, sea flag, place in the list, links and
// neighbour entries (stale until the next BuildNeighbors).
void ReplaceZonePoints(TZoneSpriteSurface& Surface, int32_t Index,
                       const std::vector<TPoint>& Points);
// Applies Changes (After), or takes them back (Before), in one pass over the surface.
void ApplyOutlineChanges(TZoneSpriteSurface& Surface,
                         const std::vector<TZoneOutlineChange>& Changes, bool Undo = false);

// The zone text of Zone with other points: "x,y,...,;Name;IsSea;".
std::string ZoneTextWithPoints(const TZone& Zone, const std::vector<TPoint>& Points);
