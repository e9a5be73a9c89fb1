#include "trace/TracedZones.h"

#include "zonemap/ZoneSpriteSurface.h"

#include <string>
#include <unordered_set>

int32_t AddTracedZones(TZoneSpriteSurface& Surface, const std::vector<TTracedRegion>& Regions) {
    std::unordered_set<std::string> Taken;
    for (int32_t I = 0; I < Surface.ZoneCount(); ++I)
        Taken.insert(Surface.Zone(I)->Name());
    int64_t NextLand = 1, NextSea = 1;
    const auto FreeName = [&Taken](const char* Word, int64_t& Next) {
        std::string Name;
        do
            Name = Word + std::to_string(Next++);
        while (Taken.count(Name) != 0);
        Taken.insert(Name);
        return Name;
    };
    const int32_t First = Surface.ZoneCount();
    for (const TTracedRegion& R : Regions) {
        std::string Text;
        for (const TPoint& P : R.Outline)
            Text += std::to_string(P.X) + "," + std::to_string(P.Y) + ",";
        Text += ";" + (R.IsSea ? FreeName("Sea", NextSea) : FreeName("Land", NextLand)) + ";" +
                (R.IsSea ? "1" : "0") + ";";
        Surface.AddZone(new TZone(&Surface, Text));
    }
    for (size_t I = 0; I < Regions.size(); ++I)
        for (int32_t Inner : Regions[I].Enclosed)
            Surface.AddLink(Surface.Zone(First + Inner), Surface.Zone(First + int32_t(I)));
    return int32_t(Regions.size());
}
