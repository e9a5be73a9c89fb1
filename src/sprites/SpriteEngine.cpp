#include "sprites/SpriteEngine.h"

#include "platform/Application.h"
#include "platform/Canvas.h"
#include "sprites/SpriteSurface.h"

#include <algorithm>

namespace {

// An overlap of positive width and height; right and bottom count as outside.
bool Intersects(const TRect& A, const TRect& B) {
    return std::max(A.Left, B.Left) < std::min(A.Right, B.Right) &&
           std::max(A.Top, B.Top) < std::min(A.Bottom, B.Bottom);
}

// Rounds towards minus infinity; Divisor > 0.
int64_t FloorDiv(int64_t Value, int64_t Divisor) {
    const int64_t Q = Value / Divisor;
    return Q * Divisor > Value ? Q - 1 : Q;
}

// A sprite over more buckets than this is listed once, for every pass.
constexpr int64_t MaxBucketsPerSprite = 64;
// The grid stays below this many buckets, its cells growing for a wide spread of sprites.
constexpr int64_t MaxBuckets = int64_t(1) << 20;

template <typename TList> auto FindOwned(TList& List, const TSprite* Sprite) {
    return std::find_if(List.begin(), List.end(),
                        [Sprite](const std::unique_ptr<TSprite>& S) { return S.get() == Sprite; });
}

} // namespace

// ---- TSpriteMover ----

TSpriteMover::TSpriteMover(TComponent* AOwner) : TComponent(AOwner) {}

TSpriteMover::~TSpriteMover() = default;

void TSpriteMover::InitSprite(TSprite* Sprite) {
    Sprite->SetMoverData(nullptr);
}

void TSpriteMover::RemovalNotice(TComponent* AComponent, TOperation Operation) {
    TComponent::RemovalNotice(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == FSpriteEngine)
        FSpriteEngine = nullptr;
}

// ---- TSpriteEngine ----

TSpriteEngine::TSpriteEngine(TComponent* AOwner) : TComponent(AOwner) {}

TSpriteEngine::~TSpriteEngine() {
    Clear();
    if (FSpriteSurface)
        FSpriteSurface->RemoveEngine(this);
}

TSprite* TSpriteEngine::AddSprite(std::unique_ptr<TSprite> Sprite) {
    TSprite* s = Sprite.get();
    if (!s)
        return nullptr;
    s->FSpriteSurface = FSpriteSurface;
    s->FSpriteEngine = this;
    s->SetMoverData(nullptr);
    if (FRandomizeStartingPosition)
        s->RandomizePosition();
    if (FSpriteMover) {
        s->FSpriteMover = FSpriteMover;
        FSpriteMover->InitSprite(s);
        if (FSpriteMover->OnInitSprite)
            FSpriteMover->OnInitSprite(FSpriteMover, s);
    }
    FPending.push_back(std::move(Sprite));
    return s;
}

TSprite* TSpriteEngine::InsertSprite(std::unique_ptr<TSprite> Sprite, int Index) {
    TSprite* s = AddSprite(std::move(Sprite));
    if (!s)
        return nullptr;
    std::unique_ptr<TSprite> Owned = std::move(FPending.back());
    FPending.pop_back();
    const size_t At = size_t(std::clamp(Index, 0, int(FDrawn.size())));
    FDrawn.insert(FDrawn.begin() + std::ptrdiff_t(At), std::move(Owned));
    FCullingDirty = true;
    if (OnAddSprite)
        OnAddSprite(this, s);
    return s;
}

int TSpriteEngine::DrawnIndexOf(const TSprite* Sprite) const {
    for (size_t I = 0; I < FDrawn.size(); ++I)
        if (FDrawn[I].get() == Sprite)
            return int(I);
    return -1;
}

void TSpriteEngine::ReversePending() {
    std::reverse(FPending.begin(), FPending.end());
}

void TSpriteEngine::RemoveSprite(TSprite* Sprite) {
    if (!Sprite)
        return;
    if (!Sprite->Dead())
        Sprite->SetDead(true);
    QueueRemoval(Sprite);
}

void TSpriteEngine::QueueRemoval(TSprite* Sprite) {
    if (FQueued.insert(Sprite).second)
        FRemovalQueue.push_back(Sprite);
}

void TSpriteEngine::Clear() {
    FRemovalQueue.clear();
    FQueued.clear();
    // Moved out first: a sprite's destructor must not find itself in a list being freed.
    auto drawn = std::move(FDrawn);
    auto pending = std::move(FPending);
    FDrawn.clear();
    FPending.clear();
    FCullingDirty = true;
}

int TSpriteEngine::SpriteCount() const {
    return int(FDrawn.size() + FPending.size());
}

TSprite* TSpriteEngine::Sprites(int Index) const {
    if (Index < 0 || Index >= SpriteCount())
        throw EListError(Index);
    if (size_t(Index) < FDrawn.size())
        return FDrawn[size_t(Index)].get();
    return FPending[size_t(Index) - FDrawn.size()].get();
}

void TSpriteEngine::ProcessSprites() {
    // Admission, first in first out. A handler may add more; they are admitted too.
    while (!FPending.empty()) {
        TSprite* p = FPending.front().get();
        const int32_t z = p->Z();
        auto at = std::find_if(FDrawn.begin(), FDrawn.end(),
                               [z](const std::unique_ptr<TSprite>& S) { return S->Z() >= z; });
        FDrawn.insert(at, std::move(FPending.front()));
        FPending.pop_front();
        FCullingDirty = true;
        if (OnAddSprite)
            OnAddSprite(this, p);
    }

    // Movement. Indexes, not iterators: nothing here may change the list, but a misbehaving
    // handler must not make the walk read freed memory.
    for (size_t i = 0; FMoveSprites && i < FDrawn.size(); ++i)
        FDrawn[i]->Move();

    // Removal.
    while (!FRemovalQueue.empty()) {
        TSprite* k = FRemovalQueue.front();
        FRemovalQueue.pop_front();
        FQueued.erase(k);
        auto drawn = FindOwned(FDrawn, k);
        if (drawn != FDrawn.end()) {
            if (OnRemoveSprite)
                OnRemoveSprite(this, k);
            // The handler may have changed the list; look again before freeing.
            drawn = FindOwned(FDrawn, k);
            if (drawn != FDrawn.end()) {
                std::unique_ptr<TSprite> gone = std::move(*drawn);
                FDrawn.erase(drawn);
                FCullingDirty = true;
            }
            continue;
        }
        auto pending = FindOwned(FPending, k);
        if (pending != FPending.end()) {
            std::unique_ptr<TSprite> gone = std::move(*pending);
            FPending.erase(pending);
        }
    }
}

void TSpriteEngine::DrawSprites(TCanvas& Canvas, TDIBCanvas& DIBCanvas) {
    if (!FVisible)
        return;
    const TRect clip = Canvas.ClipRect();
    if (!FSpriteSurface)
        return;
    if (FCullingCell > 0 && !FYield) {
        DrawCulled(clip, Canvas, DIBCanvas);
        return;
    }
    for (size_t i = 0; i < FDrawn.size(); ++i) {
        DrawSprite(FDrawn[i].get(), clip, Canvas, DIBCanvas);
        if (FYield)
            Application().ProcessMessages();
    }
}

void TSpriteEngine::DrawSprite(TSprite* Sprite, const TRect& Clip, TCanvas& Canvas,
                               TDIBCanvas& DIBCanvas) {
    if (!Sprite->Visible())
        return;
    TRect bounds;
    Sprite->ScreenBounds(bounds);
    if (Intersects(bounds, Clip))
        Sprite->Draw(Canvas, DIBCanvas);
}

void TSpriteEngine::DrawCulled(const TRect& Clip, TCanvas& Canvas, TDIBCanvas& DIBCanvas) {
    if (FCullingDirty)
        BuildCullingGrid();
    // The clip in virtual coordinates; a sprite meets it there exactly when its screen
    // bounds meet the clip, so the buckets give every sprite the full pass would draw.
    const int64_t left = int64_t(Clip.Left) + FSpriteSurface->OffsetX();
    const int64_t right = int64_t(Clip.Right) + FSpriteSurface->OffsetX();
    const int64_t top = int64_t(Clip.Top) + FSpriteSurface->OffsetY();
    const int64_t bottom = int64_t(Clip.Bottom) + FSpriteSurface->OffsetY();
    FCandidates.assign(FEverywhere.begin(), FEverywhere.end());
    if (left < right && top < bottom && FGridColumns > 0) {
        const int64_t c0 = std::max<int64_t>(FloorDiv(left - FGridLeft, FGridCell), 0);
        const int64_t c1 = std::min(FloorDiv(right - FGridLeft, FGridCell), FGridColumns - 1);
        const int64_t r0 = std::max<int64_t>(FloorDiv(top - FGridTop, FGridCell), 0);
        const int64_t r1 = std::min(FloorDiv(bottom - FGridTop, FGridCell), FGridRows - 1);
        for (int64_t r = r0; r <= r1; ++r)
            for (int64_t c = c0; c <= c1; ++c) {
                const size_t b = size_t(r * FGridColumns + c);
                FCandidates.insert(FCandidates.end(), FBucketItems.begin() + FBucketStart[b],
                                   FBucketItems.begin() + FBucketStart[b + 1]);
            }
    }
    // In drawing order, each once.
    std::sort(FCandidates.begin(), FCandidates.end());
    FCandidates.erase(std::unique(FCandidates.begin(), FCandidates.end()), FCandidates.end());
    for (const uint32_t i : FCandidates)
        DrawSprite(FDrawn[i].get(), Clip, Canvas, DIBCanvas);
}

void TSpriteEngine::BuildCullingGrid() {
    FCullingDirty = false;
    FEverywhere.clear();
    FBucketItems.clear();
    FGridColumns = FGridRows = 0;
    FBucketStart.assign(1, 0);
    // Sprites without area are never drawn and are not listed.
    std::vector<TRect> bounds(FDrawn.size());
    int64_t left = INT64_MAX, top = INT64_MAX, right = INT64_MIN, bottom = INT64_MIN;
    for (size_t i = 0; i < FDrawn.size(); ++i) {
        TRect& b = bounds[i];
        FDrawn[i]->GetBounds(b);
        if (b.Left >= b.Right || b.Top >= b.Bottom)
            continue;
        left = std::min<int64_t>(left, b.Left);
        top = std::min<int64_t>(top, b.Top);
        right = std::max<int64_t>(right, b.Right);
        bottom = std::max<int64_t>(bottom, b.Bottom);
    }
    if (left > right)
        return;
    FGridLeft = left;
    FGridTop = top;
    FGridCell = FCullingCell;
    // Each side checked alone first, so that the product cannot overflow.
    const auto TooMany = [&] {
        const int64_t columns = (right - left) / FGridCell + 1;
        const int64_t rows = (bottom - top) / FGridCell + 1;
        return columns > MaxBuckets || rows > MaxBuckets || columns * rows > MaxBuckets;
    };
    while (TooMany())
        FGridCell *= 2;
    FGridColumns = (right - left) / FGridCell + 1;
    FGridRows = (bottom - top) / FGridCell + 1;

    // Counted first, then filled in drawing order, so each bucket comes out ascending.
    FBucketStart.assign(size_t(FGridColumns * FGridRows) + 1, 0);
    const auto Cells = [&](const TRect& b, auto&& Visit) {
        const int64_t c0 = (b.Left - FGridLeft) / FGridCell, c1 = (b.Right - FGridLeft) / FGridCell;
        const int64_t r0 = (b.Top - FGridTop) / FGridCell, r1 = (b.Bottom - FGridTop) / FGridCell;
        if ((c1 - c0 + 1) * (r1 - r0 + 1) > MaxBucketsPerSprite)
            return false;
        for (int64_t r = r0; r <= r1; ++r)
            for (int64_t c = c0; c <= c1; ++c)
                Visit(size_t(r * FGridColumns + c));
        return true;
    };
    for (size_t i = 0; i < FDrawn.size(); ++i) {
        const TRect& b = bounds[i];
        if (b.Left >= b.Right || b.Top >= b.Bottom)
            continue;
        if (!Cells(b, [&](size_t Bucket) { ++FBucketStart[Bucket + 1]; }))
            FEverywhere.push_back(uint32_t(i));
    }
    for (size_t b = 1; b < FBucketStart.size(); ++b)
        FBucketStart[b] += FBucketStart[b - 1];
    FBucketItems.resize(FBucketStart.back());
    std::vector<uint32_t> next(FBucketStart.begin(), FBucketStart.end() - 1);
    for (size_t i = 0; i < FDrawn.size(); ++i) {
        const TRect& b = bounds[i];
        if (b.Left >= b.Right || b.Top >= b.Bottom)
            continue;
        Cells(b, [&](size_t Bucket) { FBucketItems[next[Bucket]++] = uint32_t(i); });
    }
}

void TSpriteEngine::CheckCollisions() {
    for (size_t i = 0; i < FPartners.size(); ++i)
        CollideWith(FPartners[i]);
}

void TSpriteEngine::CollideWith(TSpriteEngine* Engine) {
    if (!OnCollision || !Engine)
        return;
    for (size_t i = 0; i < FDrawn.size(); ++i) {
        TSprite* a = FDrawn[i].get();
        if (!a->Visible() || a->Dead())
            continue;
        if (Engine == this) {
            for (size_t j = i + 1; j < FDrawn.size(); ++j)
                TestPair(a, FDrawn[j].get());
        } else {
            for (size_t j = 0; j < Engine->FDrawn.size(); ++j)
                TestPair(a, Engine->FDrawn[j].get());
        }
    }
}

void TSpriteEngine::TestPair(TSprite* A, TSprite* B) {
    if (!B->Visible() || B->Dead() || !A->Visible() || A->Dead())
        return;
    TRect ra;
    TRect rb;
    A->CollisionBounds(ra);
    B->CollisionBounds(rb);
    if (Intersects(ra, rb))
        OnCollision(this, A, B);
}

void TSpriteEngine::AddCollisionPartner(TSpriteEngine* Engine) {
    if (!Engine)
        return;
    FPartners.push_back(Engine);
    if (Engine != this)
        FreeNotification(Engine);
}

void TSpriteEngine::RemoveCollisionPartner(TSpriteEngine* Engine) {
    FPartners.erase(std::remove(FPartners.begin(), FPartners.end(), Engine), FPartners.end());
}

void TSpriteEngine::SetSpritesSurface(TSpriteSurface* Value) {
    for (auto& s : FDrawn)
        s->FSpriteSurface = Value;
    for (auto& s : FPending)
        s->FSpriteSurface = Value;
}

void TSpriteEngine::SetSpriteSurface(TSpriteSurface* Value) {
    if (FSpriteSurface)
        FSpriteSurface->RemoveEngine(this);
    FSpriteSurface = Value;
    if (Value) {
        FreeNotification(Value);
        Value->AddEngine(this);
    }
    SetSpritesSurface(Value);
}

void TSpriteEngine::SurfaceGone() {
    FSpriteSurface = nullptr;
    SetSpritesSurface(nullptr);
}

void TSpriteEngine::SetPriority(int32_t Value) {
    FPriority = Value;
    if (FSpriteSurface)
        FSpriteSurface->SortEngines();
}

void TSpriteEngine::SetSpriteMover(TSpriteMover* Value) {
    FSpriteMover = Value;
    if (Value) {
        Value->FSpriteEngine = this;
        FreeNotification(Value);
    }
    for (size_t i = 0; i < FDrawn.size(); ++i) {
        TSprite* s = FDrawn[i].get();
        s->SetMoverData(nullptr);
        s->FSpriteMover = Value;
        if (Value) {
            Value->InitSprite(s);
            if (Value->OnInitSprite)
                Value->OnInitSprite(Value, s);
        }
    }
}

void TSpriteEngine::RemovalNotice(TComponent* AComponent, TOperation Operation) {
    TComponent::RemovalNotice(AComponent, Operation);
    if (Operation != TOperation::opRemove || !AComponent)
        return;
    if (AComponent == FSpriteSurface)
        SurfaceGone();
    // Compared as components: the dying object is no longer a mover or an engine by type.
    // Any sprite may still name a mover the engine used before, so all are looked at.
    if (static_cast<TComponent*>(FSpriteMover) == AComponent)
        FSpriteMover = nullptr;
    for (auto& s : FDrawn)
        if (static_cast<TComponent*>(s->FSpriteMover) == AComponent)
            s->FSpriteMover = nullptr;
    for (auto& s : FPending)
        if (static_cast<TComponent*>(s->FSpriteMover) == AComponent)
            s->FSpriteMover = nullptr;
    FPartners.erase(std::remove_if(FPartners.begin(), FPartners.end(),
                                   [AComponent](TSpriteEngine* E) {
                                       return static_cast<TComponent*>(E) == AComponent;
                                   }),
                    FPartners.end());
}
