#pragma once

#include "platform/Thread.h"

class TSpriteSurface;

// Paces the frames of one sprite surface: measures time, has the GUI thread run the
// surface's frame and waits for it, then sleeps for AnimationInterval less the frame's
// own duration. Created suspended; the surface's Active resumes and suspends it.
//
// Shutdown: the surface's destructor calls Shutdown before anything else of it goes. That
// terminates the thread, abandons a frame request the GUI thread has not started yet (so
// no frame runs once destruction has begun), wakes the thread from suspension or sleep and
// joins it. The join cannot deadlock: the worker only ever waits for the GUI thread inside
// Synchronize, and Shutdown releases that wait.
class TAnimateThread : public TThread {
public:
    explicit TAnimateThread(TSpriteSurface* Surface);
    ~TAnimateThread() override;

protected:
    void Execute() override;

private:
    TSpriteSurface* FSurface;
};
