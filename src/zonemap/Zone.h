#pragma once

#include "platform/Region.h"
#include "platform/Types.h"
#include "zonemap/PointList.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TZoneSpriteSurface;
class TZoneSprite;

// One side of a zone's polygon, from (X1, Y1) to (X2, Y2).
struct TEdge {
    int32_t X1 = 0;
    int32_t Y1 = 0;
    int32_t X2 = 0;
    int32_t Y2 = 0;
    friend bool operator==(const TEdge&, const TEdge&) = default;
};

// One land or sea region of the map: a closed polygon with a name, a sea flag and a list
// of neighbouring zones. The geometry is derived once from the points and never changes;
// the editor replaces a zone by deleting it and making a new one.
class TZone : public TObject {
public:
    // Reads the zone text "x0,y0,x1,y1,...;Name;IsSea;n#n#...". Bad text never fails:
    // missing fields default, numbers that are not integers read as 0, and an unpaired
    // last coordinate is dropped.
    TZone(TZoneSpriteSurface* ASurface, std::string_view Text);
    ~TZone() override;
    TZone(const TZone&) = delete;
    TZone& operator=(const TZone&) = delete;

    // ColorIndexSea of the surface for a sea zone, else its ColorIndexLand (0 without one).
    virtual uint16_t ColorIndex() const;

    TZoneSpriteSurface* Surface() const { return FSurface; }

    int32_t PointCount() const { return int32_t(FPoints.size()); }
    // No index check: 0 <= Index < PointCount().
    const TPoint& Point(int32_t Index) const { return FPoints[size_t(Index)]; }
    const std::vector<TPoint>& Points() const { return FPoints; }
    // From Point(Index) to the next point; the last edge closes the polygon at Point(0).
    // No index check.
    TEdge Edge(int32_t Index) const;

    const TRegion& Region() const { return FRegion; }
    // Right and bottom are the largest vertex coordinates (inclusive). A zone without
    // points keeps left = top = INT32_MAX and right = bottom = INT32_MIN.
    const TRect& Bounds() const { return FBounds; }
    const TPoint& Center() const { return FCenter; }

    int32_t NeighborCount() const { return int32_t(FNeighbors.size()); }
    // Raises EListError outside 0 .. NeighborCount() - 1.
    TZone* Neighbor(int32_t Index) const;
    const std::vector<TZone*>& Neighbors() const { return FNeighbors; }
    // The neighbour list itself, for the surface's neighbour building and the loader.
    std::vector<TZone*>& NeighborList() { return FNeighbors; }

    const std::string& Name() const { return FName; }
    void SetName(const std::string& Value) { FName = Value; }
    uint8_t IsSea() const { return FIsSea; }
    void SetIsSea(uint8_t Value) { FIsSea = Value; }
    // The neighbour field exactly as read; resolved by the map-set loader only.
    const std::string& NeighborIndexText() const { return FNeighborIndexText; }

    TZoneSprite* Sprite() const { return FSprite; }
    void SetSprite(TZoneSprite* Value) { FSprite = Value; }

    // None until the surface first builds grid points (building those a load left due).
    TPointList* GridPoints() const;
    TPointList& EnsureGridPoints();
    // The last grid-point build gave this zone none because of its budgets.
    bool GridPointsRefused() const;

    int32_t PathCost() const { return FPathCost; }
    void SetPathCost(int32_t Value) { FPathCost = Value; }
    uint8_t PathState() const { return FPathState; }
    void SetPathState(uint8_t Value) { FPathState = Value; }
    TZone* PathPrevious() const { return FPathPrevious; }
    void SetPathPrevious(TZone* Value) { FPathPrevious = Value; }

    // The position in the surface's zone list (the zone's number in map-set files), or -1
    // when the zone is not listed.
    int32_t Index() const { return FIndex; }

    // The zone text as written to map-set files: every coordinate pair ends with ",",
    // neighbours are written by their Index().
    std::string ZoneText() const;

    // Some edge of this zone equals some edge of Other (SameEdge).
    bool IsAdjacentTo(const TZone& Other) const;

protected:
    // A zone of no points with an empty name, for subclasses that read their own text;
    // they call SetGeometry once they have the points.
    explicit TZone(TZoneSpriteSurface* ASurface);
    void ReadText(std::string_view Text);
    void SetGeometry(std::vector<TPoint> Points);

private:
    void SetGeometry(std::vector<TPoint> Points, const TRegion::TShape& Shape);
    // Bounds with no point yet, and grown to hold P (right and bottom inclusive).
    static TRect EmptyBounds();
    static void Include(TRect& Bounds, const TPoint& P);

    friend class TZoneSpriteSurface; // keeps FIndex in step with its zone list

    std::vector<TPoint> FPoints;
    TZoneSpriteSurface* FSurface = nullptr;
    TRegion FRegion;
    std::vector<TZone*> FNeighbors;
    TRect FBounds;
    TPoint FCenter;
    int32_t FPathCost = 0;
    uint8_t FPathState = 0;
    TZone* FPathPrevious = nullptr;
    std::unique_ptr<TPointList> FGridPoints;
    std::string FName;
    uint8_t FIsSea = 0;
    std::string FNeighborIndexText;
    TZoneSprite* FSprite = nullptr;
    int32_t FIndex = -1;
    bool FGridPointsRefused = false;
};

// Same end points, in the same or in the opposite order; exact comparison.
bool SameEdge(const TEdge& E, const TEdge& F);
// Each of A and B joins the other's neighbour list unless it is there already.
void MakeNeighbors(TZone* A, TZone* B);
// Removes the first B from A's list and the first A from B's list, where present.
void RemoveNeighbors(TZone* A, TZone* B);
