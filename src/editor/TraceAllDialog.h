#pragma once

#include "trace/Tracer.h"

#include <QDialog>
#include <QImage>
#include <QRgb>
#include <QVector>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QCheckBox;
class QDialogButtonBox;
class QDoubleSpinBox;
class QLabel;
class QProgressBar;
class QRadioButton;
class QSpinBox;
class QTableWidget;
class QTimer;
class TTraceWorker;

// Trace All Zones: the settings of a trace (border and sea colours from a list of the
// picture's colours, or picked by clicking the preview; tolerance; minimum area; the whole
// background or the part in view; whether to skip what existing zones cover), and a
// preview of the traced outlines over the picture, traced again in a worker whenever a
// setting changes. OK waits for the trace under the settings shown; Cancel stops it.
class TdlgTraceAll : public QDialog {
    Q_OBJECT
public:
    // Whole: the background as the map draws it; InView: its part in view (both as
    // ComposeBackground makes them; InView may be empty when nothing shows). Colors: the
    // map's palette. Covered: whether an existing zone holds a map point.
    TdlgTraceAll(TTracePicture Whole, std::optional<TTracePicture> InView, QVector<QRgb> Colors,
                 const TTraceSettings& Initial, std::function<bool(TPoint)> Covered,
                 QWidget* Parent = nullptr);
    ~TdlgTraceAll() override;

    QTableWidget* tblColors;
    QDoubleSpinBox* spinTolerance;
    QSpinBox* spinMinArea;
    QRadioButton* rbWhole;
    QRadioButton* rbInView;
    QCheckBox* cbSkipCovered;
    QLabel* lblPreview;
    QLabel* lblSummary;
    QProgressBar* prgTrace;
    QDialogButtonBox* btnsOkCancel;

    TTraceSettings Settings() const;
    // After OK: the regions to make (those existing zones cover left out when asked), with
    // Enclosed naming positions in this list; and the trace they come from.
    const std::vector<TTracedRegion>& Regions() const { return FRegions; }
    const std::shared_ptr<TTracer>& Tracer() const { return FTracer; }
    bool WholeBackground() const;
    // The trace under the settings shown is done.
    bool Current() const { return FTracer && !FStale && !FRunning; }
    // Blocks until the trace under way (or due) has ended; for tests and scripts.
    void WaitForTrace();

    void accept() override;
    void reject() override;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void SettingsChanged();
    void StartTrace();
    void TraceEnded(bool Traced, const QString& Error);
    void ShowPreview();
    const TTracePicture& Picture() const;

    TTracePicture FWhole;
    std::optional<TTracePicture> FInView;
    QVector<QRgb> FColors;
    std::function<bool(TPoint)> FCovered;
    TTraceWorker* FWorker;
    QTimer* FDelay;
    std::shared_ptr<TTracer> FTracer;
    std::vector<TTracedRegion> FRegions;
    // Regions of the trace left out because existing zones cover them.
    std::vector<int32_t> FSkipped;
    bool FStale = true;
    bool FRunning = false;
    bool FAcceptWhenDone = false;
    // The preview's scale and the picture it shows.
    double FScale = 1;
    QImage FBase;
};
