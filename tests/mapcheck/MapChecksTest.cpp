// The checks as the editor calls them: on a surface edited in memory, no file involved.
#include "mapcheck/MapChecks.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> Lines(const std::vector<TFinding>& Findings) {
    std::vector<std::string> Text;
    for (const TFinding& F : Findings)
        Text.push_back(FormatFinding(F));
    return Text;
}

TEST(MapCheckOfASurface, FollowsEditsAndTheNeighbourRebuild) {
    TZoneSpriteSurface Surface;
    Surface.AddZone(new TZone(&Surface, "0,0,10,0,10,10,0,10;A;0;"));
    Surface.AddZone(new TZone(&Surface, "10,0,20,0,20,10,10,10;B;0;"));
    Surface.BuildNeighbors();
    EXPECT_TRUE(CheckMapSet(Surface).empty());

    // A third zone, apart, with A's name, and a link between zones that touch already.
    TZone* C = new TZone(&Surface, "40,0,50,0,50,10,40,10;A;0;");
    Surface.AddZone(C);
    Surface.AddLink(Surface.Zone(0), Surface.Zone(1));
    Surface.BuildNeighbors();
    EXPECT_EQ(Lines(CheckMapSet(Surface)),
              (std::vector<std::string>{
                  "duplicate-name: zones 0 \"A\" and 2 \"A\": have the same name",
                  "no-neighbor: zone 2 \"A\": has no neighbour at all",
                  "redundant-link: zones 0 \"A\" and 1 \"B\": link 0 joins zones that share an "
                  "edge already"}));

    // Renamed and deleted in memory: the findings follow at once.
    C->SetName("C");
    Surface.DeleteZone(Surface.Zone(1));
    Surface.BuildNeighbors();
    const std::vector<TFinding> After = CheckMapSet(Surface);
    ASSERT_EQ(After.size(), 2u);
    EXPECT_EQ(After[0].Kind, "no-neighbor");
    EXPECT_EQ(After[0].Zones, (std::vector<TZoneRef>{{0, "A"}}));
    EXPECT_EQ(After[1].Zones, (std::vector<TZoneRef>{{1, "C"}}));
}

} // namespace
