#pragma once

#include "mapcheck/Finding.h"

#include <cstddef>
#include <vector>

class TZone;

// Longest zone name, in bytes, that the check accepts without a finding: what a name field
// of the game's tools holds. Canvases draw only the start of a longer one.
constexpr size_t MaxZoneNameBytes = 255;

// "long-name" for every zone whose name is longer than MaxZoneNameBytes (numbers are
// positions in Zones).
void CheckNameLengths(const std::vector<TZone*>& Zones, std::vector<TFinding>& Findings);
