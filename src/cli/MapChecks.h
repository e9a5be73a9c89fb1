#pragma once

#include "cli/Finding.h"

#include <vector>

class TZone;
class TZoneSpriteSurface;

// The checks of "check" over a loaded map set whose neighbours have been rebuilt, in this
// order: the names the save refuses (unnamed zones, repeated names, characters the file
// cannot hold, also in bitmap names), zones of fewer than three distinct points,
// self-intersecting outlines, zones without any neighbour, borders that overlap without
// an identical edge, zones that the grid-point budget left without grid points, links
// between adjacent zones or from a zone to itself, zones reaching outside every element
// (once the map set has an element at all), and elements reaching left of or above the
// origin.
std::vector<TFinding> CheckMapSet(TZoneSpriteSurface& Surface);

// The parts that need only zones (their numbers are their positions in Zones).
void CheckNames(const std::vector<TZone*>& Zones, std::vector<TFinding>& Findings);
void CheckOutlines(const std::vector<TZone*>& Zones, std::vector<TFinding>& Findings);
void CheckSplitBorders(const std::vector<TZone*>& Zones, std::vector<TFinding>& Findings);
