// The checks as the editor calls them: on a surface edited in memory, no file involved.
#include "mapcheck/MapChecks.h"
#include "zonemap/ZoneEdgeTable.h"
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

// The command line's check builds the neighbours and checks in one go, sharing a large
// map's grouped edges: the lists and findings must be those of the two done apart, on a
// small map and on one past SmallEdgeTable edges, with split and near borders and a link.
TEST(MapCheckOfASurface, BuiltTogetherWithTheNeighboursGivesWhatTheTwoGiveApart) {
    for (const int32_t Side : {8, 260}) {
        std::vector<std::string> Texts;
        for (int32_t R = 0; R < Side; ++R)
            for (int32_t C = 0; C < Side; ++C) {
                const int32_t X = C * 10, Y = R * 10;
                // Every 7th cell splits its top side; every 11th stops a pixel short.
                const int32_t Right = X + (C % 11 == 5 ? 9 : 10);
                std::string T = std::to_string(X) + "," + std::to_string(Y) + ",";
                if ((R * Side + C) % 7 == 3)
                    T += std::to_string(X + 5) + "," + std::to_string(Y) + ",";
                T += std::to_string(Right) + "," + std::to_string(Y) + "," + std::to_string(Right) +
                     "," + std::to_string(Y + 10) + "," + std::to_string(X) + "," +
                     std::to_string(Y + 10) + ";Z" + std::to_string(R * Side + C) + ";0;";
                Texts.push_back(T);
            }
        if (Side > 8) {
            ASSERT_GE(Texts.size() * 4, SmallEdgeTable);
        }
        std::vector<std::vector<int32_t>> Lists[2];
        std::vector<std::string> Found[2];
        for (int Together = 0; Together < 2; ++Together) {
            TZoneSpriteSurface Surface;
            for (const std::string& T : Texts)
                Surface.AddZone(new TZone(&Surface, T));
            Surface.AddLink(Surface.Zone(0), Surface.Zone(Side * Side - 1));
            std::string Error;
            if (Together == 1) {
                Found[1] = Lines(BuildNeighborsAndCheck(Surface, nullptr, &Error));
            } else {
                Surface.BuildNeighbors();
                Found[0] = Lines(CheckMapSet(Surface));
            }
            EXPECT_EQ(Error, "");
            for (int32_t I = 0; I < Surface.ZoneCount(); ++I) {
                Lists[Together].emplace_back();
                for (const TZone* N : Surface.Zone(I)->Neighbors())
                    Lists[Together].back().push_back(N->Index());
            }
        }
        EXPECT_EQ(Lists[1], Lists[0]) << Side;
        EXPECT_EQ(Found[1], Found[0]) << Side;
        EXPECT_GT(Found[0].size(), 4u) << Side;
    }
}

} // namespace

// Inputs of under 1 MB as text that once cost minutes or gigabytes: each ends with its
// findings, bounded per kind, and the full counts beside them.
TEST(MapCheckOfHostileOutlines, EndsWithBoundedFindingsAndFullCounts) {
    // One zone of 100,000 points folding back and forth along one line.
    TZoneSpriteSurface Zigzag;
    std::string Text;
    for (int32_t I = 0; I < 100000; ++I)
        Text += std::to_string(I / 2 + (I % 2) * 50000) + ",0,";
    Zigzag.AddZone(new TZone(&Zigzag, Text + ";Line;0;"));
    std::vector<std::string> Kinds;
    for (const TFinding& F : CheckMapSet(Zigzag))
        Kinds.push_back(F.Kind);
    EXPECT_EQ(Kinds, (std::vector<std::string>{"self-intersection", "no-neighbor"}));

    // 1,100 triangles whose sides overlap along two lines: every pair is a split border.
    TZoneSpriteSurface Overlapping;
    for (int32_t I = 0; I < 1100; ++I)
        Overlapping.AddZone(new TZone(&Overlapping, "0,0," + std::to_string(1000 + I) + ",0,0," +
                                                        std::to_string(1 + I) + ";Z" +
                                                        std::to_string(I) + ";0;"));
    TFindingCounts Omitted;
    const std::vector<TFinding> Findings = CheckMapSet(Overlapping, &Omitted);
    TFindingCounts Kept;
    for (const TFinding& F : Findings)
        ++Kept[F.Kind];
    EXPECT_EQ(Kept["split-border"], int64_t(MaxFindingsPerKind));
    EXPECT_EQ(Kept["no-neighbor"], int64_t(MaxFindingsPerKind));
    EXPECT_EQ(Omitted["split-border"], 1100 * 1099 / 2 - int64_t(MaxFindingsPerKind));
    EXPECT_EQ(Omitted["no-neighbor"], 100);
    EXPECT_EQ(FormatFinding(Findings[MaxFindingsPerKind]),
              "split-border: zones 0 \"Z0\" and 1 \"Z1\": the borders overlap along a line but "
              "share no identical edge (one splits it with an extra point), so they are not "
              "neighbours");

    // Copies of one triangle: one finding for the three edges they all share.
    TZoneSpriteSurface Copies;
    for (int32_t I = 0; I < 1000; ++I)
        Copies.AddZone(new TZone(&Copies, "0,0,1,0,0,1;T" + std::to_string(I) + ";0;"));
    std::vector<std::string> Shared;
    for (const TFinding& F : CheckMapSet(Copies))
        if (F.Kind != "no-neighbor")
            Shared.push_back(FormatFinding(F));
    EXPECT_EQ(Shared, (std::vector<std::string>{
                          "shared-edge: zones 0 \"T0\", 1 \"T1\", 2 \"T2\", 3 \"T3\", 4 \"T4\", 5 "
                          "\"T5\", 6 \"T6\", 7 \"T7\", 8 \"T8\" and 9 \"T9\": 1000 zones share 3 "
                          "edges, the first from (0,0) to (0,1); an edge borders at most two "
                          "zones, so these overlap"}));
}
