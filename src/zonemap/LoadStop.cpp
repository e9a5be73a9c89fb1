#include "zonemap/LoadStop.h"

#include "zonemap/StringUtils.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <algorithm>
#include <exception>

namespace {

// Calls Line(number, text) for each line as the map-set reader splits them: ended by CR,
// LF or CR LF, up to the first NUL; stops when it returns false.
template <class TVisit> void ForEachLine(std::string_view Text, TVisit Line) {
    Text = Text.substr(0, std::min(Text.size(), Text.find('\0')));
    int32_t Number = 0;
    while (!Text.empty()) {
        size_t End = 0;
        while (End < Text.size() && Text[End] != '\r' && Text[End] != '\n')
            ++End;
        const std::string_view Value = Text.substr(0, End);
        if (End < Text.size())
            End += Text.compare(End, 2, "\r\n") == 0 ? 2 : 1;
        Text.remove_prefix(End);
        if (!Line(++Number, Value))
            return;
    }
}

// What resolving the zone's neighbour field raises, if anything: the loader's own steps.
std::string NeighborFieldError(TZoneSpriteSurface& Surface, const TZone& Zone) {
    try {
        std::string_view Rest = Zone.NeighborIndexText();
        std::string_view Number;
        while (!Rest.empty()) {
            SplitOff(Rest, '#', Number);
            Surface.Zone(StrToInt(Number));
        }
    } catch (const std::exception& E) {
        return E.what();
    }
    return {};
}

} // namespace

TLoadStop FindLoadStop(TZoneSpriteSurface& Surface, std::string_view Text,
                       const std::string& Message) {
    TLoadStop Stop;
    Stop.Line = Surface.LoadLine();
    int32_t LineCount = 0;
    ForEachLine(Text, [&](int32_t Number, std::string_view) {
        LineCount = Number;
        return true;
    });
    if (Stop.Line < LineCount)
        return Stop;
    for (int32_t I = 0; I < Surface.ZoneCount(); ++I)
        if (NeighborFieldError(Surface, *Surface.Zone(I)) == Message) {
            Stop.Zone = I;
            break;
        }
    if (Stop.Zone < 0)
        return Stop;
    int32_t ZoneLines = 0;
    ForEachLine(Text, [&](int32_t Number, std::string_view Value) {
        std::string_view Key;
        SplitOff(Value, '=', Key);
        if (Key == "Zone" && ZoneLines++ == Stop.Zone) {
            Stop.Line = Number;
            return false;
        }
        return true;
    });
    return Stop;
}
