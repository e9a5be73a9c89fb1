#pragma once

#include <QElapsedTimer>

class QApplication;
class TfrmMain;

// Measures how long the editor takes from its entry to its first map frame, for the
// start-up benchmark. It acts only when the environment variable ZONEWRIGHT_START_PROBE
// is set (to anything but empty): then the editor prints one line to standard output,
//   zonewright-start-probe: qt=MS window=MS frame=MS ready=MS main-cpu=MS process-cpu=MS
// (milliseconds since the entry: Qt started; the window built and shown; the first frame
// with zones painted into the window; the map set of the command line loaded with its
// lists; then the CPU time of the window's thread and of the whole process so far), and
// quits once it has both a map frame and the load. Without the variable nothing changes.
class TStartProbe {
public:
    TStartProbe();
    TStartProbe(const TStartProbe&) = delete;
    TStartProbe& operator=(const TStartProbe&) = delete;

    bool Active() const { return FActive; }
    void QtStarted();
    // Watches the surface's frames from here on; call once the window is shown.
    void WindowShown(TfrmMain& Main);
    void Loaded();

private:
    void FramePainted(TfrmMain& Main);
    void Report();

    bool FActive = false;
    QElapsedTimer FClock;
    qint64 FQt = -1;
    qint64 FWindow = -1;
    qint64 FFrame = -1;
    qint64 FReady = -1;
};
