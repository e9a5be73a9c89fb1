#include "picture/PictureConversion.h"
#include "platform/Bitmap.h"
#include "platform/Exception.h"
#include "support/Scripted.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cmath>

#include <sys/stat.h>

namespace {

// Blocks of Colors distinct flat colours, as map art is drawn.
QImage FlatArt(int Colors) {
    QImage Art(160, 120, QImage::Format_RGB32);
    for (int Y = 0; Y < Art.height(); ++Y)
        for (int X = 0; X < Art.width(); ++X) {
            const int K = ((Y / 8) * 20 + X / 8) % Colors;
            Art.setPixel(X, Y, qRgb(K * 37 % 256, K * 91 % 256, K * 13 % 256 ^ (K & 1) * 128));
        }
    return Art;
}

// A photo-like picture: light changing smoothly over the whole range, colour varying less
// and following it in part, as in a landscape, and grain.
QImage Photo(int Width, int Height) {
    QImage Picture(Width, Height, QImage::Format_RGB32);
    uint32_t State = 1;
    for (int Y = 0; Y < Height; ++Y)
        for (int X = 0; X < Width; ++X) {
            State = State * 1103515245u + 12345u;
            const int Grain = int((State >> 16) % 7) - 3;
            const double U = double(X) / Width, V = double(Y) / Height;
            const auto Channel = [Grain](double Value) {
                return std::clamp(int(Value * 255) + Grain, 0, 255);
            };
            const double Light = 0.5 + 0.4 * std::sin(6 * U + 2 * V) * std::cos(3 * V);
            const double Warm = 0.15 * std::sin(5 * V - 3 * U + 1);
            const double Sky = 0.15 * std::cos(4 * U * V + 7 * V);
            Picture.setPixel(X, Y,
                             qRgb(Channel(Light + Warm), Channel(Light + 0.5 * (Warm - Sky)),
                                  Channel(Light + Sky)));
        }
    return Picture;
}

TEST(PictureConversion, FlatArtOfUpTo236ColoursConvertsExactlyThroughTheBmp) {
    TempDir Dir;
    const QImage Art = FlatArt(236);
    ASSERT_TRUE(Art.save(QString::fromStdString(Dir.File("art.png"))));
    const QImage Read = ReadPicture(Dir.File("art.png"), int64_t(1) << 26);
    const TConvertedPicture Converted = ConvertPicture(Read, {}, false);
    EXPECT_EQ(Converted.ColorCount, 236);
    EXPECT_EQ(Converted.MeanSquaredError, 0);
    SaveConvertedPicture(Converted, Dir.File("art.bmp"));

    TBitmap Bitmap;
    Bitmap.LoadFromFile(Dir.File("art.bmp"));
    ASSERT_EQ(Bitmap.Width(), Art.width());
    for (int Y = 0; Y < Art.height(); ++Y)
        for (int X = 0; X < Art.width(); ++X) {
            const uint8_t Index = Bitmap.ScanLine(Y)[X];
            ASSERT_TRUE(Index >= 10 && Index <= 245) << X << "," << Y;
            const TRGBQuad& C = Bitmap.Palette()[Index];
            ASSERT_EQ(qRgb(C.rgbRed, C.rgbGreen, C.rgbBlue), Art.pixel(X, Y)) << X << "," << Y;
        }
    // The system entries hold the colours the map shows there: black at 0, white at 255.
    EXPECT_EQ(Bitmap.Palette()[0], (TRGBQuad{0, 0, 0, 0}));
    EXPECT_EQ(Bitmap.Palette()[255], (TRGBQuad{255, 255, 255, 0}));

    // Given a map's palette, the picture takes its colours and leaves them as they are.
    std::vector<TRGBQuad> MapPalette = Converted.Palette;
    std::reverse(MapPalette.begin() + 10, MapPalette.begin() + 246);
    const TConvertedPicture Into = ConvertPicture(Art, MapPalette, false);
    EXPECT_EQ(Into.Palette, MapPalette);
    EXPECT_EQ(Into.MeanSquaredError, 0);
}

TEST(PictureConversion, ReadingRefusesFifosAndPicturesLargerThanABitmapMayBe) {
    TempDir Dir;
    ASSERT_EQ(mkfifo(Dir.File("pipe.png").c_str(), 0600), 0);
    EXPECT_THROW(ReadPicture(Dir.File("pipe.png"), int64_t(1) << 26), EFOpenError);
    ASSERT_TRUE(FlatArt(3).save(QString::fromStdString(Dir.File("art.png"))));
    try {
        ReadPicture(Dir.File("art.png"), 160 * 120 - 1);
        ADD_FAILURE() << "read past the limit";
    } catch (const Exception& E) {
        EXPECT_EQ(std::string(E.what()), "Cannot read picture " + Dir.File("art.png") +
                                             ": 160 x 120 pixels exceed the limit of 19199 "
                                             "pixels of a bitmap");
    }
}

TEST(PictureConversion, APhotoWithItsOwnPaletteKeepsAtLeast30Decibels) {
    const QImage Picture = Photo(400, 300);
    for (const bool Dither : {false, true}) {
        const TConvertedPicture Converted = ConvertPicture(Picture, {}, Dither);
        EXPECT_EQ(Converted.ColorCount, 236);
        EXPECT_GE(Converted.PSNR(), 30.0) << "dither " << Dither;
        EXPECT_TRUE(std::all_of(Converted.Pixels.begin(), Converted.Pixels.end(),
                                [](uint8_t I) { return I >= 10 && I <= 245; }));
        std::cout << "dither " << Dither << ": " << Converted.PSNR() << " dB\n";
    }
}

} // namespace
