#pragma once

#include "platform/Types.h"
#include "trace/TracePicture.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

// What decides the partition of a picture into regions.
struct TTraceSettings {
    // Palette indices of the lines between regions; empty: found in the picture (see
    // TTracer::BorderColors).
    std::vector<uint8_t> BorderColors;
    // A region whose pixels are mostly of these indices is a sea region. Land and sea
    // pixels never form one region.
    std::vector<uint8_t> SeaColors;
    // How far a simplified border may stray from the traced one, in pixels.
    double Tolerance = 2;
    // Regions of fewer pixels (specks: labels, icons, bits of rivers, anti-aliasing) merge
    // into the neighbour they share the longest border with.
    int32_t MinArea = 100;
};

// One traced region. Outlines of neighbouring regions share their borders vertex for
// vertex, so zones made from them are neighbours by identical edges.
struct TTracedRegion {
    bool IsSea = false;
    // Pixels of the picture that the region holds.
    int64_t Area = 0;
    // The outer boundary, on the 5-pixel grid, in map coordinates. A region never has
    // holes: what it encloses (a lake, an island) is a region of its own that lies inside
    // this outline and comes earlier in Regions(), so that the first zone whose outline
    // holds a point is the one the picture shows there.
    std::vector<TPoint> Outline;
    // Regions (indices into Regions()) within this one's outline that touch it. They share
    // no edge with it, so a zone map joins each pair by a link.
    std::vector<int32_t> Enclosed;
};

struct TTraceSummary {
    int32_t Regions = 0;
    int32_t Land = 0;
    int32_t Sea = 0;
    // Specks merged into a neighbour, and regions too thin to keep an outline on the grid.
    int32_t MergedSpecks = 0;
    std::vector<uint8_t> BorderColors;
    std::vector<uint8_t> SeaColors;
    // Palette index of the plain margin around the map that was left untraced, -1 if none.
    int32_t MarginColor = -1;
};

// Traces a picture into regions once; afterwards every question is a lookup. Deterministic:
// the same picture and settings always give the same outlines, so regions taken one at a
// time share borders exactly with regions taken before.
class TTracer {
public:
    // Outline vertices lie on multiples of this in map coordinates (the editor's grid).
    static constexpr int32_t Grid = 5;

    using TProgress = std::function<void(int32_t Percent)>;

    // Raises Exception for settings that cannot be used (a negative tolerance or area).
    TTracer(TTracePicture Picture, TTraceSettings Settings);
    ~TTracer();
    TTracer(const TTracer&) = delete;
    TTracer& operator=(const TTracer&) = delete;

    // Traces the whole picture, reporting progress from 0 to 100; false (and nothing
    // traced) when Cancel became true meanwhile. Later calls return at once. May run on a
    // worker thread; the other members are read after it returns.
    bool Run(const TProgress& Progress = {}, const std::atomic<bool>* Cancel = nullptr);
    bool Traced() const { return FTraced; }

    // These trace first if that has not happened yet.
    // The regions, inner ones before those that enclose them, then top to bottom.
    const std::vector<TTracedRegion>& Regions();
    // The region that holds the map point, or -1 (a border left untraced, outside the
    // picture).
    int32_t RegionAt(TPoint MapPoint);
    const TTraceSummary& Summary();

    const TTracePicture& Picture() const { return FPicture; }
    const TTraceSettings& Settings() const { return FSettings; }

    // The border colours found when none are given: among the colours of at least 0.05%
    // of the picture whose pixels lie mostly along colour edges (thin lines), those that
    // alone cut the picture into at least two more regions of MinArea than without them, or
    // that run mostly along the sea (coast lines). Rivers, which end, do not; sea colours
    // and the margin never count.
    static std::vector<uint8_t> FindBorderColors(const TTracePicture& Picture,
                                                 const std::vector<uint8_t>& SeaColors,
                                                 int32_t MinArea, int32_t MarginColor);

private:
    TTracePicture FPicture;
    TTraceSettings FSettings;
    bool FTraced = false;
    std::vector<TTracedRegion> FRegions;
    TTraceSummary FSummary;
    // Region index per grid cell, -1 for none; cells of Grid x Grid pixels from
    // (FCellLeft, FCellTop) in map coordinates.
    std::vector<int32_t> FCellRegion;
    int32_t FCellLeft = 0;
    int32_t FCellTop = 0;
    int32_t FColumns = 0;
    int32_t FRows = 0;
};
