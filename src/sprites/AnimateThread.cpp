#include "sprites/AnimateThread.h"

#include "platform/Clock.h"
#include "sprites/SpriteSurface.h"

TAnimateThread::TAnimateThread(TSpriteSurface* Surface) : TThread(true), FSurface(Surface) {}

TAnimateThread::~TAnimateThread() {
    Shutdown();
}

void TAnimateThread::Execute() {
    while (CheckSuspended()) {
        const uint32_t t0 = timeGetTime();
        if (!Synchronize([this] { FSurface->AnimationFrame(); }))
            return;
        const uint32_t elapsed = timeGetTime() - t0;
        const int64_t wait = int64_t(FSurface->AnimationInterval()) - int64_t(elapsed);
        SleepFor(wait > 0 ? uint32_t(wait) : 0);
    }
}
