#include "graphics/ColorPalette.h"

#include "platform/Bitmap.h"
#include "support/Scripted.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct RGB {
    int R, G, B;
    friend bool operator==(const RGB&, const RGB&) = default;
};

RGB ColorOf(const TColorPalette& P, int Index) {
    const uint32_t E = P.Entries(Index);
    return RGB{int(E & 0xFF), int((E >> 8) & 0xFF), int((E >> 16) & 0xFF)};
}

int FlagsOf(const TColorPalette& P, int Index) {
    return int(P.Entries(Index) >> 24);
}

// 256 lines where entry i reads (i + Shift) mod 256 in each channel.
std::vector<std::string> ShiftedLines(int Shift) {
    std::vector<std::string> Lines;
    for (int I = 0; I < 256; ++I) {
        const std::string V = std::to_string((I + Shift) % 256);
        Lines.push_back(V + "," + V + "," + V);
    }
    return Lines;
}

const RGB StandardSystemColors[20] = {
    {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
    {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
    {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
    {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};

int SystemIndex(int K) {
    return K < 10 ? K : 236 + K;
}

TEST(ColorPalette, NewPaletteHasSystemColoursAndAGreyRamp) {
    TColorPalette P;
    const std::vector<std::string>& Lines = P.PaletteEntries();
    ASSERT_EQ(Lines.size(), 256u);
    EXPECT_EQ(Lines[10], "10,10,10");
    EXPECT_EQ(Lines[245], "245,245,245");
    EXPECT_EQ(Lines[8], "192,220,192");
    for (int K = 0; K < 20; ++K) {
        const int I = SystemIndex(K);
        SCOPED_TRACE(I);
        EXPECT_EQ(ColorOf(P, I), StandardSystemColors[K]);
        EXPECT_EQ(FlagsOf(P, I), 0);
    }
    for (int I = 10; I <= 245; ++I)
        ASSERT_EQ(FlagsOf(P, I), 4) << I;
    EXPECT_EQ(P.PalEntryFlag(), pcNoCollapse);
    EXPECT_EQ(P.Handle(), nullptr);
    EXPECT_FALSE(P.EntriesParsed());
}

TEST(ColorPalette, WrongNumberOfLinesIsRefusedAndEmptyIsIgnored) {
    TColorPalette P;
    std::vector<std::string> Short = ShiftedLines(1);
    Short.pop_back();
    try {
        P.SetPaletteEntries(Short);
        FAIL() << "255 lines accepted";
    } catch (const EPalette& E) {
        EXPECT_STREQ(E.what(), "Exactly 256 entries must exist");
    }
    EXPECT_EQ(ColorOf(P, 100), (RGB{100, 100, 100}));
    EXPECT_EQ(P.PaletteEntries()[100], "100,100,100");
    EXPECT_EQ(P.Handle(), nullptr);

    P.SetPaletteEntries({});
    EXPECT_EQ(P.PaletteEntries().size(), 256u);
    EXPECT_EQ(P.Handle(), nullptr);
    EXPECT_TRUE(P.EntriesParsed());
}

struct ParseCase {
    std::string Line;
    RGB Expected;
};

TEST(ColorPalette, ParsesLenientNumberFields) {
    const std::vector<ParseCase> Cases = {
        {"12,34,56", {12, 34, 56}},      {"300,-1,7", {44, 255, 7}},
        {"12,34", {12, 34, 34}},         {"12", {12, 12, 12}},
        {"1,2,3,4", {1, 2, 3}},          {"1,2,3,junk", {1, 2, 3}},
        {"$1F,x2a,0XfF", {31, 42, 255}}, {"$FFFFFFFF,X100,0x0", {255, 0, 0}},
        {"  5,  +6,   -256", {5, 6, 0}}, {"-2147483648,2147483647,0", {0, 255, 0}},
    };
    for (const ParseCase& C : Cases) {
        SCOPED_TRACE(C.Line);
        MessageCapture Messages;
        TColorPalette P;
        std::vector<std::string> Lines = ShiftedLines(0);
        Lines[20] = C.Line;
        P.SetPaletteEntries(Lines);
        EXPECT_EQ(ColorOf(P, 20), C.Expected);
        EXPECT_EQ(ColorOf(P, 21), (RGB{21, 21, 21}));
        EXPECT_TRUE(Messages.Messages().empty());
        // The text keeps what was given; only a rewrite normalises it.
        EXPECT_EQ(P.PaletteEntries()[20], C.Line);
    }
}

TEST(ColorPalette, UnreadableNumberStopsTheParseAndKeepsThePaletteUsable) {
    const std::vector<std::string> BadLines = {
        "a,b,c", "5 ,6,7", "",        "5,,6",        "+",          "-",          "$",
        "0x",    "-$5",    "1.5,2,3", "99999999999", "2147483648", "$100000000", "5,6,7g"};
    for (const std::string& Bad : BadLines) {
        SCOPED_TRACE(Bad);
        MessageCapture Messages;
        TColorPalette P;
        std::vector<std::string> Lines = ShiftedLines(1);
        Lines[20] = Bad;
        P.SetPaletteEntries(Lines);
        ASSERT_EQ(Messages.Messages().size(), 1u);
        EXPECT_EQ(Messages.Messages()[0], "Error Loading Palette Data");
        for (int I = 0; I < 20; ++I)
            ASSERT_EQ(ColorOf(P, I), (RGB{I + 1, I + 1, I + 1})) << I;
        for (int I = 21; I <= 245; ++I)
            ASSERT_EQ(ColorOf(P, I), (RGB{I, I, I})) << I;
        EXPECT_NE(P.Handle(), nullptr);
    }
}

TEST(ColorPalette, NumbersBeforeTheBadFieldAreStored) {
    MessageCapture Messages;
    TColorPalette P;
    std::vector<std::string> Lines = ShiftedLines(0);
    Lines[30] = "7,oops,9";
    P.SetPaletteEntries(Lines);
    EXPECT_EQ(ColorOf(P, 30), (RGB{7, 30, 30}));
    EXPECT_EQ(Messages.Messages().size(), 1u);
}

TEST(ColorPalette, EntryFlagReachesFreeEntriesOnTheNextLoad) {
    TColorPalette P;
    P.SetPalEntryFlag(pcReserved);
    EXPECT_EQ(P.EntryFlags(), 1);
    EXPECT_EQ(FlagsOf(P, 10), 4); // the table is not touched by the setter
    P.SetPaletteEntries(ShiftedLines(0));
    for (int I = 0; I < 256; ++I)
        ASSERT_EQ(FlagsOf(P, I), I >= 10 && I <= 245 ? 1 : 0) << I;
    EXPECT_EQ(P.Entries(10) >> 24, 1u);
    P.SetPalEntryFlag(pcNoCollapse);
    EXPECT_EQ(P.EntryFlags(), 4);
}

TEST(ColorPalette, EntriesPacksRedLowestAndFlagsHighest) {
    TColorPalette P;
    std::vector<std::string> Lines = ShiftedLines(0);
    Lines[50] = "1,2,3";
    P.SetPaletteEntries(Lines);
    EXPECT_EQ(P.Entries(50), 0x04030201u);
    EXPECT_THROW(P.Entries(256), EListError);
    EXPECT_THROW(P.Entries(-1), EListError);
}

std::vector<TRGBQuad> DistinctColors() {
    std::vector<TRGBQuad> Colors(256);
    for (int I = 0; I < 256; ++I) {
        TRGBQuad& Q = Colors[size_t(I)];
        Q.rgbRed = uint8_t(255 - I);
        Q.rgbGreen = uint8_t(I / 2);
        Q.rgbBlue = uint8_t(I ^ 0x55);
    }
    return Colors;
}

TEST(ColorPalette, LoadFromBitmapTakesOnlyTheFreeEntries) {
    TBitmap Bitmap;
    Bitmap.SetSize(4, 4);
    Bitmap.SetPalette(DistinctColors());
    // Made in code, never loaded from a form: the old text must not win over the bitmap.
    TColorPalette P;
    P.SetPalEntryFlag(pcReserved);
    P.LoadFromBitmap(&Bitmap);
    for (int K = 0; K < 20; ++K)
        ASSERT_EQ(ColorOf(P, SystemIndex(K)), StandardSystemColors[K]) << SystemIndex(K);
    for (int I = 10; I <= 245; ++I) {
        ASSERT_EQ(ColorOf(P, I), (RGB{255 - I, I / 2, I ^ 0x55})) << I;
        ASSERT_EQ(FlagsOf(P, I), 1) << I;
    }
    EXPECT_EQ(P.PaletteEntries()[100], "155,50,49");
    EXPECT_NE(P.Handle(), nullptr);
}

TEST(ColorPalette, ShortBitmapColourTableGivesBlackFreeEntries) {
    TBitmap Bitmap;
    Bitmap.SetSize(2, 2);
    Bitmap.SetPalette(std::vector<TRGBQuad>(16, TRGBQuad{9, 9, 9, 0})); // grey: order moot
    TColorPalette P;
    P.LoadFromBitmap(&Bitmap);
    EXPECT_EQ(ColorOf(P, 15), (RGB{9, 9, 9}));
    EXPECT_EQ(ColorOf(P, 16), (RGB{0, 0, 0}));
    EXPECT_EQ(ColorOf(P, 245), (RGB{0, 0, 0}));
}

TEST(ColorPalette, ImagePaletteLoadsButIsNeverKept) {
    TBitmap Bitmap;
    Bitmap.SetSize(2, 2);
    Bitmap.SetPalette(DistinctColors());
    MessageCapture Messages;
    TColorPalette P;
    P.SetImagePalette(&Bitmap, "imgMap");
    EXPECT_EQ(P.ImagePalette(), nullptr);
    EXPECT_EQ(ColorOf(P, 100), (RGB{155, 50, 49}));
    EXPECT_TRUE(Messages.Messages().empty()); // not designing

    P.SetDesigning(true);
    P.SetImagePalette(&Bitmap, "imgMap");
    ASSERT_EQ(Messages.Messages().size(), 1u);
    EXPECT_EQ(Messages.Messages()[0], "Palette Data Loaded from TImage imgMap");

    P.SetImagePalette(nullptr);
    EXPECT_EQ(Messages.Messages().size(), 1u);
    EXPECT_EQ(ColorOf(P, 100), (RGB{155, 50, 49}));
}

TEST(ColorPalette, CopyFromAnotherPaletteTakesTextAndFlag) {
    TColorPalette Source;
    Source.SetPalEntryFlag(pcReserved);
    Source.SetPaletteEntries(ShiftedLines(7));
    TColorPalette P;
    P.CopyFrom(&Source);
    EXPECT_EQ(P.PalEntryFlag(), pcReserved);
    EXPECT_EQ(P.PaletteEntries(), Source.PaletteEntries());
    EXPECT_EQ(ColorOf(P, 100), (RGB{107, 107, 107}));
    EXPECT_EQ(FlagsOf(P, 100), 1);
    EXPECT_NE(P.Handle(), nullptr);
    EXPECT_NE(P.Handle(), Source.Handle());
}

TEST(ColorPalette, CopyFromAnythingElseChangesNothing) {
    TColorPalette P;
    const std::vector<std::string> Before = P.PaletteEntries();
    TComponent Other;
    P.CopyFrom(&Other);
    P.CopyFrom(nullptr);
    EXPECT_EQ(P.PaletteEntries(), Before);
    EXPECT_EQ(P.Handle(), nullptr);
    EXPECT_FALSE(P.EntriesParsed());
}

TEST(ColorPalette, AfterLoadParsesTheStoredTextAndRewritesIt) {
    TColorPalette P;
    // A form reader fills the list without the setter.
    P.PaletteEntries() = ShiftedLines(0);
    P.PaletteEntries()[30] = "12";
    P.PaletteEntries()[31] = "$10,x20,0x30";
    P.AfterLoad();
    EXPECT_EQ(P.PaletteEntries()[30], "12,12,12");
    EXPECT_EQ(P.PaletteEntries()[31], "16,32,48");
    EXPECT_EQ(ColorOf(P, 30), (RGB{12, 12, 12}));
    EXPECT_NE(P.Handle(), nullptr);
}

TEST(ColorPalette, RecreateHandleParsesTextAssignedSinceTheLastParse) {
    TColorPalette P;
    P.PaletteEntries() = ShiftedLines(2);
    P.RecreateHandle(false);
    EXPECT_EQ(ColorOf(P, 50), (RGB{52, 52, 52}));
    ASSERT_NE(P.Handle(), nullptr);
    EXPECT_EQ(P.Handle()->EntryCount(), 256);
    EXPECT_EQ(P.Handle()->Entry(50).peRed, 52);
    EXPECT_EQ(P.Handle()->Entry(50).peFlags, 4);

    // Parsed now: changing the text alone no longer reaches the table.
    P.PaletteEntries()[50] = "1,1,1";
    P.RecreateHandle(true);
    EXPECT_EQ(ColorOf(P, 50), (RGB{52, 52, 52}));
    EXPECT_EQ(P.PaletteEntries()[50], "52,52,52");
}

} // namespace
