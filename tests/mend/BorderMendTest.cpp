#include "mend/BorderMend.h"
#include "mapcheck/MapChecks.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace {

using TPairs = std::set<std::pair<int32_t, int32_t>>;

TPairs NeighbourPairs(TZoneSpriteSurface& Surface) {
    Surface.BuildNeighbors();
    TPairs Pairs;
    for (int32_t I = 0; I < Surface.ZoneCount(); ++I)
        for (const TZone* N : Surface.Zone(I)->Neighbors())
            Pairs.insert({std::min(I, N->Index()), std::max(I, N->Index())});
    return Pairs;
}

TPairs SplitPairs(TZoneSpriteSurface& Surface) {
    std::vector<TFinding> Findings;
    CheckSplitBorders(SurfaceZones(Surface), Findings);
    TPairs Pairs;
    for (const TFinding& F : Findings)
        Pairs.insert({F.Zones[0].Number, F.Zones[1].Number});
    return Pairs;
}

// Every pixel of each zone's box, inside or not.
std::vector<std::vector<bool>> Coverage(const TZoneSpriteSurface& Surface) {
    std::vector<std::vector<bool>> Pixels;
    for (const TZone* Z : SurfaceZones(Surface)) {
        std::vector<bool>& Inside = Pixels.emplace_back();
        const TRect& B = Z->Bounds();
        for (int32_t Y = B.Top - 1; Y <= B.Bottom + 1; ++Y)
            for (int32_t X = B.Left - 1; X <= B.Right + 1; ++X)
                Inside.push_back(Z->Region().Contains(X, Y));
    }
    return Pixels;
}

std::string MapText(TZoneSpriteSurface& Surface) {
    Surface.BuildNeighbors();
    std::string Text;
    EXPECT_TRUE(Surface.CheckedMapSetText(Text));
    return Text;
}

// Borders drawn with extra points on one side: a split in the middle, a T where two zones
// meet at the split point of a third, borders offset along the line, a diagonal, and a
// zone lying on top of another along their common line (overlapping, not meeting).
void AddSplitZones(TZoneSpriteSurface& S) {
    for (const char* Text : {
             "0,0,20,0,20,10,0,10;A;0;",         // 0
             "0,10,10,10,20,10,20,20,0,20;B;0;", // 1: (10,10) splits A's bottom
             "100,0,120,0,120,10,100,10;T;0;",   // 2
             "100,10,110,10,110,20,100,20;L;0;", // 3: L and R meet under T at (110,10)
             "110,10,120,10,120,20,110,20;R;0;", // 4
             "200,0,220,0,220,10,200,10;C;0;",   // 5
             "210,10,230,10,230,20,210,20;D;0;", // 6: overlaps C's bottom from 210 to 220
             "400,0,420,20,400,20;H;1;",         // 7
             "400,0,430,0,420,20,410,10;I;1;",   // 8: (410,10) splits H's diagonal
             "300,0,320,0,320,10,300,10;E;0;",   // 9
             "305,10,315,10,315,5,305,5;G;0;",   // 10: inside E, on its bottom line
         })
        S.AddZone(new TZone(&S, Text));
    S.AddLink(S.Zone(0), S.Zone(5));
}

TEST(MendBorders, AddsPointsUntilSplitPairsShareEdgesAndNothingElseChanges) {
    TZoneSpriteSurface S;
    AddSplitZones(S);
    const TPairs NeighboursBefore = NeighbourPairs(S);
    const TPairs Split = SplitPairs(S);
    ASSERT_EQ(Split, (TPairs{{0, 1}, {2, 3}, {2, 4}, {5, 6}, {7, 8}, {9, 10}}));
    const auto PixelsBefore = Coverage(S);
    const std::string TextBefore = MapText(S);

    const TBorderMend Mend = PlanBorderMend(SurfaceZones(S));
    std::vector<std::tuple<int32_t, int32_t, int32_t>> Mended;
    for (const TMendedBorder& M : Mend.Mended)
        Mended.emplace_back(M.Zone1, M.Zone2, M.PointsAdded);
    EXPECT_EQ(Mended, (std::vector<std::tuple<int32_t, int32_t, int32_t>>{
                          {0, 1, 1}, {2, 3, 1}, {2, 4, 1}, {5, 6, 2}, {7, 8, 1}}));
    ASSERT_EQ(Mend.Left.size(), 1u);
    EXPECT_EQ(std::make_pair(Mend.Left[0].Zone1, Mend.Left[0].Zone2), std::make_pair(9, 10));
    // T takes on the one point where L and R meet, once for both.
    EXPECT_EQ(Mend.PointsAdded, 5);
    ASSERT_EQ(Mend.Changes.size(), 5u);
    EXPECT_EQ(Mend.Changes[1].AfterText, "100,0,120,0,120,10,110,10,100,10,;T;0;");

    ApplyOutlineChanges(S, Mend.Changes);
    EXPECT_EQ(SplitPairs(S), (TPairs{{9, 10}}));
    EXPECT_EQ(Coverage(S), PixelsBefore);
    TPairs Expected = NeighboursBefore;
    for (const auto& [A, B, Points] : Mended)
        Expected.insert({A, B});
    EXPECT_EQ(NeighbourPairs(S), Expected);
    ASSERT_EQ(S.LinkCount(), 1);
    EXPECT_EQ(S.Link(0)->Zone1, S.Zone(0));
    EXPECT_EQ(S.Link(0)->Zone2, S.Zone(5));

    ApplyOutlineChanges(S, Mend.Changes, true);
    EXPECT_EQ(MapText(S), TextBefore);
}

TEST(MendBorders, OnePairChangesOnlyItsZonesAndKeepsSharedEdgesShared) {
    TZoneSpriteSurface S;
    AddSplitZones(S);
    const TBorderMend Pair = PlanBorderMend(SurfaceZones(S), 6, 5);
    ASSERT_EQ(Pair.Mended.size(), 1u);
    ASSERT_EQ(Pair.Changes.size(), 2u);
    EXPECT_EQ(Pair.Changes[0].Zone, 5);
    EXPECT_EQ(Pair.Changes[1].Zone, 6);
    EXPECT_TRUE(PlanBorderMend(SurfaceZones(S), 3, 4).Changes.empty()); // neighbours already

    // J and K share an edge exactly; M, drawn over K's top, splits that edge with an extra
    // point. J takes the point to meet M, and K takes it too, so J and K still meet.
    TZoneSpriteSurface T;
    for (const char* Text : {"0,0,20,0,20,10,0,10;J;0;", "0,20,20,20,20,10,0,10;K;0;",
                             "0,10,10,10,20,10,20,15,0,15;M;0;"})
        T.AddZone(new TZone(&T, Text));
    const TBorderMend Chain = PlanBorderMend(SurfaceZones(T));
    EXPECT_EQ(Chain.Mended.size(), 2u);
    ApplyOutlineChanges(T, Chain.Changes);
    EXPECT_EQ(NeighbourPairs(T), (TPairs{{0, 1}, {0, 2}, {1, 2}}));
    EXPECT_TRUE(SplitPairs(T).empty());
}

} // namespace
