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
        if (OnAddSprite)
            OnAddSprite(this, p);
    }

    // Movement. Indexes, not iterators: nothing here may change the list, but a misbehaving
    // handler must not make the walk read freed memory.
    for (size_t i = 0; i < FDrawn.size(); ++i)
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
    TRect bounds;
    for (size_t i = 0; i < FDrawn.size(); ++i) {
        TSprite* s = FDrawn[i].get();
        if (s->Visible()) {
            s->ScreenBounds(bounds);
            if (Intersects(bounds, clip))
                s->Draw(Canvas, DIBCanvas);
        }
        if (FYield)
            Application().ProcessMessages();
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
