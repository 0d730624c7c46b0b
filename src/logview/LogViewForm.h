#pragma once

// The log viewer: one CSV log shown as a stack of time graphs (one per column, with zoom,
// pan and point read-out), a data table, a custom 2-D graph of up to three columns against
// a fourth, a rotating 3-D plot and the log's comments. One viewer per file; it frees
// itself when closed. The log's values are held once (Data) and every page reads them.

#include "LogReader.h"
#include "ToolWindowHost.h"

#include <QWidget>

#include <array>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QSlider;
class QTabWidget;
class QVBoxLayout;
class Tframe3DPlot;
class TLogDataGrid;
class TLogPlot;
class TLogSeries;
class TLogTableModel;

class TfrmLogViewer : public QWidget {
    Q_OBJECT
  public:
    // The combo-box item that stands for the row times.
    static constexpr int TimeItem = 999;
    static constexpr int OnOffHeight = 60;

    explicit TfrmLogViewer(const TToolWindowHost& host, QWidget* parent = nullptr);
    ~TfrmLogViewer() override;

    // Creates a viewer on the file, shows it below the main bar and lists it in the
    // "&Window" menu. Null when the file cannot be viewed (its messages have been shown).
    static TfrmLogViewer* Open(const TToolWindowHost& host, const QString& fileName);

    // Reads the file and builds every page. False when there is nothing to show; the
    // viewer is then to be freed.
    bool LoadLog(const QString& fileName);
    // The same from a reader's result (the file name gives the caption and comments).
    bool LoadLog(const QString& fileName, TLogReadResult result);

    // --- the log ---
    TLogData Data;
    QString CommentsFile;

    struct TTimeGraph {
        TLogPlot* Plot = nullptr;
        TLogSeries* Series = nullptr;
        bool OnOff = false; // fitted as on/off or constant: 60 pixels whatever the size
        QListWidgetItem* Item = nullptr;
    };
    std::vector<TTimeGraph> Graphs;
    std::array<TLogSeries*, 3> CustomSeries{};

    // --- controls ---
    QTabWidget* pgcPages;
    QWidget *tabTimeGraphs, *tabDataTable, *tabCustom2D, *tabCustom3D, *tabComments, *tabTips;
    QListWidget* clbGraphs;
    QRadioButton *rbSmall, *rbMedium, *rbLarge, *rbPan, *rbZoom;
    QPushButton *btnUnzoom, *btnUncheckAll;
    QScrollArea* sbGraphs;
    TLogDataGrid* DataGrid;
    QComboBox *cmbX, *cmbY1, *cmbY2, *cmbY3;
    QCheckBox *chkY1, *chkY2, *chkY3;
    QLineEdit *edtxval, *edtyval1, *edtYval2, *edtYval3;
    QSlider *trkStart, *trkEnd;
    TLogPlot* RChart;
    QComboBox *cmb3Dx, *cmb3Dy, *cmb3Dz;
    QSlider *trkStart3D, *trkEnd3D;
    Tframe3DPlot* Log3DFrame;
    QPlainTextEdit* memoComments;
    QPushButton* btnResaveComments;
    QPlainTextEdit* memoTips;

    // --- operations ---
    void FitGraph(int graph);
    void Unzoom();
    void GraphSizeClick();
    void MouseModeClick();
    void btnUncheckAllClick();
    void GraphZoomed(int graph);
    void GraphMouseDown(int graph, const QPointF& pos);
    void CustomGraphChange();
    void RChartMouseDown(const QPointF& pos);
    void Draw3DPlot();
    void Custom3DAxesChange() { Draw3DPlot(); }
    void Custom3DTrackChange() { Draw3DPlot(); }
    void btnResaveCommentsClick();

    // The read-out at the top right of a graph.
    QString GraphCaption(int graph) const;
    // Graph heights for "Small", "Medium", "Large".
    int GraphSize() const;

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildTimeGraphsPage();
    void BuildDataTablePage();
    void BuildCustom2DPage();
    void BuildCustom3DPage();
    void BuildCommentsPage();
    void BuildTipsPage();
    void AddGraph(int column);
    void FillPages();
    void LoadComments(const QString& fileName);
    // The values behind a combo box's selection: a column, the times, or null.
    const double* ColumnOf(const QComboBox* combo) const;
    void SetTrackBar(QSlider* bar, int position);
    void SetGraphReadOut(int graph, int row);
    // Row times in ascending order: the first row at a time, or -1.
    int FirstRowAt(double time) const;
    // The column's smallest and largest value, 0 and 0 when it has none.
    void ColumnExtremes(int column, double& lo, double& hi) const;
    void Unregister();

    TToolWindowHost FHost;
    TLogTableModel* FModel = nullptr;
    QVBoxLayout* FGraphStack = nullptr;
    QButtonGroup *FSizeGroup = nullptr, *FModeGroup = nullptr;
    double FFirstTime = 0, FLastTime = 0;
    bool FFilling = false; // controls being filled: their change events wait
    bool FSyncing = false; // X ranges being copied between the graphs
    bool FRegistered = false;
};
