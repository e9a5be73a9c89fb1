#pragma once

#include "mapcheck/Finding.h"

#include <future>
#include <memory>
#include <string_view>
#include <vector>

class TMapSetBytes;
class TZoneSpriteSurface;

// The checks only a map-set file's text can give, its lines read as the map-set reader
// reads them, each finding with its 1-based line:
// - "ignored-line": a line the reader skips (an unknown key, a UTF-8 byte-order mark before
//   the first key, bytes that are not text), and a NUL byte, past which it reads nothing;
//   blank lines carry nothing and are not reported;
// - "unknown-bitmap": an Element line naming a bitmap that no Bitmap line above it loads,
//   the name quoted so that stray spaces show (the load stops there with "List index out
//   of bounds (-1)");
// - "bitmap-directory-part": a bitmap name with a directory part ("../x.bmp", "/x.bmp"),
//   read from outside the map set's own directory;
// - "element-position": a coordinate beyond 16,777,216, where the single-precision
//   position cannot hold every number;
// - "empty-map-set" (no line): no Bitmap, Element, Zone or Link line at all.
// They hold whether the load of the file succeeds or stops.
std::vector<TFinding> CheckMapSetText(std::string_view Text);

// The text findings of the file Surface's next load reads, worked out from its bytes on a
// second thread while the load goes on; the bytes are kept for finding where a load that
// stopped did (FindLoadStop). Hooks the surface from construction to destruction.
class TLoadTextCheck {
public:
    explicit TLoadTextCheck(TZoneSpriteSurface& Surface);
    ~TLoadTextCheck();
    TLoadTextCheck(const TLoadTextCheck&) = delete;
    TLoadTextCheck& operator=(const TLoadTextCheck&) = delete;

    // Whether the load read the file, and its bytes (empty when not).
    bool Read() const { return FBytes != nullptr; }
    std::string_view Text() const;
    // CheckMapSetText of the bytes, waiting for it; empty when nothing was read. Once.
    std::vector<TFinding> TakeFindings();

private:
    TZoneSpriteSurface& FSurface;
    std::shared_ptr<const TMapSetBytes> FBytes;
    std::future<std::vector<TFinding>> FFindings;
};
