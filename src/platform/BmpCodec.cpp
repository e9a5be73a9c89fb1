#include "platform/BmpCodec.h"

#include "platform/Exception.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

namespace {

constexpr size_t FileHeaderSize = 14;
constexpr uint32_t CoreHeaderSize = 12;
constexpr uint32_t InfoHeaderSize = 40;

constexpr uint32_t BI_RGB = 0;
constexpr uint32_t BI_RLE8 = 1;
constexpr uint32_t BI_RLE4 = 2;
constexpr uint32_t BI_BITFIELDS = 3;
constexpr uint32_t BI_ALPHABITFIELDS = 6;

[[noreturn]] void Invalid(const std::string& Reason) {
    throw EInvalidGraphic("Bitmap image is not valid: " + Reason);
}

uint16_t U16(const uint8_t* P) {
    return uint16_t(P[0] | (P[1] << 8));
}
uint32_t U32(const uint8_t* P) {
    return uint32_t(P[0]) | (uint32_t(P[1]) << 8) | (uint32_t(P[2]) << 16) | (uint32_t(P[3]) << 24);
}
int32_t I32(const uint8_t* P) {
    return int32_t(U32(P));
}

void Put16(std::vector<uint8_t>& Out, uint16_t V) {
    Out.push_back(uint8_t(V));
    Out.push_back(uint8_t(V >> 8));
}
void Put32(std::vector<uint8_t>& Out, uint32_t V) {
    for (int i = 0; i < 4; ++i)
        Out.push_back(uint8_t(V >> (8 * i)));
}

bool KnownHeaderSize(uint32_t Size) {
    // Core, info, the two Adobe extensions of info (masks inside the header), v4, v5.
    return Size == CoreHeaderSize || Size == InfoHeaderSize || Size == 52 || Size == 56 ||
           Size == 108 || Size == 124;
}

bool CompressionFits(uint32_t Compression, uint16_t Bits) {
    switch (Compression) {
    case BI_RGB:
        return true;
    case BI_RLE8:
        return Bits == 8;
    case BI_RLE4:
        return Bits == 4;
    case BI_BITFIELDS:
    case BI_ALPHABITFIELDS:
        return Bits == 16 || Bits == 32;
    default:
        return false;
    }
}

TPixelFormat FormatOf(uint16_t Bits) {
    switch (Bits) {
    case 1:
        return TPixelFormat::pf1bit;
    case 4:
        return TPixelFormat::pf4bit;
    case 8:
        return TPixelFormat::pf8bit;
    case 16:
        return TPixelFormat::pf16bit;
    case 24:
        return TPixelFormat::pf24bit;
    default:
        return TPixelFormat::pf32bit;
    }
}

// What the headers say, checked against the buffer, before any pixel is touched.
struct THeader {
    bool Core = false;
    int32_t Width = 0;
    int32_t Height = 0; // rows, always positive
    bool TopDown = false;
    uint16_t Bits = 0;
    uint32_t Compression = BI_RGB;
    uint32_t SizeImage = 0;
    size_t TableOffset = 0;
    size_t TableEntries = 0;
    size_t DataOffset = 0;
};

THeader ReadHeader(const uint8_t* Data, size_t Size, int64_t PixelLimit) {
    if (Size < 2 || Data[0] != 'B' || Data[1] != 'M')
        Invalid("bad signature, not a BMP file");
    if (Size < FileHeaderSize + 4)
        Invalid("truncated header");
    const uint32_t headerSize = U32(Data + FileHeaderSize);
    if (!KnownHeaderSize(headerSize))
        Invalid("unsupported header size " + std::to_string(headerSize));
    if (Size < FileHeaderSize + headerSize)
        Invalid("truncated header");

    THeader h;
    const uint8_t* info = Data + FileHeaderSize;
    uint16_t planes = 0;
    int32_t height = 0;
    uint32_t colorsUsed = 0;
    if (headerSize == CoreHeaderSize) {
        h.Core = true;
        h.Width = U16(info + 4);
        height = U16(info + 6);
        planes = U16(info + 8);
        h.Bits = U16(info + 10);
    } else {
        h.Width = I32(info + 4);
        height = I32(info + 8);
        planes = U16(info + 12);
        h.Bits = U16(info + 14);
        h.Compression = U32(info + 16);
        h.SizeImage = U32(info + 20);
        colorsUsed = U32(info + 32);
    }

    if (planes != 1)
        Invalid("number of planes is " + std::to_string(planes) + ", not 1");
    if (h.Compression != BI_RGB && h.Compression != BI_RLE8 && h.Compression != BI_RLE4 &&
        h.Compression != BI_BITFIELDS && h.Compression != BI_ALPHABITFIELDS)
        Invalid("unsupported compression " + std::to_string(h.Compression));
    if (h.Bits != 1 && h.Bits != 4 && h.Bits != 8 && h.Bits != 16 && h.Bits != 24 && h.Bits != 32)
        Invalid("unsupported bits per pixel " + std::to_string(h.Bits));
    if (!CompressionFits(h.Compression, h.Bits))
        Invalid("unsupported compression " + std::to_string(h.Compression) + " at " +
                std::to_string(h.Bits) + " bits per pixel");
    if (h.Width <= 0)
        Invalid("width " + std::to_string(h.Width) + " is not positive");
    if (height == 0)
        Invalid("height is 0");
    if (height == INT32_MIN)
        Invalid("height " + std::to_string(height) + " is out of range");
    h.TopDown = height < 0;
    h.Height = h.TopDown ? -height : height;
    const int64_t Limit = std::min(PixelLimit, TBitmap::MaxPixels);
    if (int64_t(h.Width) * int64_t(h.Height) > Limit)
        throw EPictureTooLarge("Bitmap image is not valid: width x height exceeds the limit of " +
                               std::to_string(Limit) + " pixels (" + std::to_string(h.Width) +
                               " x " + std::to_string(h.Height) + ")");

    // A plain info header keeps its bit-field masks between header and colour table.
    size_t masks = 0;
    if (headerSize == InfoHeaderSize && h.Compression == BI_BITFIELDS)
        masks = 12;
    else if (headerSize == InfoHeaderSize && h.Compression == BI_ALPHABITFIELDS)
        masks = 16;
    h.TableOffset = FileHeaderSize + headerSize + masks;
    if (h.TableOffset > Size)
        Invalid("truncated header");

    const uint32_t offset = U32(Data + 10);
    const size_t entrySize = h.Core ? 3 : 4;
    if (h.Core) {
        h.TableEntries = h.Bits <= 8 ? size_t(1) << h.Bits : 0;
        // The core header cannot say its table is short; the data offset can.
        if (offset >= h.TableOffset && offset < h.TableOffset + h.TableEntries * entrySize)
            h.TableEntries = (offset - h.TableOffset) / entrySize;
    } else if (colorsUsed != 0) {
        if (colorsUsed > 256)
            Invalid("colour table of " + std::to_string(colorsUsed) + " entries exceeds 256");
        h.TableEntries = colorsUsed;
    } else {
        h.TableEntries = h.Bits <= 8 ? size_t(1) << h.Bits : 0;
    }
    const size_t tableEnd = h.TableOffset + h.TableEntries * entrySize;
    if (tableEnd > Size)
        Invalid("colour table extends past the end of the file");

    if (offset > Size)
        Invalid("data offset " + std::to_string(offset) + " is past the end of the file");
    if (offset < h.TableOffset)
        Invalid("data offset " + std::to_string(offset) + " points into the headers");
    if (offset < tableEnd)
        Invalid("data offset " + std::to_string(offset) + " points into the colour table");
    h.DataOffset = offset;
    return h;
}

std::vector<TRGBQuad> ReadColorTable(const uint8_t* Data, const THeader& H) {
    std::vector<TRGBQuad> table(H.TableEntries);
    const size_t entrySize = H.Core ? 3 : 4;
    const uint8_t* p = Data + H.TableOffset;
    for (auto& entry : table) {
        entry.rgbBlue = p[0];
        entry.rgbGreen = p[1];
        entry.rgbRed = p[2];
        p += entrySize;
    }
    return table;
}

[[noreturn]] void IndexBeyondTable(unsigned Index, size_t Entries) {
    Invalid("pixel index " + std::to_string(Index) + " is beyond the colour table of " +
            std::to_string(Entries) + " entries");
}

// Rows are read in file order; Row(y) maps the y-th file row to its place top first.
class TRowMap {
public:
    TRowMap(const THeader& H, std::vector<uint8_t>& Pixels)
        : FPixels(Pixels), FWidth(size_t(H.Width)), FHeight(H.Height), FTopDown(H.TopDown) {}
    uint8_t* Row(int64_t FileRow) const {
        const int64_t row = FTopDown ? FileRow : FHeight - 1 - FileRow;
        return FPixels.data() + size_t(row) * FWidth;
    }

private:
    std::vector<uint8_t>& FPixels;
    size_t FWidth;
    int64_t FHeight;
    bool FTopDown;
};

void DecodeUncompressed(const uint8_t* Data, size_t Size, const THeader& H,
                        std::vector<uint8_t>& Pixels) {
    const size_t width = size_t(H.Width);
    const size_t stride = (width + 3) & ~size_t(3);
    if (Size - H.DataOffset < stride * size_t(H.Height - 1) + width)
        Invalid("truncated pixel data");
    Pixels.resize(width * size_t(H.Height));
    TRowMap rows(H, Pixels);
    for (int32_t y = 0; y < H.Height; ++y) {
        const uint8_t* source = Data + H.DataOffset + size_t(y) * stride;
        if (H.TableEntries < 256) {
            for (size_t x = 0; x < width; ++x)
                if (source[x] >= H.TableEntries)
                    IndexBeyondTable(source[x], H.TableEntries);
        }
        std::memcpy(rows.Row(y), source, width);
    }
}

void DecodeRle8(const uint8_t* Data, size_t Size, const THeader& H, std::vector<uint8_t>& Pixels) {
    const uint8_t* s = Data + H.DataOffset;
    size_t length = Size - H.DataOffset;
    if (H.SizeImage != 0 && H.SizeImage < length)
        length = H.SizeImage;
    if (length < 2)
        Invalid("truncated pixel data");
    const int64_t width = H.Width;
    // Encoders (ImageMagick among them) run on into the padding of the uncompressed row;
    // those pixels are dropped, only runs beyond the padded row are refused.
    const int64_t rowLimit = (width + 3) & ~int64_t(3);
    const int64_t height = H.Height;
    const size_t entries = H.TableEntries;
    // A short stream may stand for a large image: pixels it does not set are 0.
    Pixels.assign(size_t(width) * size_t(height), 0);
    TRowMap rows(H, Pixels);
    auto visible = [&](int64_t X, int64_t Count) {
        return X >= width ? 0 : size_t(std::min(Count, width - X));
    };

    int64_t x = 0;
    int64_t y = 0;
    size_t pos = 0;
    while (pos < length) {
        if (length - pos < 2)
            Invalid("truncated pixel data");
        const uint8_t first = s[pos];
        const uint8_t second = s[pos + 1];
        pos += 2;
        if (first > 0) {
            if (y >= height || x + first > rowLimit)
                Invalid("RLE run leaves the image");
            const size_t shown = visible(x, first);
            if (shown > 0) {
                if (second >= entries)
                    IndexBeyondTable(second, entries);
                std::memset(rows.Row(y) + x, second, shown);
            }
            x += first;
        } else if (second == 0) {
            x = 0;
            if (y < height)
                ++y;
        } else if (second == 1) {
            return;
        } else if (second == 2) {
            if (length - pos < 2)
                Invalid("truncated pixel data");
            const int64_t dx = s[pos];
            const int64_t dy = s[pos + 1];
            pos += 2;
            if (x + dx > rowLimit || y + dy > height)
                Invalid("RLE delta leaves the image");
            x += dx;
            y += dy;
        } else {
            const size_t count = second;
            if (length - pos < count)
                Invalid("truncated pixel data");
            if (y >= height || x + int64_t(count) > rowLimit)
                Invalid("RLE run leaves the image");
            const size_t shown = visible(x, int64_t(count));
            for (size_t i = 0; i < shown; ++i)
                if (s[pos + i] >= entries)
                    IndexBeyondTable(s[pos + i], entries);
            if (shown > 0)
                std::memcpy(rows.Row(y) + x, s + pos, shown);
            x += int64_t(count);
            // Absolute runs are padded to a 16-bit boundary; a stream may end before the pad.
            pos = std::min(length, pos + count + (count & 1));
        }
    }
}

// Other depths are not decoded, but a file cut short is still refused where that is cheap.
void CheckUndecoded(size_t Size, const THeader& H) {
    if (H.Compression == BI_RLE4)
        return;
    const uint64_t rowBits = uint64_t(H.Width) * H.Bits;
    const uint64_t stride = (rowBits + 31) / 32 * 4;
    const uint64_t needed = stride * uint64_t(H.Height - 1) + (rowBits + 7) / 8;
    if (Size - H.DataOffset < needed)
        Invalid("truncated pixel data");
}

} // namespace

TBmpImage DecodeBmp(const uint8_t* Data, size_t Size, int64_t PixelLimit) {
    if (Data == nullptr)
        Size = 0;
    const THeader h = ReadHeader(Data, Size, PixelLimit);

    TBmpImage image;
    image.Width = h.Width;
    image.Height = h.Height;
    image.PixelFormat = FormatOf(h.Bits);
    image.Palette = ReadColorTable(Data, h);
    image.PaletteSize = int(h.TableEntries);
    if (h.Bits != 8) {
        CheckUndecoded(Size, h);
        return image;
    }

    image.Palette.resize(256);
    if (h.Compression == BI_RLE8)
        DecodeRle8(Data, Size, h, image.Pixels);
    else
        DecodeUncompressed(Data, Size, h, image.Pixels);
    return image;
}

std::vector<uint8_t> EncodeBmp8(int32_t Width, int32_t Height, const std::vector<TRGBQuad>& Palette,
                                const std::vector<uint8_t>& Pixels) {
    const size_t width = size_t(Width);
    const size_t stride = (width + 3) & ~size_t(3);
    const size_t dataOffset = FileHeaderSize + InfoHeaderSize + 256 * 4;
    const size_t imageSize = stride * size_t(Height);

    std::vector<uint8_t> out;
    out.reserve(dataOffset + imageSize);
    out.push_back('B');
    out.push_back('M');
    Put32(out, uint32_t(dataOffset + imageSize));
    Put32(out, 0);
    Put32(out, uint32_t(dataOffset));

    Put32(out, InfoHeaderSize);
    Put32(out, uint32_t(Width));
    Put32(out, uint32_t(Height));
    Put16(out, 1);
    Put16(out, 8);
    Put32(out, BI_RGB);
    Put32(out, uint32_t(imageSize));
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 256);
    Put32(out, 0);

    for (size_t i = 0; i < 256; ++i) {
        const TRGBQuad entry = i < Palette.size() ? Palette[i] : TRGBQuad{};
        out.push_back(entry.rgbBlue);
        out.push_back(entry.rgbGreen);
        out.push_back(entry.rgbRed);
        out.push_back(0);
    }

    for (int32_t row = Height - 1; row >= 0; --row) {
        const uint8_t* source = Pixels.data() + size_t(row) * width;
        out.insert(out.end(), source, source + width);
        out.insert(out.end(), stride - width, 0);
    }
    return out;
}
