#include "SpriteTestSupport.h"

#include "platform/Application.h"
#include "platform/Clock.h"
#include "platform/Exception.h"
#include "support/Scripted.h"

#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

// Processes events until Done or the time is up; true when Done.
bool PumpUntil(const std::function<bool()>& Done, uint32_t Milliseconds) {
    const uint32_t start = timeGetTime();
    while (!Done()) {
        if (timeGetTime() - start >= Milliseconds)
            return false;
        Application().ProcessMessages();
        Sleep(1);
    }
    return true;
}

void Pump(uint32_t Milliseconds) {
    PumpUntil([] { return false; }, Milliseconds);
}

TEST(AnimateThreadTest, ActiveSurfaceGetsFramesAndInactiveNone) {
    TSurfaceFixture f;
    int frames = 0;
    f.Surface.AfterRender = [&](TObject*) { ++frames; };
    f.Surface.SetAnimationInterval(10);
    f.Surface.SetActive(true);
    EXPECT_TRUE(PumpUntil([&] { return frames >= 5; }, 5000));
    f.Surface.SetActive(false);
    Pump(100); // a frame under way is completed
    const int held = frames;
    Pump(200);
    EXPECT_EQ(frames, held);
    f.Surface.SetActive(true);
    EXPECT_TRUE(PumpUntil([&] { return frames >= held + 3; }, 5000));
}

TEST(AnimateThreadTest, FramesArePacedByTheInterval) {
    TSurfaceFixture f;
    int frames = 0;
    f.Surface.AfterRender = [&](TObject*) { ++frames; };
    f.Surface.SetAnimationInterval(50);
    f.Surface.SetActive(true);
    Pump(600);
    f.Surface.SetActive(false);
    // About 12 at 50 ms; loose bounds for a busy machine.
    EXPECT_GE(frames, 4);
    EXPECT_LE(frames, 14);
}

TEST(AnimateThreadTest, FramesGoOnInsideANestedEventLoop) {
    TSurfaceFixture f;
    int frames = 0;
    f.Surface.AfterRender = [&](TObject*) { ++frames; };
    f.Surface.SetAnimationInterval(10);
    f.Surface.SetActive(true);
    // As a modal dialog or an open menu does.
    QEventLoop loop;
    QTimer::singleShot(300, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_GE(frames, 3);
}

TEST(AnimateThreadTest, MissingPaletteIsReportedOnceAndStopsTheAnimation) {
    MessageCapture capture;
    TSpriteSurface s;
    s.SetAnimationInterval(5);
    s.SetActive(true);
    EXPECT_TRUE(PumpUntil([&] { return !capture.Messages().empty(); }, 5000));
    Pump(200);
    EXPECT_EQ(capture.Messages(),
              (std::vector<std::string>{"ColorPalette property must be assigned"}));
    EXPECT_FALSE(s.Active());
}

TEST(AnimateThreadTest, AnyFailedFrameIsReportedOnceAndStopsTheAnimation) {
    MessageCapture capture;
    TSurfaceFixture f;
    f.Surface.SetAnimationInterval(5);
    f.Surface.BeforeRender = [](TObject*) { throw Exception("handler failed"); };
    f.Surface.SetActive(true);
    EXPECT_TRUE(PumpUntil([&] { return !capture.Messages().empty(); }, 5000));
    Pump(200);
    EXPECT_EQ(capture.Messages(), (std::vector<std::string>{"handler failed"}));
    EXPECT_FALSE(f.Surface.Active());
}

TEST(AnimateThreadShutdownTest, NoFrameAfterDestructionBegins) {
    int frames = 0;
    {
        TSurfaceFixture f;
        f.Surface.AfterRender = [&](TObject*) { ++frames; };
        f.Surface.SetActive(true);
        Sleep(20); // the thread has asked for a frame that the GUI thread has not run
    }
    const int atDestruction = frames;
    Pump(100); // the abandoned request comes up now and must do nothing
    EXPECT_EQ(frames, atDestruction);
}

TEST(AnimateThreadShutdownTest, CreatingAndDestroyingActiveSurfacesNeverHangs) {
    int frames = 0;
    for (int i = 0; i < 200; ++i) {
        auto f = std::make_unique<TSurfaceFixture>(32, 16);
        f->Surface.AfterRender = [&](TObject*) { ++frames; };
        f->Surface.SetAnimationInterval(i % 3);
        f->Surface.SetActive(true);
        switch (i % 4) {
        case 0: // destroyed with a frame request pending
            Sleep(1);
            break;
        case 1: // destroyed right after a frame
            PumpUntil([&] { return frames > 0; }, 2000);
            break;
        case 2: // destroyed while suspended again
            Application().ProcessMessages();
            f->Surface.SetActive(false);
            break;
        default: // destroyed at once
            break;
        }
        f.reset();
        Application().ProcessMessages();
    }
    EXPECT_GT(frames, 0);
}

} // namespace
