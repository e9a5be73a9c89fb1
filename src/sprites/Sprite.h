#pragma once

#include "platform/Types.h"

#include <cstdint>
#include <memory>

class TCanvas;
class TDIBCanvas;
class TSpriteEngine;
class TSpriteMover;
class TSpriteSurface;

// A drawable object at a floating-point position in the virtual coordinates of a sprite
// surface. An engine owns it once it has been handed over with AddSprite; the engine sets
// SpriteSurface, SpriteEngine and SpriteMover.
class TSprite : public TObject {
public:
    TSprite();
    ~TSprite() override;
    TSprite(const TSprite&) = delete;
    TSprite& operator=(const TSprite&) = delete;

    float X() const { return FX; }
    void SetX(float Value) { FX = Value; }
    float Y() const { return FY; }
    void SetY(float Value) { FY = Value; }
    // Kept in [0, 360).
    float Direction() const { return FDirection; }
    void SetDirection(float Value);
    float Spin() const { return FSpin; }
    void SetSpin(float Value) { FSpin = Value; }
    bool ReverseSpin() const { return FReverseSpin; }
    void SetReverseSpin(bool Value) { FReverseSpin = Value; }
    // Frames left to live; 0 is unlimited.
    int32_t Lifetime() const { return FLifetime; }
    void SetLifetime(int32_t Value) { FLifetime = Value; }
    // Read once, when the engine admits the sprite.
    int32_t Z() const { return FZ; }
    void SetZ(int32_t Value) { FZ = Value; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value) { FVisible = Value; }
    bool Dead() const { return FDead; }
    // Killing hides the sprite and queues it (once) for removal by its engine.
    void SetDead(bool Value);

    int32_t CollisionInsetLeft() const { return FCollisionInsetLeft; }
    void SetCollisionInsetLeft(int32_t Value) { FCollisionInsetLeft = Value; }
    int32_t CollisionInsetTop() const { return FCollisionInsetTop; }
    void SetCollisionInsetTop(int32_t Value) { FCollisionInsetTop = Value; }
    int32_t CollisionInsetBottom() const { return FCollisionInsetBottom; }
    void SetCollisionInsetBottom(int32_t Value) { FCollisionInsetBottom = Value; }
    int32_t CollisionInsetRight() const { return FCollisionInsetRight; }
    void SetCollisionInsetRight(int32_t Value) { FCollisionInsetRight = Value; }

    // The object that made the sprite; never read by the engine.
    TObject* Factory() const { return FFactory; }
    void SetFactory(TObject* Value) { FFactory = Value; }

    TSpriteSurface* SpriteSurface() const { return FSpriteSurface; }
    TSpriteEngine* SpriteEngine() const { return FSpriteEngine; }
    TSpriteMover* SpriteMover() const { return FSpriteMover; }

    // Per-sprite state of the mover, owned by the sprite.
    TObject* MoverData() const { return FMoverData.get(); }
    void SetMoverData(std::unique_ptr<TObject> Value) { FMoverData = std::move(Value); }

    // (X, Y) truncated toward zero; values beyond the 32-bit range are clamped to it, and
    // a NaN gives 0.
    TPoint Position() const;
    int32_t Width() const;
    int32_t Height() const;
    // GetBounds in client coordinates of the surface (shifted by minus its offsets).
    void ScreenBounds(TRect& Rect) const;
    // ScreenBounds moved inwards by the collision insets.
    void CollisionBounds(TRect& Rect) const;
    // X in [0, VirtualWidth), then Y in [0, VirtualHeight) of the surface, uniformly; nothing
    // without a surface. An empty range (0 or less) gives 0 on that axis.
    void RandomizePosition();

    // Bounding rectangle in virtual coordinates.
    virtual void GetBounds(TRect& Rect) const = 0;
    // The per-frame step: lifetime, spin, mover, wrapping.
    virtual void Move();
    // Paints into the surface buffer; the sprite subtracts the surface offsets and clips
    // to the buffer itself.
    virtual void Draw(TCanvas& Canvas, TDIBCanvas& DIBCanvas) = 0;

private:
    friend class TSpriteEngine;

    float FY = 0;
    float FX = 0;
    std::unique_ptr<TObject> FMoverData;
    bool FVisible = true;
    int32_t FZ = 0;
    bool FDead = false;
    int32_t FLifetime = 0;
    int32_t FCollisionInsetLeft = 0;
    int32_t FCollisionInsetTop = 0;
    int32_t FCollisionInsetBottom = 0;
    int32_t FCollisionInsetRight = 0;
    float FDirection = 0;
    float FSpin = 0;
    bool FReverseSpin = false;
    TObject* FFactory = nullptr;
    TSpriteSurface* FSpriteSurface = nullptr;
    TSpriteEngine* FSpriteEngine = nullptr;
    TSpriteMover* FSpriteMover = nullptr;
};
