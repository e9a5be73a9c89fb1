#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class TZoneSpriteSurface;

// Where a map-set load stopped. Line is 1-based (0: no line was read); Zone is the index of
// the zone whose neighbour field stopped it, or -1 when a line of its own did.
struct TLoadStop {
    int32_t Line = 0;
    int32_t Zone = -1;
};

// The place of a failed load of Text (the file's bytes) into Surface that raised Message.
// The neighbour fields are resolved after the last line; the zone that raised the message
// is found again by replaying that step, and its Zone line is the place.
TLoadStop FindLoadStop(TZoneSpriteSurface& Surface, std::string_view Text,
                       const std::string& Message);
