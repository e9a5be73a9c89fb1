#include "platform/Bitmap.h"

#include "platform/BmpCodec.h"
#include "platform/Canvas.h"
#include "platform/Exception.h"
#include "platform/FileOpen.h"
#include "platform/FileWrite.h"

#include <QFile>

#include <algorithm>
#include <cstring>

TBitmap::TBitmap() : FPalette(256) {}

TBitmap::~TBitmap() = default;

void TBitmap::SetPixelFormat(TPixelFormat Value) {
    if (Value == TPixelFormat::pf8bit) {
        if (FPixels.empty())
            FPixels.assign(size_t(FWidth) * size_t(FHeight), 0);
        if (FPalette.size() != 256)
            FPalette.resize(256);
    } else {
        std::vector<uint8_t>().swap(FPixels);
    }
    FPixelFormat = Value;
    Rebind();
}

void TBitmap::SetSize(int32_t AWidth, int32_t AHeight) {
    if (AWidth < 0 || AHeight < 0)
        throw EInvalidGraphic("Bitmap image is not valid: negative size " + std::to_string(AWidth) +
                              " x " + std::to_string(AHeight));
    if (int64_t(AWidth) * int64_t(AHeight) > MaxPixels)
        throw EInvalidGraphic("Bitmap image is not valid: width x height exceeds the limit of " +
                              std::to_string(MaxPixels) + " pixels");
    if (FPixelFormat == TPixelFormat::pf8bit) {
        std::vector<uint8_t> pixels(size_t(AWidth) * size_t(AHeight), 0);
        const size_t keepWidth = size_t(std::min(AWidth, FWidth));
        const int32_t keepHeight = std::min(AHeight, FHeight);
        for (int32_t y = 0; y < keepHeight && keepWidth > 0; ++y)
            std::memcpy(pixels.data() + size_t(y) * size_t(AWidth),
                        FPixels.data() + size_t(y) * size_t(FWidth), keepWidth);
        FPixels.swap(pixels);
    }
    FWidth = AWidth;
    FHeight = AHeight;
    Rebind();
}

void TBitmap::SetPalette(const std::vector<TRGBQuad>& Entries) {
    const size_t count = std::min<size_t>(Entries.size(), 256);
    std::vector<TRGBQuad> palette(256);
    std::copy_n(Entries.begin(), count, palette.begin());
    FPalette.swap(palette);
    FPaletteSize = int(count);
    Rebind();
}

void TBitmap::LoadFromFile(const std::string& FileName, int64_t PixelLimit) {
    QFile file;
    if (!OpenRegularFileForReading(FileName, file))
        throw EFOpenError(FileName);
    // Any large file that is not a bitmap is refused before it is read into memory.
    const QByteArray bytes = file.peek(2) == "BM" ? file.readAll() : file.peek(2);
    if (file.error() != QFileDevice::NoError)
        throw EFOpenError(FileName);
    try {
        LoadFromMemory(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()),
                       PixelLimit);
    } catch (const EPictureTooLarge& E) {
        throw EPictureTooLarge(FileName + ": " + E.what());
    }
}

void TBitmap::LoadFromMemory(const uint8_t* Data, size_t Size, int64_t PixelLimit) {
    TBmpImage image = DecodeBmp(Data, Size, PixelLimit);
    FWidth = image.Width;
    FHeight = image.Height;
    FPixelFormat = image.PixelFormat;
    FPalette.swap(image.Palette);
    FPaletteSize = image.PaletteSize;
    FPixels.swap(image.Pixels);
    Rebind();
}

std::vector<uint8_t> TBitmap::SaveToMemory() const {
    if (FPixelFormat != TPixelFormat::pf8bit)
        throw EInvalidGraphic("Bitmap image is not valid: only 8 bits per pixel can be saved");
    if (FWidth == 0 || FHeight == 0)
        throw EInvalidGraphic("Bitmap image is not valid: an empty bitmap cannot be saved");
    return EncodeBmp8(FWidth, FHeight, FPalette, FPixels);
}

void TBitmap::SaveToFile(const std::string& FileName) const {
    // Encode first: a bitmap that cannot be saved leaves any existing file alone.
    const std::vector<uint8_t> bytes = SaveToMemory();
    try {
        WriteWholeFile(FileName, reinterpret_cast<const char*>(bytes.data()), bytes.size());
    } catch (const Exception&) {
        throw EFCreateError(FileName);
    }
}

TCanvas& TBitmap::Canvas() {
    if (!FCanvas) {
        FCanvas = std::make_unique<TBufferCanvas>();
        Rebind();
    }
    return *FCanvas;
}

void TBitmap::Rebind() {
    if (!FCanvas)
        return;
    if (FPixels.empty())
        FCanvas->Unbind();
    else
        FCanvas->Bind(FPixels.data(), FWidth, FHeight, FWidth, TBufferFormat::bf8);
    FCanvas->SetColorTable(FPalette.data(), int(std::min<size_t>(FPalette.size(), 256)));
}
