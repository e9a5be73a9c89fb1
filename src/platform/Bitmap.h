#pragma once

#include "platform/Exception.h"
#include "platform/Types.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TCanvas;
class TBufferCanvas;

// A picture larger than the caller's limit, refused before its pixels are allocated.
class EPictureTooLarge : public EInvalidGraphic {
public:
    using EInvalidGraphic::EInvalidGraphic;
};

enum class TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit };

// A bitmap as the program needs it: width, height, pixel format, a colour table and, for
// 8 bits per pixel, the pixel rows (top row first, whatever the file's row order).
// Other pixel formats carry their size and format only, so that callers can refuse them.
class TBitmap : public TObject {
public:
    // Largest Width x Height accepted from a file or by SetSize: 2^28 pixels (256 MiB at
    // 8 bits per pixel).
    static constexpr int64_t MaxPixels = int64_t(1) << 28;

    TBitmap();
    ~TBitmap() override;
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    int32_t Width() const { return FWidth; }
    int32_t Height() const { return FHeight; }
    TPixelFormat PixelFormat() const { return FPixelFormat; }

    // pf8bit keeps pixels (new ones are 0); any other format drops them.
    void SetPixelFormat(TPixelFormat Value);
    // Keeps the pixels where old and new sizes overlap; raises EInvalidGraphic for a
    // negative size or one over MaxPixels.
    void SetSize(int32_t AWidth, int32_t AHeight);
    void SetWidth(int32_t Value) { SetSize(Value, FHeight); }
    void SetHeight(int32_t Value) { SetSize(FWidth, Value); }

    // Always 256 entries for an 8-bit bitmap; entries beyond the file's colour table are
    // black. PaletteSize() is how many the file (or SetPalette) gave.
    const std::vector<TRGBQuad>& Palette() const { return FPalette; }
    int PaletteSize() const { return FPaletteSize; }
    // At most 256 entries are taken; the rest of the 256 become black.
    void SetPalette(const std::vector<TRGBQuad>& Entries);

    // Row y of an 8-bit bitmap, Width() bytes; no bounds check: 0 <= Row < Height().
    uint8_t* ScanLine(int32_t Row) { return FPixels.data() + size_t(Row) * size_t(FWidth); }
    const uint8_t* ScanLine(int32_t Row) const {
        return FPixels.data() + size_t(Row) * size_t(FWidth);
    }
    bool HasPixels() const { return !FPixels.empty(); }

    // Windows BMP: core, info, v4 and v5 headers; 8 bits per pixel uncompressed or RLE8,
    // bottom-up or top-down. Other depths are read as far as their header (size, format).
    // A missing file, or one that is not a regular file (a FIFO, a device), raises
    // EFOpenError; a malformed one EInvalidGraphic, and a picture of more than PixelLimit
    // pixels EPictureTooLarge naming the file and the limit. On failure the bitmap is
    // unchanged. BmpCodec.h lists how the cases real files disagree on are read.
    void LoadFromFile(const std::string& FileName, int64_t PixelLimit = MaxPixels);
    void LoadFromMemory(const uint8_t* Data, size_t Size, int64_t PixelLimit = MaxPixels);

    // An 8-bit BMP with a 256-entry colour table; EFCreateError when the file cannot be
    // written. Other formats raise EInvalidGraphic.
    void SaveToFile(const std::string& FileName) const;
    std::vector<uint8_t> SaveToMemory() const;

    // A canvas over the 8-bit pixels, colours mapped to the nearest palette entry. It is
    // re-bound whenever the size, format or palette changes.
    TCanvas& Canvas();

private:
    void Rebind();

    int32_t FWidth = 0;
    int32_t FHeight = 0;
    TPixelFormat FPixelFormat = TPixelFormat::pf8bit;
    std::vector<TRGBQuad> FPalette;
    int FPaletteSize = 0;
    std::vector<uint8_t> FPixels;
    std::unique_ptr<TBufferCanvas> FCanvas;
};
