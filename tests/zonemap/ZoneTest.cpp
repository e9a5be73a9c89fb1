#include "platform/Exception.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

std::vector<TPoint> Pts(std::initializer_list<TPoint> P) {
    return P;
}

TEST(ZoneText, ReadsTheFieldsOfEveryForm) {
    struct Case {
        const char* Text;
        std::vector<TPoint> Points;
        const char* Name;
        uint8_t IsSea;
        const char* Neighbors;
    } Cases[] = {
        {"10,10,50,10,30,40,;Land1;0;2#5#", Pts({{10, 10}, {50, 10}, {30, 40}}), "Land1", 0,
         "2#5#"},
        {"10,10,50,10,30,40;Land1;0;2#5#", Pts({{10, 10}, {50, 10}, {30, 40}}), "Land1", 0, "2#5#"},
        {"10,10,50,10,30,40", Pts({{10, 10}, {50, 10}, {30, 40}}), "", 0, ""},
        {"10,x,50,10", Pts({{10, 0}, {50, 10}}), "", 0, ""},
        {"0,0,100,0,100,80,0,80,;Sea3;1;", Pts({{0, 0}, {100, 0}, {100, 80}, {0, 80}}), "Sea3", 1,
         ""},
        // An empty item between commas is a value; an unpaired last value is dropped.
        {"1,,3,4,5;N", Pts({{1, 0}, {3, 4}}), "N", 0, ""},
        {"1,2,3", Pts({{1, 2}}), "", 0, ""},
        {",", Pts({}), "", 0, ""},
        {";;;", Pts({}), "", 0, ""},
        {"", Pts({}), "", 0, ""},
        // The sea flag keeps its low 8 bits; a fourth ";" ends what is read.
        {"0,0;A;257;1#;junk;more", Pts({{0, 0}}), "A", 1, "1#"},
        {"0,0;A;-1;", Pts({{0, 0}}), "A", 255, ""},
        {"0,0;A;sea;", Pts({{0, 0}}), "A", 0, ""},
        {" 7, -8 ;B", Pts({{7, 0}}), "B", 0, ""},
        // Nine digits and more, at and past the ends of the 32-bit range.
        {"999999999,-999999999,2147483647,-2147483648,2147483648,-0,+5,$10;N",
         Pts({{999999999, -999999999}, {INT32_MAX, INT32_MIN}, {0, 0}, {5, 16}}), "N", 0, ""},
    };
    TZoneSpriteSurface Surface;
    for (const Case& C : Cases) {
        TZone Z(&Surface, C.Text);
        EXPECT_EQ(Z.Points(), C.Points) << C.Text;
        EXPECT_EQ(Z.PointCount(), int32_t(C.Points.size())) << C.Text;
        EXPECT_EQ(Z.Name(), C.Name) << C.Text;
        EXPECT_EQ(Z.IsSea(), C.IsSea) << C.Text;
        EXPECT_EQ(Z.NeighborIndexText(), C.Neighbors) << C.Text;
        EXPECT_EQ(Z.NeighborCount(), 0) << C.Text;
        EXPECT_EQ(Z.GridPoints(), nullptr) << C.Text;
    }
}

TEST(ZoneText, WritesEveryPairWithACommaAndNeighboursByNumber) {
    TZoneSpriteSurface Surface;
    for (int I = 0; I < 6; ++I)
        Surface.AddZone(new TZone(&Surface, "0,0,1,0,1,1;Z" + std::to_string(I) + ";0;"));
    TZone* Land1 = new TZone(&Surface, "10,10,50,10,30,40;Land1;0;");
    Surface.AddZone(Land1);
    EXPECT_EQ(Land1->ZoneText(), "10,10,50,10,30,40,;Land1;0;");
    Land1->NeighborList() = {Surface.Zone(2), Surface.Zone(5)};
    EXPECT_EQ(Land1->ZoneText(), "10,10,50,10,30,40,;Land1;0;2#5#");

    TZone Negative(&Surface, "-5,7,3,-2;Far;1;");
    EXPECT_EQ(Negative.ZoneText(), "-5,7,3,-2,;Far;1;");
    TZone Empty(&Surface, "");
    EXPECT_EQ(Empty.ZoneText(), ";;0;");
}

TEST(ZoneText, WrittenTextReadsBackToTheSameZone) {
    TZoneSpriteSurface Surface;
    TZone A(&Surface, "2147483647,-2147483648,0,0,-1,5;Name with spaces = and #;200;");
    TZone B(&Surface, A.ZoneText());
    EXPECT_EQ(B.Points(), A.Points());
    EXPECT_EQ(B.Name(), A.Name());
    EXPECT_EQ(B.IsSea(), 200);
    EXPECT_EQ(B.ZoneText(), A.ZoneText());
}

TEST(ZoneGeometry, BoundsAndCentre) {
    struct Case {
        const char* Text;
        TRect Bounds;
        TPoint Center;
    } Cases[] = {
        {"0,0,100,0,100,80,0,80", {0, 0, 100, 80}, {50, 40}},
        {"-5,7,3,-2", {-5, -2, 3, 7}, {-1, 2}},
        {"10,10,30,10,20,30", {10, 10, 30, 30}, {20, 20}},
        {"-3,-3,-6,-8", {-6, -8, -3, -3}, {-5, -6}},
        {"-2147483648,-2147483648,2147483647,2147483647",
         {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX},
         {-1, -1}},
        {"", {INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN}, {0, 0}},
    };
    TZoneSpriteSurface Surface;
    for (const Case& C : Cases) {
        TZone Z(&Surface, C.Text);
        EXPECT_EQ(Z.Bounds(), C.Bounds) << C.Text;
        EXPECT_EQ(Z.Center(), C.Center) << C.Text;
    }
}

TEST(ZoneGeometry, EdgesCloseThePolygon) {
    TZoneSpriteSurface Surface;
    TZone Z(&Surface, "0,0,10,0,10,5");
    EXPECT_EQ(Z.Edge(0), (TEdge{0, 0, 10, 0}));
    EXPECT_EQ(Z.Edge(1), (TEdge{10, 0, 10, 5}));
    EXPECT_EQ(Z.Edge(2), (TEdge{10, 5, 0, 0}));
}

TEST(ZoneGeometry, ColorIndexFollowsTheSurfaceAndTheSeaFlag) {
    TZoneSpriteSurface Surface;
    Surface.SetColorIndexLand(118);
    Surface.SetColorIndexSea(196);
    TZone Land(&Surface, "0,0;L;0;"), Sea(&Surface, "0,0;S;1;"), Odd(&Surface, "0,0;S;7;");
    EXPECT_EQ(Land.ColorIndex(), 118);
    EXPECT_EQ(Sea.ColorIndex(), 196);
    EXPECT_EQ(Odd.ColorIndex(), 196);
    Surface.SetColorIndexSea(5);
    EXPECT_EQ(Sea.ColorIndex(), 5);
}

TEST(ZoneGeometry, RegionHoldsTheInterior) {
    TZoneSpriteSurface Surface;
    TZone Z(&Surface, "0,0,100,0,100,80,0,80");
    EXPECT_TRUE(Z.Region().Contains(0, 0));
    EXPECT_TRUE(Z.Region().Contains(50, 40));
    EXPECT_FALSE(Z.Region().Contains(100, 40));
    EXPECT_FALSE(Z.Region().Contains(-1, 40));
}

TEST(SameEdge, MatchesEndPointsInEitherDirectionOnly) {
    EXPECT_TRUE(SameEdge({0, 0, 10, 0}, {10, 0, 0, 0}));
    EXPECT_TRUE(SameEdge({0, 0, 10, 0}, {0, 0, 10, 0}));
    EXPECT_FALSE(SameEdge({0, 0, 10, 0}, {0, 0, 10, 1}));
    EXPECT_FALSE(SameEdge({0, 0, 10, 0}, {0, 0, 5, 0}));
    EXPECT_FALSE(SameEdge({0, 0, 10, 0}, {0, 10, 0, 0})); // x and y swapped
}

TEST(Adjacency, OnlyAWholeSharedEdgeCounts) {
    TZoneSpriteSurface Surface;
    TZone Square(&Surface, "0,0,10,0,10,10,0,10");
    struct Case {
        const char* Other;
        bool Adjacent;
    } Cases[] = {
        {"10,0,20,0,20,10,10,10", true},       // shares its right side
        {"20,10,20,0,10,0,10,10", true},       // the same, run backwards
        {"10,10,20,10,20,20,10,20", false},    // touches one corner
        {"10,0,20,0,20,10,10,10,10,5", false}, // splits the shared side with a vertex
        {"10,5,20,5,20,15,10,15", false},      // overlaps half the side
        {"30,0,40,0,40,10,30,10", false},      // far away
    };
    for (const Case& C : Cases) {
        TZone Other(&Surface, C.Other);
        EXPECT_EQ(Square.IsAdjacentTo(Other), C.Adjacent) << C.Other;
        EXPECT_EQ(Other.IsAdjacentTo(Square), C.Adjacent) << C.Other;
    }
}

TEST(Neighbors, MakeAndRemoveKeepBothListsInStep) {
    TZoneSpriteSurface Surface;
    TZone A(&Surface, "0,0"), B(&Surface, "1,1"), C(&Surface, "2,2");
    MakeNeighbors(&A, &B);
    MakeNeighbors(&A, &B);
    MakeNeighbors(&B, &A);
    EXPECT_EQ(A.Neighbors(), std::vector<TZone*>{&B});
    EXPECT_EQ(B.Neighbors(), std::vector<TZone*>{&A});

    A.NeighborList() = {&C, &B, &C, &B};
    B.NeighborList() = {&A, &A};
    RemoveNeighbors(&A, &B);
    EXPECT_EQ(A.Neighbors(), (std::vector<TZone*>{&C, &C, &B}));
    EXPECT_EQ(B.Neighbors(), std::vector<TZone*>{&A});
    RemoveNeighbors(&A, &B);
    RemoveNeighbors(&A, &B);
    EXPECT_EQ(A.Neighbors(), (std::vector<TZone*>{&C, &C}));
    EXPECT_TRUE(B.Neighbors().empty());

    EXPECT_EQ(A.Neighbor(1), &C);
    EXPECT_THROW(A.Neighbor(2), EListError);
    EXPECT_THROW(A.Neighbor(-1), EListError);
}

} // namespace
