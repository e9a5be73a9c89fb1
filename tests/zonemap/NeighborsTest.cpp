#include "MapMaker.h"
#include "PairwiseNeighbors.h"
#include "platform/Exception.h"
#include "zonemap/ZoneEdgeTable.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <random>

namespace {

// A 10 x 10 square with its top-left corner at (10 * Column, 10 * Row).
std::string Square(int Column, int Row, const std::string& Name, bool Sea = false) {
    const int X = Column * 10, Y = Row * 10;
    return MapMaker::CoordinateText({{X, Y}, {X + 10, Y}, {X + 10, Y + 10}, {X, Y + 10}}) + ";" +
           Name + ";" + (Sea ? "1" : "0") + ";";
}

TZone* Add(TZoneSpriteSurface& Surface, const std::string& Text) {
    TZone* Z = new TZone(&Surface, Text);
    Surface.AddZone(Z);
    return Z;
}

std::vector<std::string> Names(const std::vector<TZone*>& Zones) {
    std::vector<std::string> Result;
    for (const TZone* Z : Zones)
        Result.push_back(Z->Name());
    return Result;
}

std::vector<std::string> PathNames(const TZoneSpriteSurface& Surface) {
    std::vector<std::string> Result;
    for (int32_t I = 0; I < Surface.PathCount(); ++I)
        Result.push_back(Surface.PathZone(I)->Name());
    return Result;
}

using Strings = std::vector<std::string>;

TEST(BuildNeighbors, AdjacentZonesInListOrderThenLinkPartners) {
    TZoneSpriteSurface Surface;
    // Row of squares C B A (A right-most) and a far square F linked to A; a second link
    // A-B between zones already adjacent adds nothing after the rebuild.
    TZone* C = Add(Surface, Square(0, 0, "C"));
    TZone* F = Add(Surface, Square(9, 9, "F"));
    TZone* A = Add(Surface, Square(2, 0, "A"));
    TZone* B = Add(Surface, Square(1, 0, "B"));
    Surface.AddLink(A, F);
    Surface.AddLink(A, B);
    EXPECT_EQ(Names(A->Neighbors()), (Strings{"F", "B"}));
    EXPECT_EQ(Names(B->Neighbors()), (Strings{"A"}));

    Surface.BuildNeighbors();
    EXPECT_EQ(Names(A->Neighbors()), (Strings{"B", "F"}));
    EXPECT_EQ(Names(B->Neighbors()), (Strings{"C", "A"}));
    EXPECT_EQ(Names(C->Neighbors()), (Strings{"B"}));
    EXPECT_EQ(Names(F->Neighbors()), (Strings{"A"}));
}

TEST(BuildNeighbors, RepeatedAddLinkListsTwiceUntilTheRebuild) {
    TZoneSpriteSurface Surface;
    TZone* A = Add(Surface, Square(0, 0, "A"));
    TZone* B = Add(Surface, Square(1, 0, "B"));
    Surface.BuildNeighbors();
    Surface.AddLink(A, B);
    EXPECT_EQ(Names(A->Neighbors()), (Strings{"B", "B"}));
    EXPECT_EQ(Names(B->Neighbors()), (Strings{"A", "A"}));
    Surface.BuildNeighbors();
    EXPECT_EQ(Names(A->Neighbors()), (Strings{"B"}));
    EXPECT_EQ(Names(B->Neighbors()), (Strings{"A"}));
}

TEST(BuildNeighbors, SelfLinkListsTheZoneOnce) {
    TZoneSpriteSurface Surface;
    TZone* A = Add(Surface, Square(0, 0, "A"));
    Surface.AddLink(A, A);
    EXPECT_EQ(Names(A->Neighbors()), (Strings{"A", "A"}));
    Surface.BuildNeighbors();
    EXPECT_EQ(Names(A->Neighbors()), (Strings{"A"}));
}

TEST(BuildNeighbors, IndexedGivesExactlyThePairwiseLists) {
    for (uint32_t Seed = 1; Seed <= 12; ++Seed) {
        TZoneSpriteSurface Indexed, Reference;
        MapMaker::AddRandomMap(Indexed, 17, 13, 40, Seed);
        MapMaker::AddRandomMap(Reference, 17, 13, 40, Seed);
        ASSERT_EQ(Indexed.ZoneCount(), Reference.ZoneCount());
        Indexed.BuildNeighbors();
        BuildNeighborsPairwise(Reference);
        size_t Entries = 0;
        for (int32_t I = 0; I < Indexed.ZoneCount(); ++I) {
            std::vector<int32_t> Got, Want;
            for (const TZone* N : Indexed.Zone(I)->Neighbors())
                Got.push_back(N->Index());
            for (const TZone* N : Reference.Zone(I)->Neighbors())
                Want.push_back(N->Index());
            ASSERT_EQ(Got, Want) << "seed " << Seed << ", zone " << I;
            Entries += Got.size();
        }
        // The maps must really exercise adjacency, not compare empty lists.
        EXPECT_GT(Entries, size_t(Indexed.ZoneCount()) * 3) << "seed " << Seed;
    }
}

TEST(BuildNeighbors, HexagonGridHasSixNeighboursInside) {
    TZoneSpriteSurface Surface;
    MapMaker::AddHexMap(Surface, 5, 5);
    Surface.BuildNeighbors();
    EXPECT_EQ(Surface.Zone(2 * 5 + 2)->NeighborCount(), 6);
    EXPECT_EQ(Surface.Zone(0)->NeighborCount(), 2);
    EXPECT_EQ(Names(Surface.Zone(2 * 5 + 2)->Neighbors()),
              (Strings{"H1_1", "H2_1", "H1_2", "H3_2", "H1_3", "H2_3"}));
}

TEST(DeleteZone, RemovesItsLinksAndEveryReferenceToIt) {
    TZoneSpriteSurface Surface;
    TZone* A = Add(Surface, Square(0, 0, "A"));
    TZone* B = Add(Surface, Square(1, 0, "B"));
    TZone* C = Add(Surface, Square(5, 5, "C"));
    TZone* D = Add(Surface, Square(8, 8, "D"));
    Surface.BuildNeighbors();
    Surface.AddLink(B, C);
    Surface.AddLink(D, B);
    Surface.AddLink(C, D);
    EXPECT_EQ(Names(B->Neighbors()), (Strings{"A", "C", "D"}));

    Surface.DeleteZone(B);
    ASSERT_EQ(Surface.LinkCount(), 1);
    EXPECT_EQ(Surface.Link(0)->Zone1, C);
    EXPECT_EQ(Surface.Link(0)->Zone2, D);
    EXPECT_TRUE(A->Neighbors().empty()); // the shared-edge entry goes too
    EXPECT_EQ(Names(C->Neighbors()), (Strings{"D"}));
    EXPECT_EQ(Names(D->Neighbors()), (Strings{"C"}));
    EXPECT_EQ(Surface.ZoneCount(), 3);
    EXPECT_EQ(C->Index(), 1);
    EXPECT_EQ(D->Index(), 2);
    EXPECT_EQ(D->ZoneText(), Square(8, 8, "D") + "1#");
}

TEST(Zones, LookUpByIndexAndExactName) {
    TZoneSpriteSurface Surface;
    Add(Surface, Square(0, 0, "land1"));
    TZone* Land1 = Add(Surface, Square(1, 0, "Land1"));
    EXPECT_EQ(Surface.ZoneByName("Land1"), Land1);
    EXPECT_EQ(Surface.ZoneByName("LAND1"), nullptr);
    EXPECT_EQ(Surface.Zone(1), Land1);
    EXPECT_EQ(Land1->Index(), 1);
    TZone Unlisted(&Surface, "0,0");
    EXPECT_EQ(Unlisted.Index(), -1);
    for (int32_t Bad : {-1, 2}) {
        try {
            Surface.Zone(Bad);
            ADD_FAILURE() << "no error for " << Bad;
        } catch (const EListError& E) {
            EXPECT_EQ(E.Message(), "List index out of bounds (" + std::to_string(Bad) + ")");
        }
    }
    EXPECT_THROW(Surface.Link(0), EListError);
    EXPECT_THROW(Surface.PathZone(0), EListError);
}

class FindPathTest : public ::testing::Test {
protected:
    TZone* Z(const std::string& Name) { return Surface.ZoneByName(Name); }
    TZoneSpriteSurface Surface;
};

TEST_F(FindPathTest, StartIsDestination) {
    TZone* A = Add(Surface, Square(0, 0, "A"));
    Surface.FindPath(A, A);
    EXPECT_EQ(PathNames(Surface), (Strings{"A"}));
}

TEST_F(FindPathTest, LandChainCostsTenAStep) {
    Add(Surface, Square(0, 0, "A"));
    Add(Surface, Square(1, 0, "B"));
    Add(Surface, Square(2, 0, "C"));
    Surface.BuildNeighbors();
    Surface.FindPath(Z("A"), Z("C"));
    EXPECT_EQ(PathNames(Surface), (Strings{"A", "B", "C"}));
    EXPECT_EQ(Z("C")->PathCost(), 20);
    EXPECT_EQ(Z("C")->PathState(), 2);
}

TEST_F(FindPathTest, RouteStaysOnLandRatherThanCrossTheSea) {
    Add(Surface, Square(0, 0, "A"));
    Add(Surface, Square(0, 1, "S", true));
    Add(Surface, Square(1, 0, "B"));
    Add(Surface, Square(1, 1, "D"));
    Surface.BuildNeighbors();
    Surface.FindPath(Z("A"), Z("D"));
    EXPECT_EQ(PathNames(Surface), (Strings{"A", "B", "D"}));
    EXPECT_EQ(Z("D")->PathCost(), 20);
    EXPECT_EQ(Z("S")->PathCost(), 1000);
}

TEST_F(FindPathTest, SeaStepsCostOne) {
    Add(Surface, Square(0, 0, "S1", true));
    Add(Surface, Square(1, 0, "S2", true));
    Add(Surface, Square(2, 0, "L"));
    Surface.BuildNeighbors();
    Surface.FindPath(Z("S1"), Z("L"));
    EXPECT_EQ(Z("S2")->PathCost(), 1);
    EXPECT_EQ(Z("L")->PathCost(), 1001);
}

TEST_F(FindPathTest, TiesGoToTheRouteOfferedFirst) {
    // A's list is [B, C] or [C, B] by zone order; both reach D at 20.
    for (bool BFirst : {true, false}) {
        TZoneSpriteSurface S;
        Add(S, Square(0, 0, "A"));
        Add(S, Square(BFirst ? 1 : 0, BFirst ? 0 : 1, BFirst ? "B" : "C"));
        Add(S, Square(BFirst ? 0 : 1, BFirst ? 1 : 0, BFirst ? "C" : "B"));
        Add(S, Square(1, 1, "D"));
        S.BuildNeighbors();
        S.FindPath(S.ZoneByName("A"), S.ZoneByName("D"));
        EXPECT_EQ(PathNames(S), (Strings{"A", BFirst ? "B" : "C", "D"}));
    }
}

TEST_F(FindPathTest, CustomCostOfOneGivesTheFewestSteps) {
    // A-L1-L2-L3-D over land, A-S-D across a sea zone.
    TZone* A = Add(Surface, "0,0;A;0;");
    TZone* L1 = Add(Surface, "0,0;L1;0;");
    TZone* L2 = Add(Surface, "0,0;L2;0;");
    TZone* L3 = Add(Surface, "0,0;L3;0;");
    TZone* S = Add(Surface, "0,0;S;1;");
    TZone* D = Add(Surface, "0,0;D;0;");
    Surface.AddLink(A, L1);
    Surface.AddLink(L1, L2);
    Surface.AddLink(L2, L3);
    Surface.AddLink(L3, D);
    Surface.AddLink(A, S);
    Surface.AddLink(S, D);
    Surface.FindPath(A, D);
    EXPECT_EQ(PathNames(Surface), (Strings{"A", "L1", "L2", "L3", "D"}));

    std::vector<std::pair<TZone*, TZone*>> Asked;
    Surface.OnPathCost = [&](TObject* Sender, TZone* From, TZone* To, int32_t& Cost) {
        EXPECT_EQ(Sender, &Surface);
        Asked.push_back({From, To});
        Cost = 1;
    };
    Surface.FindPath(A, D);
    EXPECT_EQ(PathNames(Surface), (Strings{"A", "S", "D"}));
    EXPECT_EQ(D->PathCost(), 2);
    ASSERT_FALSE(Asked.empty());
    EXPECT_EQ(Asked[0], std::make_pair(A, L1));
    EXPECT_EQ(Asked[1], std::make_pair(A, S));
}

TEST_F(FindPathTest, AnExpandedZoneWhoseCostDropsIsExpandedAgain) {
    TZone* A = Add(Surface, "0,0;A;0;");
    TZone* B = Add(Surface, "0,0;B;0;");
    TZone* C = Add(Surface, "0,0;C;0;");
    TZone* D = Add(Surface, "0,0;D;0;");
    TZone* E = Add(Surface, "0,0;E;0;");
    TZone* F = Add(Surface, "0,0;F;0;");
    std::map<std::pair<TZone*, TZone*>, int32_t> Cost{{{A, B}, 1}, {{A, C}, 1}, {{B, D}, 100},
                                                      {{C, E}, 1}, {{E, D}, 1}, {{D, F}, 1}};
    for (const auto& [Step, C0] : Cost) {
        (void)C0;
        Step.first->NeighborList().push_back(Step.second);
    }
    // B and C are expanded before E lowers D, by which time D was expanded at 101.
    A->NeighborList() = {B, C};
    Surface.OnPathCost = [&](TObject*, TZone* From, TZone* To, int32_t& C0) {
        C0 = Cost.at({From, To});
    };
    Surface.FindPath(A, F);
    EXPECT_EQ(PathNames(Surface), (Strings{"A", "C", "E", "D", "F"}));
    EXPECT_EQ(F->PathCost(), 4);
}

TEST_F(FindPathTest, UnreachableDestinationLeavesNoPath) {
    TZone* A = Add(Surface, Square(0, 0, "A"));
    Add(Surface, Square(1, 0, "B"));
    TZone* Far = Add(Surface, Square(5, 5, "Far"));
    Surface.BuildNeighbors();
    Surface.FindPath(A, A);
    Surface.FindPath(A, Far);
    EXPECT_EQ(Surface.PathCount(), 0);
    EXPECT_EQ(Far->PathPrevious(), nullptr);
    EXPECT_EQ(Far->PathCost(), INT32_MAX);
    EXPECT_EQ(Far->PathState(), 0);
}

TEST_F(FindPathTest, DuplicatesInNeighbourListsDoNoHarm) {
    TZone* A = Add(Surface, Square(0, 0, "A"));
    TZone* B = Add(Surface, Square(1, 0, "B"));
    Surface.BuildNeighbors();
    Surface.AddLink(A, B);
    Surface.FindPath(A, B);
    EXPECT_EQ(PathNames(Surface), (Strings{"A", "B"}));
    EXPECT_EQ(B->PathCost(), 10);
}

TEST_F(FindPathTest, AcrossAHexagonMap) {
    MapMaker::AddHexMap(Surface, 30, 20);
    Surface.BuildNeighbors();
    Surface.FindPath(Surface.Zone(0), Surface.Zone(29));
    // Along row 0: 29 steps of 10.
    EXPECT_EQ(Surface.PathCount(), 30);
    EXPECT_EQ(Surface.Zone(29)->PathCost(), 290);
    for (int32_t I = 1; I < Surface.PathCount(); ++I) {
        const auto& N = Surface.PathZone(I - 1)->Neighbors();
        EXPECT_NE(std::find(N.begin(), N.end(), Surface.PathZone(I)), N.end());
    }
}

TEST(GridPoints, RowsFromTheFirstPointColumnsFromTheLeft) {
    TZoneSpriteSurface Surface;
    Surface.SetGridMarginTop(16);
    Surface.SetGridWidth(20);
    Surface.SetGridHeight(26);
    TZone* Rect = Add(Surface, "0,0,100,0,100,80,0,80");
    TZone* FromBottom = Add(Surface, "0,80,0,0,100,0,100,80");
    TZone* Triangle = Add(Surface, "0,0,100,0,0,100");
    TZone* Empty = Add(Surface, "");
    Surface.BuildGridPoints();
    EXPECT_EQ(Rect->GridPoints()->Items(),
              (std::vector<TPoint>{
                  {0, 16}, {20, 16}, {40, 16}, {60, 16}, {0, 42}, {20, 42}, {40, 42}, {60, 42}}));
    // Rows start below the first point (y 96), which lies under the zone.
    ASSERT_NE(FromBottom->GridPoints(), nullptr);
    EXPECT_EQ(FromBottom->GridPoints()->Count(), 0);
    // Only candidates inside the triangle (x + y < 100 at the pixel centre).
    EXPECT_EQ(Triangle->GridPoints()->Items(), (std::vector<TPoint>{{0, 16},
                                                                    {20, 16},
                                                                    {40, 16},
                                                                    {60, 16},
                                                                    {0, 42},
                                                                    {20, 42},
                                                                    {40, 42},
                                                                    {0, 68},
                                                                    {20, 68}}));
    ASSERT_NE(Empty->GridPoints(), nullptr);
    EXPECT_EQ(Empty->GridPoints()->Count(), 0);

    // A second build replaces the points instead of adding to them.
    Surface.BuildGridPoints();
    EXPECT_EQ(Rect->GridPoints()->Count(), 8);
}

TEST(GridPoints, NonPositiveSpacingLeavesEveryZoneAsItWas) {
    TZoneSpriteSurface Surface;
    TZone* Z = Add(Surface, "0,0,100,0,100,80,0,80");
    Surface.SetGridWidth(20);
    Surface.SetGridHeight(26);
    Surface.BuildGridPoints();
    ASSERT_EQ(Z->GridPoints()->Count(), 12);
    Surface.SetGridWidth(0);
    Surface.BuildGridPoints();
    EXPECT_EQ(Z->GridPoints()->Count(), 12);
    Surface.SetGridWidth(20);
    Surface.SetGridHeight(-1);
    Surface.BuildGridPoints();
    EXPECT_EQ(Z->GridPoints()->Count(), 12);

    TZoneSpriteSurface Fresh;
    TZone* New = Add(Fresh, "0,0,10,0,10,10");
    Fresh.BuildGridPoints();
    EXPECT_EQ(New->GridPoints(), nullptr);
}

TEST(GridPoints, HugeZonesDoNotStall) {
    TZoneSpriteSurface Surface;
    Surface.SetGridWidth(1);
    Surface.SetGridHeight(1);
    Surface.SetGridMarginTop(INT32_MIN);
    TZone* Huge = Add(Surface, "-2147483648,-2147483648,2147483647,-2147483648,2147483647,"
                               "2147483647,-2147483648,2147483647");
    Surface.BuildGridPoints();
    EXPECT_EQ(Huge->GridPoints()->Count(), 0);
}

} // namespace

namespace {

std::vector<std::vector<int32_t>> ListsByNumber(const TZoneSpriteSurface& Surface) {
    std::vector<std::vector<int32_t>> Lists;
    for (int32_t I = 0; I < Surface.ZoneCount(); ++I) {
        Lists.emplace_back();
        for (const TZone* N : Surface.Zone(I)->Neighbors())
            Lists.back().push_back(N->Index());
    }
    return Lists;
}

// The zone text without the neighbour field.
std::string OwnText(const TZone& Z) {
    const std::string Text = Z.ZoneText();
    size_t End = 0;
    for (int K = 0; K < 3; ++K)
        End = Text.find(';', End) + 1;
    return Text.substr(0, End);
}

} // namespace

TEST(NeighborIndex, FollowsEditsUndoAndRedoExactlyAsAFullRebuild) {
    for (uint32_t Seed = 1; Seed <= 4; ++Seed) {
        TZoneSpriteSurface S;
        MapMaker::AddRandomMap(S, 9, 7, 12, Seed);
        TNeighborIndex Index(S);
        Index.Rebuild();
        std::mt19937 Random(Seed);
        const auto Pick = [&](int32_t Count) { return int32_t(Random() % uint32_t(Count)); };
        std::string Step;
        size_t Entries = 0;
        const auto ExpectRebuildGivesTheSame = [&] {
            Index.Update();
            const auto Incremental = ListsByNumber(S);
            S.BuildNeighbors();
            ASSERT_EQ(Incremental, ListsByNumber(S)) << "seed " << Seed << ", " << Step;
            for (const auto& L : Incremental)
                Entries += L.size();
        };

        // Each edit stores what it needs by zone and link number, which undo restores.
        struct TEdit {
            std::function<void()> Do, Undo;
        };
        std::vector<TEdit> Edits;
        for (int K = 0; K < 60; ++K) {
            const int Kind = S.ZoneCount() < 3 ? 0 : Pick(S.LinkCount() > 0 ? 4 : 3);
            if (Kind == 0) {
                // A copy of a zone (a crowded edge) or a cell anywhere on or off the map.
                const std::string Text =
                    Pick(3) == 0 && S.ZoneCount() > 0
                        ? OwnText(*S.Zone(Pick(S.ZoneCount())))
                        : MapMaker::CoordinateText(MapMaker::HexCell(Pick(11), Pick(9))) + ";N;0;";
                const int32_t At = Pick(S.ZoneCount() + 1);
                Edits.push_back({[&S, &Index, Text, At] {
                                     S.InsertZone(At, new TZone(&S, Text));
                                     Index.ZoneAdded(S.Zone(At));
                                 },
                                 [&S, &Index, At] {
                                     Index.ZoneDeleting(S.Zone(At));
                                     S.DeleteZone(S.Zone(At));
                                 }});
            } else if (Kind == 1) {
                const int32_t At = Pick(S.ZoneCount());
                const std::string Text = OwnText(*S.Zone(At));
                struct TLinkAt {
                    int32_t Link, Zone1, Zone2;
                };
                std::vector<TLinkAt> Links;
                for (int32_t L = 0; L < S.LinkCount(); ++L)
                    if (S.Link(L)->Zone1->Index() == At || S.Link(L)->Zone2->Index() == At)
                        Links.push_back({L, S.Link(L)->Zone1->Index(), S.Link(L)->Zone2->Index()});
                Edits.push_back({[&S, &Index, At] {
                                     Index.ZoneDeleting(S.Zone(At));
                                     S.DeleteZone(S.Zone(At));
                                 },
                                 [&S, &Index, At, Text, Links] {
                                     S.InsertZone(At, new TZone(&S, Text));
                                     Index.ZoneAdded(S.Zone(At));
                                     for (const TLinkAt& L : Links) {
                                         S.InsertLink(L.Link, S.Zone(L.Zone1), S.Zone(L.Zone2));
                                         Index.LinkChanged(S.Zone(L.Zone1), S.Zone(L.Zone2));
                                     }
                                 }});
            } else {
                const bool Add = Kind == 2;
                const int32_t L = Add ? S.LinkCount() : Pick(S.LinkCount());
                const int32_t A = Add ? Pick(S.ZoneCount()) : S.Link(L)->Zone1->Index();
                const int32_t B = Add ? Pick(S.ZoneCount()) : S.Link(L)->Zone2->Index();
                const auto Insert = [&S, &Index, L, A, B] {
                    S.InsertLink(L, S.Zone(A), S.Zone(B));
                    Index.LinkChanged(S.Zone(A), S.Zone(B));
                };
                const auto Delete = [&S, &Index, L, A, B] {
                    Index.LinkChanged(S.Zone(A), S.Zone(B));
                    S.DeleteLink(L);
                };
                Edits.push_back(Add ? TEdit{Insert, Delete} : TEdit{Delete, Insert});
            }
            Step = "edit " + std::to_string(K) + " of kind " + std::to_string(Kind);
            Edits.back().Do();
            ExpectRebuildGivesTheSame();
        }
        for (size_t K = Edits.size(); K-- > 0;) {
            Step = "undo of edit " + std::to_string(K);
            Edits[K].Undo();
            ExpectRebuildGivesTheSame();
        }
        for (size_t K = 0; K < Edits.size(); ++K) {
            Step = "redo of edit " + std::to_string(K);
            Edits[K].Do();
            ExpectRebuildGivesTheSame();
        }
        EXPECT_GT(Entries, size_t(180) * 40) << "seed " << Seed;
    }
}

// Past SmallEdgeTable edges the lists come from edges matched group by group: the same
// lists as the one table that the incremental index keeps.
TEST(BuildNeighbors, LargeMapsGiveTheListsOfOneEdgeTable) {
    TZoneSpriteSurface Surface;
    for (int32_t Row = 0; Row < 200; ++Row)
        for (int32_t Col = 0; Col < 330; ++Col) {
            // Bricks: each row shifted by half a cell, so a zone has six neighbours.
            const int32_t X = Col * 20 + (Row % 2) * 10, Y = Row * 20;
            Add(Surface, std::to_string(X) + "," + std::to_string(Y) + "," +
                             std::to_string(X + 10) + "," + std::to_string(Y) + "," +
                             std::to_string(X + 20) + "," + std::to_string(Y) + "," +
                             std::to_string(X + 20) + "," + std::to_string(Y + 20) + "," +
                             std::to_string(X + 10) + "," + std::to_string(Y + 20) + "," +
                             std::to_string(X) + "," + std::to_string(Y + 20) + ";B;0;");
        }
    ASSERT_GE(size_t(Surface.ZoneCount()) * 6, SmallEdgeTable);
    Surface.BuildNeighbors();
    std::vector<std::vector<TZone*>> Grouped;
    for (int32_t I = 0; I < Surface.ZoneCount(); ++I)
        Grouped.push_back(Surface.Zone(I)->Neighbors());
    EXPECT_EQ(Grouped[size_t(330 * 5 + 7)].size(), 6u);
    TNeighborIndex Index(Surface);
    Index.Rebuild();
    for (int32_t I = 0; I < Surface.ZoneCount(); ++I)
        ASSERT_EQ(Surface.Zone(I)->Neighbors(), Grouped[size_t(I)]) << I;
}

TEST(BuildNeighbors, ZonesCrowdingOneEdgeStopItNamingThem) {
    // 20,000 copies of one triangle would list every copy as neighbour of every other.
    TZoneSpriteSurface Surface;
    for (int32_t I = 0; I < 20000; ++I)
        Add(Surface, "0,0,1,0,0,1;T" + std::to_string(I) + ";0;");
    try {
        Surface.BuildNeighbors();
        FAIL() << "no refusal";
    } catch (const ETooManyNeighbors& E) {
        EXPECT_STREQ(E.what(), "Too many zones share edges to build the neighbour lists: 20000 "
                               "zones share the edge from (0,0) to (0,1), among them Zone 0 "
                               "\"T0\", Zone 1 \"T1\" and Zone 2 \"T2\"");
    }
    EXPECT_EQ(Surface.Zone(5)->NeighborCount(), 0); // nothing half built

    // A few zones on one edge are still listed.
    TZoneSpriteSurface Few;
    for (int32_t I = 0; I < 4; ++I)
        Add(Few, "0,0,1,0,0,1;T" + std::to_string(I) + ";0;");
    Few.BuildNeighbors();
    EXPECT_EQ(Names(Few.Zone(2)->Neighbors()), (Strings{"T0", "T1", "T3"}));
}
