#pragma once

#include <string>
#include <vector>

// The editor's initial palette, entry 0 first, in the "r,g,b" text form of a colour
// palette: the colours the tool draws with where the map set's bitmaps do not replace
// them (entry 118 outlines land zones, 196 sea zones, 0 draws the grid template).
const std::vector<std::string>& EditorPaletteEntries();
