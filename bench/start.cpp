// The editor from process start to its first map frame, on wiggly-grid maps (cells whose
// sides have K pieces): the real program started as a user would with the map set on its
// command line, on the offscreen platform, with a scratch home so that no settings are
// touched. The program's start probe (ZONEWRIGHT_START_PROBE) reports the parts in
// milliseconds since its entry: Qt started (qt), window built and shown (window), first
// frame with zones painted (frame), map set loaded with its lists (ready). The time is
// the wall time from the launch to the probe's line; before_main is what the launch and
// the loading of the program took before its entry. main_cpu and process_cpu are the CPU
// times of the window's thread and of the program up to the line: on a busy machine the
// first is the figure to compare.
#include "BenchMain.h"
#include "WigglyGrid.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>

#include <sys/resource.h>

namespace {

double Fastest(const std::vector<double>& V) {
    return V.empty() ? 0 : *std::min_element(V.begin(), V.end());
}

struct TStartMap {
    explicit TStartMap(int32_t Segments) {
        TWigglyGridOptions Options;
        Options.Segments = Segments;
        Files = WriteWigglyGrid(Dir.path().toStdString(), Options);
    }
    QTemporaryDir Dir;
    QTemporaryDir Home;
    TWigglyGridFiles Files;
};

TStartMap& MapFor(int32_t Segments) {
    static std::map<int32_t, std::unique_ptr<TStartMap>> All;
    auto& Made = All[Segments];
    if (!Made)
        Made = std::make_unique<TStartMap>(Segments);
    return *Made;
}

double ChildCpuSeconds() {
    rusage Usage{};
    getrusage(RUSAGE_CHILDREN, &Usage);
    return double(Usage.ru_utime.tv_sec + Usage.ru_stime.tv_sec) +
           double(Usage.ru_utime.tv_usec + Usage.ru_stime.tv_usec) / 1e6;
}

// "name=value" out of the probe's line; -1 when absent.
double Field(const QString& Line, const QString& Name) {
    for (const QString& Part : Line.split(' ', Qt::SkipEmptyParts))
        if (Part.startsWith(Name + "="))
            return Part.mid(Name.size() + 1).toDouble();
    return -1;
}

void BM_StartToFirstFrame(benchmark::State& State) {
    TStartMap& Map = MapFor(int32_t(State.range(0)));
    QProcessEnvironment Environment = QProcessEnvironment::systemEnvironment();
    Environment.insert("QT_QPA_PLATFORM", "offscreen");
    Environment.insert("ZONEWRIGHT_START_PROBE", "1");
    Environment.insert("HOME", Map.Home.path());
    Environment.insert("XDG_CONFIG_HOME", Map.Home.path() + "/.config");
    Environment.insert("XDG_RUNTIME_DIR", Map.Home.path());
    double Parts[7] = {};
    double ChildCpu = 0;
    for (auto _ : State) {
        QProcess Editor;
        Editor.setProcessEnvironment(Environment);
        Editor.setProcessChannelMode(QProcess::SeparateChannels);
        const double CpuBefore = ChildCpuSeconds();
        QElapsedTimer Clock;
        Clock.start();
        Editor.start(ZW_EDITOR_BINARY, {QString::fromStdString(Map.Files.MapSet)});
        QString Line;
        while (!Line.contains('\n') && Editor.waitForReadyRead(60000))
            Line += QString::fromUtf8(Editor.readAllStandardOutput());
        const double Seconds = double(Clock.nsecsElapsed()) / 1e9;
        Editor.waitForFinished(60000);
        ChildCpu += ChildCpuSeconds() - CpuBefore;
        if (!Line.startsWith("zonewright-start-probe:")) {
            State.SkipWithError(("no probe line; the editor said: " +
                                 Editor.readAllStandardError().left(400).toStdString())
                                    .c_str());
            break;
        }
        State.SetIterationTime(Seconds);
        const double Ready = Field(Line, "ready");
        const double Frame = Field(Line, "frame");
        Parts[0] += Field(Line, "qt");
        Parts[1] += Field(Line, "window");
        Parts[2] += Frame;
        Parts[3] += Ready;
        Parts[4] += Seconds * 1000 - std::max(Ready, Frame);
        Parts[5] += Field(Line, "main-cpu");
        Parts[6] += Field(Line, "process-cpu");
    }
    const auto Average = benchmark::Counter::kAvgIterations;
    State.counters["qt_ms"] = benchmark::Counter(Parts[0], Average);
    State.counters["window_ms"] = benchmark::Counter(Parts[1], Average);
    State.counters["frame_ms"] = benchmark::Counter(Parts[2], Average);
    State.counters["ready_ms"] = benchmark::Counter(Parts[3], Average);
    State.counters["before_main_ms"] = benchmark::Counter(Parts[4], Average);
    State.counters["main_cpu_ms"] = benchmark::Counter(Parts[5], Average);
    State.counters["process_cpu_ms"] = benchmark::Counter(Parts[6], Average);
    // User and system time of the whole run, its end included.
    State.counters["cpu_ms"] = benchmark::Counter(ChildCpu * 1000, Average);
}
BENCHMARK(BM_StartToFirstFrame)
    ->ArgName("K")
    ->Arg(1)
    ->Arg(8)
    ->Arg(75)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Fastest);

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv);
}
