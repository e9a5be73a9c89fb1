#include "SpriteTestSupport.h"

#include "graphics/CompressedBitmapSprite.h"
#include "platform/Bitmap.h"
#include "platform/Exception.h"
#include "support/Scripted.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::unique_ptr<TBitmap> MakeBitmap(int32_t W, int32_t H, const std::vector<uint8_t>& Pixels) {
    auto bm = std::make_unique<TBitmap>();
    bm->SetPixelFormat(TPixelFormat::pf8bit);
    bm->SetSize(W, H);
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x)
            bm->ScanLine(y)[x] = Pixels.empty() ? 0 : Pixels[size_t(y * W + x)];
    return bm;
}

struct TRunView {
    int Count;
    int Color;
    friend bool operator==(const TRunView&, const TRunView&) = default;
};

std::vector<TRunView> RunsOf(const TCompressedBitmap& C) {
    std::vector<TRunView> runs;
    for (int32_t i = 0; i < C.RunCount(); ++i)
        runs.push_back({C.Runs()[i].Count, C.Runs()[i].Color});
    return runs;
}

// A DIB canvas over memory of our own, with guard bytes on both sides.
struct TGuardedCanvas {
    static constexpr size_t Guard = 64;
    static constexpr uint8_t GuardByte = 0xEE;
    std::vector<uint8_t> Memory;
    TDIBCanvas Canvas;
    TGuardedCanvas(int32_t W, int32_t H) : Memory(size_t(W * H) + 2 * Guard, GuardByte) {
        Canvas.SetBitDepth(bd8);
        Canvas.SetWidth(W);
        Canvas.SetHeight(H);
        Canvas.SetBits(Memory.data() + Guard);
        Canvas.Blank(0);
    }
    uint8_t At(int32_t X, int32_t Y) const {
        return Memory[Guard + size_t(Y * Canvas.Width() + X)];
    }
    bool GuardsIntact() const {
        for (size_t i = 0; i < Guard; ++i)
            if (Memory[i] != GuardByte || Memory[Memory.size() - 1 - i] != GuardByte)
                return false;
        return true;
    }
};

TEST(CompressedBitmapTest, RunsContinueAcrossRows) {
    auto bm = MakeBitmap(4, 2, {1, 1, 2, 2, 2, 2, 2, 3});
    TCompressedBitmapSpriteFactory factory;
    factory.SetBitmap(bm.get());
    const TCompressedBitmap& c = factory.CompressedBitmap();
    EXPECT_EQ(RunsOf(c), (std::vector<TRunView>{{2, 1}, {5, 2}, {1, 3}}));
    EXPECT_EQ(c.Size(), 12);
    EXPECT_EQ(c.RunCount(), 3);
    EXPECT_EQ(factory.Width(), 4);
    EXPECT_EQ(factory.Height(), 2);
    EXPECT_EQ(factory.Size(), 12);
    EXPECT_FLOAT_EQ(factory.Compression(), 8.0f / 12.0f);
}

TEST(CompressedBitmapTest, LongRunsAreSplitAt65535) {
    struct Case {
        int32_t W, H;
        std::vector<TRunView> Runs;
    } cases[] = {{300, 300, {{65535, 9}, {24465, 9}}},
                 {256, 256, {{65535, 9}, {1, 9}}},
                 {65535, 1, {{65535, 9}}},
                 {1, 1, {{1, 9}}}};
    for (const Case& c : cases) {
        auto bm = MakeBitmap(c.W, c.H, std::vector<uint8_t>(size_t(c.W * c.H), 9));
        TCompressedBitmap cb(bm.get());
        EXPECT_EQ(RunsOf(cb), c.Runs) << c.W << "x" << c.H;
        EXPECT_EQ(cb.Size(), 4 * int32_t(c.Runs.size()));
    }
}

TEST(CompressedBitmapTest, UnsuitableBitmapsAreRefusedAndLeaveAnEmptyPicture) {
    auto good = MakeBitmap(4, 2, {1, 1, 2, 2, 2, 2, 2, 3});
    TBitmap deep;
    deep.SetPixelFormat(TPixelFormat::pf24bit);
    deep.SetSize(4, 4);
    TBitmap flat;
    flat.SetPixelFormat(TPixelFormat::pf8bit);
    flat.SetSize(0, 5);
    struct Case {
        const TBitmap* Bitmap;
        const char* Message;
    } cases[] = {{&deep, "Only 256 color bitmaps are supported"},
                 {&flat, "Bitmap must have size > 0"}};
    for (const Case& c : cases) {
        TCompressedBitmapSpriteFactory factory;
        factory.SetBitmap(good.get());
        try {
            factory.SetBitmap(c.Bitmap);
            ADD_FAILURE() << "no error for " << c.Message;
        } catch (const Exception& E) {
            EXPECT_STREQ(E.what(), c.Message);
        }
        EXPECT_EQ(factory.Width(), 0);
        EXPECT_EQ(factory.Size(), 0);
        EXPECT_EQ(factory.CompressedBitmap().RunCount(), 0);
    }
}

TEST(CompressedBitmapTest, NoBitmapGivesAnEmptyPicture) {
    TCompressedBitmapSpriteFactory factory;
    auto bm = MakeBitmap(4, 2, {});
    factory.SetBitmap(bm.get());
    factory.SetBitmap(nullptr);
    EXPECT_EQ(factory.Width(), 0);
    EXPECT_EQ(factory.Height(), 0);
    EXPECT_EQ(factory.Size(), 0);
    EXPECT_EQ(factory.Compression(), 0.0f);
}

TEST(CompressedBitmapFactoryTest, DisplayPropertiesIgnoreWrites) {
    auto bm = MakeBitmap(4, 2, {1, 1, 2, 2, 2, 2, 2, 3});
    TCompressedBitmapSpriteFactory factory;
    factory.SetBitmap(bm.get());
    factory.SetWidth(99);
    factory.SetHeight(99);
    factory.SetSize(99);
    factory.SetCompression(99);
    factory.SetBitDepths(TBitDepths{bd8, bd15, bd16});
    EXPECT_EQ(factory.Bitmap(), nullptr);
    EXPECT_EQ(factory.Width(), 4);
    EXPECT_EQ(factory.Height(), 2);
    EXPECT_EQ(factory.Size(), 12);
    EXPECT_FLOAT_EQ(factory.Compression(), 8.0f / 12.0f);
    EXPECT_EQ(factory.BitDepths(), TBitDepths{bd8});
}

TEST(CompressedBitmapFactoryTest, DesignTimeAssignmentSaysSo) {
    MessageCapture capture;
    auto bm = MakeBitmap(4, 2, {});
    TCompressedBitmapSpriteFactory factory;
    factory.SetBitmap(bm.get());
    EXPECT_TRUE(capture.Messages().empty());
    factory.SetDesigning(true);
    factory.SetBitmap(bm.get());
    EXPECT_EQ(capture.Messages(), (std::vector<std::string>{"Bitmap was compressed and stored"}));
}

TEST(CompressedBitmapFactoryTest, SurfaceOfAnotherDepthIsRefusedOnce) {
    MessageCapture capture;
    TSpriteSurface deep;
    deep.SetBitDepth(bd16);
    TSpriteSurface flat;
    TCompressedBitmapSpriteFactory factory;
    factory.SetSpriteSurface(nullptr);
    factory.SetSpriteSurface(&flat);
    EXPECT_EQ(factory.SpriteSurface(), &flat);
    EXPECT_TRUE(capture.Messages().empty());
    factory.SetSpriteSurface(&deep);
    EXPECT_EQ(factory.SpriteSurface(), nullptr);
    EXPECT_EQ(capture.Messages(),
              (std::vector<std::string>{"This TSpriteFactory does not support the TSpriteSurface's "
                                        "BitDepth"}));

    // A later depth change is looked at only when the factory is loaded again.
    factory.SetSpriteSurface(&flat);
    flat.SetBitDepth(bd15);
    EXPECT_EQ(factory.SpriteSurface(), &flat);
    factory.AfterLoad();
    EXPECT_EQ(factory.SpriteSurface(), nullptr);
    EXPECT_EQ(capture.Messages().size(), 2u);
}

TEST(CompressedBitmapFactoryTest, DestroyedSurfaceIsForgotten) {
    TCompressedBitmapSpriteFactory factory;
    {
        TSpriteSurface s;
        factory.SetSpriteSurface(&s);
    }
    EXPECT_EQ(factory.SpriteSurface(), nullptr);
}

TEST(CompressedBitmapSpriteTest, BoundsAreInclusive) {
    auto bm = MakeBitmap(4, 2, {});
    TCompressedBitmapSpriteFactory factory;
    factory.SetBitmap(bm.get());
    auto sprite = factory.CreateSprite();
    sprite->SetX(10.7f);
    sprite->SetY(-3.2f);
    TRect r;
    sprite->GetBounds(r);
    EXPECT_EQ(r, (TRect{10, -3, 13, -2}));
    EXPECT_EQ(sprite->Width(), 4);
    EXPECT_EQ(sprite->Height(), 2);
}

TEST(CompressedBitmapSpriteTest, SpriteKeepsItsPictureWhenTheFactoryChangesOrGoes) {
    auto first = MakeBitmap(4, 2, std::vector<uint8_t>(8, 5));
    auto second = MakeBitmap(8, 8, std::vector<uint8_t>(64, 6));
    std::unique_ptr<TSprite> sprite;
    {
        TCompressedBitmapSpriteFactory factory;
        factory.SetBitmap(first.get());
        sprite = factory.CreateSprite();
        factory.SetBitmap(second.get());
    }
    TGuardedCanvas g(8, 4);
    TProbeSprite dummy("d", nullptr);
    TBufferCanvas unused;
    sprite->Draw(unused, g.Canvas);
    EXPECT_EQ(g.At(3, 1), 5);
    EXPECT_EQ(g.At(4, 1), 0);
}

// ---- drawing ----

// What the run-by-run description paints, pixel by pixel.
void ReferenceDraw(const std::vector<uint8_t>& Pixels, int32_t BW, int32_t BH, int32_t X0,
                   int32_t Y0, int32_t OffX, int32_t OffY, std::vector<uint8_t>& Buffer, int32_t W,
                   int32_t H) {
    for (int32_t row = 0; row < BH; ++row)
        for (int32_t col = 0; col < BW; ++col) {
            const int64_t dx = int64_t(X0) + col - OffX;
            const int64_t dy = int64_t(Y0) + row - OffY;
            if (dx >= 0 && dx < W && dy >= 0 && dy < H)
                Buffer[size_t(dy * W + dx)] = Pixels[size_t(row * BW + col)];
        }
}

TEST(CompressedBitmapDrawTest, PartExamples) {
    auto bm = MakeBitmap(4, 2, {1, 1, 2, 2, 2, 2, 2, 3});
    TCompressedBitmapSpriteFactory factory;
    factory.SetBitmap(bm.get());
    TBufferCanvas unused;
    struct Case {
        float X, Y;
        std::vector<uint8_t> Row0, Row1; // the first 8 bytes of buffer rows 0 and 1
    } cases[] = {
        {-1, 0, {1, 2, 2, 0, 0, 0, 0, 0}, {2, 2, 3, 0, 0, 0, 0, 0}},
        {6, 0, {0, 0, 0, 0, 0, 0, 1, 1}, {0, 0, 0, 0, 0, 0, 2, 2}}, // x = W - 2
        {0, -1, {2, 2, 2, 3, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0}},
        {0, 0, {1, 1, 2, 2, 0, 0, 0, 0}, {2, 2, 2, 3, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        TGuardedCanvas g(8, 2);
        auto sprite = factory.CreateSprite();
        sprite->SetX(c.X);
        sprite->SetY(c.Y);
        sprite->Draw(unused, g.Canvas);
        std::vector<uint8_t> row0, row1;
        for (int x = 0; x < 8; ++x) {
            row0.push_back(g.At(x, 0));
            row1.push_back(g.At(x, 1));
        }
        EXPECT_EQ(row0, c.Row0) << c.X << "," << c.Y;
        EXPECT_EQ(row1, c.Row1) << c.X << "," << c.Y;
        EXPECT_TRUE(g.GuardsIntact());
    }
}

struct TDrawShape {
    int32_t W, H, Colors, RunLength;
};

// Draws bitmaps of random runs at random places around a W x H canvas, each compared with
// the pixel-by-pixel reference and the guards checked.
void CheckClippedDrawing(const std::vector<TDrawShape>& Shapes, int32_t W, int32_t H, int Trials,
                         uint32_t Seed) {
    std::mt19937 rng(Seed);
    TSurfaceFixture f(16, 8);
    f.Surface.SetUseVirtualSize(true);
    f.Surface.SetVirtualWidth(1000);
    TSpriteEngine engine;
    engine.SetSpriteSurface(&f.Surface);
    TBufferCanvas unused;
    for (const TDrawShape& shape : Shapes) {
        // Runs of random colours and lengths, continuing across rows.
        std::vector<uint8_t> pixels(size_t(shape.W * shape.H));
        uint8_t color = 0;
        int left = 0;
        for (auto& p : pixels) {
            if (left == 0) {
                color = uint8_t(rng() % unsigned(shape.Colors));
                left = 1 + int(rng() % unsigned(shape.RunLength));
            }
            p = color;
            --left;
        }
        auto bm = MakeBitmap(shape.W, shape.H, pixels);
        TCompressedBitmapSpriteFactory factory;
        factory.SetBitmap(bm.get());
        TSprite* sprite = engine.AddSprite(factory.CreateSprite());
        for (int trial = 0; trial < Trials; ++trial) {
            const int32_t offX = int32_t(rng() % 7) - 3;
            const int32_t offY = int32_t(rng() % 7) - 3;
            const int32_t x0 = int32_t(rng() % unsigned(W + shape.W + 4)) - shape.W - 2 + offX;
            const int32_t y0 = int32_t(rng() % unsigned(H + shape.H + 4)) - shape.H - 2 + offY;
            f.Surface.SetOffsetX(offX);
            f.Surface.SetOffsetY(offY);
            sprite->SetX(float(x0));
            sprite->SetY(float(y0));
            // A background of its own in every byte shows any byte put back wrongly
            // around the sprite.
            TGuardedCanvas g(W, H);
            std::vector<uint8_t> expected(size_t(W * H));
            for (size_t i = 0; i < expected.size(); ++i)
                expected[i] = uint8_t(i * 37 + size_t(trial));
            std::copy(expected.begin(), expected.end(), g.Memory.begin() + TGuardedCanvas::Guard);
            sprite->Draw(unused, g.Canvas);
            ReferenceDraw(pixels, shape.W, shape.H, x0, y0, offX, offY, expected, W, H);
            ASSERT_TRUE(g.GuardsIntact()) << shape.W << "x" << shape.H << " at " << x0 << "," << y0;
            ASSERT_TRUE(std::equal(expected.begin(), expected.end(),
                                   g.Memory.begin() + TGuardedCanvas::Guard))
                << shape.W << "x" << shape.H << " at " << x0 << "," << y0 << " offsets " << offX
                << "," << offY;
        }
        engine.Clear();
    }
}

TEST(CompressedBitmapDrawTest, ClippedDrawingMatchesThePixelByPixelReferenceAtEveryEdge) {
    CheckClippedDrawing({{13, 7, 3, 4},
                         {1, 40, 2, 30},
                         {40, 1, 4, 3},
                         {9, 9, 1, 1},
                         {5, 300, 1, 1},
                         {70, 33, 256, 1},
                         {64, 64, 4, 20}},
                        24, 12, 300, 12345);
}

// A view wide enough for the stores that run ahead of short and long runs (up to and past
// twice their block), with rows that end, start and are cut inside such a block.
TEST(CompressedBitmapDrawTest, WideViewsMatchTheReferenceForEveryRunLength) {
    CheckClippedDrawing({{400, 9, 3, 300},
                         {300, 12, 5, 70},
                         {129, 7, 2, 140},
                         {150, 20, 6, 12},
                         {200, 6, 256, 1},
                         {333, 5, 4, 40}},
                        360, 16, 400, 777);
}

TEST(CompressedBitmapDrawTest, FarAwayPositionsDrawNothingAndDoNotOverflow) {
    auto bm = MakeBitmap(4, 2, std::vector<uint8_t>(8, 1));
    TCompressedBitmapSpriteFactory factory;
    factory.SetBitmap(bm.get());
    auto sprite = factory.CreateSprite();
    TBufferCanvas unused;
    for (float v : {3e9f, -3e9f, 2147483520.0f}) {
        TGuardedCanvas g(8, 4);
        sprite->SetX(v);
        sprite->SetY(0);
        sprite->Draw(unused, g.Canvas);
        sprite->SetX(0);
        sprite->SetY(v);
        sprite->Draw(unused, g.Canvas);
        EXPECT_TRUE(g.GuardsIntact());
        EXPECT_EQ(std::count(g.Memory.begin(), g.Memory.end(), 1), 0);
    }
}

// ---- the "BitmapData" stream ----

std::string DataOf(const TCompressedBitmapSpriteFactory& F) {
    std::ostringstream out;
    F.WriteBitmapData(out);
    return out.str();
}

std::string Le32(int32_t V) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[size_t(i)] = char(uint8_t(uint32_t(V) >> (8 * i)));
    return s;
}

TEST(CompressedBitmapStreamTest, EmptyFactoryWritesFourZeroIntegers) {
    TCompressedBitmapSpriteFactory factory;
    EXPECT_EQ(DataOf(factory), std::string(16, '\0'));
}

TEST(CompressedBitmapStreamTest, LayoutIsLittleEndianAndRoundTrips) {
    auto bm = MakeBitmap(4, 2, {1, 1, 2, 2, 2, 2, 2, 3});
    TCompressedBitmapSpriteFactory factory;
    factory.SetBitmap(bm.get());
    const std::string data = DataOf(factory);
    const std::string expected =
        Le32(4) + Le32(2) + Le32(12) + Le32(3) +
        std::string("\x02\x00\x01\x00\x05\x00\x02\x00\x01\x00\x03\x00", 12);
    EXPECT_EQ(data, expected);

    TCompressedBitmapSpriteFactory copy;
    std::istringstream in(data);
    copy.ReadBitmapData(in);
    EXPECT_EQ(RunsOf(copy.CompressedBitmap()), RunsOf(factory.CompressedBitmap()));
    EXPECT_EQ(copy.Width(), 4);
    EXPECT_EQ(copy.Height(), 2);
    EXPECT_EQ(DataOf(copy), data);

    // A long picture survives too and draws like the original.
    std::vector<uint8_t> pixels(200 * 50);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = uint8_t((i / 7) % 5);
    auto big = MakeBitmap(200, 50, pixels);
    factory.SetBitmap(big.get());
    std::istringstream bigIn(DataOf(factory));
    copy.ReadBitmapData(bigIn);
    TGuardedCanvas a(200, 50);
    TGuardedCanvas b(200, 50);
    TBufferCanvas unused;
    factory.CreateSprite()->Draw(unused, a.Canvas);
    copy.CreateSprite()->Draw(unused, b.Canvas);
    EXPECT_EQ(a.Memory, b.Memory);
}

TEST(CompressedBitmapStreamTest, UnsoundStreamsAreRefusedAndKeepThePicture) {
    const std::string run = std::string("\x08\x00\x01\x00", 4);
    struct Case {
        const char* What;
        std::string Data;
        const char* Message; // null: any EStreamError
    } cases[] = {
        {"short header", std::string(10, '\0'), "Stream read error"},
        {"short runs", Le32(4) + Le32(2) + Le32(8) + Le32(2) + run, "Stream read error"},
        {"huge claim", Le32(16384) + Le32(16384) + Le32(1 << 30) + Le32(1 << 28) + run,
         "Stream read error"},
        {"negative size", Le32(4) + Le32(2) + Le32(-4) + Le32(-1), nullptr},
        {"negative width", Le32(-4) + Le32(2) + Le32(4) + Le32(1) + run, nullptr},
        {"size not 4 x runs", Le32(4) + Le32(2) + Le32(8) + Le32(1) + run + run, nullptr},
        {"runs short of the pixels", Le32(4) + Le32(3) + Le32(4) + Le32(1) + run, nullptr},
        {"runs beyond the pixels", Le32(2) + Le32(2) + Le32(4) + Le32(1) + run, nullptr},
        {"empty run", Le32(4) + Le32(2) + Le32(8) + Le32(2) + run + std::string(4, '\0'), nullptr},
        {"pixels without runs", Le32(4) + Le32(2) + Le32(0) + Le32(0), nullptr},
        {"too large", Le32(1 << 20) + Le32(1 << 20) + Le32(4) + Le32(1) + run, nullptr},
    };
    auto bm = MakeBitmap(4, 2, {1, 1, 2, 2, 2, 2, 2, 3});
    for (const Case& c : cases) {
        TCompressedBitmapSpriteFactory factory;
        factory.SetBitmap(bm.get());
        std::istringstream in(c.Data);
        try {
            factory.ReadBitmapData(in);
            ADD_FAILURE() << "accepted: " << c.What;
        } catch (const EStreamError& E) {
            if (c.Message) {
                EXPECT_STREQ(E.what(), c.Message) << c.What;
            }
        }
        EXPECT_EQ(factory.Size(), 12) << c.What;
        EXPECT_EQ(factory.Width(), 4) << c.What;
    }
}

TEST(CompressedBitmapStreamTest, ConsistentEmptyAndNarrowTallPicturesAreAccepted) {
    TCompressedBitmapSpriteFactory factory;
    std::istringstream empty(Le32(0) + Le32(0) + Le32(0) + Le32(0));
    factory.ReadBitmapData(empty);
    EXPECT_EQ(factory.Size(), 0);
    // One pixel wide, 65535 + 5 rows in two runs.
    std::istringstream tall(Le32(1) + Le32(65540) + Le32(8) + Le32(2) +
                            std::string("\xFF\xFF\x04\x00\x05\x00\x06\x00", 8));
    factory.ReadBitmapData(tall);
    EXPECT_EQ(factory.Height(), 65540);
    TSurfaceFixture f(8, 8);
    f.Surface.SetUseVirtualSize(true);
    f.Surface.SetVirtualHeight(100000);
    f.Surface.SetOffsetY(65532);
    TSpriteEngine engine;
    engine.SetSpriteSurface(&f.Surface);
    TSprite* s = engine.AddSprite(factory.CreateSprite());
    TGuardedCanvas g(8, 8);
    TBufferCanvas unused;
    s->Draw(unused, g.Canvas);
    std::vector<int> column;
    for (int y = 0; y < 8; ++y)
        column.push_back(g.At(0, y));
    EXPECT_EQ(column, (std::vector<int>{4, 4, 4, 6, 6, 6, 6, 6}));
    EXPECT_TRUE(g.GuardsIntact());
}

} // namespace
