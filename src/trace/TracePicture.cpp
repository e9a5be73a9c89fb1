#include "trace/TracePicture.h"

#include "platform/Exception.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <algorithm>
#include <array>

namespace {

constexpr int64_t MaxPixels = int64_t(1) << 30;

void Paint(const TCompressedBitmap& Bitmap, TPoint Position, TTracePicture& Picture) {
    const int64_t W = Bitmap.Width();
    if (W <= 0 || Bitmap.RunCount() == 0)
        return;
    const int64_t Left = int64_t(Position.X) - Picture.Left;
    const int64_t Top = int64_t(Position.Y) - Picture.Top;
    const int64_t ClipL = std::max<int64_t>(0, -Left);
    const int64_t ClipR = std::min<int64_t>(W, Picture.Width - Left);
    const int64_t FirstRow = std::max<int64_t>(0, -Top);
    const int64_t LastRow = std::min<int64_t>(Bitmap.Height(), Picture.Height - Top);
    if (ClipL >= ClipR || FirstRow >= LastRow)
        return;
    const bool Mask = !Picture.Covered.empty();
    for (int64_t Row = FirstRow; Row < LastRow; ++Row) {
        const int64_t Y = Top + Row;
        uint8_t* Line = Picture.Pixels.data() + Y * Picture.Width;
        const TCompressedBitmap::TRowStart& Start =
            Bitmap.RowStart(int32_t(Row / Bitmap.RowStride()));
        const TRunRecord* Run = Bitmap.Runs() + Start.Run;
        int32_t Used = Start.Offset;
        TCompressedBitmap::Advance(Run, Used, (Row % Bitmap.RowStride()) * W);
        // Run and Used now point at the row's first pixel.
        int64_t X = 0;
        while (X < W) {
            const int64_t Count = std::min<int64_t>(Run->Count - Used, W - X);
            const int64_t From = std::max(X, ClipL);
            const int64_t To = std::min(X + Count, ClipR);
            if (From < To) {
                std::fill(Line + Left + From, Line + Left + To, Run->Color);
                if (Mask)
                    std::fill(Picture.Covered.begin() + Y * Picture.Width + Left + From,
                              Picture.Covered.begin() + Y * Picture.Width + Left + To, 1);
            }
            X += Count;
            if (X >= ClipR)
                break;
            TCompressedBitmap::Advance(Run, Used, Count);
        }
    }
}

} // namespace

TTracePicture ComposeBackground(TZoneSpriteSurface& Surface, const TRect* Area) {
    // Pending elements have not been drawn yet; admitted, each goes before the drawn ones.
    std::vector<const TCompressedBitmapSprite*> Order;
    TSpriteEngine& Engine = Surface.BackgroundEngine();
    for (int I = Engine.SpriteCount() - 1; I >= Engine.DrawnCount(); --I)
        if (auto* S = dynamic_cast<const TCompressedBitmapSprite*>(Engine.Sprites(I)))
            Order.push_back(S);
    for (int I = 0; I < Engine.DrawnCount(); ++I)
        if (auto* S = dynamic_cast<const TCompressedBitmapSprite*>(Engine.DrawnSprite(I)))
            Order.push_back(S);

    TRect Extent;
    if (Area != nullptr) {
        Extent = *Area;
    } else if (!Order.empty()) {
        Extent = {INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
        for (const TCompressedBitmapSprite* S : Order) {
            Extent.Left = std::min(Extent.Left, S->Position().X);
            Extent.Top = std::min(Extent.Top, S->Position().Y);
            Extent.Right = std::max<int32_t>(
                Extent.Right,
                int32_t(std::min<int64_t>(INT32_MAX, int64_t(S->Position().X) +
                                                         S->CompressedBitmap().Width())));
            Extent.Bottom = std::max<int32_t>(
                Extent.Bottom,
                int32_t(std::min<int64_t>(INT32_MAX, int64_t(S->Position().Y) +
                                                         S->CompressedBitmap().Height())));
        }
    }
    const int64_t W = int64_t(Extent.Right) - Extent.Left;
    const int64_t H = int64_t(Extent.Bottom) - Extent.Top;
    if (W <= 0 || H <= 0)
        throw Exception("nothing to trace: the background is empty");
    if (W * H > MaxPixels)
        throw Exception("the background is too large to trace (" + std::to_string(W) + " x " +
                        std::to_string(H) + " pixels)");

    TTracePicture Picture;
    Picture.Left = Extent.Left;
    Picture.Top = Extent.Top;
    Picture.Width = int32_t(W);
    Picture.Height = int32_t(H);
    Picture.Pixels.assign(size_t(W * H), 0);
    Picture.Covered.assign(size_t(W * H), 0);
    for (const TCompressedBitmapSprite* S : Order)
        Paint(S->CompressedBitmap(), S->Position(), Picture);
    if (std::all_of(Picture.Covered.begin(), Picture.Covered.end(), [](uint8_t C) { return C; }))
        Picture.Covered = {};
    return Picture;
}

std::vector<TColorCount> CountColors(const TTracePicture& Picture) {
    std::array<int64_t, 256> Counts{};
    const size_t N = Picture.Pixels.size();
    if (Picture.Covered.empty())
        for (size_t I = 0; I < N; ++I)
            ++Counts[Picture.Pixels[I]];
    else
        for (size_t I = 0; I < N; ++I)
            Counts[Picture.Pixels[I]] += Picture.Covered[I] != 0;
    std::vector<TColorCount> Result;
    for (int I = 0; I < 256; ++I)
        if (Counts[size_t(I)] > 0)
            Result.push_back({uint8_t(I), Counts[size_t(I)]});
    std::stable_sort(Result.begin(), Result.end(), [](const TColorCount& A, const TColorCount& B) {
        return A.Pixels > B.Pixels;
    });
    return Result;
}
