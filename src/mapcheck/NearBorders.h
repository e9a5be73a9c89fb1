#pragma once

#include "mapcheck/Finding.h"

#include <vector>

class TZone;

// Zones whose borders run within NearDistance pixels of each other along at least
// NearLength pixels (measured along the border of either) without sharing an edge: most
// likely drawn as neighbours, a pixel or two apart. Zones that are neighbours (by their
// neighbour lists, so rebuild them first; a link counts) and zones whose borders overlap
// along a line (split borders, reported on their own) are not reported. Edges are found
// through a grid of cells, so the cost grows with the length of the borders, not with the
// number of pairs of zones.
constexpr double NearDistance = 2.0;
constexpr double NearLength = 20.0;
void CheckNearBorders(const std::vector<TZone*>& Zones, std::vector<TFinding>& Findings);
// The same from the zones' edges found already.
struct TZoneEdges;
void CheckNearBorders(const std::vector<TZone*>& Zones, const TZoneEdges& Edges,
                      std::vector<TFinding>& Findings);
