// Every zone text is read without failing, and the text a zone writes reads back into a
// zone that writes the same text.
#include "FuzzSupport.h"

#include "zonemap/Zone.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string text(reinterpret_cast<const char*>(Data), Size);
    TZone zone(nullptr, text);
    const std::string written = zone.ZoneText();
    TZone again(nullptr, written);
    if (again.ZoneText() != written)
        FuzzFail("zone text is not stable: " + written);
    if (again.PointCount() != zone.PointCount() || again.Bounds() != zone.Bounds())
        FuzzFail("geometry changed on a round trip");
    for (int32_t i = 0; i < zone.PointCount(); ++i)
        (void)zone.Region().Contains(zone.Point(i).X, zone.Point(i).Y);
    return 0;
}
