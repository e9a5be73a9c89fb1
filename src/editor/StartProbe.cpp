#include "editor/StartProbe.h"

#include "editor/MainForm.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <ctime>

TStartProbe::TStartProbe() : FActive(!qEnvironmentVariableIsEmpty("ZONEWRIGHT_START_PROBE")) {
    FClock.start();
}

void TStartProbe::QtStarted() {
    FQt = FClock.elapsed();
}

void TStartProbe::WindowShown(TfrmMain& Main) {
    FWindow = FClock.elapsed();
    if (!FActive)
        return;
    TZoneSpriteSurface* Surface = Main.surface;
    // A frame reaches the window inside Render, before AfterRender; a hidden surface
    // draws into its buffer only.
    Surface->AfterRender = [this, &Main, Previous = Surface->AfterRender](TObject* Sender) {
        if (Previous)
            Previous(Sender);
        FramePainted(Main);
    };
}

void TStartProbe::Loaded() {
    FReady = FClock.elapsed();
    if (FActive && FFrame >= 0)
        QTimer::singleShot(0, qApp, [this] { Report(); });
}

void TStartProbe::FramePainted(TfrmMain& Main) {
    if (FFrame >= 0 || !Main.surface->isVisible() || Main.surface->ZoneCount() == 0)
        return;
    FFrame = FClock.elapsed();
    // Not from inside the frame: the surface is still drawing.
    if (FReady >= 0)
        QTimer::singleShot(0, qApp, [this] { Report(); });
}

namespace {

double CpuMilliseconds(clockid_t Clock) {
    timespec Now{};
    clock_gettime(Clock, &Now);
    return double(Now.tv_sec) * 1e3 + double(Now.tv_nsec) / 1e6;
}

} // namespace

void TStartProbe::Report() {
    // CPU times tell the work apart from waiting on a busy machine: the window's thread
    // alone, and the process with its helper threads.
    std::printf("zonewright-start-probe: qt=%lld window=%lld frame=%lld ready=%lld "
                "main-cpu=%.0f process-cpu=%.0f\n",
                static_cast<long long>(FQt), static_cast<long long>(FWindow),
                static_cast<long long>(FFrame), static_cast<long long>(FReady),
                CpuMilliseconds(CLOCK_THREAD_CPUTIME_ID),
                CpuMilliseconds(CLOCK_PROCESS_CPUTIME_ID));
    std::fflush(stdout);
    QApplication::exit(0);
}
