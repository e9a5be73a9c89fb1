#pragma once

#include "platform/Component.h"
#include "sprites/Sprite.h"
#include "sprites/SpriteEvents.h"

#include <algorithm>
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
    // Turns the pending additions around. Admission puts each sprite in front of those
    // admitted before it, so sprites added in reverse are drawn in the order given.
    void ReversePending();
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
    // Positive: a drawing pass finds the sprites in the view through a grid of buckets of
    // about this many pixels, rebuilt when the drawn list changes, so that a frame costs
    // what the view holds rather than what the engine holds; the sprites drawn and their
    // order are those of a pass over every sprite. Only for sprites whose bounds stay as
    // they were when the drawn list last changed. 0 (at start): every sprite is tested.
    int32_t CullingCell() const { return FCullingCell; }
    void SetCullingCell(int32_t Value) {
        FCullingCell = std::max(Value, 0);
        FCullingDirty = true;
    }
    // For a culling engine whose drawn sprites' bounds were changed in place.
    void BoundsChanged() { FCullingDirty = true; }
    // False: the movement step leaves the drawn sprites alone (no lifetime, spin, mover or
    // wrapping), for sprites that never move, so that it costs nothing per sprite.
    bool MoveSprites() const { return FMoveSprites; }
    void SetMoveSprites(bool Value) { FMoveSprites = Value; }

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
    void DrawSprite(TSprite* Sprite, const TRect& Clip, TCanvas& Canvas, TDIBCanvas& DIBCanvas);
    void DrawCulled(const TRect& Clip, TCanvas& Canvas, TDIBCanvas& DIBCanvas);
    void BuildCullingGrid();

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

    // The culling grid: bucket (Column, Row) covers virtual x from FGridLeft + Column *
    // FGridCell on, y likewise; it lists the drawn-list indexes of the sprites whose
    // bounds reach into it, ascending, at FBucketItems[FBucketStart[B] .. FBucketStart[B + 1]).
    bool FMoveSprites = true;
    int32_t FCullingCell = 0;
    bool FCullingDirty = true;
    int64_t FGridLeft = 0;
    int64_t FGridTop = 0;
    int64_t FGridCell = 1;
    int64_t FGridColumns = 0;
    int64_t FGridRows = 0;
    std::vector<uint32_t> FBucketStart;
    std::vector<uint32_t> FBucketItems;
    // Sprites over too many buckets to list in each.
    std::vector<uint32_t> FEverywhere;
    std::vector<uint32_t> FCandidates;
};
