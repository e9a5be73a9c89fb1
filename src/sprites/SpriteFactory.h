#pragma once

#include "graphics/DIBCanvas.h"
#include "platform/Component.h"

#include <memory>

class TSprite;
class TSpriteSurface;

// Makes sprites of one kind for sprite surfaces and refuses a surface whose BitDepth its
// sprites cannot draw into ("This TSpriteFactory does not support the TSpriteSurface's
// BitDepth", shown as a message; the factory is then left without a surface).
class TSpriteFactory : public TComponent {
public:
    explicit TSpriteFactory(TComponent* AOwner = nullptr);
    ~TSpriteFactory() override;

    // The pixel formats the factory's sprites can draw.
    virtual TBitDepths GetBitDepths() const = 0;
    // A new sprite, owned by the caller; not added to an engine, no surface set.
    virtual std::unique_ptr<TSprite> CreateSprite() = 0;

    TBitDepths BitDepths() const { return GetBitDepths(); }
    // Read-only in effect: assigning does nothing.
    void SetBitDepths(TBitDepths) {}

    TSpriteSurface* SpriteSurface() const { return FSpriteSurface; }
    // Stores the surface, then CheckBitDepth.
    void SetSpriteSurface(TSpriteSurface* Value);
    void CheckBitDepth();

    void AfterLoad() override;
    void RemovalNotice(TComponent* AComponent, TOperation Operation) override;

private:
    TSpriteSurface* FSpriteSurface = nullptr;
};
