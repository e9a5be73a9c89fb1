#pragma once

#include "platform/Types.h"

#include <QImage>

#include <cstdint>
#include <string>
#include <vector>

// A picture made fit for a map set: an 8-bit bitmap whose pixels use only palette entries
// 10..245, the entries the map takes from its bitmaps; 0..9 and 246..255 hold the system
// colours, which the map shows there whatever a bitmap says.
struct TConvertedPicture {
    int32_t Width = 0;
    int32_t Height = 0;
    std::vector<TRGBQuad> Palette; // 256 entries
    std::vector<uint8_t> Pixels;   // top row first, each 10..245
    int32_t ColorCount = 0;        // colours the picture was given (at most 236)
    // Per colour channel, over every pixel, against the picture as read (0: exact).
    double MeanSquaredError = 0;
    // Peak signal to noise ratio in dB; infinite when exact.
    double PSNR() const;
    // The result as Qt shows it (an indexed picture with the palette).
    QImage Image() const;
};

// The free entries: 236 colours from entry 10.
constexpr int FirstFreeEntry = 10;
constexpr int FreeEntryCount = 236;

// Reads any picture Qt reads (PNG, JPEG, GIF, BMP of any depth). Raises Exception "Cannot
// read picture NAME: reason" when it cannot, and for pictures larger than the map takes a
// bitmap (MaxPixels) before their pixels are decoded; EFOpenError for what is not a
// regular file.
QImage ReadPicture(const std::string& FileName, int64_t MaxPixels);

// Converts Picture (transparent parts over black). With MapPalette (256 entries, the
// palette in force of a map that has bitmaps) its entries 10..245 are the colours, so
// nothing else in the map changes colour; without, the colours are made from the picture:
// all of them when it has at most 236, else 236 chosen by median cut and refined. Without
// Dither each pixel takes the nearest colour; with it, errors are diffused (Floyd and
// Steinberg), which suits photos more than flat map art.
TConvertedPicture ConvertPicture(const QImage& Picture, const std::vector<TRGBQuad>& MapPalette,
                                 bool Dither);

// Writes the 8-bit BMP; raises EFCreateError when it cannot.
void SaveConvertedPicture(const TConvertedPicture& Picture, const std::string& FileName);
