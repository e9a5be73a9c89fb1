#include "SpriteTestSupport.h"

#include "platform/Application.h"
#include "platform/Exception.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <random>

namespace {

std::vector<std::string> DrawnNames(const TSpriteEngine& E) {
    std::vector<std::string> names;
    for (int i = 0; i < E.DrawnCount(); ++i)
        names.push_back(NameOf(E.DrawnSprite(i)));
    return names;
}

struct EngineFixture : ::testing::Test {
    // First, so that it outlives the sprites that write to it.
    std::vector<std::string> Log;
    TSurfaceFixture F;
    TSpriteEngine Engine;
    EngineFixture() { Engine.SetSpriteSurface(&F.Surface); }
    TSprite* Add(const std::string& Name, int32_t Z = 0) {
        auto s = Probe(Name, &Log);
        s->SetZ(Z);
        return Engine.AddSprite(std::move(s));
    }
};

TEST_F(EngineFixture, EqualZSpritesAreAdmittedToTheFrontInArrivalOrder) {
    Add("A");
    Add("B");
    Add("C");
    ASSERT_EQ(Engine.SpriteCount(), 3);
    EXPECT_EQ(NameOf(Engine.Sprites(0)), "A");
    EXPECT_EQ(NameOf(Engine.Sprites(1)), "B");
    EXPECT_EQ(NameOf(Engine.Sprites(2)), "C");
    EXPECT_EQ(Engine.DrawnCount(), 0);

    F.Surface.Render();
    EXPECT_EQ(DrawnNames(Engine), (std::vector<std::string>{"C", "B", "A"}));
    EXPECT_EQ(NameOf(Engine.Sprites(0)), "C");
    // Drawn from index 0 upward: C beneath, A on top.
    std::vector<std::string> draws;
    for (const auto& entry : Log)
        if (entry.rfind("draw ", 0) == 0)
            draws.push_back(entry);
    EXPECT_EQ(draws, (std::vector<std::string>{"draw C", "draw B", "draw A"}));
}

TEST_F(EngineFixture, AdmissionInsertsBeforeTheFirstSpriteOfEqualOrHigherZ) {
    Add("z9", 9);
    Add("z5", 5);
    Add("z1", 1);
    F.Surface.Render();
    ASSERT_EQ(DrawnNames(Engine), (std::vector<std::string>{"z1", "z5", "z9"}));
    Add("new5", 5);
    Add("new10", 10);
    F.Surface.Render();
    EXPECT_EQ(DrawnNames(Engine), (std::vector<std::string>{"z1", "new5", "z5", "z9", "new10"}));
}

TEST_F(EngineFixture, ZChangedAfterAdmissionDoesNotReorder) {
    TSprite* a = Add("a", 1);
    Add("b", 2);
    F.Surface.Render();
    a->SetZ(50);
    F.Surface.Render();
    EXPECT_EQ(DrawnNames(Engine), (std::vector<std::string>{"a", "b"}));
}

TEST_F(EngineFixture, EventsAndStepsOfOneFrameComeInOrder) {
    Engine.OnAddSprite = [&](TObject* Sender, TSprite* S) {
        EXPECT_EQ(Sender, &Engine);
        Log.push_back("add " + NameOf(S));
    };
    Engine.OnRemoveSprite = [&](TObject*, TSprite* S) { Log.push_back("remove " + NameOf(S)); };
    TSprite* a = Add("A");
    // Added and killed before the frame: admitted, moved and removed within it.
    Engine.RemoveSprite(a);
    EXPECT_FALSE(a->Visible());
    EXPECT_EQ(Engine.SpriteCount(), 1);
    Add("B");
    F.Surface.Render();
    EXPECT_EQ(Log, (std::vector<std::string>{"add A", "add B", "move B", "move A", "remove A",
                                             "free A", "draw B"}));
    EXPECT_EQ(Engine.SpriteCount(), 1);
}

TEST_F(EngineFixture, RemoveSpriteHidesAtOnceAndFreesAtTheNextFrame) {
    TSprite* a = Add("A");
    F.Surface.Render();
    Log.clear();
    Engine.RemoveSprite(a);
    Engine.RemoveSprite(a); // queued once
    EXPECT_TRUE(a->Dead());
    EXPECT_FALSE(a->Visible());
    EXPECT_EQ(Engine.SpriteCount(), 1);
    int removed = 0;
    Engine.OnRemoveSprite = [&](TObject*, TSprite*) { ++removed; };
    F.Surface.Render();
    EXPECT_EQ(removed, 1);
    EXPECT_EQ(Engine.SpriteCount(), 0);
    EXPECT_EQ(Log, (std::vector<std::string>{"move A", "free A"}));
}

TEST_F(EngineFixture, SpriteAddedDuringAdmissionIsAdmittedInTheSameFrame) {
    int removed = 0;
    Engine.OnRemoveSprite = [&](TObject*, TSprite*) { ++removed; };
    // Added during the frame, after admission: it is pending when the removal step runs.
    Engine.OnAddSprite = [&](TObject*, TSprite* S) {
        if (NameOf(S) == "A") {
            TSprite* late = Engine.AddSprite(Probe("late", &Log));
            Engine.RemoveSprite(late);
        }
    };
    Add("A");
    F.Surface.Render();
    // "late" joined the pending list while admission ran, so it was admitted, moved and
    // removed (with the event) in this frame.
    EXPECT_EQ(Engine.SpriteCount(), 1);
    EXPECT_EQ(removed, 1);
}

TEST_F(EngineFixture, PendingSpriteKilledDuringMovementIsFreedWithoutEvent) {
    int removed = 0;
    Engine.OnRemoveSprite = [&](TObject*, TSprite*) { ++removed; };
    struct TSpawner : TSpriteMover {
        TSpriteEngine* Target = nullptr;
        std::vector<std::string>* Log = nullptr;
        bool Done = false;
        void MoveSprite(TSprite*) override {
            if (Done)
                return;
            Done = true;
            TSprite* s = Target->AddSprite(Probe("spawned", Log));
            Target->RemoveSprite(s);
        }
    } spawner;
    spawner.Target = &Engine;
    spawner.Log = &Log;
    Add("A");
    F.Surface.Render(); // admits A without a mover
    Engine.SetSpriteMover(&spawner);
    Log.clear();
    F.Surface.Render();
    EXPECT_EQ(removed, 0);
    EXPECT_EQ(Engine.SpriteCount(), 1);
    EXPECT_NE(std::find(Log.begin(), Log.end(), "free spawned"), Log.end());
}

TEST_F(EngineFixture, RemoveSpriteOfAForeignSpriteOnlyMarksIt) {
    TProbeSprite loose("loose", nullptr);
    Engine.RemoveSprite(&loose);
    EXPECT_TRUE(loose.Dead());
    F.Surface.Render(); // the entry is found in neither list and dropped
    EXPECT_EQ(Engine.SpriteCount(), 0);
}

TEST_F(EngineFixture, ClearFreesDrawnAndPendingWithoutEvents) {
    int events = 0;
    Engine.OnRemoveSprite = [&](TObject*, TSprite*) { ++events; };
    Add("A");
    F.Surface.Render();
    TSprite* b = Add("B");
    Engine.RemoveSprite(b);
    Log.clear();
    Engine.Clear();
    EXPECT_EQ(Engine.SpriteCount(), 0);
    EXPECT_EQ(events, 0);
    std::sort(Log.begin(), Log.end());
    EXPECT_EQ(Log, (std::vector<std::string>{"free A", "free B"}));
    F.Surface.Render(); // nothing left to remove
}

TEST_F(EngineFixture, SpritesOutsideTheRangeIsAListError) {
    Add("A");
    EXPECT_THROW(Engine.Sprites(1), EListError);
    EXPECT_THROW(Engine.Sprites(-1), EListError);
    try {
        Engine.Sprites(5);
    } catch (const EListError& E) {
        EXPECT_STREQ(E.what(), "List index out of bounds (5)");
    }
}

TEST_F(EngineFixture, LifetimeOfThreeMovesInTwoFramesAndIsGoneInTheThird) {
    TSprite* s = Add("A");
    s->SetLifetime(3);
    std::vector<int> drawsPerFrame;
    for (int frame = 0; frame < 3; ++frame) {
        Log.clear();
        F.Surface.Render();
        drawsPerFrame.push_back(int(std::count(Log.begin(), Log.end(), "draw A")));
    }
    EXPECT_EQ(drawsPerFrame, (std::vector<int>{1, 1, 0}));
    EXPECT_EQ(Engine.SpriteCount(), 0);
}

TEST_F(EngineFixture, InvisibleEngineStillAdmitsMovesAndIsClickable) {
    Engine.SetVisible(false);
    Add("A");
    F.Surface.Render();
    EXPECT_EQ(Log, (std::vector<std::string>{"move A"}));
    EXPECT_EQ(Engine.DrawnCount(), 1);
}

TEST_F(EngineFixture, SpritesOutsideTheBufferAreNotDrawn) {
    // Buffer is 64 x 32. Bounds are inclusive, the test treats right/bottom as outside.
    struct Case {
        float X, Y;
        bool Drawn;
    } cases[] = {{0, 0, true},  {63, 31, true}, {64, 0, false}, {0, 32, false},  {-9, 0, false},
                 {-8, 0, true}, {0, -9, false}, {0, -8, true},  {-100, 5, false}};
    for (const Case& c : cases) {
        Engine.Clear();
        TSprite* s = Add("S");
        s->SetX(c.X);
        s->SetY(c.Y);
        Log.clear();
        F.Surface.Render();
        EXPECT_EQ(std::count(Log.begin(), Log.end(), "draw S"), c.Drawn ? 1 : 0)
            << c.X << "," << c.Y;
    }
}

TEST(SpriteEngineCullingTest, CulledPassDrawsWhatAFullPassDraws) {
    // The same sprites in two engines, one testing every sprite, one culling through a
    // small grid; both must draw the same sprites in the same order, view after view.
    std::vector<std::string> full, culled;
    TSurfaceFixture f(64, 32);
    f.Surface.SetUseVirtualSize(true);
    TSpriteEngine all, grid;
    all.SetSpriteSurface(&f.Surface);
    grid.SetSpriteSurface(&f.Surface);
    grid.SetCullingCell(16);
    grid.SetMoveSprites(false);
    std::mt19937 random(7);
    std::vector<std::pair<TSprite*, TSprite*>> made;
    const auto add = [&](int n) {
        for (int i = 0; i < n; ++i) {
            const std::string name = std::to_string(made.size());
            // Some without area, some over more buckets than any is listed in.
            const int w = int(random() % 9 == 0 ? 0 : random() % 7 == 0 ? 3000 : random() % 90);
            const int h = int(random() % 60 + 1);
            const float x = float(int(random() % 400) - 200);
            const float y = float(int(random() % 400) - 200);
            const bool visible = random() % 5 != 0;
            TSprite* a = all.AddSprite(Probe(name, &full, w, h));
            TSprite* b = grid.AddSprite(Probe(name, &culled, w, h));
            for (TSprite* s : {a, b}) {
                s->SetX(x);
                s->SetY(y);
                s->SetVisible(visible);
            }
            made.emplace_back(a, b);
        }
    };
    const std::pair<int32_t, int32_t> views[] = {
        {0, 0},         {-230, -230},   {-40, 13},  {150, 170}, {100, -190},
        {INT32_MIN, 0}, {0, INT32_MAX}, {-200, 60}, {120, 120}, {-123, 98}};
    add(400);
    std::ptrdiff_t draws = 0;
    for (int round = 0; round < 2; ++round) {
        for (const auto& [x, y] : views) {
            f.Surface.SetOffsetX(x);
            f.Surface.SetOffsetY(y);
            full.clear();
            culled.clear();
            f.Surface.Render();
            // The culling engine was told its sprites do not move.
            std::erase_if(full, [](const std::string& L) { return L.rfind("move", 0) == 0; });
            EXPECT_EQ(culled, full) << x << "," << y;
            draws += std::count_if(full.begin(), full.end(),
                                   [](const std::string& L) { return L.rfind("draw", 0) == 0; });
        }
        // The drawn list changes: the grid follows.
        for (int i = 0; i < 60; ++i) {
            auto& [a, b] = made[size_t(random() % made.size())];
            if (a) {
                all.RemoveSprite(a);
                grid.RemoveSprite(b);
                a = b = nullptr;
            }
        }
        add(100);
    }
    EXPECT_GT(draws, 20);
    all.Clear();
    grid.Clear();
}

TEST_F(EngineFixture, YieldProcessesMessagesAfterEverySprite) {
    Add("A")->SetVisible(false);
    Add("B");
    F.Surface.Render();
    // A chain of two queued messages: each processing point takes the one pending then
    // (Qt defers what is posted while it processes).
    std::function<void(int)> post = [&](int Remaining) {
        QMetaObject::invokeMethod(
            qApp,
            [&, Remaining] {
                Log.push_back("message");
                if (Remaining > 1)
                    post(Remaining - 1);
            },
            Qt::QueuedConnection);
    };
    F.Surface.BeforeSpriteRender = [&](TObject*, TCanvas&, TDIBCanvas&) { post(2); };
    F.Surface.AfterSpriteRender = [&](TObject*, TCanvas&, TDIBCanvas&) { Log.push_back("after"); };

    Log.clear();
    F.Surface.Render();
    EXPECT_EQ(Log, (std::vector<std::string>{"move B", "move A", "draw B", "after", "message"}));
    Application().ProcessMessages();

    Engine.SetYield(true);
    Log.clear();
    F.Surface.Render();
    // Drawn list B, A: one message after B (drawn) and one after A (hidden, not drawn).
    EXPECT_EQ(Log, (std::vector<std::string>{"move B", "move A", "draw B", "message", "message",
                                             "after"}));
    F.Surface.BeforeSpriteRender = nullptr;
    Application().ProcessMessages();
}

TEST(SpriteTest, DirectionIsKeptInRange) {
    struct Case {
        float In, Out;
    } cases[] = {{-30, 330}, {360, 0}, {720, 0}, {359.5f, 359.5f}, {-720, 0}, {1e30f, -1}};
    for (const Case& c : cases) {
        TProbeSprite s("s", nullptr);
        s.SetDirection(c.In);
        if (c.Out >= 0) {
            EXPECT_FLOAT_EQ(s.Direction(), c.Out) << c.In;
        }
        EXPECT_GE(s.Direction(), 0.0f) << c.In;
        EXPECT_LT(s.Direction(), 360.0f) << c.In;
    }
}

TEST(SpriteTest, PositionTruncatesTowardZeroAndClamps) {
    TProbeSprite s("s", nullptr);
    s.SetX(2.9f);
    s.SetY(-0.5f);
    EXPECT_EQ(s.Position(), (TPoint{2, 0}));
    s.SetX(-7.99f);
    s.SetY(1e20f);
    EXPECT_EQ(s.Position(), (TPoint{-7, INT32_MAX}));
    s.SetX(std::nanf(""));
    EXPECT_EQ(s.Position().X, 0);
}

TEST(SpriteTest, SpinTurnsEachFrameUnlessZeroOrNegative) {
    struct Case {
        float Spin;
        bool Reverse;
        float After;
    } cases[] = {{10, false, 10}, {10, true, 350}, {0, false, 0}, {-5, false, 0}};
    for (const Case& c : cases) {
        TProbeSprite s("s", nullptr);
        s.SetSpin(c.Spin);
        s.SetReverseSpin(c.Reverse);
        s.Move();
        EXPECT_FLOAT_EQ(s.Direction(), c.After);
    }
}

TEST(SpriteTest, DeadBackToFalseKeepsTheQueuedRemoval) {
    TSurfaceFixture f;
    TSpriteEngine engine;
    engine.SetSpriteSurface(&f.Surface);
    TSprite* s = engine.AddSprite(Probe("s", nullptr));
    f.Surface.Render();
    s->SetDead(true);
    s->SetDead(false);
    s->SetDead(true); // still once on the queue
    f.Surface.Render();
    EXPECT_EQ(engine.SpriteCount(), 0);
}

TEST(SpriteWrapTest, WrapsIntoTheVirtualArea) {
    struct Case {
        float In, Out;
    } cases[] = {{-10, 90}, {100, 100}, {250, 50}, {0, 0}, {-100, 0}, {200, 100}, {-250, 50}};
    for (const Case& c : cases) {
        TSurfaceFixture f;
        f.Surface.SetUseVirtualSize(true);
        f.Surface.SetVirtualWidth(100);
        f.Surface.SetVirtualHeight(100);
        f.Surface.SetWrapHorizontal(true);
        f.Surface.SetWrapVertical(true);
        TSpriteEngine engine;
        engine.SetSpriteSurface(&f.Surface);
        TSprite* s = engine.AddSprite(Probe("s", nullptr));
        s->SetX(c.In);
        s->SetY(c.In);
        f.Surface.Render();
        EXPECT_FLOAT_EQ(s->X(), c.Out) << c.In;
        EXPECT_FLOAT_EQ(s->Y(), c.Out) << c.In;
    }
}

TEST(SpriteWrapTest, EmptyVirtualAreaOrHugeValuesDoNotHang) {
    TSurfaceFixture f;
    f.Surface.SetUseVirtualSize(true);
    f.Surface.SetVirtualWidth(0);
    f.Surface.SetVirtualHeight(-5);
    f.Surface.SetWrapHorizontal(true);
    f.Surface.SetWrapVertical(true);
    TSpriteEngine engine;
    engine.SetSpriteSurface(&f.Surface);
    TSprite* s = engine.AddSprite(Probe("s", nullptr));
    s->SetX(-10);
    s->SetY(-10);
    f.Surface.Render();
    EXPECT_FLOAT_EQ(s->X(), -10);
    EXPECT_FLOAT_EQ(s->Y(), -10);

    f.Surface.SetVirtualWidth(100);
    s->SetX(-3e30f);
    f.Surface.Render();
    EXPECT_GE(s->X(), 0.0f);
    EXPECT_LE(s->X(), 100.0f);
}

TEST(SpriteTest, RandomizePositionStaysInTheVirtualArea) {
    TSurfaceFixture f;
    f.Surface.SetUseVirtualSize(true);
    f.Surface.SetVirtualWidth(7);
    f.Surface.SetVirtualHeight(3);
    TSpriteEngine engine;
    engine.SetRandomizeStartingPosition(true);
    engine.SetSpriteSurface(&f.Surface);
    bool sawEdge = false;
    for (int i = 0; i < 200; ++i) {
        TSprite* s = engine.AddSprite(Probe("s", nullptr));
        ASSERT_GE(s->X(), 0);
        ASSERT_LT(s->X(), 7);
        ASSERT_GE(s->Y(), 0);
        ASSERT_LT(s->Y(), 3);
        ASSERT_EQ(s->X(), std::floor(s->X()));
        sawEdge = sawEdge || s->X() == 6;
    }
    EXPECT_TRUE(sawEdge);
}

// ---- movers ----

struct TStepMover : TSpriteMover {
    struct TData : TObject {
        int Steps = 0;
    };
    int Inits = 0;
    void InitSprite(TSprite* Sprite) override {
        ++Inits;
        Sprite->SetMoverData(std::make_unique<TData>());
    }
    void MoveSprite(TSprite* Sprite) override {
        Sprite->SetX(Sprite->X() + 1);
        ++static_cast<TData*>(Sprite->MoverData())->Steps;
    }
};

TEST(SpriteMoverTest, AddedSpritesGetTheEnginesMoverAndItsData) {
    TSurfaceFixture f;
    TSpriteEngine engine;
    engine.SetSpriteSurface(&f.Surface);
    TStepMover mover;
    std::vector<TSprite*> inited;
    mover.OnInitSprite = [&](TObject* Sender, TSprite* S) {
        EXPECT_EQ(Sender, &mover);
        inited.push_back(S);
    };
    engine.SetSpriteMover(&mover);
    EXPECT_EQ(mover.SpriteEngine(), &engine);
    TSprite* s = engine.AddSprite(Probe("s", nullptr));
    EXPECT_EQ(s->SpriteMover(), &mover);
    EXPECT_EQ(inited, (std::vector<TSprite*>{s}));
    f.Surface.Render();
    f.Surface.Render();
    EXPECT_FLOAT_EQ(s->X(), 2);
    EXPECT_EQ(static_cast<TStepMover::TData*>(s->MoverData())->Steps, 2);
}

TEST(SpriteMoverTest, NewMoverReinitialisesDrawnSpritesAndNoneDropsData) {
    TSurfaceFixture f;
    TSpriteEngine engine;
    engine.SetSpriteSurface(&f.Surface);
    TStepMover first;
    TStepMover second;
    engine.SetSpriteMover(&first);
    TSprite* s = engine.AddSprite(Probe("s", nullptr));
    f.Surface.Render();
    engine.SetSpriteMover(&second);
    EXPECT_EQ(second.Inits, 1);
    EXPECT_EQ(s->SpriteMover(), &second);
    EXPECT_EQ(static_cast<TStepMover::TData*>(s->MoverData())->Steps, 0);
    engine.SetSpriteMover(nullptr);
    EXPECT_EQ(s->SpriteMover(), nullptr);
    EXPECT_EQ(s->MoverData(), nullptr);
}

TEST(SpriteMoverTest, DestroyedMoverIsForgottenByEngineAndSprites) {
    TSurfaceFixture f;
    TSpriteEngine engine;
    engine.SetSpriteSurface(&f.Surface);
    TSprite* drawn = nullptr;
    TSprite* pending = nullptr;
    {
        TStepMover mover;
        engine.SetSpriteMover(&mover);
        drawn = engine.AddSprite(Probe("a", nullptr));
        f.Surface.Render();
        pending = engine.AddSprite(Probe("b", nullptr));
    }
    EXPECT_EQ(engine.SpriteMover(), nullptr);
    EXPECT_EQ(drawn->SpriteMover(), nullptr);
    EXPECT_EQ(pending->SpriteMover(), nullptr);
    f.Surface.Render(); // moves without a mover
    EXPECT_FLOAT_EQ(drawn->X(), 1);
}

// ---- surfaces and priorities ----

TEST(SpriteEngineSurfaceTest, EnginesAreOrderedByPriorityHighestFirst) {
    TSurfaceFixture f;
    TSpriteEngine low;
    TSpriteEngine high;
    low.SetPriority(100);
    high.SetPriority(101);
    low.SetSpriteSurface(&f.Surface);
    high.SetSpriteSurface(&f.Surface);
    EXPECT_EQ(f.Surface.Engines(), (std::vector<TSpriteEngine*>{&high, &low}));
    low.SetPriority(200);
    EXPECT_EQ(f.Surface.Engines(), (std::vector<TSpriteEngine*>{&low, &high}));
}

TEST(SpriteEngineSurfaceTest, MovingAnEngineMovesItsSprites) {
    TSurfaceFixture a;
    TSurfaceFixture b;
    TSpriteEngine engine;
    engine.SetSpriteSurface(&a.Surface);
    TSprite* drawn = engine.AddSprite(Probe("d", nullptr));
    a.Surface.Render();
    TSprite* pending = engine.AddSprite(Probe("p", nullptr));
    engine.SetSpriteSurface(&b.Surface);
    EXPECT_TRUE(a.Surface.Engines().empty());
    EXPECT_EQ(b.Surface.Engines(), (std::vector<TSpriteEngine*>{&engine}));
    EXPECT_EQ(drawn->SpriteSurface(), &b.Surface);
    EXPECT_EQ(pending->SpriteSurface(), &b.Surface);
}

TEST(SpriteEngineSurfaceTest, DestroyedEngineLeavesTheSurfaceAndDestroyedSurfaceTheEngine) {
    TSpriteEngine survivor;
    TSprite* s = survivor.AddSprite(Probe("s", nullptr));
    {
        TSurfaceFixture f;
        {
            TSpriteEngine gone;
            gone.SetSpriteSurface(&f.Surface);
        }
        EXPECT_TRUE(f.Surface.Engines().empty());
        survivor.SetSpriteSurface(&f.Surface);
        EXPECT_EQ(s->SpriteSurface(), &f.Surface);
    }
    EXPECT_EQ(survivor.SpriteSurface(), nullptr);
    EXPECT_EQ(s->SpriteSurface(), nullptr);
}

// ---- collisions ----

struct CollisionFixture : ::testing::Test {
    std::vector<std::string> Log;
    TSurfaceFixture F;
    TSpriteEngine A;
    TSpriteEngine B;
    std::vector<std::string> Hits;
    CollisionFixture() {
        A.SetSpriteSurface(&F.Surface);
        B.SetSpriteSurface(&F.Surface);
        A.OnCollision = [this](TObject* Sender, TSprite* S1, TSprite* S2) {
            EXPECT_EQ(Sender, &A);
            Hits.push_back(NameOf(S1) + "-" + NameOf(S2));
        };
    }
    TSprite* Put(TSpriteEngine& E, const std::string& Name, float X, float Y) {
        TSprite* s = E.AddSprite(Probe(Name, nullptr));
        s->SetX(X);
        s->SetY(Y);
        return s;
    }
};

TEST_F(CollisionFixture, WithoutPartnersNothingIsReported) {
    Put(A, "a1", 0, 0);
    Put(A, "a2", 5, 5);
    F.Surface.Render();
    F.Surface.Render();
    EXPECT_TRUE(Hits.empty());
}

TEST_F(CollisionFixture, OwnEngineTestsEachPairOnceEarlierFirst) {
    A.AddCollisionPartner(&A);
    Put(A, "a1", 0, 0);
    Put(A, "a2", 5, 5);
    Put(A, "far", 40, 20);
    F.Surface.Render();
    // Drawn list is far, a2, a1.
    EXPECT_EQ(Hits, (std::vector<std::string>{"a2-a1"}));
}

TEST_F(CollisionFixture, PartnerEngineSpritesAreTestedAgainstEachOfOurs) {
    A.AddCollisionPartner(&B);
    Put(A, "a", 0, 0);
    Put(B, "b1", 3, 3);
    Put(B, "b2", 8, 0);
    Put(B, "b3", 9, 9); // touches only the inclusive corner: (9,9)..(9,9) is empty overlap
    F.Surface.Render();
    EXPECT_EQ(Hits, (std::vector<std::string>{"a-b2", "a-b1"}));
}

TEST_F(CollisionFixture, KilledInvisibleAndInsetSpritesDoNotCollide) {
    A.AddCollisionPartner(&B);
    Put(A, "a", 0, 0);
    Put(B, "dead", 1, 1)->SetDead(true);
    Put(B, "hidden", 1, 1)->SetVisible(false);
    TSprite* inset = Put(B, "inset", 1, 1);
    inset->SetCollisionInsetLeft(6);
    inset->SetCollisionInsetRight(6); // inverted rectangle
    Put(B, "ok", 1, 1);
    F.Surface.Render();
    EXPECT_EQ(Hits, (std::vector<std::string>{"a-ok"}));
}

TEST_F(CollisionFixture, HandlerThatKillsASpriteEndsItsTests) {
    A.AddCollisionPartner(&B);
    Put(A, "a", 0, 0);
    Put(B, "b1", 1, 1);
    Put(B, "b2", 2, 2);
    A.OnCollision = [this](TObject*, TSprite* S1, TSprite* S2) {
        Hits.push_back(NameOf(S1) + "-" + NameOf(S2));
        S1->SetDead(true);
    };
    F.Surface.Render();
    EXPECT_EQ(Hits, (std::vector<std::string>{"a-b2"}));
}

TEST_F(CollisionFixture, CollisionsRunAfterTheEngineDrawsAndBeforeTheNext) {
    std::vector<std::string>& log = Log;
    A.SetPriority(2);
    B.SetPriority(1);
    A.AddCollisionPartner(&A);
    A.AddSprite(Probe("a1", &log));
    A.AddSprite(Probe("a2", &log));
    B.AddSprite(Probe("b", &log));
    A.OnCollision = [&](TObject*, TSprite*, TSprite*) { log.push_back("collision"); };
    F.Surface.Render();
    EXPECT_EQ(log, (std::vector<std::string>{"move a2", "move a1", "move b", "draw a2", "draw a1",
                                             "collision", "draw b"}));
}

TEST_F(CollisionFixture, DestroyedPartnerIsDropped) {
    Put(A, "a", 0, 0);
    {
        TSpriteEngine partner;
        partner.SetSpriteSurface(&F.Surface);
        A.AddCollisionPartner(&partner);
        EXPECT_EQ(A.CollisionPartners().size(), 1u);
    }
    EXPECT_TRUE(A.CollisionPartners().empty());
    F.Surface.Render();
}

} // namespace
