// The mend command run as a process on a map set made here.
#include "CliFixtures.h"
#include "support/Scripted.h"

#include <gtest/gtest.h>

namespace {

TEST(MendTool, PrintsEachMendedPairAndWritesAMapThatChecksClean) {
    TempDir Dir;
    WriteBitmap(Dir.File("hills.bmp"), 300, 300, 100, 40, 128, 32);
    // B's top has an extra point that A's bottom lacks; C meets both cleanly.
    WriteMapSet(Dir.File("in.mapset"),
                {"Bitmap=hills.bmp", "Element=hills.bmp:0,0", "Zone=0,0,200,0,200,100,0,100,;A;0;",
                 "Zone=0,100,100,100,200,100,200,200,0,200,;B;0;",
                 "Zone=200,0,300,0,300,200,200,200,200,100,;C;0;"});
    const TToolRun Split = RunTool({"check", Dir.File("in.mapset")});
    EXPECT_NE(Split.Out.find("split-border: zones 0 \"A\" and 1 \"B\""), std::string::npos);

    const TToolRun Run = RunTool({"mend", Dir.File("in.mapset"), Dir.File("out.mapset")});
    EXPECT_EQ(Run.Status, 0) << Run.Err;
    EXPECT_EQ(Run.Out, "mended: zones 0 \"A\" and 1 \"B\": 1 point added\n" +
                           Dir.File("in.mapset") +
                           ": 1 pair mended, 1 point added to 1 zone, 0 split borders left\n");
    EXPECT_EQ(ReadFile(Dir.File("out.mapset")),
              "Bitmap=hills.bmp\r\nElement=hills.bmp:0,0\r\n"
              "Zone=0,0,200,0,200,100,100,100,0,100,;A;0;1#2#\r\n"
              "Zone=0,100,100,100,200,100,200,200,0,200,;B;0;0#2#\r\n"
              "Zone=200,0,300,0,300,200,200,200,200,100,;C;0;0#1#\r\n");
    EXPECT_EQ(RunTool({"check", Dir.File("out.mapset")}).Status, 0);
}

} // namespace
