#include "sprites/SpriteFactory.h"

#include "platform/Application.h"
#include "sprites/SpriteSurface.h"

TSpriteFactory::TSpriteFactory(TComponent* AOwner) : TComponent(AOwner) {}

TSpriteFactory::~TSpriteFactory() = default;

void TSpriteFactory::SetSpriteSurface(TSpriteSurface* Value) {
    FSpriteSurface = Value;
    if (Value)
        FreeNotification(Value);
    CheckBitDepth();
}

void TSpriteFactory::CheckBitDepth() {
    if (!FSpriteSurface || GetBitDepths().Contains(FSpriteSurface->BitDepth()))
        return;
    ShowMessage("This TSpriteFactory does not support the TSpriteSurface's BitDepth");
    FSpriteSurface = nullptr;
}

void TSpriteFactory::AfterLoad() {
    TComponent::AfterLoad();
    CheckBitDepth();
}

void TSpriteFactory::RemovalNotice(TComponent* AComponent, TOperation Operation) {
    TComponent::RemovalNotice(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent &&
        AComponent == static_cast<TComponent*>(FSpriteSurface))
        FSpriteSurface = nullptr;
}
