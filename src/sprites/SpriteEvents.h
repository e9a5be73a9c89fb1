#pragma once

#include "platform/Exception.h"
#include "platform/Types.h"

#include <functional>

class TCanvas;
class TDIBCanvas;
class TSprite;

// The error of the sprite library: "ColorPalette property must be assigned".
class EVelmora : public Exception {
public:
    using Exception::Exception;
};

// ACanvas is the surface's BufferCanvas, ADibCanvas its DIBCanvas; both are valid only for
// the duration of the call.
using TCanvasEvent = std::function<void(TObject* Sender, TCanvas& ACanvas, TDIBCanvas& ADibCanvas)>;
using TSpriteEvent = std::function<void(TObject* Sender, TSprite* ASprite)>;
// Sender is the engine that owns Sprite1 and ran the test.
using TCollisionEvent = std::function<void(TObject* Sender, TSprite* Sprite1, TSprite* Sprite2)>;
