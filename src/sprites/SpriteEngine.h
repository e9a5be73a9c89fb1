#pragma once

#include "platform/Component.h"
#include "sprites/Sprite.h"
#include "sprites/SpriteEvents.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <unordered_set>
#include <vector>

class TCanvas;
class TDIBCanvas;
class TSpriteEngine;
class TSpriteSurface;

// A strategy that moves every sprite of the engine that uses it.
class TSpriteMover : public TComponent {
public:
    explicit TSpriteMover(TComponent* AOwner = nullptr);
    ~TSpriteMover() override;

    // Prepares the sprite's MoverData; the base leaves it none.
    virtual void InitSprite(TSprite* Sprite);
    // Moves the sprite by one frame.
    virtual void MoveSprite(TSprite* Sprite) = 0;

    // The engine that uses this mover, set by that engine.
    TSpriteEngine* SpriteEngine() const { return FSpriteEngine; }

    void RemovalNotice(TComponent* AComponent, TOperation Operation) override;

    TSpriteEvent OnInitSprite;

private:
    friend class TSpriteEngine;
    TSpriteEngine* FSpriteEngine = nullptr;
};

// Owns a set of sprites, keeps them in drawing order, admits new ones and removes killed
// ones only at a fixed point of each frame (ProcessSprites), draws them, reports
// collisions with its partner engines and lets the surface find them under the mouse.
//
// Additions and removals are deferred so that the lists never change while a pass walks
// them: handlers run during a pass (events, Yield) may add or kill sprites, but must not
// free sprites or engines.
class TSpriteEngine : public TComponent {
public:
    explicit TSpriteEngine(TComponent* AOwner = nullptr);
    ~TSpriteEngine() override;

    // Takes ownership; the sprite is pending until the next frame admits it. Returns the
    // sprite, for the caller to go on setting it up.
    TSprite* AddSprite(std::unique_ptr<TSprite> Sprite);
    // Takes ownership and puts the sprite straight into the drawn list at Index (limited to
    // the list), without waiting for admission: for putting a sprite back exactly where it
    // was drawn. OnAddSprite is called.
    TSprite* InsertSprite(std::unique_ptr<TSprite> Sprite, int Index);
    // The sprite's place in the drawn list, or -1 when it is not drawn (pending or unknown).
    int DrawnIndexOf(const TSprite* Sprite) const;
    // Kills the sprite and queues it (once); it is freed by the next removal step if this
    // engine holds it.
    void RemoveSprite(TSprite* Sprite);
    // Frees every drawn and pending sprite at once, without events; empties the removal
    // queue.
    void Clear();
    // Drawn plus pending sprites.
    int SpriteCount() const;
    // The drawn list first, then the pending additions. EListError outside
    // 0..SpriteCount() - 1.
    TSprite* Sprites(int Index) const;

    // The drawn list alone, in drawing order (what is moved, drawn, clicked and collided).
    int DrawnCount() const { return int(FDrawn.size()); }
    TSprite* DrawnSprite(int Index) const { return FDrawn[size_t(Index)].get(); }
    int PendingCount() const { return int(FPending.size()); }

    // The per-frame steps the surface calls: admission, movement and removal; drawing;
    // collisions with every partner.
    void ProcessSprites();
    void DrawSprites(TCanvas& Canvas, TDIBCanvas& DIBCanvas);
    void CheckCollisions();
    // Tests this engine's sprites against Engine's (each pair once when it is this engine).
    void CollideWith(TSpriteEngine* Engine);

    // Appends a collision partner (this engine itself for collisions among its own
    // sprites); a partner that is destroyed is dropped from the list.
    void AddCollisionPartner(TSpriteEngine* Engine);
    void RemoveCollisionPartner(TSpriteEngine* Engine);
    const std::vector<TSpriteEngine*>& CollisionPartners() const { return FPartners; }

    TSpriteSurface* SpriteSurface() const { return FSpriteSurface; }
    void SetSpriteSurface(TSpriteSurface* Value);
    // Higher is processed and drawn earlier.
    int32_t Priority() const { return FPriority; }
    void SetPriority(int32_t Value);
    TSpriteMover* SpriteMover() const { return FSpriteMover; }
    void SetSpriteMover(TSpriteMover* Value);
    bool ClickSprites() const { return FClickSprites; }
    void SetClickSprites(bool Value) { FClickSprites = Value; }
    bool RandomizeStartingPosition() const { return FRandomizeStartingPosition; }
    void SetRandomizeStartingPosition(bool Value) { FRandomizeStartingPosition = Value; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value) { FVisible = Value; }
    // Process pending window messages after each sprite of a drawing pass.
    bool Yield() const { return FYield; }
    void SetYield(bool Value) { FYield = Value; }

    void RemovalNotice(TComponent* AComponent, TOperation Operation) override;

    TCollisionEvent OnCollision;
    // A sprite is about to be freed by the removal step.
    TSpriteEvent OnRemoveSprite;
    // A pending sprite entered the drawn list.
    TSpriteEvent OnAddSprite;

private:
    friend class TSprite;
    friend class TSpriteSurface;

    // Puts a sprite on the removal queue unless it is there already.
    void QueueRemoval(TSprite* Sprite);
    // The surface is being destroyed: forget it without calling back into it.
    void SurfaceGone();
    void SetSpritesSurface(TSpriteSurface* Value);
    void TestPair(TSprite* A, TSprite* B);

    TSpriteSurface* FSpriteSurface = nullptr;
    // Deques: with equal Z every admitted sprite goes to the front of the drawn list.
    std::deque<std::unique_ptr<TSprite>> FDrawn;
    std::deque<std::unique_ptr<TSprite>> FPending;
    std::deque<TSprite*> FRemovalQueue;
    // What FRemovalQueue holds, so that queueing once stays cheap for many kills a frame.
    std::unordered_set<TSprite*> FQueued;
    TSpriteMover* FSpriteMover = nullptr;
    int32_t FPriority = 0;
    bool FClickSprites = true;
    std::vector<TSpriteEngine*> FPartners;
    bool FRandomizeStartingPosition = false;
    bool FYield = false;
    bool FVisible = true;
};
