// The log viewer on an hour-long log: 72,000 rows of 30 columns (20 rows a second, about
// 17 MB), as the live-data window writes it.
//
// BM_ReadLog: the file read into columns.
// BM_OpenAndFirstPaint: read, every page built, the window shown at 1280 x 450 and its
// time-graph page painted once; peak_rss_MB is the whole process's peak after it.
// BM_ZoomStep: one zoom in one graph (every graph follows, the custom graph's range
// moves), replotted and painted; /0 at the opening size, /1 with all 30 graphs on screen.
// BM_Rotate3D: one auto-rotation tick of 10,000 points drawn in a 600 x 600 view.

#include "Dialogs.h"
#include "LogPlot.h"
#include "LogReader.h"
#include "LogViewForm.h"
#include "Rot3D.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>
#include <fstream>
#include <memory>
#include <string>

namespace {

constexpr int Rows = 72000;
constexpr int Columns = 30;

QString LogFile;

double PeakRssMB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024;
    return 0;
}

// Values shaped like a drive: speeds, pressures, temperatures with decimals, switches.
void WriteLog(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    QByteArray header = "Time,";
    for (int c = 0; c < Columns; ++c)
        header += (c % 10 == 9 ? "Switch " : "Parameter ") + QByteArray::number(c) +
                  (c % 10 == 9 ? "," : " (unit),");
    f.write(header + "\r\n");
    QByteArray line;
    for (int r = 0; r < Rows; ++r) {
        line = QByteArray::number(r * 50).rightJustified(8, ' ') + ", ";
        for (int c = 0; c < Columns; ++c) {
            const double t = r * 0.05;
            if (c % 10 == 9)
                line += (int(t / (7 + c)) % 2 ? "1,  " : "0,  ");
            else if (c % 3 == 0)
                line += QByteArray::number(std::round(2500 + 1800 * std::sin(t / (3 + c)))) + ", ";
            else
                line += QByteArray::number(20 * std::sin(t / (5 + c)) + c, 'f', 1 + c % 3) + ", ";
        }
        f.write(line + "\r\n");
    }
}

std::unique_ptr<TfrmLogViewer> OpenViewer(TDialogs& dialogs)
{
    TToolWindowHost host;
    host.DialogsImpl = &dialogs;
    auto viewer = std::make_unique<TfrmLogViewer>(host);
    viewer->setAttribute(Qt::WA_DeleteOnClose, false);
    viewer->LoadLog(LogFile);
    viewer->setGeometry(0, 30, 1280, 450);
    viewer->show();
    viewer->repaint();
    QCoreApplication::processEvents();
    return viewer;
}

void BM_ReadLog(benchmark::State& state)
{
    for (auto _ : state) {
        TLogReadResult r = ReadLogFile(LogFile);
        benchmark::DoNotOptimize(r.Data.Times.data());
        if (r.Data.RowCount() != Rows) state.SkipWithError("wrong row count");
    }
    state.counters["MB"] = QFileInfo(LogFile).size() / 1048576.0;
}
BENCHMARK(BM_ReadLog)->Unit(benchmark::kMillisecond);

void BM_OpenAndFirstPaint(benchmark::State& state)
{
    TRecordingDialogs dialogs;
    for (auto _ : state) {
        auto viewer = OpenViewer(dialogs);
        state.PauseTiming();
        viewer.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
    state.counters["peak_rss_MB"] = PeakRssMB();
}
BENCHMARK(BM_OpenAndFirstPaint)->Unit(benchmark::kMillisecond);

void BM_ZoomStep(benchmark::State& state)
{
    TRecordingDialogs dialogs;
    auto viewer = OpenViewer(dialogs);
    if (state.range(0)) viewer->resize(1280, 200 + Columns * 92);
    viewer->repaint();
    QCoreApplication::processEvents();
    QCPAxis* x = viewer->Graphs[0].Plot->xAxis;
    int i = 0;
    for (auto _ : state) {
        // Zoom in step by step, then start again: each step a different window.
        const double span = Rows * 50.0 / (1 + i % 20);
        x->setRange(1000.0 * (i % 7), 1000.0 * (i % 7) + span);
        ++i;
        QCoreApplication::processEvents();
        viewer->repaint();
    }
    int shown = 0;
    for (auto& g : viewer->Graphs)
        shown += !g.Plot->visibleRegion().isEmpty();
    state.counters["graphs_on_screen"] = shown;
    state.counters["peak_rss_MB"] = PeakRssMB();
}
BENCHMARK(BM_ZoomStep)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_Rotate3D(benchmark::State& state)
{
    TRot3D view;
    view.resize(600, 600);
    view.SetCentre(QPoint(300, 300));
    view.SetMagnification(600 * 0.7 / 400);
    for (int i = 0; i < 10000; ++i)
        view.AddPoint(std::sin(i * 0.01) * 1000, (i % 100) * 20.0, (i / 100) * 20.0,
                      TRot3D::PointDot);
    for (int a = 0; a < 3; ++a)
        view.SetScale(a, 1);
    view.SetOrigin(1, 1000);
    view.SetOrigin(2, 1000);
    QImage image(600, 600, QImage::Format_ARGB32_Premultiplied);
    double angle = 0;
    for (auto _ : state) {
        angle += 1;
        view.SetViewAngles(angle, angle, 270);
        QPainter p(&image);
        view.Render(p);
    }
}
BENCHMARK(BM_Rotate3D)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    LogFile = dir.filePath("hour.csv");
    WriteLog(LogFile);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
