#pragma once

#include "platform/Bitmap.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The byte level of TBitmap's file support, apart from the object so that every check on
// an untrusted file reads in one place.
struct TBmpImage {
    int32_t Width = 0;
    int32_t Height = 0;
    TPixelFormat PixelFormat = TPixelFormat::pf8bit;
    // 256 entries at 8 bits per pixel (black beyond the file's table); otherwise as read.
    std::vector<TRGBQuad> Palette;
    int PaletteSize = 0;
    // 8 bits per pixel only: Width x Height indices, top row first.
    std::vector<uint8_t> Pixels;
};

// Raises EInvalidGraphic "Bitmap image is not valid: <reason>" for anything it cannot
// read safely. Reads nothing outside [Data, Data + Size).
//
// Choices where files in the wild disagree:
// - The file header's size field is ignored; the buffer size is what counts.
// - A BITMAPCOREHEADER table is 1 << bpp triples, cut short if the data offset says so.
// - Uncompressed rows need not carry the padding of the last row.
// - RLE8 reads up to biSizeImage bytes (the rest of the file when 0 or larger); a stream
//   that ends between two commands without an end-of-bitmap marker is accepted, pixels it
//   never set are 0. Runs may reach into the padding of the uncompressed row (width
//   rounded up to 4), as some encoders write it; those pixels are dropped. A run or delta
//   beyond that, or below the last row, is refused. Surplus end-of-line markers after the
//   last row are ignored.
// - Pixel indices beyond the colour table are refused.
// - The reserved byte of colour table entries is read as 0.
// A picture of more than PixelLimit pixels (never more than TBitmap::MaxPixels) raises
// EPictureTooLarge before anything is allocated for it.
TBmpImage DecodeBmp(const uint8_t* Data, size_t Size, int64_t PixelLimit = TBitmap::MaxPixels);

// BITMAPFILEHEADER + BITMAPINFOHEADER, 8 bits per pixel, BI_RGB, 256 colour entries,
// bottom-up rows padded to 4 bytes. Palette is taken up to 256 entries, black beyond.
std::vector<uint8_t> EncodeBmp8(int32_t Width, int32_t Height, const std::vector<TRGBQuad>& Palette,
                                const std::vector<uint8_t>& Pixels);
