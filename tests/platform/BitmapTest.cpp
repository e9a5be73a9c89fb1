#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Exception.h"

#include "support/Scripted.h"

#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <random>

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& B, uint32_t V) {
    B.push_back(uint8_t(V));
    B.push_back(uint8_t(V >> 8));
}
void Put32(Bytes& B, uint32_t V) {
    for (int i = 0; i < 4; ++i)
        B.push_back(uint8_t(V >> (8 * i)));
}

TRGBQuad TableColor(int I) {
    return {uint8_t(I), uint8_t(2 * I), uint8_t(3 * I), 0};
}

// A BMP file described field by field; every field may be set to a hostile value.
struct BmpFields {
    std::string Magic = "BM";
    uint32_t HeaderSize = 40;
    int32_t Width = 3;
    int32_t Height = 2;
    uint32_t Planes = 1;
    uint32_t Bits = 8;
    uint32_t Compression = 0;
    uint32_t SizeImage = 0;
    uint32_t ColorsUsed = 4;
    int TableEntries = 4; // entries written (TableColor(i)), whatever ColorsUsed says
    Bytes Masks;          // between the header and the colour table
    Bytes Data = {0, 1, 2, 0, 3, 0, 1, 0};
    std::optional<uint32_t> Offset; // default: right after the table
    size_t Cut = 0;                 // bytes dropped from the end

    Bytes Build() const {
        Bytes b(Magic.begin(), Magic.end());
        const bool core = HeaderSize == 12;
        const uint32_t tableEnd =
            14 + HeaderSize + uint32_t(Masks.size()) + uint32_t(TableEntries) * (core ? 3 : 4);
        Put32(b, 0);
        Put32(b, 0);
        Put32(b, Offset.value_or(tableEnd));
        Put32(b, HeaderSize);
        if (core) {
            Put16(b, uint32_t(Width));
            Put16(b, uint32_t(Height));
            Put16(b, Planes);
            Put16(b, Bits);
        } else {
            Put32(b, uint32_t(Width));
            Put32(b, uint32_t(Height));
            Put16(b, Planes);
            Put16(b, Bits);
            Put32(b, Compression);
            Put32(b, SizeImage);
            Put32(b, 0);
            Put32(b, 0);
            Put32(b, ColorsUsed);
            Put32(b, 0);
            b.resize(14 + HeaderSize, 0);
        }
        b.insert(b.end(), Masks.begin(), Masks.end());
        for (int i = 0; i < TableEntries; ++i) {
            const TRGBQuad c = TableColor(i);
            b.insert(b.end(), {c.rgbBlue, c.rgbGreen, c.rgbRed});
            if (!core)
                b.push_back(0);
        }
        b.resize(std::max<size_t>(b.size(), Offset.value_or(0)), 0);
        b.insert(b.end(), Data.begin(), Data.end());
        b.resize(b.size() - std::min(Cut, b.size()));
        return b;
    }
};

Bytes With(const std::function<void(BmpFields&)>& Change) {
    BmpFields fields;
    Change(fields);
    return fields.Build();
}

std::vector<uint8_t> Row(const TBitmap& B, int32_t Y) {
    return {B.ScanLine(Y), B.ScanLine(Y) + B.Width()};
}

// Through an allocation of exactly the file's size, so that the sanitizers see any read
// past its end (a vector may hold spare capacity there).
void Load(TBitmap& B, const Bytes& Data) {
    const auto exact = std::make_unique<uint8_t[]>(Data.size());
    std::copy(Data.begin(), Data.end(), exact.get());
    B.LoadFromMemory(exact.get(), Data.size());
}

Bytes Rle(const Bytes& Stream) {
    return With([&](BmpFields& s) {
        s.Compression = 1;
        s.Data = Stream;
    });
}

Bytes Sized(int32_t Width, int32_t Height) {
    return With([&](BmpFields& s) {
        s.Width = Width;
        s.Height = Height;
    });
}

struct Refusal {
    const char* Name;
    Bytes Data;
    const char* Fragment;
};

TEST(BitmapRead, RefusesMalformedFilesAndKeepsTheBitmap) {
    const Refusal cases[] = {
        {"empty", {}, "bad signature"},
        {"bad magic", With([](BmpFields& s) { s.Magic = "BX"; }), "bad signature"},
        {"file header only",
         {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40},
         "truncated header"},
        {"info header cut", With([](BmpFields& s) { s.Cut = s.Build().size() - 30; }),
         "truncated header"},
        {"core header cut", With([](BmpFields& s) {
             s.HeaderSize = 12;
             s.Cut = s.Build().size() - 20;
         }),
         "truncated header"},
        {"header size 20", With([](BmpFields& s) { s.HeaderSize = 20; }),
         "unsupported header size 20"},
        {"bit-field masks missing", With([](BmpFields& s) {
             s.Bits = 16;
             s.Compression = 3;
             s.ColorsUsed = s.TableEntries = 0;
             s.Data.clear();
             s.Offset = 54;
         }),
         "truncated header"},
        {"offset past end", With([](BmpFields& s) {
             s.Offset = 100000;
             s.Cut = 100000 - 70 - 8;
         }),
         "data offset 100000 is past the end of the file"},
        {"offset into headers", With([](BmpFields& s) { s.Offset = 30; }),
         "data offset 30 points into the headers"},
        {"offset into colour table", With([](BmpFields& s) { s.Offset = 60; }),
         "data offset 60 points into the colour table"},
        {"width 0", With([](BmpFields& s) { s.Width = 0; }), "width 0 is not positive"},
        {"width negative", With([](BmpFields& s) { s.Width = -3; }), "width -3 is not positive"},
        {"core width 0", With([](BmpFields& s) {
             s.HeaderSize = 12;
             s.Width = 0;
         }),
         "width 0 is not positive"},
        {"v5 width 0", With([](BmpFields& s) {
             s.HeaderSize = 124;
             s.Width = 0;
         }),
         "width 0 is not positive"},
        {"height 0", With([](BmpFields& s) { s.Height = 0; }), "height is 0"},
        {"height INT_MIN", With([](BmpFields& s) { s.Height = INT32_MIN; }),
         "height -2147483648 is out of range"},
        {"over the pixel limit", Sized(65536, 4097),
         "width x height exceeds the limit of 268435456 pixels"},
        {"product wraps in 32 bits", Sized(65536, -65536), "exceeds the limit"},
        {"largest sizes", Sized(INT32_MAX, INT32_MAX), "exceeds the limit"},
        {"planes 2", With([](BmpFields& s) { s.Planes = 2; }), "number of planes is 2, not 1"},
        {"unknown compression", With([](BmpFields& s) { s.Compression = 7; }),
         "unsupported compression 7"},
        {"bit fields at 8 bpp", With([](BmpFields& s) { s.Compression = 3; }),
         "unsupported compression 3 at 8 bits per pixel"},
        {"RLE8 at 4 bpp", With([](BmpFields& s) {
             s.Bits = 4;
             s.Compression = 1;
         }),
         "unsupported compression 1 at 4 bits per pixel"},
        {"2 bpp", With([](BmpFields& s) { s.Bits = 2; }), "unsupported bits per pixel 2"},
        {"257 colours", With([](BmpFields& s) { s.ColorsUsed = 257; }),
         "colour table of 257 entries exceeds 256"},
        {"colour count wraps", With([](BmpFields& s) { s.ColorsUsed = 0x40000001; }),
         "exceeds 256"},
        {"table past end", With([](BmpFields& s) {
             s.ColorsUsed = 200;
             s.Offset = 54;
         }),
         "colour table extends past the end of the file"},
        {"8 bpp one byte short", With([](BmpFields& s) { s.Cut = 2; }), "truncated pixel data"},
        {"8 bpp no data", With([](BmpFields& s) { s.Data.clear(); }), "truncated pixel data"},
        {"24 bpp short", With([](BmpFields& s) {
             s.Bits = 24;
             s.ColorsUsed = s.TableEntries = 0;
             s.Data.assign(12 + 8, 0);
         }),
         "truncated pixel data"},
        {"index beyond table", With([](BmpFields& s) { s.Data[1] = 4; }),
         "pixel index 4 is beyond the colour table of 4 entries"},
        {"core index beyond short table", With([](BmpFields& s) {
             s.HeaderSize = 12;
             s.Data[0] = 9;
         }),
         "pixel index 9 is beyond the colour table of 4 entries"},
        {"RLE empty stream", Rle({}), "truncated pixel data"},
        {"RLE cut inside a run", Rle({2, 1, 3}), "truncated pixel data"},
        {"RLE absolute run cut", Rle({0, 3, 1, 2}), "truncated pixel data"},
        {"RLE delta cut", Rle({0, 2, 1}), "truncated pixel data"},
        {"RLE run past the row", Rle({2, 1, 3, 1}), "RLE run leaves the image"},
        {"RLE absolute past the row", Rle({0, 5, 1, 1, 1, 1, 1, 0, 0, 1}),
         "RLE run leaves the image"},
        {"RLE run below the image", Rle({0, 0, 0, 0, 1, 1, 0, 1}), "RLE run leaves the image"},
        {"RLE delta right", Rle({1, 1, 0, 2, 4, 0}), "RLE delta leaves the image"},
        {"RLE delta down", Rle({0, 2, 0, 3, 0, 1}), "RLE delta leaves the image"},
        {"RLE run index", Rle({2, 7, 0, 1}),
         "pixel index 7 is beyond the colour table of 4 entries"},
        {"RLE absolute index", Rle({0, 3, 1, 5, 1, 0, 0, 1}),
         "pixel index 5 is beyond the colour table of 4 entries"},
    };

    const Bytes good = BmpFields().Build();
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.Name);
        TBitmap bitmap;
        Load(bitmap, good);
        try {
            Load(bitmap, c.Data);
            ADD_FAILURE() << "accepted";
        } catch (const EInvalidGraphic& e) {
            const std::string message = e.what();
            EXPECT_EQ(message.rfind("Bitmap image is not valid: ", 0), 0u) << message;
            EXPECT_NE(message.find(c.Fragment), std::string::npos) << message;
        }
        EXPECT_EQ(bitmap.Width(), 3);
        EXPECT_EQ(bitmap.Height(), 2);
        EXPECT_EQ(bitmap.PaletteSize(), 4);
        EXPECT_EQ(Row(bitmap, 0), (std::vector<uint8_t>{3, 0, 1}));
    }
}

TEST(BitmapRead, CorruptedFilesAreReadOrRefusedNeverMisread) {
    const Bytes seeds[] = {
        BmpFields().Build(),
        With([](BmpFields& s) {
            s.Width = 5;
            s.Height = 3;
            s.Compression = 1;
            s.Data = {2, 1, 0, 3, 2, 3, 1, 0, 0, 0, 0, 2, 2, 1, 1, 3, 0, 1};
        }),
        With([](BmpFields& s) { s.HeaderSize = 12; }),
    };
    std::mt19937 random(7);
    for (const Bytes& seed : seeds) {
        for (int round = 0; round < 3000; ++round) {
            Bytes data = seed;
            const int changes = 1 + int(random() % 4);
            for (int i = 0; i < changes; ++i) {
                // The upper bytes of width and height are left alone: they mostly make
                // large blank RLE images, slow to fill and of no interest here.
                const size_t at = random() % data.size();
                if (at < 20 || at > 25 || at == 22 || at == 23)
                    data[at] = uint8_t(random());
            }
            if (random() % 4 == 0)
                data.resize(random() % data.size());
            TBitmap bitmap;
            try {
                Load(bitmap, data);
            } catch (const EInvalidGraphic&) {
                continue;
            }
            if (bitmap.PixelFormat() == TPixelFormat::pf8bit) {
                ASSERT_EQ(bitmap.Palette().size(), 256u);
                for (int y = 0; y < bitmap.Height(); ++y)
                    for (int x = 0; x < bitmap.Width(); ++x)
                        ASSERT_LT(bitmap.ScanLine(y)[x], bitmap.PaletteSize());
            }
        }
    }
}

TEST(BitmapRead, RowOrderAndColourTableForEveryHeader) {
    struct Case {
        uint32_t HeaderSize;
        int32_t Height;
        std::vector<uint8_t> TopRow;
    };
    const Case cases[] = {
        {12, 2, {3, 0, 1}},   {40, 2, {3, 0, 1}},  {40, -2, {0, 1, 2}},  {56, 2, {3, 0, 1}},
        {108, -2, {0, 1, 2}}, {124, 2, {3, 0, 1}}, {124, -2, {0, 1, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.HeaderSize << " " << c.Height);
        TBitmap bitmap;
        Load(bitmap, With([&](BmpFields& s) {
                 s.HeaderSize = c.HeaderSize;
                 s.Height = c.Height;
             }));
        EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf8bit);
        EXPECT_EQ(bitmap.Width(), 3);
        EXPECT_EQ(bitmap.Height(), 2);
        EXPECT_EQ(Row(bitmap, 0), c.TopRow);
        ASSERT_EQ(bitmap.Palette().size(), 256u);
        EXPECT_EQ(bitmap.PaletteSize(), 4);
        for (int i = 0; i < 256; ++i)
            EXPECT_EQ(bitmap.Palette()[i], i < 4 ? TableColor(i) : TRGBQuad{}) << i;
    }
}

TEST(BitmapRead, ZeroColoursUsedMeansAFullTable) {
    TBitmap bitmap;
    Load(bitmap, With([](BmpFields& s) {
             s.ColorsUsed = 0;
             s.TableEntries = 256;
             s.Data = {255, 1, 2, 0, 3, 0, 200, 0};
         }));
    EXPECT_EQ(bitmap.PaletteSize(), 256);
    EXPECT_EQ(Row(bitmap, 1), (std::vector<uint8_t>{255, 1, 2}));
    EXPECT_EQ(bitmap.Palette()[200], TableColor(200));
}

TEST(BitmapRead, Rle8Commands) {
    // 5 x 3, bottom row first: a run and an odd absolute run with its pad, end of line,
    // a delta over unset pixels, one pixel, end of bitmap.
    const Bytes stream = {2, 1, 0, 3, 2, 3, 1, 0, 0, 0, 0, 2, 2, 1, 1, 3};
    const std::vector<std::vector<uint8_t>> expected = {
        {0, 0, 3, 0, 0}, {0, 0, 0, 0, 0}, {1, 1, 2, 3, 1}};
    const std::pair<const char*, Bytes> endings[] = {
        {"end of bitmap", {0, 1, 9, 9}}, // what follows the marker is not read
        {"no end marker", {}},
        {"surplus end of lines", {0, 0, 0, 0, 0, 0, 0, 1}},
    };
    for (const auto& [name, ending] : endings) {
        SCOPED_TRACE(name);
        Bytes data = stream;
        data.insert(data.end(), ending.begin(), ending.end());
        TBitmap bitmap;
        Load(bitmap, With([&](BmpFields& s) {
                 s.Width = 5;
                 s.Height = 3;
                 s.Compression = 1;
                 s.Data = data;
             }));
        for (int y = 0; y < 3; ++y)
            EXPECT_EQ(Row(bitmap, y), expected[size_t(y)]) << y;
    }
}

TEST(BitmapRead, RleRunsIntoTheRowPaddingAreDropped) {
    TBitmap bitmap;
    Load(bitmap, With([](BmpFields& s) {
             s.Compression = 1;
             s.Data = {4, 2, 0, 0, 0, 4, 1, 2, 3, 0, 0, 1}; // width 3, rows padded to 4
         }));
    EXPECT_EQ(Row(bitmap, 1), (std::vector<uint8_t>{2, 2, 2}));
    EXPECT_EQ(Row(bitmap, 0), (std::vector<uint8_t>{1, 2, 3}));
}

TEST(BitmapRead, SizeImageLimitsTheRleStream) {
    TBitmap bitmap;
    Load(bitmap, With([](BmpFields& s) {
             s.Compression = 1;
             s.Data = {3, 2, 0, 0, 3, 1, 0, 1};
             s.SizeImage = 4; // the second row's run lies beyond it
         }));
    EXPECT_EQ(Row(bitmap, 1), (std::vector<uint8_t>{2, 2, 2}));
    EXPECT_EQ(Row(bitmap, 0), (std::vector<uint8_t>{0, 0, 0}));
}

TEST(BitmapRead, OtherDepthsReportTheirFormatOnly) {
    struct Case {
        uint32_t Bits, Compression, HeaderSize;
        Bytes Masks;
        int TableEntries;
        Bytes Data;
        TPixelFormat Format;
    };
    const Bytes masks16 = {0, 0x7C, 0, 0, 0xE0, 0x03, 0, 0, 0x1F, 0, 0, 0};
    const Case cases[] = {
        {1, 0, 40, {}, 2, Bytes(8, 0), TPixelFormat::pf1bit},
        {4, 0, 40, {}, 4, Bytes(8, 0), TPixelFormat::pf4bit},
        {4, 2, 40, {}, 4, {0, 1}, TPixelFormat::pf4bit},
        {16, 3, 40, masks16, 0, Bytes(16, 0), TPixelFormat::pf16bit},
        {24, 0, 12, {}, 0, Bytes(24, 0), TPixelFormat::pf24bit},
        {32, 3, 124, {}, 0, Bytes(24, 0), TPixelFormat::pf32bit},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Bits);
        TBitmap bitmap;
        Load(bitmap, With([&](BmpFields& s) {
                 s.Bits = c.Bits;
                 s.Compression = c.Compression;
                 s.HeaderSize = c.HeaderSize;
                 s.Masks = c.Masks;
                 s.ColorsUsed = uint32_t(c.TableEntries);
                 s.TableEntries = c.TableEntries;
                 s.Data = c.Data;
             }));
        EXPECT_EQ(bitmap.PixelFormat(), c.Format);
        EXPECT_EQ(bitmap.Width(), 3);
        EXPECT_EQ(bitmap.Height(), 2);
        EXPECT_FALSE(bitmap.HasPixels());
        ASSERT_EQ(bitmap.PaletteSize(), c.TableEntries);
        ASSERT_EQ(bitmap.Palette().size(), size_t(c.TableEntries));
        if (c.TableEntries > 1) {
            EXPECT_EQ(bitmap.Palette()[1], TableColor(1));
        }
    }
}

TEST(BitmapWrite, RoundTripsThroughTheFileLayout) {
    TBitmap bitmap;
    bitmap.SetSize(7, 3);
    bitmap.SetPalette({TableColor(10), TableColor(20), TableColor(30)});
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 7; ++x)
            bitmap.ScanLine(y)[x] = uint8_t((x + y) % 3);
    const Bytes file = bitmap.SaveToMemory();

    ASSERT_EQ(file.size(), 1078u + 8 * 3);
    EXPECT_EQ(file[10] | file[11] << 8, 1078);       // data offset
    EXPECT_EQ(file[28], 8);                          // bits per pixel
    EXPECT_EQ(file[54 + 4], TableColor(20).rgbBlue); // entry 1
    EXPECT_EQ(file[1078], 2);                        // first file row is the bottom row
    EXPECT_EQ(file[1078 + 7], 0);                    // row padding

    TBitmap copy;
    Load(copy, file);
    EXPECT_EQ(copy.Width(), 7);
    EXPECT_EQ(copy.Height(), 3);
    EXPECT_EQ(copy.Palette(), bitmap.Palette());
    for (int y = 0; y < 3; ++y)
        EXPECT_EQ(Row(copy, y), Row(bitmap, y));
}

TEST(BitmapWrite, RefusesWhatItCannotWrite) {
    TBitmap empty;
    EXPECT_THROW(empty.SaveToMemory(), EInvalidGraphic);
    TBitmap deep;
    deep.SetSize(2, 2);
    deep.SetPixelFormat(TPixelFormat::pf24bit);
    EXPECT_THROW(deep.SaveToMemory(), EInvalidGraphic);
}

TEST(BitmapFile, OpenAndCreateErrorsNameTheFile) {
    TempDir dir;
    TBitmap bitmap;
    try {
        bitmap.LoadFromFile(dir.File("missing.bmp"));
        ADD_FAILURE();
    } catch (const EFOpenError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + dir.File("missing.bmp"));
    }
    EXPECT_THROW(bitmap.LoadFromFile(dir.Path()), EFOpenError);
    std::ofstream(dir.File("text.bmp")) << "BNot a bitmap";
    EXPECT_THROW(bitmap.LoadFromFile(dir.File("text.bmp")), EInvalidGraphic);

    bitmap.SetSize(2, 2);
    const std::string unwritable = dir.File("no/such/dir/out.bmp");
    try {
        bitmap.SaveToFile(unwritable);
        ADD_FAILURE();
    } catch (const EFCreateError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file " + unwritable);
    }

    bitmap.ScanLine(1)[0] = 7;
    bitmap.SaveToFile(dir.File("out.bmp"));
    TBitmap copy;
    copy.LoadFromFile(dir.File("out.bmp"));
    EXPECT_EQ(copy.ScanLine(1)[0], 7);
}

TEST(BitmapSize, SetSizeKeepsTheOverlapAndChecksLimits) {
    TBitmap bitmap;
    bitmap.SetSize(3, 2);
    bitmap.ScanLine(0)[2] = 5;
    bitmap.ScanLine(1)[0] = 6;
    bitmap.SetSize(4, 3);
    EXPECT_EQ(Row(bitmap, 0), (std::vector<uint8_t>{0, 0, 5, 0}));
    EXPECT_EQ(Row(bitmap, 1), (std::vector<uint8_t>{6, 0, 0, 0}));
    bitmap.SetWidth(1);
    EXPECT_EQ(Row(bitmap, 1), (std::vector<uint8_t>{6}));

    EXPECT_THROW(bitmap.SetSize(-1, 2), EInvalidGraphic);
    EXPECT_THROW(bitmap.SetSize(65536, 4097), EInvalidGraphic);
    EXPECT_EQ(bitmap.Width(), 1);

    bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    EXPECT_FALSE(bitmap.HasPixels());
    bitmap.SetPixelFormat(TPixelFormat::pf8bit);
    EXPECT_EQ(Row(bitmap, 1), (std::vector<uint8_t>{0}));
}

TEST(BitmapCanvas, FollowsTheBitmapThroughSizeAndPaletteChanges) {
    TBitmap bitmap;
    bitmap.SetSize(4, 3);
    bitmap.SetPalette({{0, 0, 0, 0}, {0, 0, 255, 0}, {255, 0, 0, 0}}); // black, red, blue
    TCanvas& canvas = bitmap.Canvas();
    canvas.Brush().Color = clBlue;
    canvas.FillRect({1, 1, 3, 2});
    EXPECT_EQ(Row(bitmap, 1), (std::vector<uint8_t>{0, 2, 2, 0}));

    bitmap.SetSize(6, 4); // new pixel memory: the canvas must draw into it
    canvas.Brush().Color = clRed;
    canvas.FillRect({0, 0, 6, 4});
    EXPECT_EQ(Row(bitmap, 3), (std::vector<uint8_t>(6, 1)));

    bitmap.SetPalette({{0, 0, 0, 0}, {255, 0, 0, 0}, {0, 0, 255, 0}}); // red moved to 2
    canvas.FillRect({0, 0, 1, 1});
    EXPECT_EQ(bitmap.ScanLine(0)[0], 2);
}

} // namespace
