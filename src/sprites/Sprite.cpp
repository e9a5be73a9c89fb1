#include "sprites/Sprite.h"

#include "sprites/SpriteEngine.h"
#include "sprites/SpriteSurface.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

namespace {

// Brings Value into the range the wrap loops produce. Far-off values are first reduced
// with fmod: adding the period to a float that large would not change it, and the loop
// would never end.
float Wrap(float Value, int32_t Period, bool KeepPeriod) {
    const float period = float(Period);
    if (std::fabs(Value) > 64.0f * period)
        Value = std::fmod(Value, period);
    while (Value < 0)
        Value += period;
    if (KeepPeriod) {
        while (Value > period)
            Value -= period;
    } else {
        while (Value >= period)
            Value -= period;
    }
    return Value;
}

int32_t Truncate(float Value) {
    if (std::isnan(Value))
        return 0;
    if (Value >= 2147483648.0f)
        return std::numeric_limits<int32_t>::max();
    if (Value <= -2147483648.0f)
        return std::numeric_limits<int32_t>::min();
    return int32_t(Value);
}

// Rectangle arithmetic at the ends of the 32-bit range stays at those ends.
int32_t Saturate(int64_t Value) {
    return int32_t(std::clamp<int64_t>(Value, std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max()));
}

std::mt19937& Generator() {
    static std::mt19937 generator{std::random_device{}()};
    return generator;
}

int32_t RandomBelow(int32_t Limit) {
    if (Limit <= 0)
        return 0;
    return std::uniform_int_distribution<int32_t>(0, Limit - 1)(Generator());
}

} // namespace

TSprite::TSprite() = default;

TSprite::~TSprite() = default;

void TSprite::SetDirection(float Value) {
    FDirection = Wrap(Value, 360, false);
}

void TSprite::SetDead(bool Value) {
    if (Value == FDead)
        return;
    FDead = Value;
    if (!Value)
        return;
    FVisible = false;
    if (FSpriteEngine)
        FSpriteEngine->QueueRemoval(this);
}

TPoint TSprite::Position() const {
    return {Truncate(FX), Truncate(FY)};
}

int32_t TSprite::Width() const {
    TRect r;
    GetBounds(r);
    return Saturate(int64_t(r.Right) - r.Left + 1);
}

int32_t TSprite::Height() const {
    TRect r;
    GetBounds(r);
    return Saturate(int64_t(r.Bottom) - r.Top + 1);
}

void TSprite::ScreenBounds(TRect& Rect) const {
    GetBounds(Rect);
    if (!FSpriteSurface)
        return;
    const int64_t dx = FSpriteSurface->OffsetX();
    const int64_t dy = FSpriteSurface->OffsetY();
    Rect.Left = Saturate(Rect.Left - dx);
    Rect.Right = Saturate(Rect.Right - dx);
    Rect.Top = Saturate(Rect.Top - dy);
    Rect.Bottom = Saturate(Rect.Bottom - dy);
}

void TSprite::CollisionBounds(TRect& Rect) const {
    ScreenBounds(Rect);
    Rect.Left = Saturate(int64_t(Rect.Left) + FCollisionInsetLeft);
    Rect.Top = Saturate(int64_t(Rect.Top) + FCollisionInsetTop);
    Rect.Right = Saturate(int64_t(Rect.Right) - FCollisionInsetRight);
    Rect.Bottom = Saturate(int64_t(Rect.Bottom) - FCollisionInsetBottom);
}

void TSprite::RandomizePosition() {
    if (!FSpriteSurface)
        return;
    FX = float(RandomBelow(FSpriteSurface->VirtualWidth()));
    FY = float(RandomBelow(FSpriteSurface->VirtualHeight()));
}

void TSprite::Move() {
    if (FLifetime > 0) {
        --FLifetime;
        if (FLifetime == 0) {
            SetDead(true);
            return;
        }
    }
    if (FSpin > 0)
        SetDirection(FReverseSpin ? FDirection - FSpin : FDirection + FSpin);
    if (FSpriteMover)
        FSpriteMover->MoveSprite(this);
    if (!FSpriteSurface)
        return;
    // An empty virtual area has nothing to wrap into: that axis is left alone.
    if (FSpriteSurface->WrapHorizontal() && FSpriteSurface->VirtualWidth() > 0)
        FX = Wrap(FX, FSpriteSurface->VirtualWidth(), true);
    if (FSpriteSurface->WrapVertical() && FSpriteSurface->VirtualHeight() > 0)
        FY = Wrap(FY, FSpriteSurface->VirtualHeight(), true);
}
