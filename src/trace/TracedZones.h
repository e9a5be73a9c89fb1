#pragma once

#include "trace/Tracer.h"

#include <cstdint>
#include <vector>

class TZoneSpriteSurface;

// Makes a zone of every traced region, after the surface's own zones and in the regions'
// order, named by the editor's rule (the first free Land1, Land2, ... or Sea1, Sea2, ...),
// and links each enclosed region to the region around it. Neighbour lists are left for
// BuildNeighbors. Returns the number of zones made.
int32_t AddTracedZones(TZoneSpriteSurface& Surface, const std::vector<TTracedRegion>& Regions);
