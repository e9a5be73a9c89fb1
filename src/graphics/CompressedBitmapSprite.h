#pragma once

#include "sprites/Sprite.h"
#include "sprites/SpriteFactory.h"

#include <cstdint>
#include <iosfwd>
#include <limits>
#include <memory>
#include <vector>

class TBitmap;

// One run of pixels of one colour index, as stored: count (little-endian), colour, 0.
struct TRunRecord {
    uint16_t Count = 0;
    uint8_t Color = 0;
    uint8_t Reserved = 0;
};
static_assert(sizeof(TRunRecord) == 4);

// The run-length form of one 8-bit bitmap. Runs cover the pixels in reading order, top
// row first, and may continue from the end of one row into the next.
class TCompressedBitmap {
public:
    // Empty: Width = Height = Size = RunCount = 0.
    TCompressedBitmap() = default;
    // Compresses Bitmap (none gives an empty one). Raises Exception with "Only 256 color
    // bitmaps are supported", "Bitmap must have size > 0" or "Could not allocate N bytes
    // for bitmap data", and EPictureTooLarge when the result would hold more than
    // MaxKeptBytes (see KeptBytes), before the runs are allocated.
    explicit TCompressedBitmap(const TBitmap* Bitmap,
                               int64_t MaxKeptBytes = std::numeric_limits<int64_t>::max());

    void Clear();

    int32_t Height() const { return FHeight; }
    int32_t Width() const { return FWidth; }
    // Bytes of run data: 4 * RunCount.
    int32_t Size() const { return FSize; }
    const TRunRecord* Runs() const { return FRuns.data(); }
    int32_t RunCount() const { return FRunCount; }

    // The memory this picture holds: run data, row index and the object itself.
    int64_t KeptBytes() const;

    // The "BitmapData" form: Width, Height, Size, RunCount (signed 32-bit little-endian),
    // then Size bytes of runs. EStreamError when the stream cannot be written.
    void Write(std::ostream& Stream) const;
    // Reads that form, replacing this bitmap only when all of it is sound. A stream that
    // ends early raises EStreamError "Stream read error"; a header or runs that do not
    // describe a bitmap (negative or oversized sizes, Size other than 4 * RunCount, counts
    // of 0, counts not summing to Width * Height) raise EStreamError with what is wrong,
    // before anything is allocated for an oversized claim.
    void Read(std::istream& Stream);

    // Where every RowStride-th pixel row starts: run index and the pixels of that run
    // already used by the rows above. Lets drawing start near the first visible row and
    // leave a row at the right edge of the view. The stride keeps the index no larger than
    // about two entries per run, whatever the height.
    struct TRowStart {
        int32_t Run = 0;
        int32_t Offset = 0;
    };
    int32_t RowStride() const { return FRowStride; }
    // Entry Index describes row Index * RowStride().
    const TRowStart& RowStart(int32_t Index) const { return FRowStarts[size_t(Index)]; }
    // Moves a run position on by Pixels pixels.
    static void Advance(const TRunRecord*& Run, int32_t& Used, int64_t Pixels);

private:
    static int64_t RowStartsFor(int32_t Height, int64_t Runs);
    void BuildRowStarts();

    int32_t FHeight = 0;
    int32_t FWidth = 0;
    int32_t FSize = 0;
    std::vector<TRunRecord> FRuns;
    int32_t FRunCount = 0;
    std::vector<TRowStart> FRowStarts;
    int32_t FRowStride = 1;
};

// Paints a factory's compressed bitmap, opaque, into the surface's 8-bit DIB canvas,
// clipped to the buffer. Shares the compressed bitmap with the factory, so a sprite stays
// sound when the factory gets a new bitmap or goes first.
class TCompressedBitmapSprite : public TSprite {
public:
    explicit TCompressedBitmapSprite(std::shared_ptr<const TCompressedBitmap> CompressedBitmap);

    const TCompressedBitmap& CompressedBitmap() const { return *FCompressedBitmap; }

    // Inclusive: (x, y, x + Width - 1, y + Height - 1) with (x, y) = Position().
    void GetBounds(TRect& Rect) const override;
    // Writes the runs straight into DIBCanvas.Bits(); Canvas is not used.
    void Draw(TCanvas& Canvas, TDIBCanvas& DIBCanvas) override;

private:
    std::shared_ptr<const TCompressedBitmap> FCompressedBitmap;
};

// A sprite factory for one 8-bit picture, kept run-length compressed. Serves bd8 surfaces
// only.
class TCompressedBitmapSpriteFactory : public TSpriteFactory {
public:
    explicit TCompressedBitmapSpriteFactory(TComponent* AOwner = nullptr);
    ~TCompressedBitmapSpriteFactory() override;

    // Always none: the source bitmap is not kept.
    TBitmap* Bitmap() const { return nullptr; }
    // Compresses Value (none gives an empty picture); the caller keeps Value. A failing
    // compression, or one that would hold more than MaxKeptBytes, leaves an empty picture
    // and raises its error. While designing, shows "Bitmap was compressed and stored".
    void SetBitmap(const TBitmap* Value,
                   int64_t MaxKeptBytes = std::numeric_limits<int64_t>::max());

    // Display properties of the picture; writing them changes nothing.
    int32_t Height() const { return FCompressedBitmap->Height(); }
    void SetHeight(int32_t Value) { FDummyInt = Value; }
    int32_t Width() const { return FCompressedBitmap->Width(); }
    void SetWidth(int32_t Value) { FDummyInt = Value; }
    // Width * Height / Size, 0 when Size <= 0.
    float Compression() const;
    void SetCompression(float Value) { FDummySingle = Value; }
    int32_t Size() const { return FCompressedBitmap->Size(); }
    void SetSize(int32_t Value) { FDummyInt = Value; }

    const TCompressedBitmap& CompressedBitmap() const { return *FCompressedBitmap; }
    // The picture shared with another factory of the same source: no second copy is held.
    void ShareBitmapOf(const TCompressedBitmapSpriteFactory& Other) {
        FCompressedBitmap = Other.FCompressedBitmap;
    }
    bool SharesBitmapWith(const TCompressedBitmapSpriteFactory& Other) const {
        return FCompressedBitmap == Other.FCompressedBitmap;
    }

    TBitDepths GetBitDepths() const override;
    std::unique_ptr<TSprite> CreateSprite() override;

    // The "BitmapData" property. Reading replaces the picture only when the stream holds a
    // sound one (see TCompressedBitmap::Read).
    void WriteBitmapData(std::ostream& Stream) const;
    void ReadBitmapData(std::istream& Stream);

private:
    int32_t FDummyInt = 0;
    float FDummySingle = 0;
    std::shared_ptr<const TCompressedBitmap> FCompressedBitmap;
};
