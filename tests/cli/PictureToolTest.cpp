// The picture command run as a process on pictures and map sets made here.
#include "CliFixtures.h"
#include "support/Scripted.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

TEST(PictureTool, AddedWithTheMapsPaletteTheMapLooksTheSame) {
    TempDir Dir;
    WriteBitmap(Dir.File("hills.bmp"), 200, 150, 100, 40, 128, 32);
    WriteMapSet(Dir.File("map.mapset"),
                {"Bitmap=hills.bmp", "Element=hills.bmp:0,0", "Zone=0,0,100,0,100,150,0,150,;A;0;",
                 "Zone=100,0,200,0,200,150,100,150,;B;0;"});
    // Art of three flat colours, white among them (which a paint program keeps at 0 or 255).
    QImage Art(40, 30, QImage::Format_RGB32);
    Art.fill(qRgb(255, 255, 255));
    for (int X = 0; X < 20; ++X)
        Art.setPixel(X, 5, qRgb(200, 30, 30));
    Art.setPixel(3, 3, qRgb(10, 20, 200));
    ASSERT_TRUE(Art.save(QString::fromStdString(Dir.File("art.png"))));

    const TToolRun Own = RunTool({"picture", Dir.File("art.png"), Dir.File("own.bmp")});
    EXPECT_EQ(Own.Status, 0) << Own.Err;
    EXPECT_EQ(Own.Out,
              Dir.File("art.png") + ": 40 x 30, 3 colours of its own, converted exactly\n");
    const TToolRun Fitted = RunTool({"picture", Dir.File("art.png"), Dir.File("fitted.bmp"),
                                     "--palette-of", Dir.File("map.mapset")});
    EXPECT_EQ(Fitted.Status, 0) << Fitted.Err;
    EXPECT_NE(Fitted.Out.find("the map's colours, colour error: PSNR"), std::string::npos)
        << Fitted.Out;

    // Each bitmap listed last, so that its colours are the ones in force; the map's own art
    // must look the same with the fitted one, and its check must stay clean.
    const auto RenderWith = [&](const std::string& Bitmap) {
        WriteMapSet(Dir.File("with.mapset"),
                    {"Bitmap=hills.bmp", "Bitmap=" + Bitmap, "Element=hills.bmp:0,0",
                     "Zone=0,0,100,0,100,150,0,150,;A;0;",
                     "Zone=100,0,200,0,200,150,100,150,;B;0;"});
        EXPECT_EQ(RunTool({"render", Dir.File("with.mapset"), Dir.File("out.png")}).Status, 0);
        return ReadFile(Dir.File("out.png"));
    };
    ASSERT_EQ(RunTool({"render", Dir.File("map.mapset"), Dir.File("out.png")}).Status, 0);
    const std::string Before = ReadFile(Dir.File("out.png"));
    EXPECT_EQ(RenderWith("fitted.bmp"), Before);
    const TToolRun Clean = RunTool({"check", Dir.File("with.mapset")});
    EXPECT_EQ(Clean.Status, 0) << Clean.Out << ReadFile(Dir.File("with.mapset"));
    EXPECT_NE(RenderWith("own.bmp"), Before);
    const TToolRun Check = RunTool({"check", Dir.File("with.mapset")});
    EXPECT_NE(Check.Out.find("palette-differs: bitmap \"hills.bmp\""), std::string::npos)
        << Check.Out;
}

} // namespace
