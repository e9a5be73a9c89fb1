#include "mapcheck/Finding.h"

#include <gtest/gtest.h>

namespace {

TEST(FindingText, NamesLineElementAndZones) {
    TFinding F("split-border", "overlap", {{3, "A"}, {7, "B"}});
    EXPECT_EQ(FormatFinding(F), "split-border: zones 3 \"A\" and 7 \"B\": overlap");
    TFinding L("load-error", "List index out of bounds (4)");
    L.Line = 12;
    EXPECT_EQ(FormatFinding(L), "load-error: line 12: List index out of bounds (4)");
}

TEST(FindingText, CountsZonesAndFindingsInWords) {
    EXPECT_EQ(FindingsSummary(1, 0), "1 zone, no findings");
    EXPECT_EQ(FindingsSummary(0, 1), "0 zones, 1 finding");
    EXPECT_EQ(FindingsSummary(20000, 3), "20000 zones, 3 findings");
}

} // namespace
