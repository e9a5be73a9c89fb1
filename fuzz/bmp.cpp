// Any byte string is either refused with a clear error or decoded into a bitmap that
// writes and reads back identically.
#include "FuzzSupport.h"

#include "platform/Bitmap.h"
#include "platform/Exception.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    TBitmap bitmap;
    try {
        bitmap.LoadFromMemory(Data, Size);
    } catch (const Exception&) {
        return 0;
    }
    if (bitmap.PixelFormat() != TPixelFormat::pf8bit || !bitmap.HasPixels())
        return 0;
    // A few bytes of RLE may rightly describe a picture of 2^28 pixels; decoding it is
    // the reader's business, but writing it back under the sanitizers would only make the
    // run slow.
    if (int64_t(bitmap.Width()) * bitmap.Height() > (int64_t(1) << 22))
        return 0;
    const std::vector<uint8_t> saved = bitmap.SaveToMemory();
    TBitmap again;
    again.LoadFromMemory(saved.data(), saved.size());
    if (again.Width() != bitmap.Width() || again.Height() != bitmap.Height())
        FuzzFail("size changed on a round trip");
    if (again.Palette() != bitmap.Palette())
        FuzzFail("palette changed on a round trip");
    for (int32_t y = 0; y < bitmap.Height(); ++y)
        if (std::memcmp(again.ScanLine(y), bitmap.ScanLine(y), size_t(bitmap.Width())) != 0)
            FuzzFail("pixels changed on a round trip");
    return 0;
}
