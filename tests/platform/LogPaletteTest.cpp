#include "platform/LogPalette.h"

#include <gtest/gtest.h>

namespace {

TLogPalette Gradient(uint16_t Count) {
    TLogPalette source;
    source.palNumEntries = Count;
    for (int i = 0; i < 256; ++i)
        source.palPalEntry[size_t(i)] = {uint8_t(i), uint8_t(255 - i), uint8_t(i / 2), 0};
    return source;
}

} // namespace

TEST(LogPalette, CreateCopiesTheGivenEntries) {
    TLogPalette source = Gradient(3);
    auto palette = CreatePalette(source);
    ASSERT_NE(palette, nullptr);
    source.palPalEntry[1].peRed = 99; // the palette keeps its own copy
    EXPECT_EQ(palette->EntryCount(), 3);
    EXPECT_EQ(palette->Entry(1).peRed, 1);
    EXPECT_EQ(palette->Entry(1).peGreen, 254);
    EXPECT_EQ(palette->Entry(2).peBlue, 1);
}

TEST(LogPalette, CreateRefusesABadHeaderWithInvalidParameter) {
    struct TCase {
        uint16_t Version;
        uint16_t Count;
        bool Valid;
    };
    const TCase cases[] = {
        {0x300, 1, true},    {0x300, 256, true},  {0x300, 0, false},
        {0x300, 257, false}, {0x200, 256, false}, {0x301, 16, false},
    };
    for (const TCase& c : cases) {
        TLogPalette source = Gradient(c.Count);
        source.palVersion = c.Version;
        auto palette = CreatePalette(source);
        EXPECT_EQ(palette != nullptr, c.Valid) << c.Version << " " << c.Count;
        if (!c.Valid) {
            EXPECT_EQ(GetLastError(), 87u);
        }
    }
}

TEST(LogPalette, SelectAndRealizeAreRecordedInTheContext) {
    auto first = CreatePalette(Gradient(256));
    auto second = CreatePalette(Gradient(16));
    TDeviceContext dc;
    EXPECT_EQ(RealizePalette(dc), 0u);
    EXPECT_EQ(SelectPalette(dc, first.get(), false), nullptr);
    EXPECT_EQ(SelectPalette(dc, second.get(), true), first.get());
    EXPECT_TRUE(dc.ForcedBackground);
    EXPECT_EQ(RealizePalette(dc), 16u);
    EXPECT_EQ(dc.RealizeCount, 2);
    // The context never looks at the palette again, so it may outlive it.
    second.reset();
    EXPECT_EQ(RealizePalette(dc), 16u);
}

TEST(LogPalette, TheScreenHasNoStaticSystemPalette) {
    TDeviceContext& screen = ScreenDC();
    EXPECT_EQ(&screen, &ScreenDC());
    EXPECT_EQ(GetSystemPaletteUse(screen), SYSPAL_NOSTATIC);
    TPaletteEntry entries[10];
    EXPECT_EQ(GetSystemPaletteEntries(screen, 0, 10, entries), 0u);
}
