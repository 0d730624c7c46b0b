// The log viewer window on small logs: what it builds from a file, the time graphs'
// fitting, zoom and read-out, the custom graph, the 3-D plot and the comments.
#include "LogViewForm.h"

#include "Dialogs.h"
#include "LogDataGrid.h"
#include "LogPlot.h"
#include "LogSeries.h"
#include "Plot3DFrame.h"
#include "Rot3D.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

class LogViewer : public ::testing::Test {
  protected:
    TToolWindowHost Host()
    {
        TToolWindowHost host;
        host.DialogsImpl = &Dialogs;
        host.GraphBackgroundColour = [] { return QColor(Qt::black); };
        host.LogLineColour = [] { return QColor(Qt::yellow); };
        return host;
    }
    QString Write(const QString& name, const QByteArray& bytes)
    {
        const QString path = Dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    }
    // Loads the bytes as a log; the viewer is null when it closed.
    bool Load(const QByteArray& bytes, const QString& name = "log.csv")
    {
        Viewer = std::make_unique<TfrmLogViewer>(Host());
        Viewer->setAttribute(Qt::WA_DeleteOnClose, false);
        return Viewer->LoadLog(Write(name, bytes));
    }
    void Show()
    {
        Viewer->resize(1000, 600);
        Viewer->show();
        QTest::qWait(50);
        for (auto& g : Viewer->Graphs)
            g.Plot->replot();
        Viewer->RChart->replot();
    }

    QTemporaryDir Dir;
    TRecordingDialogs Dialogs;
    std::unique_ptr<TfrmLogViewer> Viewer;
};

const QByteArray Example = "Time,Engine Speed (rpm),Manifold Pressure (psi),\r\n"
                           "       0, 850, -10.2, \r\n"
                           "     100, 900, -10.1, \r\n";

// Seven rows, 500 ms apart: a ramp, an on/off column and a constant one.
QByteArray Steps()
{
    QByteArray out = "Time,Ramp,Switch,Flat,\r\n";
    for (int r = 0; r < 7; ++r)
        out += QByteArray::number(r * 500).rightJustified(8, ' ') + ", " +
               QByteArray::number(100 + r * 10) + ", " + QByteArray::number(r % 2) + ",  5, \r\n";
    return out;
}

} // namespace

TEST_F(LogViewer, BuildsEveryPageFromTheTwoRowExample)
{
    ASSERT_TRUE(Load(Example));
    const TfrmLogViewer& v = *Viewer;
    EXPECT_EQ(v.windowTitle(), "Log Viewer - " + Dir.filePath("log.csv"));
    EXPECT_TRUE(Dialogs.Calls.empty());
    EXPECT_EQ(v.Graphs.size(), 2u);
    EXPECT_EQ(v.clbGraphs->count(), 2);
    EXPECT_EQ(v.clbGraphs->item(1)->checkState(), Qt::Checked);
    EXPECT_EQ(v.pgcPages->currentWidget(), v.tabTimeGraphs);
    EXPECT_FALSE(v.pgcPages->isTabVisible(v.pgcPages->indexOf(v.tabComments)));
    // The combo boxes: the columns, then "Time" standing for the row times.
    EXPECT_EQ(v.cmbX->count(), 3);
    EXPECT_EQ(v.cmbX->itemText(2), "Time");
    EXPECT_EQ(v.cmbX->itemData(2).toInt(), TfrmLogViewer::TimeItem);
    EXPECT_EQ(v.cmbX->currentText(), "Engine Speed (rpm)");
    EXPECT_EQ(v.cmbY1->currentText(), "Manifold Pressure (psi)");
    EXPECT_EQ(v.cmbY2->currentIndex(), 1);
    EXPECT_EQ(v.cmbY3->currentIndex(), 1);
    EXPECT_EQ(v.cmb3Dx->currentIndex(), 0);
    EXPECT_EQ(v.cmb3Dy->currentIndex(), 1);
    EXPECT_EQ(v.cmb3Dz->currentIndex(), 2);
    EXPECT_EQ(v.trkEnd->maximum(), 1);
    EXPECT_EQ(v.trkEnd->value(), 1);
    EXPECT_EQ(v.trkStart->value(), 0);
    EXPECT_EQ(v.RChart->yAxis->label(),
              "Manifold Pressure (psi) & Manifold Pressure (psi) & Manifold Pressure (psi)");
    // The data table: a header row of times, one row per column.
    const QAbstractItemModel* m = v.DataGrid->model();
    ASSERT_EQ(m->rowCount(), 2);
    ASSERT_EQ(m->columnCount(), 5);
    EXPECT_EQ(m->headerData(0, Qt::Horizontal).toString(), "Time (ms)");
    EXPECT_EQ(m->headerData(4, Qt::Horizontal).toString(), "100");
    EXPECT_EQ(m->index(1, 0).data().toString(), "Manifold Pressure (psi)");
    EXPECT_EQ(m->index(1, 1).data().toString(), "-10.2");
    EXPECT_EQ(m->index(1, 2).data().toString(), "-10.1");
    EXPECT_EQ(m->index(0, 4).data().toString(), "900");
}

TEST_F(LogViewer, MessagesAndWhetherTheViewerStays)
{
    struct TCase {
        QByteArray Bytes;
        TDialogKind Kind;
        QString Text;
        bool Stays;
    };
    QByteArray changed = "Time,A,\r\n";
    for (int r = 0; r < 300; ++r)
        changed += QByteArray::number(r) + ", 1, \r\n";
    changed += "Time,A,B,\r\n1, 2, 3, \r\n";
    const TCase cases[] = {
        {"Date,A,\r\n1, 2,\r\n", TDialogKind::Error,
         "The file is not in a recognised format and cannot be viewed.", false},
        {"Time,A,\r\n", TDialogKind::Information,
         "This log file contains no data. Perhaps you had data capture paused while logging",
         false},
        {changed, TDialogKind::Warning,
         "The parameters logged in this file were changed during logging. \r\nOnly the original "
         "set will be displayed.",
         true},
        {"Time,A,\r\n1, 2,\r\n2, x,\r\n", TDialogKind::Error,
         "An error occurred while loading in the log file (line 3: 'x' is not a valid floating "
         "point value). The data "
         "displayed will not be complete.",
         true},
    };
    for (const TCase& c : cases) {
        Dialogs.Calls.clear();
        EXPECT_EQ(Load(c.Bytes), c.Stays) << c.Text.toStdString();
        ASSERT_EQ(Dialogs.Calls.size(), 1u);
        EXPECT_EQ(Dialogs.Calls[0].Kind, c.Kind);
        EXPECT_EQ(Dialogs.Calls[0].Text, c.Text);
    }
    EXPECT_EQ(Viewer->Data.RowCount(), 1); // the row before the bad one
    ASSERT_TRUE(Load(changed));
    EXPECT_EQ(Viewer->Data.RowCount(), 300);
    EXPECT_EQ(Viewer->DataGrid->model()->columnCount(), 303);
}

TEST_F(LogViewer, GraphsAreFittedToTheirColumns)
{
    ASSERT_TRUE(Load(Steps()));
    auto& g = Viewer->Graphs;
    EXPECT_EQ(g[0].Plot->height(), 90);
    EXPECT_DOUBLE_EQ(g[0].Plot->yAxis->range().lower, 94);
    EXPECT_DOUBLE_EQ(g[0].Plot->yAxis->range().upper, 166);
    EXPECT_EQ(g[1].Plot->height(), 60); // on/off
    EXPECT_EQ(g[1].Plot->yAxis->range(), QCPRange(-0.5, 1.5));
    EXPECT_EQ(g[2].Plot->height(), 60); // constant
    EXPECT_EQ(g[2].Plot->yAxis->range(), QCPRange(4, 6));
    for (auto& graph : g)
        EXPECT_EQ(graph.Plot->xAxis->range(), QCPRange(0, 3000));

    for (auto [button, height] :
         {std::pair{Viewer->rbLarge, 160}, {Viewer->rbMedium, 120}, {Viewer->rbSmall, 90}}) {
        button->click();
        EXPECT_EQ(g[0].Plot->height(), height);
        EXPECT_EQ(g[1].Plot->height(), 60);
        EXPECT_EQ(g[2].Plot->height(), 60);
    }

    // The check list shows and hides graphs.
    Show();
    Viewer->clbGraphs->item(1)->setCheckState(Qt::Unchecked);
    EXPECT_FALSE(g[1].Plot->isVisible());
    Viewer->clbGraphs->item(1)->setCheckState(Qt::Checked);
    EXPECT_TRUE(g[1].Plot->isVisible());
    Viewer->btnUncheckAll->click();
    for (auto& graph : g)
        EXPECT_FALSE(graph.Plot->isVisible());
}

TEST_F(LogViewer, ClickingAPointReadsItOutInEveryGraphAndTheTable)
{
    ASSERT_TRUE(Load(Steps()));
    Show();
    auto& g = Viewer->Graphs;
    const QPointF at = g[0].Series->RowPixel(3); // time 1500
    QTest::mouseClick(g[0].Plot, Qt::LeftButton, {}, at.toPoint());
    EXPECT_EQ(Viewer->GraphCaption(0), "Ramp=130, Time=1500ms");
    EXPECT_EQ(Viewer->GraphCaption(1), "Switch=1, Time=1500ms");
    EXPECT_EQ(Viewer->GraphCaption(2), "Flat=5, Time=1500ms");
    for (auto& graph : g)
        EXPECT_EQ(graph.Series->Marked(), 3);
    EXPECT_EQ(Viewer->DataGrid->Col(), 3 + 3);
    EXPECT_EQ(Viewer->DataGrid->Row(), 1);

    // Another point in another graph moves the marks; far from any point nothing changes.
    QTest::mouseClick(g[2].Plot, Qt::LeftButton, {}, g[2].Series->RowPixel(5).toPoint());
    EXPECT_EQ(Viewer->GraphCaption(0), "Ramp=150, Time=2500ms");
    EXPECT_EQ(g[0].Series->Marked(), 5);
    EXPECT_EQ(Viewer->DataGrid->Col(), 3 + 5);
    EXPECT_EQ(Viewer->DataGrid->Row(), 3);
    QTest::mouseClick(g[0].Plot, Qt::LeftButton, {},
                      (g[0].Series->RowPixel(5) + QPointF(0, 40)).toPoint());
    EXPECT_EQ(g[0].Series->Marked(), 5);
}

TEST_F(LogViewer, AZoomInOneGraphMovesEveryGraphAndTheTrackBars)
{
    ASSERT_TRUE(Load(Steps()));
    Show();
    auto& g = Viewer->Graphs;
    // What a zoom or a pan ends in: a new time range in one graph.
    g[1].Plot->xAxis->setRange(700, 2000);
    for (auto& graph : g)
        EXPECT_EQ(graph.Plot->xAxis->range(), QCPRange(700, 2000));
    EXPECT_DOUBLE_EQ(g[1].Plot->yAxis->range().lower, -0.01); // fitted again, 1 % margin
    EXPECT_DOUBLE_EQ(g[1].Plot->yAxis->range().upper, 1.01);
    EXPECT_DOUBLE_EQ(g[0].Plot->yAxis->range().lower, 94); // the others keep theirs
    EXPECT_EQ(Viewer->trkStart->value(), 1);               // the row before the first one after 700
    EXPECT_EQ(Viewer->trkEnd->value(), 4);                 // the first row at 2000 or later
    EXPECT_EQ(Viewer->CustomSeries[0]->Begin(), 1);
    EXPECT_EQ(Viewer->CustomSeries[0]->End(), 5);

    // A zoom by the mouse, a drag across the graph.
    Viewer->Unzoom();
    const QPoint from = g[0].Series->RowPixel(2).toPoint(), to = g[0].Series->RowPixel(4).toPoint();
    QTest::mousePress(g[0].Plot, Qt::LeftButton, {}, QPoint(from.x(), 20));
    QMouseEvent move(QEvent::MouseMove, QPointF(to.x(), 40),
                     g[0].Plot->mapToGlobal(QPointF(to.x(), 40)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(g[0].Plot, &move);
    QTest::mouseRelease(g[0].Plot, Qt::LeftButton, {}, QPoint(to.x(), 40));
    EXPECT_NEAR(g[2].Plot->xAxis->range().lower, 1000, 20);
    EXPECT_NEAR(g[2].Plot->xAxis->range().upper, 2000, 20);

    // The right button unzooms.
    QTest::mouseClick(g[2].Plot, Qt::RightButton, {}, QPoint(100, 30));
    for (auto& graph : g)
        EXPECT_EQ(graph.Plot->xAxis->range(), QCPRange(0, 3000));
    EXPECT_EQ(g[1].Plot->yAxis->range(), QCPRange(-0.5, 1.5));

    // Pan mode drags instead of zooming.
    Viewer->rbPan->click();
    EXPECT_EQ(g[0].Plot->selectionRectMode(), QCP::srmNone);
    EXPECT_TRUE(g[0].Plot->interactions().testFlag(QCP::iRangeDrag));
}

TEST_F(LogViewer, CustomGraphDefaultsByCaption)
{
    ASSERT_TRUE(Load("Time,Knock Correction (deg),Ignition Timing (deg),ENGINE SPEED "
                     "(rpm),Manifold Relative (psi),\r\n"
                     "0, 1, 2, 3, 4,\r\n"));
    EXPECT_EQ(Viewer->cmbX->currentIndex(), 2);
    EXPECT_EQ(Viewer->cmbY1->currentIndex(), 3);
    EXPECT_EQ(Viewer->cmbY2->currentIndex(), 0);
    EXPECT_EQ(Viewer->cmbY3->currentIndex(), 1);
    EXPECT_EQ(Viewer->RChart->xAxis->label(), "ENGINE SPEED (rpm)");
    EXPECT_EQ(Viewer->RChart->yAxis->label(),
              "Manifold Relative (psi) & Knock Correction (deg) & Ignition Timing (deg)");

    // One column: X on it, the Y axes on "Time".
    ASSERT_TRUE(Load("Time,Boost,\r\n0, 1,\r\n"));
    EXPECT_EQ(Viewer->cmbX->currentIndex(), 0);
    EXPECT_EQ(Viewer->cmbY1->currentText(), "Time");
    EXPECT_EQ(Viewer->cmb3Dx->currentIndex(), -1);
}

TEST_F(LogViewer, CustomGraphClickAndAxes)
{
    ASSERT_TRUE(Load(Steps()));
    Viewer->cmbX->setCurrentIndex(0);  // Ramp
    Viewer->cmbY1->setCurrentIndex(3); // Time
    Viewer->cmbY2->setCurrentIndex(2); // Flat
    Viewer->chkY3->setChecked(false);
    EXPECT_TRUE(Viewer->edtYval3->text().isEmpty());
    EXPECT_EQ(Viewer->edtYval3->palette().color(QPalette::Base),
              Viewer->palette().color(QPalette::Button));
    EXPECT_EQ(Viewer->edtYval2->palette().color(QPalette::Text), QColor(Qt::blue));
    EXPECT_EQ(Viewer->RChart->yAxis->label(), "Time & Flat");
    Viewer->pgcPages->setCurrentWidget(Viewer->tabCustom2D);
    Show();
    const QPointF at = Viewer->CustomSeries[0]->RowPixel(4);
    QTest::mouseClick(Viewer->RChart, Qt::LeftButton, {}, at.toPoint());
    EXPECT_EQ(Viewer->edtxval->text(), "140");
    EXPECT_EQ(Viewer->edtyval1->text(), "2000");
    EXPECT_EQ(Viewer->edtYval2->text(), "5");
    EXPECT_EQ(Viewer->CustomSeries[1]->Marked(), 4);
    EXPECT_EQ(Viewer->DataGrid->Col(), 4 + 3);

    // A start after the end draws nothing.
    Viewer->trkStart->setValue(5);
    Viewer->trkEnd->setValue(2);
    EXPECT_EQ(Viewer->CustomSeries[0]->End(), Viewer->CustomSeries[0]->Begin());
}

TEST_F(LogViewer, ThreeDOriginsAndScales)
{
    QByteArray log = "Time,X,Y,Z,Five,\r\n";
    for (int r = 0; r < 100; ++r)
        log += QByteArray::number(r * 50) + ", " +
               QByteArray::number(1000 + r * 5000.0 / 99, 'g', 17) + ", " +
               QByteArray::number(r * 20.0 / 99, 'g', 17) + ", " +
               QByteArray::number(10 + r * 30.0 / 99, 'g', 17) + ", 5,\r\n";
    ASSERT_TRUE(Load(log));
    TRot3D* view = Viewer->Log3DFrame->Rot3D1;
    ASSERT_EQ(view->PointCount(), 100);
    // The view's axes carry Z, Y, X.
    EXPECT_EQ(view->AxisName(0), "Z");
    EXPECT_EQ(view->AxisName(2), "X");
    EXPECT_EQ(Viewer->Log3DFrame->lblXname->text(), "X");
    EXPECT_NEAR(view->Origin(2), 3500, 1e-9);
    EXPECT_NEAR(view->Origin(1), 10, 1e-9);
    EXPECT_NEAR(view->Origin(0), 25, 1e-9);
    EXPECT_NEAR(view->Scale(2), 0.4, 1e-9);
    EXPECT_NEAR(view->Scale(1), 100, 1e-9);
    EXPECT_NEAR(view->Scale(0), 66.67, 0.005);

    // A constant column; the row times, which run far past 99999.
    Viewer->cmb3Dz->setCurrentIndex(3);
    EXPECT_EQ(view->Origin(0), 5);
    EXPECT_EQ(view->Scale(0), 2000);
    Viewer->cmb3Dx->setCurrentIndex(4); // Time
    EXPECT_EQ(view->Origin(2), 99 * 50 / 2.0);

    // A start after the end clears the view.
    Viewer->trkStart3D->setValue(60);
    Viewer->trkEnd3D->setValue(40);
    EXPECT_EQ(view->PointCount(), 0);
}

TEST_F(LogViewer, ThreeDReadOutAndRotation)
{
    ASSERT_TRUE(Load("Time,A,B,C,\r\n0, 1, 2, 3,\r\n50, 4, 5, 6,\r\n"));
    Viewer->pgcPages->setCurrentWidget(Viewer->tabCustom3D);
    Show();
    Tframe3DPlot* f = Viewer->Log3DFrame;
    TRot3D* view = f->Rot3D1;
    EXPECT_EQ(view->width(), view->height());
    EXPECT_EQ(view->Centre(), QPoint(view->width() / 2, view->width() / 2));
    EXPECT_DOUBLE_EQ(view->Magnification(), view->width() * 0.7 / Tframe3DPlot::DesignHeight);

    const QPoint p = view->Project(view->Point(1).Coord).toPoint();
    QTest::mouseClick(view, Qt::RightButton, {}, p);
    EXPECT_EQ(f->edtXval->text(), "4");
    EXPECT_EQ(f->edtYval->text(), "5");
    EXPECT_EQ(f->edtZVal->text(), "6");
    EXPECT_EQ(view->Point(1).Colour, QColor(Qt::red));

    // An empty view: the highlight goes, the read-out stays.
    Viewer->trkStart3D->setValue(1);
    Viewer->trkEnd3D->setValue(0);
    QTest::mouseClick(view, Qt::RightButton, {}, p);
    EXPECT_EQ(f->edtXval->text(), "4");

    view->SetViewAngles(360, 10, 0);
    f->RotTimerTimer();
    EXPECT_EQ(view->ViewAngleX(), 1);
    EXPECT_EQ(view->ViewAngleY(), 11);
    EXPECT_EQ(view->ViewAngleZ(), 270);
    f->SBAutoRot->click();
    EXPECT_TRUE(f->RotTimer->isActive());
    f->SBAutoRot->click();
    EXPECT_FALSE(f->RotTimer->isActive());
}

// Values that were not measured (empty fields): the log opens with all its rows, and no
// range built from them is NaN, so every axis stays usable.
TEST_F(LogViewer, OpensALogWithEmptyFields)
{
    QByteArray log = "Time,Ramp,Gone,Flat,\r\n";
    for (int r = 0; r < 7; ++r)
        log += QByteArray::number(r * 500).rightJustified(8, ' ') + ", " +
               (r % 3 == 1 ? QByteArray() : QByteArray::number(100 + r * 10)) + ", , " +
               (r == 0 ? QByteArray() : QByteArray("5")) + ", \r\n";
    ASSERT_TRUE(Load(log));
    EXPECT_TRUE(Dialogs.Calls.empty());
    ASSERT_EQ(Viewer->Data.RowCount(), 7);
    Viewer->cmbX->setCurrentIndex(0);  // Ramp
    Viewer->cmbY1->setCurrentIndex(1); // Gone
    Viewer->cmbY2->setCurrentIndex(2); // Flat
    Viewer->cmb3Dx->setCurrentIndex(0);
    Viewer->cmb3Dy->setCurrentIndex(3); // Time
    Viewer->cmb3Dz->setCurrentIndex(2);
    Show();
    Viewer->Graphs[0].Plot->xAxis->setRange(400, 2600); // a zoom fits the Y range again

    auto usable = [](const QCPRange& r) {
        return std::isfinite(r.lower) && std::isfinite(r.upper) && r.lower < r.upper;
    };
    for (const auto& g : Viewer->Graphs)
        EXPECT_TRUE(usable(g.Plot->yAxis->range())) << g.Plot->LeftCaption().toStdString();
    EXPECT_EQ(Viewer->Graphs[1].Plot->yAxis->range(), QCPRange(-0.5, 1.5)); // not one value
    EXPECT_DOUBLE_EQ(Viewer->Graphs[0].Plot->yAxis->range().upper, 160 + 0.6);
    EXPECT_TRUE(usable(Viewer->RChart->xAxis->range()));
    EXPECT_TRUE(usable(Viewer->RChart->yAxis->range()));
    // A point for each row with both Ramp and Flat.
    TRot3D* view = Viewer->Log3DFrame->Rot3D1;
    EXPECT_EQ(view->PointCount(), 4);
    for (int a = 0; a < 3; ++a)
        EXPECT_TRUE(std::isfinite(view->Origin(a)) && std::isfinite(view->Scale(a))) << a;

    // The table: an empty cell where no value was logged, and extremes of the values there.
    const QAbstractItemModel* m = Viewer->DataGrid->model();
    EXPECT_EQ(m->index(0, 3 + 1).data().toString(), "");
    EXPECT_EQ(m->index(0, 3 + 2).data().toString(), "120");
    EXPECT_EQ(m->index(0, 1).data().toString(), "100");
    EXPECT_EQ(m->index(1, 1).data().toString(), "");

    // A point read out where another column has no value.
    const QPointF at = Viewer->Graphs[0].Series->RowPixel(2);
    QTest::mouseClick(Viewer->Graphs[0].Plot, Qt::LeftButton, {}, at.toPoint());
    EXPECT_EQ(Viewer->GraphCaption(0), "Ramp=120, Time=1000ms");
    EXPECT_EQ(Viewer->GraphCaption(1), "Gone=, Time=1000ms");
}

TEST_F(LogViewer, CommentsBesideTheLog)
{
    Write("abc.txt", "Log From Subaru ECU\r\nWet road, 20 \xB0"
                     "C\r\n");
    ASSERT_TRUE(Load(Example, "abc.csv"));
    EXPECT_TRUE(Viewer->pgcPages->isTabVisible(Viewer->pgcPages->indexOf(Viewer->tabComments)));
    EXPECT_EQ(Viewer->CommentsFile, Dir.filePath("abc.txt"));
    EXPECT_EQ(Viewer->memoComments->toPlainText(), "Log From Subaru ECU\nWet road, 20 \u00B0C");

    Viewer->memoComments->setPlainText("Dry\n25 \u00B0C");
    Viewer->btnResaveComments->click();
    QFile f(Dir.filePath("abc.txt"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "Dry\r\n25 \xB0"
                           "C\r\n");
    EXPECT_TRUE(Dialogs.Calls.empty());

    // Without a comments file the page is hidden; a log named ".txt" is not its own.
    for (const char* name : {"other.csv", "log.txt"}) {
        ASSERT_TRUE(Load(Example, name));
        EXPECT_FALSE(
            Viewer->pgcPages->isTabVisible(Viewer->pgcPages->indexOf(Viewer->tabComments)));
        EXPECT_TRUE(Viewer->CommentsFile.isEmpty());
    }
}
