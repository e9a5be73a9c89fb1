// Malformed input of every kind the program reads: BMP files, map-set files, zone texts,
// palette text and "BitmapData" streams. Each row must give its clear message (or none,
// where the reader is lenient), let the program go on, and keep what it should.
#include "Inputs.h"

#include "graphics/ColorPalette.h"
#include "graphics/CompressedBitmapSprite.h"
#include "platform/Application.h"
#include "platform/Bitmap.h"
#include "platform/Exception.h"
#include "support/Scripted.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <QApplication>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

using namespace std::string_literals;

// The rows name only the fields that differ from their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

using namespace Inputs;

enum class TKind {
    Bmp,        // bytes given to TBitmap::LoadFromMemory
    BitmapFile, // bytes written to a file that the zone surface adds as a bitmap
    BitmapName, // a name the zone surface adds as a bitmap (no file written)
    MapSet,     // the text of a map-set file the zone surface loads
    ZoneText,   // a zone text made into a zone, drawn and given grid points
    Palette,    // palette lines (joined by LF) given to SetPaletteEntries
    BitmapData, // a "BitmapData" stream read by a factory
};

// What must hold after the input was refused (or, for lenient readers, accepted).
// Readers that refuse their whole input (bitmaps, streams) must keep what they held
// before; that is checked for every such row and needs no field.
struct Kept {
    // Map sets: what the surface holds after the load.
    int Zones = 0;
    int Bitmaps = 0;
    int Elements = 0;
    int Links = 0;
    // Zone texts: what the zone was read as.
    int Points = 0;
    TPoint First{};
    const char* Name = "";
    int Sea = 0;
    const char* Neighbors = "";
    // Palettes: the first line that was not taken; lines before it have the new colours,
    // lines after it the old. 0 with a count error: nothing changed.
    int FirstNotTaken = 0;
};

struct Row {
    const char* Id;
    TKind Kind;
    std::string Input;
    const char* Message; // a fragment of the one message shown; "" when none may be shown
    Kept Keep;
};

// Test names and failure reports show the row's name, not its bytes.
void PrintTo(const Row& R, std::ostream* Out) {
    *Out << R.Id;
}

constexpr int32_t Min32 = std::numeric_limits<int32_t>::min();
constexpr int32_t Max32 = std::numeric_limits<int32_t>::max();

std::string GoodBmp() {
    return MakeBmp({});
}

// A 4-wide, 2-high RLE8 file with the given pixel stream.
std::string Rle(const std::string& Stream) {
    return MakeBmp({.Compression = 1, .Pixels = Stream});
}

std::string ManyPointZone(int Count) {
    // A regular polygon of radius 200 around (300, 300): many vertices, a small area.
    std::string Text;
    for (int I = 0; I < Count; ++I) {
        const double A = 6.283185307179586 * I / Count;
        Text += std::to_string(300 + int(200 * std::cos(A))) + "," +
                std::to_string(300 + int(200 * std::sin(A))) + ",";
    }
    return Text + ";Many;0;";
}

std::string Garbage() {
    std::string Bytes;
    uint32_t State = 12345;
    for (int I = 0; I < 4096; ++I) {
        State = State * 1103515245u + 12345u;
        const char C = char((State >> 16) & 0xFF);
        Bytes += C == '\0' ? '\x01' : C;
    }
    return Bytes;
}

const std::string Square = "0,0,100,0,100,80,0,80,";

std::vector<Row> Rows() {
    const std::string Good = GoodBmp();
    return {
        // --- BMP bytes ------------------------------------------------------------------
        {"BmpEmpty", TKind::Bmp, "", "bad signature, not a BMP file", {}},
        {"BmpSignatureOnly", TKind::Bmp, "BM", "truncated header", {}},
        {"BmpWrongSignature", TKind::Bmp, "XM" + Good.substr(2), "bad signature", {}},
        {"BmpUnknownHeaderSize",
         TKind::Bmp,
         Patch32(Good, Bmp::HeaderSize, 20),
         "unsupported header size 20",
         {}},
        {"BmpHeaderCut", TKind::Bmp, Cut(Good, 30), "truncated header", {}},
        {"BmpZeroWidth", TKind::Bmp, Patch32(Good, Bmp::Width, 0), "width 0 is not positive", {}},
        {"BmpNegativeWidth",
         TKind::Bmp,
         Patch32(Good, Bmp::Width, uint32_t(-4)),
         "width -4 is not positive",
         {}},
        {"BmpZeroHeight", TKind::Bmp, Patch32(Good, Bmp::Height, 0), "height is 0", {}},
        {"BmpMostNegativeHeight",
         TKind::Bmp,
         Patch32(Good, Bmp::Height, uint32_t(Min32)),
         "out of range",
         {}},
        {"BmpThreePlanes", TKind::Bmp, Patch16(Good, Bmp::Planes, 3), "number of planes is 3", {}},
        {"BmpSevenBits",
         TKind::Bmp,
         Patch16(Good, Bmp::Bits, 7),
         "unsupported bits per pixel 7",
         {}},
        {"BmpUnknownCompression",
         TKind::Bmp,
         Patch32(Good, Bmp::Compression, 9),
         "unsupported compression 9",
         {}},
        {"BmpRle8At24Bits",
         TKind::Bmp,
         MakeBmp({.Bits = 24, .Compression = 1, .Pixels = "xx"}),
         "unsupported compression 1 at 24 bits per pixel",
         {}},
        {"BmpTableOver256",
         TKind::Bmp,
         Patch32(Good, Bmp::ColorsUsed, 300),
         "colour table of 300 entries exceeds 256",
         {}},
        {"BmpTableCut",
         TKind::Bmp,
         Cut(Good, Bmp::Table + 100),
         "colour table extends past the end of the file",
         {}},
        {"BmpDataPastTheEnd",
         TKind::Bmp,
         Patch32(Good, Bmp::DataOffset, 5000),
         "data offset 5000 is past the end of the file",
         {}},
        {"BmpDataInTheHeaders",
         TKind::Bmp,
         Patch32(Good, Bmp::DataOffset, 20),
         "data offset 20 points into the headers",
         {}},
        {"BmpDataInTheTable",
         TKind::Bmp,
         Patch32(Good, Bmp::DataOffset, 100),
         "data offset 100 points into the colour table",
         {}},
        {"BmpPixelsCut", TKind::Bmp, Cut(Good, Good.size() - 1), "truncated pixel data", {}},
        {"BmpOverThePixelLimit",
         TKind::Bmp,
         MakeBmp({.Width = 65536, .Height = 65536, .Pixels = "x"}),
         "exceeds the limit",
         {}},
        // 1,080 bytes that claim 16384 x 16384 pixels; refused before they are allocated.
        {"BitmapRleBomb",
         TKind::BitmapFile,
         MakeBmp({.Width = 16384, .Height = 16384, .Compression = 1, .Pixels = "\x00\x01"s}),
         "in.bmp: Bitmap image is not valid: width x height exceeds the limit of 67108864 pixels",
         {}},
        {"BmpIndexBeyondShortTable",
         TKind::Bmp,
         MakeBmp({.ColorsUsed = 2, .Pixels = "\x05\x00\x00\x00\x00\x00\x00\x00"s}),
         "pixel index 5 is beyond the colour table of 2 entries",
         {}},
        {"BmpRleRunPastTheRow",
         TKind::Bmp,
         Rle("\x0A\x01\x00\x01"s),
         "RLE run leaves the image",
         {}},
        {"BmpRleDeltaPastTheRow",
         TKind::Bmp,
         Rle("\x00\x02\x09\x00"s),
         "RLE delta leaves the image",
         {}},
        {"BmpRleAbsoluteRunCut", TKind::Bmp, Rle("\x00\x05\x01\x01"s), "truncated pixel data", {}},
        {"BmpRleOneByte", TKind::Bmp, Rle("\x00"s), "truncated pixel data", {}},

        // --- Bitmap files added to the zone surface ---------------------------------------
        {"BitmapFileEmpty", TKind::BitmapFile, "", "bad signature", {}},
        {"BitmapFileText", TKind::BitmapFile, "Bitmap=HILLS.BMP\r\n", "bad signature", {}},
        {"BitmapFileTrueColour",
         TKind::BitmapFile,
         MakeBmp({.Bits = 24}),
         "Only 256 color bitmaps are supported",
         {}},
        {"BitmapFileMissing", TKind::BitmapName, "GONE.BMP", "Cannot open file ", {}},
        {"BitmapFileIsADirectory", TKind::BitmapName, ".", "Cannot open file ", {}},
        {"BitmapFileEmptyName", TKind::BitmapName, "", "Cannot open file ", {}},

        // --- Map-set files ----------------------------------------------------------------
        {"MapSetMissingBitmap",
         TKind::MapSet,
         "Bitmap=HILLS.BMP\r\nZone=" + Square + ";A;0;\r\nBitmap=GONE.BMP\r\nZone=" + Square +
             ";B;0;\r\n",
         "GONE.BMP",
         {.Zones = 1, .Bitmaps = 1}},
        {"MapSetTextAsBitmap", TKind::MapSet, "Bitmap=NOTBMP.BMP\r\n", "bad signature", {}},
        {"MapSetCutBitmap",
         TKind::MapSet,
         "Bitmap=HILLS.BMP\r\nBitmap=CUT.BMP\r\n",
         "colour table extends past the end of the file",
         {.Bitmaps = 1}},
        {"MapSetTrueColourBitmap",
         TKind::MapSet,
         "Bitmap=HILLS.BMP\r\nElement=HILLS.BMP:0,0\r\nBitmap=RGB24.BMP\r\n",
         "Only 256 color bitmaps are supported",
         {.Bitmaps = 1, .Elements = 1}},
        {"MapSetEmptyBitmapName", TKind::MapSet, "Bitmap=\r\n", "Cannot open file ", {}},
        {"MapSetDirectoryAsBitmap", TKind::MapSet, "Bitmap=.\r\n", "Cannot open file ", {}},
        {"MapSetElementOfUnknownBitmap",
         TKind::MapSet,
         "Bitmap=HILLS.BMP\r\nElement=hills.bmp:0,0\r\nElement=VALLEY.BMP:10,10\r\n",
         "List index out of bounds (-1)",
         {.Bitmaps = 1, .Elements = 1}},
        // The library's message stays as the editor shows it; check adds the why.
        {"MapSetByteOrderMark",
         TKind::MapSet,
         "\xEF\xBB\xBF"
         "Bitmap=HILLS.BMP\r\nElement=HILLS.BMP:0,0\r\n",
         "List index out of bounds (-1)",
         {}},
        {"MapSetBitmapNameWithATrailingSpace",
         TKind::MapSet,
         "Bitmap=HILLS.BMP\r\nElement=HILLS.BMP :0,0\r\n",
         "List index out of bounds (-1)",
         {.Bitmaps = 1}},
        {"MapSetElementBeforeItsBitmap",
         TKind::MapSet,
         "Element=HILLS.BMP:0,0\r\nBitmap=HILLS.BMP\r\n",
         "List index out of bounds (-1)",
         {}},
        {"MapSetLinkBeforeTheZones",
         TKind::MapSet,
         "Link=0,1\r\nZone=" + Square + ";A;0;\r\nZone=" + Square + ";B;0;\r\n",
         "List index out of bounds (0)",
         {}},
        {"MapSetLinkPastTheZones",
         TKind::MapSet,
         "Zone=" + Square + ";A;0;\r\nZone=" + Square + ";B;0;\r\nLink=0,1\r\nLink=0,2\r\n",
         "List index out of bounds (2)",
         {.Zones = 2, .Links = 1}},
        {"MapSetNegativeLink",
         TKind::MapSet,
         "Zone=" + Square + ";A;0;\r\nLink=-1,0\r\n",
         "List index out of bounds (-1)",
         {.Zones = 1}},
        {"MapSetNeighbourNotANumber",
         TKind::MapSet,
         "Zone=" + Square + ";A;0;1#x#\r\nZone=" + Square + ";B;0;0#\r\n",
         "'x' is not a valid integer value",
         {.Zones = 2}},
        {"MapSetNeighbourWithABlank",
         TKind::MapSet,
         "Zone=" + Square + ";A;0;1 #\r\nZone=" + Square + ";B;0;\r\n",
         "'1 ' is not a valid integer value",
         {.Zones = 2}},
        {"MapSetNeighbourPastTheZones",
         TKind::MapSet,
         "Zone=" + Square + ";A;0;5#\r\n",
         "List index out of bounds (5)",
         {.Zones = 1}},
        {"MapSetNeighbourOverflowing",
         TKind::MapSet,
         "Zone=" + Square + ";A;0;4294967296#\r\n",
         "'4294967296' is not a valid integer value",
         {.Zones = 1}},
        {"MapSetNeighbourEmpty",
         TKind::MapSet,
         "Zone=" + Square + ";A;0;0##\r\n",
         "'' is not a valid integer value",
         {.Zones = 1}},
        {"MapSetGarbage", TKind::MapSet, Garbage(), "", {}},
        {"MapSetNulEndsTheFile",
         TKind::MapSet,
         "Zone=" + Square + ";A;0;\r\n\0Link=5,5\r\n"s,
         "",
         {.Zones = 1}},
        {"MapSetKeysWithoutValues",
         TKind::MapSet,
         "Zone\r\nZone=\r\nLink\r\n",
         "",
         {.Zones = 2, .Links = 1}},
        {"MapSetManyVertices",
         TKind::MapSet,
         "Zone=" + ManyPointZone(20000) + "\r\n",
         "",
         {.Zones = 1}},
        {"MapSetExtremeElementPositions",
         TKind::MapSet,
         "Bitmap=HILLS.BMP\r\nElement=HILLS.BMP:2147483647,2147483647\r\n"
         "Element=HILLS.BMP:-2147483648,-2147483648\r\nElement=HILLS.BMP:2147483600,-5\r\n",
         "",
         {.Bitmaps = 1, .Elements = 3}},
        {"MapSetExtremeZone",
         TKind::MapSet,
         "Zone=-2147483648,-2147483648,2147483647,-2147483648,2147483647,2147483647,;Huge;0;\r\n",
         "",
         {.Zones = 1}},

        // --- Zone texts (never refused) ---------------------------------------------------
        {"ZoneExtremeCoordinates",
         TKind::ZoneText,
         "-2147483648,-2147483648,2147483647,-2147483648,2147483647,2147483647,"
         "-2147483648,2147483647;X;0;",
         "",
         {.Points = 4, .First = {Min32, Min32}, .Name = "X"}},
        {"ZoneEmpty", TKind::ZoneText, "", "", {.Points = 0}},
        {"ZoneSeparatorsOnly", TKind::ZoneText, ";;;;;;", "", {.Points = 0}},
        {"ZoneCommasOnly", TKind::ZoneText, ",,,,,,;C;0;", "", {.Points = 3, .Name = "C"}},
        {"ZoneOddCoordinateCount",
         TKind::ZoneText,
         "10,10,50,10,30;Odd;0;",
         "",
         {.Points = 2, .First = {10, 10}, .Name = "Odd"}},
        {"ZoneNotNumbers",
         TKind::ZoneText,
         "a,b,c,d;N;s;x",
         "",
         {.Points = 2, .Name = "N", .Neighbors = "x"}},
        {"ZoneOverflowingNumbers",
         TKind::ZoneText,
         "99999999999,1,2,3;N;1;",
         "",
         {.Points = 2, .First = {0, 1}, .Name = "N", .Sea = 1}},
        {"ZoneBlanks",
         TKind::ZoneText,
         " 10, 20 ,3,4;B;0;",
         "",
         {.Points = 2, .First = {10, 0}, .Name = "B"}},
        {"ZoneHexNumbers",
         TKind::ZoneText,
         "$10,0x20,X30,$FFFFFFFF,1,1;H;0;",
         "",
         {.Points = 3, .First = {16, 32}, .Name = "H"}},
        {"ZoneSeaFlagLowByte",
         TKind::ZoneText,
         Square + ";S;257;",
         "",
         {.Points = 4, .Name = "S", .Sea = 1}},
        {"ZoneSeaFlagNegative",
         TKind::ZoneText,
         Square + ";S;-1;",
         "",
         {.Points = 4, .Name = "S", .Sea = 255}},
        {"ZoneExtraFields",
         TKind::ZoneText,
         Square + ";N;0;1#;junk;more",
         "",
         {.Points = 4, .Name = "N", .Neighbors = "1#"}},
        {"ZoneControlBytesInTheName",
         TKind::ZoneText,
         Square + ";\x01\x7f\xff\t;0;",
         "",
         {.Points = 4, .Name = "\x01\x7f\xff\t"}},
        {"ZoneManyVertices",
         TKind::ZoneText,
         ManyPointZone(50000),
         "",
         {.Points = 50000, .First = {500, 300}, .Name = "Many"}},

        // --- Palette text -----------------------------------------------------------------
        {"Palette255Lines",
         TKind::Palette,
         PaletteText(255, {}),
         "Exactly 256 entries must exist",
         {.FirstNotTaken = 0}},
        {"Palette257Lines",
         TKind::Palette,
         PaletteText(257, {}),
         "Exactly 256 entries must exist",
         {.FirstNotTaken = 0}},
        {"PaletteOneLine",
         TKind::Palette,
         "1,2,3",
         "Exactly 256 entries must exist",
         {.FirstNotTaken = 0}},
        {"PaletteLetters",
         TKind::Palette,
         PaletteText(256, {{20, "a,b,c"}}),
         "Error Loading Palette Data",
         {.FirstNotTaken = 20}},
        {"PaletteEmptyFirstLine",
         TKind::Palette,
         PaletteText(256, {{0, ""}}),
         "Error Loading Palette Data",
         {.FirstNotTaken = 0}},
        {"PaletteTrailingBlank",
         TKind::Palette,
         PaletteText(256, {{100, "1,2,3 "}}),
         "Error Loading Palette Data",
         {.FirstNotTaken = 100}},
        {"PaletteEmptyField",
         TKind::Palette,
         PaletteText(256, {{255, "1,,3"}}),
         "Error Loading Palette Data",
         {.FirstNotTaken = 255}},
        {"PaletteHexPrefixOnly",
         TKind::Palette,
         PaletteText(256, {{30, "0x"}}),
         "Error Loading Palette Data",
         {.FirstNotTaken = 30}},
        {"PaletteDecimalOverflow",
         TKind::Palette,
         PaletteText(256, {{40, "99999999999"}}),
         "Error Loading Palette Data",
         {.FirstNotTaken = 40}},
        {"PaletteSignOnly",
         TKind::Palette,
         PaletteText(256, {{50, "1,-,3"}}),
         "Error Loading Palette Data",
         {.FirstNotTaken = 50}},

        // --- "BitmapData" streams ---------------------------------------------------------
        {"StreamEmpty", TKind::BitmapData, "", "Stream read error", {}},
        {"StreamHeaderCut",
         TKind::BitmapData,
         BitmapData(4, 2, 4, 1).substr(0, 15),
         "Stream read error",
         {}},
        {"StreamRunsCut", TKind::BitmapData, BitmapData(4, 2, 8, 2, {4}), "Stream read error", {}},
        {"StreamSizeNotFourRunsEach",
         TKind::BitmapData,
         BitmapData(4, 2, 12, 2, {4, 4}),
         "size 12 is not 4 x run count 2",
         {}},
        {"StreamNegativeWidth",
         TKind::BitmapData,
         BitmapData(-4, 2, 4, 1, {8}),
         "negative width or height",
         {}},
        {"StreamNegativeSize",
         TKind::BitmapData,
         BitmapData(0, 0, -4, -1),
         "negative size or run count",
         {}},
        {"StreamRunsShortOfThePixels",
         TKind::BitmapData,
         BitmapData(4, 2, 4, 1, {7}),
         "runs cover 7 pixels, not 4 x 2",
         {}},
        {"StreamEmptyRun", TKind::BitmapData, BitmapData(4, 2, 8, 2, {0, 8}), "run 0 is empty", {}},
        {"StreamTooLarge", TKind::BitmapData, BitmapData(20000, 20000, 4, 1, {1}), "too large", {}},
        {"StreamTooFewRuns",
         TKind::BitmapData,
         BitmapData(1000, 1000, 4, 1, {1}),
         "too few runs",
         {}},
        {"StreamHugeClaimShortData",
         TKind::BitmapData,
         BitmapData(0, 0, 0x7FFFFFFC, 0x1FFFFFFF, {1, 2, 3}),
         "Stream read error",
         {}},
    };
}

class BadInput : public ::testing::TestWithParam<Row> {
protected:
    void SetUp() override {
        Surface.SetColorPalette(&Palette);
        Surface.SetBounds(0, 0, 64, 48);
        Surface.SetBitmapDirectory(Dir.Path());
        WriteFile(Dir.File("HILLS.BMP"), MakeBmp({.Width = 64, .Height = 48}));
        WriteFile(Dir.File("NOTBMP.BMP"), "not a bitmap");
        WriteFile(Dir.File("CUT.BMP"), Cut(MakeBmp({.Width = 64, .Height = 48}), 60));
        WriteFile(Dir.File("RGB24.BMP"), MakeBmp({.Bits = 24}));
    }

    // Runs Action as an event handler does: an error goes to the default handler.
    void Handle(const std::function<void()>& Action) { Application().Guarded(Action); }

    void ExpectTheMessage(const Row& R) {
        if (*R.Message == '\0') {
            EXPECT_TRUE(Messages.Messages().empty()) << Messages.Messages().front();
            return;
        }
        ASSERT_EQ(Messages.Messages().size(), 1u);
        EXPECT_NE(Messages.Messages().front().find(R.Message), std::string::npos)
            << Messages.Messages().front();
    }

    // Draws the surface's map set at a few offsets, outlines plain and highlighted.
    void DrawEverything() {
        for (const TPoint Offset : {TPoint{0, 0}, TPoint{123, -77}, TPoint{-5000, 90000}}) {
            Surface.SetOffsetX(Offset.X);
            Surface.SetOffsetY(Offset.Y);
            for (int32_t I = 0; I < Surface.ZoneCount(); ++I)
                if (Surface.Zone(I)->Sprite())
                    Surface.Zone(I)->Sprite()->SetHighlighted(Offset.X != 0);
            Surface.Render();
            Click(5, 5);
        }
    }

    // A press and release on the surface, with both click searches switched on.
    void Click(int X, int Y) {
        int Clicks = 0;
        Surface.OnZoneClick = [&](TObject*, TZone*) { ++Clicks; };
        Surface.OnSpriteClick = [&](TObject*, TSprite*) { ++Clicks; };
        for (const QEvent::Type Type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent Event(Type, QPointF(X, Y), QPointF(X, Y), Qt::LeftButton,
                              Type == QEvent::MouseButtonRelease ? Qt::NoButton
                                                                 : Qt::MouseButtons(Qt::LeftButton),
                              Qt::NoModifier);
            QApplication::sendEvent(&Surface, &Event);
        }
        Surface.OnZoneClick = nullptr;
        Surface.OnSpriteClick = nullptr;
        EXPECT_LE(Clicks, 2);
    }

    TempDir Dir;
    MessageCapture Messages;
    TColorPalette Palette;
    TZoneSpriteSurface Surface;
};

TEST_P(BadInput, GivesItsMessageGoesOnAndKeepsWhatItShould) {
    const Row& R = GetParam();
    switch (R.Kind) {
    case TKind::Bmp: {
        TBitmap Bitmap;
        const std::string Before = MakeBmp({.Width = 3, .Height = 5});
        Bitmap.LoadFromMemory(reinterpret_cast<const uint8_t*>(Before.data()), Before.size());
        Handle([&] {
            Bitmap.LoadFromMemory(reinterpret_cast<const uint8_t*>(R.Input.data()), R.Input.size());
        });
        ExpectTheMessage(R);
        EXPECT_EQ(Bitmap.Width(), 3);
        EXPECT_EQ(Bitmap.Height(), 5);
        EXPECT_EQ(Bitmap.PixelFormat(), TPixelFormat::pf8bit);
        EXPECT_EQ(Bitmap.ScanLine(4)[2], 1);
        EXPECT_EQ(Bitmap.Palette()[7], (TRGBQuad{7, 7, 7, 0}));
        const std::string After = GoodBmp();
        Bitmap.LoadFromMemory(reinterpret_cast<const uint8_t*>(After.data()), After.size());
        EXPECT_EQ(Bitmap.Width(), 4);
        break;
    }
    case TKind::BitmapFile:
    case TKind::BitmapName: {
        Surface.AddBitmap("HILLS.BMP");
        const std::vector<std::string> Colors = Palette.PaletteEntries();
        std::string Name = R.Input;
        if (R.Kind == TKind::BitmapFile) {
            Name = "in.bmp";
            WriteFile(Dir.File(Name), R.Input);
        }
        Handle([&] { Surface.AddBitmap(Name); });
        ExpectTheMessage(R);
        EXPECT_EQ(Surface.Bitmaps().size(), 1u);
        EXPECT_EQ(Palette.PaletteEntries(), Colors);
        Surface.AddBitmap("HILLS.BMP");
        Surface.AddElement("HILLS.BMP", 0, 0);
        Surface.Render();
        EXPECT_EQ(Surface.Bitmaps().size(), 2u);
        EXPECT_EQ(Surface.DIBCanvas().Bits()[0], 1);
        break;
    }
    case TKind::MapSet: {
        Surface.SetGridMarginTop(16);
        Surface.SetGridWidth(20);
        Surface.SetGridHeight(26);
        const std::string Path = Dir.File("bad.mapset");
        WriteFile(Path, R.Input);
        Handle([&] { Surface.SetMapSetFile(Path); });
        ExpectTheMessage(R);
        EXPECT_EQ(Surface.MapSetFile(), Path);
        EXPECT_EQ(Surface.ZoneCount(), R.Keep.Zones);
        EXPECT_EQ(int(Surface.Bitmaps().size()), R.Keep.Bitmaps);
        EXPECT_EQ(Surface.ElementCount(), R.Keep.Elements);
        EXPECT_EQ(Surface.LinkCount(), R.Keep.Links);
        DrawEverything();
        // The program goes on: the next map set loads in full.
        const std::string Next = Dir.File("good.mapset");
        WriteFile(Next,
                  "Bitmap=HILLS.BMP\r\nElement=HILLS.BMP:0,0\r\nZone=" + Square + ";Good;0;\r\n");
        Surface.SetMapSetFile(Next);
        EXPECT_EQ(Surface.ZoneCount(), 1);
        EXPECT_EQ(Surface.ElementCount(), 1);
        EXPECT_EQ(Surface.VirtualWidth(), 64);
        break;
    }
    case TKind::ZoneText: {
        Surface.SetGridMarginTop(16);
        Surface.SetGridWidth(20);
        Surface.SetGridHeight(26);
        auto* Zone = new TZone(&Surface, R.Input);
        Surface.AddZone(Zone);
        EXPECT_EQ(Zone->PointCount(), R.Keep.Points);
        if (Zone->PointCount() > 0) {
            EXPECT_EQ(Zone->Point(0), R.Keep.First);
        }
        EXPECT_EQ(Zone->Name(), R.Keep.Name);
        EXPECT_EQ(Zone->IsSea(), R.Keep.Sea);
        EXPECT_EQ(Zone->NeighborIndexText(), R.Keep.Neighbors);
        if (Zone->PointCount() > 0) {
            const TRect& B = Zone->Bounds();
            for (const TPoint& P : Zone->Points()) {
                EXPECT_TRUE(B.Left <= P.X && P.X <= B.Right && B.Top <= P.Y && P.Y <= B.Bottom);
            }
            EXPECT_TRUE(B.Left <= Zone->Center().X && Zone->Center().X <= B.Right);
            EXPECT_TRUE(B.Top <= Zone->Center().Y && Zone->Center().Y <= B.Bottom);
        }
        Surface.BuildGridPoints();
        ASSERT_NE(Zone->GridPoints(), nullptr);
        for (const TPoint& P : Zone->GridPoints()->Items())
            EXPECT_TRUE(Zone->Region().Contains(P.X, P.Y));
        DrawEverything();
        ExpectTheMessage(R);
        // A zone made from this text saves and reads back as itself.
        TZone Again(&Surface, Zone->ZoneText());
        EXPECT_EQ(Again.Points(), Zone->Points());
        EXPECT_EQ(Again.IsSea(), Zone->IsSea());
        break;
    }
    case TKind::Palette: {
        TColorPalette Target;
        std::vector<uint32_t> Old;
        for (int I = 0; I < 256; ++I)
            Old.push_back(Target.Entries(I));
        Handle([&] { Target.SetPaletteEntries(SplitLines(R.Input)); });
        ExpectTheMessage(R);
        const int Stop = R.Keep.FirstNotTaken;
        const bool CountError = SplitLines(R.Input).size() != 256;
        for (int I = 0; I < 256; ++I) {
            if (!CountError && I < Stop) {
                EXPECT_EQ(Target.Entries(I) & 0xFFFFFF, 0x030201u) << "entry " << I;
            } else if (CountError || I > Stop) {
                EXPECT_EQ(Target.Entries(I), Old[size_t(I)]) << "entry " << I;
            }
        }
        EXPECT_EQ(Target.Handle() != nullptr, !CountError);
        // The program goes on: a sound text is taken in full.
        Target.SetPaletteEntries(SplitLines(PaletteText(256, {})));
        EXPECT_EQ(Target.Entries(255) & 0xFFFFFF, 0x030201u);
        EXPECT_NE(Target.Handle(), nullptr);
        break;
    }
    case TKind::BitmapData: {
        TBitmap Source;
        const std::string Before = MakeBmp({});
        Source.LoadFromMemory(reinterpret_cast<const uint8_t*>(Before.data()), Before.size());
        TCompressedBitmapSpriteFactory Factory;
        Factory.SetBitmap(&Source);
        std::istringstream Stream(R.Input);
        Handle([&] { Factory.ReadBitmapData(Stream); });
        ExpectTheMessage(R);
        EXPECT_EQ(Factory.Width(), 4);
        EXPECT_EQ(Factory.Height(), 2);
        EXPECT_EQ(Factory.Size(), 4);
        std::istringstream Sound(BitmapData(3, 3, 8, 2, {5, 4}));
        Factory.ReadBitmapData(Sound);
        EXPECT_EQ(Factory.Width(), 3);
        EXPECT_EQ(Factory.CompressedBitmap().RunCount(), 2);
        break;
    }
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, BadInput, ::testing::ValuesIn(Rows()),
                         [](const ::testing::TestParamInfo<Row>& Info) { return Info.param.Id; });

} // namespace
