#include "mapcheck/NearBorders.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <gtest/gtest.h>

namespace {

struct TNearCase {
    const char* Name;
    const char* Zone1;
    const char* Zone2;
    bool Linked;
    const char* Expected; // the finding's message, or "" for none
};

class NearBorder : public ::testing::TestWithParam<TNearCase> {};

TEST_P(NearBorder, IsFoundWhereBordersRunCloseWithoutSharingAnEdge) {
    const TNearCase& C = GetParam();
    TZoneSpriteSurface S;
    S.AddZone(new TZone(&S, C.Zone1));
    S.AddZone(new TZone(&S, C.Zone2));
    if (C.Linked)
        S.AddLink(S.Zone(0), S.Zone(1));
    S.BuildNeighbors();
    std::vector<TFinding> Findings;
    CheckNearBorders({S.Zone(0), S.Zone(1)}, Findings);
    if (*C.Expected == '\0') {
        EXPECT_TRUE(Findings.empty()) << C.Name << ": " << Findings[0].Message;
        return;
    }
    ASSERT_EQ(Findings.size(), 1u) << C.Name;
    EXPECT_EQ(Findings[0].Kind, "near-border");
    EXPECT_EQ(Findings[0].Zones, (std::vector<TZoneRef>{{0, "A"}, {1, "B"}}));
    EXPECT_EQ(Findings[0].Message, C.Expected) << C.Name;
}

std::string Along(int Pixels) {
    return "the borders run within 2 pixels of each other along " + std::to_string(Pixels) +
           " pixels but share no edge, so they are not neighbours; if they should be, draw one "
           "border onto the other's corners";
}
const std::string Along102 = Along(102), Along100 = Along(100), Along101 = Along(101),
                  Along22 = Along(22);

// A is 100 x 100 at the origin; B lies right of it. The length counts the ends of the
// near sides too (A's top and bottom corner reach within 2 pixels of B).
INSTANTIATE_TEST_SUITE_P(
    Cases, NearBorder,
    ::testing::Values(TNearCase{"OnePixelApart", "0,0,100,0,100,100,0,100;A;0;",
                                "101,0,200,0,200,100,101,100;B;0;", false, Along102.c_str()},
                      TNearCase{"TwoPixelsApart", "0,0,100,0,100,100,0,100;A;0;",
                                "102,0,200,0,200,100,102,100;B;0;", false, Along100.c_str()},
                      TNearCase{"TwoPixelsApartOnASlant", "0,0,100,0,100,100,0,100;A;0;",
                                "101,0,200,0,200,100,102,100;B;0;", false, Along101.c_str()},
                      TNearCase{"ThreePixelsApart", "0,0,100,0,100,100,0,100;A;0;",
                                "103,0,200,0,200,100,103,100;B;0;", false, ""},
                      TNearCase{"CloseAlongTwentyPixels", "0,0,100,0,100,100,0,100;A;0;",
                                "101,81,200,81,200,200,101,200;B;0;", false, Along22.c_str()},
                      TNearCase{"CloseAlongTenPixelsOnly", "0,0,100,0,100,100,0,100;A;0;",
                                "101,92,200,92,200,200,101,200;B;0;", false, ""},
                      TNearCase{"RealNeighbours", "0,0,100,0,100,100,0,100;A;0;",
                                "100,0,200,0,200,100,100,100;B;0;", false, ""},
                      TNearCase{"LinkedOnPurpose", "0,0,100,0,100,100,0,100;A;0;",
                                "101,0,200,0,200,100,101,100;B;0;", true, ""},
                      TNearCase{"SplitBorderIsReportedOnItsOwn", "0,0,100,0,100,100,0,100;A;0;",
                                "100,0,200,0,200,100,100,100,100,50;B;0;", false, ""},
                      TNearCase{"CornersOnly", "0,0,100,0,100,100,0,100;A;0;",
                                "100,100,200,100,200,200,100,200;B;0;", false, ""}),
    [](const auto& Info) { return std::string(Info.param.Name); });

} // namespace
