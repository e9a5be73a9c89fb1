#include "graphics/CompressedBitmapSprite.h"

#include "graphics/DIBCanvas.h"
#include "platform/Application.h"
#include "platform/Bitmap.h"
#include "platform/Exception.h"
#include "sprites/SpriteSurface.h"

#include <algorithm>
#include <cstring>
#include <istream>
#include <limits>
#include <new>
#include <ostream>
#include <string>

namespace {

constexpr int HeaderBytes = 16;

void PutInt32(uint8_t* To, int32_t Value) {
    const uint32_t v = uint32_t(Value);
    To[0] = uint8_t(v);
    To[1] = uint8_t(v >> 8);
    To[2] = uint8_t(v >> 16);
    To[3] = uint8_t(v >> 24);
}

int32_t GetInt32(const uint8_t* From) {
    return int32_t(uint32_t(From[0]) | (uint32_t(From[1]) << 8) | (uint32_t(From[2]) << 16) |
                   (uint32_t(From[3]) << 24));
}

// Bounds at the ends of the 32-bit range stay at those ends.
int32_t Saturate(int64_t Value) {
    return int32_t(std::clamp<int64_t>(Value, std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max()));
}

int64_t CountRuns(const TBitmap& Bitmap) {
    int64_t runs = 0;
    int current = -1; // equals no colour index
    uint32_t count = 0;
    for (int32_t row = 0; row < Bitmap.Height(); ++row) {
        const uint8_t* line = Bitmap.ScanLine(row);
        for (int32_t x = 0; x < Bitmap.Width(); ++x) {
            if (line[x] != current || count == 65535) {
                if (count > 0)
                    ++runs;
                current = line[x];
                count = 0;
            }
            ++count;
        }
    }
    return count > 0 ? runs + 1 : runs;
}

[[noreturn]] void BadData(const std::string& Why) {
    throw EStreamError("Invalid BitmapData: " + Why);
}

} // namespace

// ---- TCompressedBitmap ----

TCompressedBitmap::TCompressedBitmap(const TBitmap* Bitmap, int64_t MaxKeptBytes) {
    if (!Bitmap)
        return;
    if (Bitmap->PixelFormat() != TPixelFormat::pf8bit)
        throw Exception("Only 256 color bitmaps are supported");
    if (Bitmap->Width() == 0 || Bitmap->Height() == 0 || !Bitmap->HasPixels())
        throw Exception("Bitmap must have size > 0");
    const int32_t width = Bitmap->Width();
    const int32_t height = Bitmap->Height();

    // Counted first, so that the run data is allocated once and at its exact size.
    const int64_t runs = CountRuns(*Bitmap);
    const int64_t size = 4 * runs;
    const int64_t kept =
        int64_t(sizeof(*this)) + size + RowStartsFor(height, runs) * int64_t(sizeof(TRowStart));
    if (kept > MaxKeptBytes)
        throw EPictureTooLarge("Bitmap image is not valid: compressed it would hold " +
                               std::to_string(kept) + " bytes, more than the " +
                               std::to_string(MaxKeptBytes) + " left");
    try {
        FRuns.resize(size_t(runs));
    } catch (const std::bad_alloc&) {
        FRuns.clear();
        FRowStarts.clear();
        throw Exception("Could not allocate " + std::to_string(size) + " bytes for bitmap data");
    }

    size_t next = 0;
    int current = -1; // equals no colour index
    uint32_t count = 0;
    for (int32_t row = 0; row < height; ++row) {
        const uint8_t* line = Bitmap->ScanLine(row);
        for (int32_t x = 0; x < width; ++x) {
            if (line[x] != current || count == 65535) {
                if (count > 0)
                    FRuns[next++] = TRunRecord{uint16_t(count), uint8_t(current), 0};
                current = line[x];
                count = 0;
            }
            ++count;
        }
    }
    if (count > 0)
        FRuns[next++] = TRunRecord{uint16_t(count), uint8_t(current), 0};

    FWidth = width;
    FHeight = height;
    FRunCount = int32_t(runs);
    FSize = int32_t(size);
    BuildRowStarts();
}

void TCompressedBitmap::Clear() {
    std::vector<TRunRecord>().swap(FRuns);
    std::vector<TRowStart>().swap(FRowStarts);
    FWidth = 0;
    FHeight = 0;
    FSize = 0;
    FRunCount = 0;
}

int64_t TCompressedBitmap::KeptBytes() const {
    return int64_t(sizeof(*this)) + int64_t(FRuns.capacity() * sizeof(TRunRecord)) +
           int64_t(FRowStarts.capacity() * sizeof(TRowStart));
}

int64_t TCompressedBitmap::RowStartsFor(int32_t Height, int64_t Runs) {
    const int64_t stride = std::max<int64_t>(1, Height / std::max<int64_t>(1, Runs));
    return (Height + stride - 1) / stride;
}

void TCompressedBitmap::BuildRowStarts() {
    FRowStride = std::max(1, FHeight / std::max(1, FRunCount));
    FRowStarts.clear();
    if (FWidth <= 0 || FHeight <= 0)
        return;
    FRowStarts.resize(size_t(RowStartsFor(FHeight, FRunCount)));
    const TRunRecord* run = FRuns.data();
    int32_t used = 0;
    for (int32_t row = 0; row < FHeight; ++row) {
        if (row % FRowStride == 0)
            FRowStarts[size_t(row / FRowStride)] = TRowStart{int32_t(run - FRuns.data()), used};
        Advance(run, used, FWidth);
    }
}

void TCompressedBitmap::Advance(const TRunRecord*& Run, int32_t& Used, int64_t Pixels) {
    while (Pixels > 0) {
        const int64_t available = int64_t(Run->Count) - Used;
        if (available > Pixels) {
            Used += int32_t(Pixels);
            return;
        }
        Pixels -= available;
        ++Run;
        Used = 0;
    }
}

void TCompressedBitmap::Write(std::ostream& Stream) const {
    uint8_t header[HeaderBytes];
    PutInt32(header, FWidth);
    PutInt32(header + 4, FHeight);
    PutInt32(header + 8, FSize);
    PutInt32(header + 12, FRunCount);
    Stream.write(reinterpret_cast<const char*>(header), HeaderBytes);
    if (FSize > 0) {
        std::vector<uint8_t> data(size_t(FRunCount) * 4);
        for (size_t i = 0; i < FRuns.size(); ++i) {
            data[4 * i] = uint8_t(FRuns[i].Count);
            data[4 * i + 1] = uint8_t(FRuns[i].Count >> 8);
            data[4 * i + 2] = FRuns[i].Color;
            data[4 * i + 3] = FRuns[i].Reserved;
        }
        Stream.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
    }
    if (!Stream)
        throw EStreamError("Stream write error");
}

void TCompressedBitmap::Read(std::istream& Stream) {
    uint8_t header[HeaderBytes];
    if (!Stream.read(reinterpret_cast<char*>(header), HeaderBytes))
        throw EStreamError("Stream read error");
    const int32_t width = GetInt32(header);
    const int32_t height = GetInt32(header + 4);
    const int32_t size = GetInt32(header + 8);
    const int32_t runCount = GetInt32(header + 12);

    if (width < 0 || height < 0)
        BadData("negative width or height");
    if (size < 0 || runCount < 0)
        BadData("negative size or run count");
    if (int64_t(size) != 4 * int64_t(runCount))
        BadData("size " + std::to_string(size) + " is not 4 x run count " +
                std::to_string(runCount));
    if (int64_t(width) * height > TBitmap::MaxPixels)
        BadData(std::to_string(width) + " x " + std::to_string(height) + " pixels is too large");
    if (int64_t(width) * height > 65535 * int64_t(runCount))
        BadData("too few runs for " + std::to_string(width) + " x " + std::to_string(height) +
                " pixels");

    // Read in bounded pieces: a claimed size is believed only as far as the stream
    // actually holds it.
    std::vector<uint8_t> data;
    size_t remaining = size_t(size);
    constexpr size_t Piece = size_t(1) << 20;
    while (remaining > 0) {
        const size_t n = std::min(remaining, Piece);
        const size_t at = data.size();
        data.resize(at + n);
        if (!Stream.read(reinterpret_cast<char*>(data.data() + at), std::streamsize(n)))
            throw EStreamError("Stream read error");
        remaining -= n;
    }

    std::vector<TRunRecord> runs(static_cast<size_t>(runCount));
    int64_t pixels = 0;
    for (size_t i = 0; i < runs.size(); ++i) {
        runs[i].Count = uint16_t(data[4 * i] | (data[4 * i + 1] << 8));
        runs[i].Color = data[4 * i + 2];
        runs[i].Reserved = data[4 * i + 3];
        if (runs[i].Count == 0)
            BadData("run " + std::to_string(i) + " is empty");
        pixels += runs[i].Count;
    }
    if (pixels != int64_t(width) * height)
        BadData("runs cover " + std::to_string(pixels) + " pixels, not " + std::to_string(width) +
                " x " + std::to_string(height));

    FRuns = std::move(runs);
    FWidth = width;
    FHeight = height;
    FSize = size;
    FRunCount = runCount;
    BuildRowStarts();
}

// ---- TCompressedBitmapSprite ----

TCompressedBitmapSprite::TCompressedBitmapSprite(
    std::shared_ptr<const TCompressedBitmap> CompressedBitmap)
    : FCompressedBitmap(CompressedBitmap ? std::move(CompressedBitmap)
                                         : std::make_shared<const TCompressedBitmap>()) {}

void TCompressedBitmapSprite::GetBounds(TRect& Rect) const {
    const TPoint p = Position();
    Rect.Left = p.X;
    Rect.Top = p.Y;
    Rect.Right = Saturate(int64_t(p.X) + FCompressedBitmap->Width() - 1);
    Rect.Bottom = Saturate(int64_t(p.Y) + FCompressedBitmap->Height() - 1);
}

namespace {

// A place in the run data: the current run and how many of its pixels are still to come.
// Rem may be 0 at the end of a run; the next run is read only when pixels are needed from
// it, so nothing is read past the last run.
struct TRunCursor {
    const TRunRecord* Run;
    int64_t Rem;

    [[gnu::always_inline]] void Skip(int64_t Pixels) {
        while (Pixels > Rem) {
            Pixels -= Rem;
            ++Run;
            Rem = Run->Count;
        }
        Rem -= Pixels;
    }
};

// Paints the Width pixels at the cursor to P exactly and moves the cursor past them.
void PaintSpanExact(TRunCursor& Cursor, uint8_t* P, int64_t Width) {
    const TRunRecord* run = Cursor.Run;
    int64_t rem = Cursor.Rem;
    for (;;) {
        if (rem == 0) {
            ++run;
            rem = run->Count;
        }
        const int64_t seg = std::min(rem, Width);
        std::memset(P, run->Color, size_t(seg));
        rem -= seg;
        Width -= seg;
        if (Width == 0)
            break;
        P += seg;
    }
    Cursor.Run = run;
    Cursor.Rem = rem;
}

// A block of pixels the compiler keeps in one register and stores with one instruction.
template <int Bytes> struct TBlockOf;
template <> struct TBlockOf<8> {
    typedef uint8_t Type __attribute__((vector_size(8), aligned(1), may_alias));
};
template <> struct TBlockOf<16> {
    typedef uint8_t Type __attribute__((vector_size(16), aligned(1), may_alias));
};

// Paints the Width pixels at the cursor to P and moves the cursor past them, storing
// every run as Blocks whole blocks whatever its length (longer runs loop on). A run thus
// overshoots its end; the next run paints over that, and the Reach bytes after the span
// are saved first and put back at the end. Runs up to Reach pixels all take the same
// path, so run lengths seldom mislead the branch predictor, and no exact tail is painted
// at the end of a row. The caller guarantees that those Reach bytes lie inside the
// buffer.
template <int Bytes, int Blocks>
[[gnu::always_inline]] inline void PaintSpanSaved(TRunCursor& Cursor, uint8_t* P, int64_t Width) {
    using TBlock = typename TBlockOf<Bytes>::Type;
    constexpr int64_t Reach = int64_t(Bytes) * Blocks;
    uint8_t* const end = P + Width;
    TBlock saved[Blocks];
    for (int k = 0; k < Blocks; ++k)
        saved[k] = *reinterpret_cast<const TBlock*>(end + k * Bytes);

    const TRunRecord* run = Cursor.Run;
    int64_t rem = Cursor.Rem;
    if (rem == 0) {
        ++run;
        rem = run->Count;
    }
    int64_t x = 0; // where the run starts in the span
    for (;;) {
        const TBlock v = TBlock{} + run->Color;
        for (int k = 0; k < Blocks; ++k)
            *reinterpret_cast<TBlock*>(P + x + k * Bytes) = v;
        if (rem > Reach) [[unlikely]] {
            const int64_t n = std::min(rem, Width - x);
            for (int64_t at = Reach; at < n; at += Bytes)
                *reinterpret_cast<TBlock*>(P + x + at) = v;
        }
        x += rem;
        if (x >= Width)
            break;
        ++run;
        rem = run->Count;
    }

    for (int k = 0; k < Blocks; ++k)
        *reinterpret_cast<TBlock*>(end + k * Bytes) = saved[k];
    Cursor.Run = run;
    Cursor.Rem = x - Width;
}

// Rows firstRow..lastRow - 1 of the bitmap, columns clipL..clipR - 1, into a buffer of
// width w and w * h bytes where bitmap pixel (0, 0) lands at (left, top). Spans with room
// after them take the saved-tail painter; the few at the end of the buffer are painted
// exactly.
template <int Bytes, int Blocks>
void PaintRows(const TCompressedBitmap& bitmap, uint8_t* bits, int64_t w, int64_t h, int64_t left,
               int64_t top, int64_t firstRow, int64_t lastRow, int64_t clipL, int64_t clipR) {
    constexpr int64_t Reach = int64_t(Bytes) * Blocks;
    const int64_t bw = bitmap.Width();
    const int32_t stride = bitmap.RowStride();
    const int32_t entry = int32_t(firstRow) / stride;
    const TCompressedBitmap::TRowStart& start = bitmap.RowStart(entry);
    TRunCursor cursor{bitmap.Runs() + start.Run,
                      int64_t(bitmap.Runs()[start.Run].Count) - start.Offset};
    cursor.Skip((firstRow - int64_t(entry) * stride) * bw);

    // Offset in the buffer of the span's end in the current row.
    int64_t spanEnd = (top + firstRow) * w + left + clipR;
    const int64_t roomEnd = w * h - Reach;
    for (int64_t row = firstRow; row < lastRow; ++row, spanEnd += w) {
        if (clipL > 0)
            cursor.Skip(clipL);
        uint8_t* const span = bits + (spanEnd - (clipR - clipL));
        if (spanEnd <= roomEnd)
            PaintSpanSaved<Bytes, Blocks>(cursor, span, clipR - clipL);
        else
            PaintSpanExact(cursor, span, clipR - clipL);
        if (clipR < bw && row + 1 < lastRow) {
            if (stride == 1) {
                const TCompressedBitmap::TRowStart& next = bitmap.RowStart(int32_t(row + 1));
                cursor.Run = bitmap.Runs() + next.Run;
                cursor.Rem = int64_t(cursor.Run->Count) - next.Offset;
            } else {
                cursor.Skip(bw - clipR);
            }
        }
    }
}

} // namespace

// Paints what the run-by-run walk over every row would paint (each run cut at row ends,
// clipped to the buffer), but starts at the first visible row and leaves each row once
// the walk is past the buffer's right edge. Runs are painted left to right, which lets a
// run overshoot its end: the runs after it paint over that.
void TCompressedBitmapSprite::Draw(TCanvas&, TDIBCanvas& DIBCanvas) {
    const TCompressedBitmap& bitmap = *FCompressedBitmap;
    uint8_t* bits = DIBCanvas.Bits();
    const int64_t w = DIBCanvas.Width();
    const int64_t h = DIBCanvas.Height();
    if (!bits || w <= 0 || h <= 0 || bitmap.RunCount() == 0 || bitmap.Width() <= 0)
        return;
    const TSpriteSurface* surface = SpriteSurface();
    const TPoint p = Position();
    const int64_t left = int64_t(p.X) - (surface ? surface->OffsetX() : 0);
    const int64_t top = int64_t(p.Y) - (surface ? surface->OffsetY() : 0);
    const int64_t bw = bitmap.Width();

    const int64_t firstRow = std::max<int64_t>(0, -top);
    const int64_t lastRow = std::min<int64_t>(bitmap.Height(), h - top);
    // Visible columns of the bitmap: [clipL, clipR).
    const int64_t clipL = std::max<int64_t>(0, -left);
    const int64_t clipR = std::min<int64_t>(bw, w - left);
    if (firstRow >= lastRow || clipL >= clipR)
        return;

    // The stores suit the picture's runs: each run costs its blocks, so short runs want
    // few small blocks and long runs more.
    const int64_t pixels = int64_t(bitmap.Width()) * bitmap.Height();
    const int64_t runs = bitmap.RunCount();
    if (pixels < 4 * runs)
        PaintRows<8, 1>(bitmap, bits, w, h, left, top, firstRow, lastRow, clipL, clipR);
    else if (pixels < 24 * runs)
        PaintRows<16, 2>(bitmap, bits, w, h, left, top, firstRow, lastRow, clipL, clipR);
    else
        PaintRows<16, 4>(bitmap, bits, w, h, left, top, firstRow, lastRow, clipL, clipR);
}

// ---- TCompressedBitmapSpriteFactory ----

TCompressedBitmapSpriteFactory::TCompressedBitmapSpriteFactory(TComponent* AOwner)
    : TSpriteFactory(AOwner), FCompressedBitmap(std::make_shared<const TCompressedBitmap>()) {}

TCompressedBitmapSpriteFactory::~TCompressedBitmapSpriteFactory() = default;

void TCompressedBitmapSpriteFactory::SetBitmap(const TBitmap* Value, int64_t MaxKeptBytes) {
    // The old picture is released first; a failed compression leaves an empty one.
    FCompressedBitmap = std::make_shared<const TCompressedBitmap>();
    FCompressedBitmap = std::make_shared<const TCompressedBitmap>(Value, MaxKeptBytes);
    if (Designing())
        ShowMessage("Bitmap was compressed and stored");
}

float TCompressedBitmapSpriteFactory::Compression() const {
    const int32_t size = FCompressedBitmap->Size();
    if (size <= 0)
        return 0;
    return float(double(FCompressedBitmap->Width()) * double(FCompressedBitmap->Height()) /
                 double(size));
}

TBitDepths TCompressedBitmapSpriteFactory::GetBitDepths() const {
    return TBitDepths{bd8};
}

std::unique_ptr<TSprite> TCompressedBitmapSpriteFactory::CreateSprite() {
    return std::make_unique<TCompressedBitmapSprite>(FCompressedBitmap);
}

void TCompressedBitmapSpriteFactory::WriteBitmapData(std::ostream& Stream) const {
    FCompressedBitmap->Write(Stream);
}

void TCompressedBitmapSpriteFactory::ReadBitmapData(std::istream& Stream) {
    auto bitmap = std::make_shared<TCompressedBitmap>();
    bitmap->Read(Stream);
    FCompressedBitmap = std::move(bitmap);
}
