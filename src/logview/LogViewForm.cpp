#include "LogViewForm.h"

#include "ChartAxes.h"
#include "LogDataGrid.h"
#include "LogPlot.h"
#include "LogSeries.h"
#include "LogTableModel.h"
#include "Plot3DFrame.h"
#include "Rot3D.h"
#include "TextCodec.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QScrollArea>
#include <QSlider>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int ViewerHeight = 450;
constexpr double ClickReach = 10; // pixels from a marker that still pick it

const char* const TipsText =
    "When viewing graphs, the view can be zoomed by selecting a range using the mouse.\n"
    "The graph view can be returned to normal by clicking the right mouse button.\n"
    "Once zoomed in, the graphs may be panned by selecting pan from the toolbar,\n"
    "then dragging the mouse pointer across one of the graphs.\n"
    "\n"
    "The data values relating to a point may be shown by clicking on that point.\n"
    "The data values then appear at the top right of each graph.\n"
    "The data point is then also highlighted on the data table for easy location.\n"
    "\n"
    "The 2D custom graphing feature may be used to discover relationships between different "
    "parameters.\n"
    "For example: Take a log of RPM and Manifold Relative Pressure, and load this into the log "
    "viewer.\n"
    "The boost curve can then be plotted by selecting MRP for the Y Axis and RPM for the X axis.\n"
    "\n"
    "The 3D custom graphing feature may be used to discover more complex relationships.\n"
    "For example, plot ignition timing against RPM and boost pressure.\n"
    "With enough data points, this will produce a 'surface' which is effectively the ECU's "
    "ignition map.";

// Text on the chart's background: light on a dark one, dark on a light one.
QColor TextColourOn(const QColor& background)
{
    return background.lightness() < 128 ? QColor(220, 220, 220) : QColor(Qt::black);
}

void StyleChart(QCustomPlot* plot, const QColor& background)
{
    const QColor text = TextColourOn(background);
    plot->setBackground(background);
    plot->axisRect()->setBackground(background);
    for (QCPAxis* axis : {plot->xAxis, plot->yAxis}) {
        axis->setBasePen(QPen(text));
        axis->setTickPen(QPen(text));
        axis->setSubTicks(false);
        axis->setTickLabelColor(text);
        axis->setLabelColor(text);
        axis->grid()->setPen(QPen(QColor(128, 128, 128), 0, Qt::DotLine));
        axis->grid()->setZeroLinePen(axis->grid()->pen());
    }
}

QSlider* TrackBar(QWidget* parent)
{
    auto* s = new QSlider(Qt::Horizontal, parent);
    s->setTickPosition(QSlider::TicksBelow);
    s->setRange(0, 0);
    return s;
}

QLineEdit* ValueBox(QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setReadOnly(true);
    e->setFixedWidth(90);
    return e;
}

void SetBoxColours(QLineEdit* e, const QColor& base, const QColor& text)
{
    QPalette pal = e->palette();
    pal.setColor(QPalette::Base, base);
    pal.setColor(QPalette::Text, text);
    e->setPalette(pal);
}

// The first item whose caption holds the text (any case), else the fallback.
int FindItem(const QComboBox* combo, const QString& text, int fallback)
{
    for (int i = 0; i < combo->count(); ++i)
        if (combo->itemText(i).contains(text, Qt::CaseInsensitive)) return i;
    return fallback;
}

// A page of the window's tabs, with a fresh layout of the given kind and 2-pixel margins.
template <class Layout>
Layout* AddPage(QTabWidget* tabs, QWidget*& page, const QString& caption)
{
    page = new QWidget;
    tabs->addTab(page, caption);
    auto* layout = new Layout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    return layout;
}

} // namespace

TfrmLogViewer::TfrmLogViewer(const TToolWindowHost& host, QWidget* parent)
    : QWidget(parent, Qt::Window), FHost(host)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Log Viewer"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    pgcPages = new QTabWidget(this);
    layout->addWidget(pgcPages);
    BuildTimeGraphsPage();
    BuildDataTablePage();
    BuildCustom2DPage();
    BuildCustom3DPage();
    BuildCommentsPage();
    BuildTipsPage();
    pgcPages->setCurrentWidget(tabTimeGraphs);
}

TfrmLogViewer::~TfrmLogViewer()
{
    Unregister();
}

void TfrmLogViewer::closeEvent(QCloseEvent* event)
{
    Log3DFrame->RotTimer->stop();
    Unregister();
    event->accept();
}

bool TfrmLogViewer::eventFilter(QObject* watched, QEvent* event)
{
    // The check list fills column by column, four to the width.
    if (watched == clbGraphs->viewport() && event->type() == QEvent::Resize)
        clbGraphs->setGridSize(QSize(std::max(60, (clbGraphs->viewport()->width() - 2) / 4),
                                     clbGraphs->fontMetrics().height() + 4));
    return QWidget::eventFilter(watched, event);
}

void TfrmLogViewer::Unregister()
{
    if (FRegistered) {
        FRegistered = false;
        FHost.Unregister(this);
    }
}

TfrmLogViewer* TfrmLogViewer::Open(const TToolWindowHost& host, const QString& fileName)
{
    auto* viewer = new TfrmLogViewer(host);
    if (!viewer->LoadLog(fileName)) {
        delete viewer;
        return nullptr;
    }
    const QRect area = host.GetToolWindowArea();
    if (area.isValid())
        viewer->setGeometry(area.left(), area.top(), area.width(), ViewerHeight);
    else
        viewer->resize(1024, ViewerHeight);
    viewer->show();
    host.Register(viewer);
    viewer->FRegistered = true;
    return viewer;
}

// ---------------------------------------------------------------- pages

void TfrmLogViewer::BuildTimeGraphsPage()
{
    auto* page = AddPage<QVBoxLayout>(pgcPages, tabTimeGraphs, QStringLiteral("Time Graphs"));
    auto* top = new QHBoxLayout;
    page->addLayout(top);

    clbGraphs = new QListWidget(tabTimeGraphs);
    clbGraphs->setFlow(QListView::TopToBottom);
    clbGraphs->setWrapping(true);
    clbGraphs->setResizeMode(QListView::Adjust);
    clbGraphs->setUniformItemSizes(true);
    clbGraphs->setFixedHeight(88);
    top->addWidget(clbGraphs, 1);
    clbGraphs->viewport()->installEventFilter(this);
    connect(clbGraphs, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        const int g = item->data(Qt::UserRole).toInt();
        if (g >= 0 && g < int(Graphs.size()))
            Graphs[size_t(g)].Plot->setVisible(item->checkState() == Qt::Checked);
    });

    auto group = [&](const QString& title, std::initializer_list<QRadioButton**> buttons,
                     std::initializer_list<const char*> captions, QButtonGroup*& g) {
        auto* box = new QGroupBox(title, tabTimeGraphs);
        auto* l = new QVBoxLayout(box);
        l->setContentsMargins(6, 2, 6, 2);
        l->setSpacing(0);
        g = new QButtonGroup(box);
        auto caption = captions.begin();
        for (QRadioButton** b : buttons) {
            *b = new QRadioButton(QString::fromLatin1(*caption++), box);
            l->addWidget(*b);
            g->addButton(*b);
        }
        box->setFixedHeight(88);
        top->addWidget(box);
    };
    group(QStringLiteral("Graph Size"), {&rbSmall, &rbMedium, &rbLarge},
          {"Small", "Medium", "Large"}, FSizeGroup);
    group(QStringLiteral("Mouse Mode"), {&rbPan, &rbZoom}, {"Pan", "Zoom"}, FModeGroup);
    rbSmall->setChecked(true);
    rbZoom->setChecked(true);
    connect(FSizeGroup, &QButtonGroup::buttonClicked, this, [this] { GraphSizeClick(); });
    connect(FModeGroup, &QButtonGroup::buttonClicked, this, [this] { MouseModeClick(); });

    auto* buttons = new QVBoxLayout;
    btnUnzoom = new QPushButton(QStringLiteral("Unzoom"), tabTimeGraphs);
    btnUncheckAll = new QPushButton(QStringLiteral("Uncheck All"), tabTimeGraphs);
    buttons->addWidget(btnUnzoom);
    buttons->addWidget(btnUncheckAll);
    buttons->addStretch(1);
    top->addLayout(buttons);
    connect(btnUnzoom, &QPushButton::clicked, this, [this] { Unzoom(); });
    connect(btnUncheckAll, &QPushButton::clicked, this, [this] { btnUncheckAllClick(); });

    sbGraphs = new QScrollArea(tabTimeGraphs);
    sbGraphs->setWidgetResizable(true);
    sbGraphs->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* stack = new QWidget;
    FGraphStack = new QVBoxLayout(stack);
    FGraphStack->setContentsMargins(0, 0, 0, 0);
    FGraphStack->setSpacing(1);
    FGraphStack->addStretch(1);
    sbGraphs->setWidget(stack);
    page->addWidget(sbGraphs, 1);
}

void TfrmLogViewer::BuildDataTablePage()
{
    auto* page = AddPage<QVBoxLayout>(pgcPages, tabDataTable, QStringLiteral("Data Table"));
    DataGrid = new TLogDataGrid(tabDataTable);
    FModel = new TLogTableModel(Data, this);
    DataGrid->setModel(FModel);
    page->addWidget(DataGrid);
}

void TfrmLogViewer::BuildCustom2DPage()
{
    auto* page = AddPage<QHBoxLayout>(pgcPages, tabCustom2D, QStringLiteral("Custom 2D Graphing"));
    auto* controls = new QGridLayout;
    page->addLayout(controls);

    auto combo = [&]() {
        auto* c = new QComboBox(tabCustom2D);
        c->setMinimumContentsLength(22);
        c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        connect(c, &QComboBox::currentIndexChanged, this, [this] { CustomGraphChange(); });
        return c;
    };
    auto check = [&](const QString& caption) {
        auto* c = new QCheckBox(caption, tabCustom2D);
        c->setChecked(true);
        connect(c, &QCheckBox::toggled, this, [this] { CustomGraphChange(); });
        return c;
    };
    cmbX = combo();
    cmbY1 = combo();
    cmbY2 = combo();
    cmbY3 = combo();
    chkY1 = check(QStringLiteral("Y Axis 1"));
    chkY2 = check(QStringLiteral("Y Axis 2"));
    chkY3 = check(QStringLiteral("Y Axis 3"));
    edtxval = ValueBox(tabCustom2D);
    edtyval1 = ValueBox(tabCustom2D);
    edtYval2 = ValueBox(tabCustom2D);
    edtYval3 = ValueBox(tabCustom2D);
    controls->addWidget(new QLabel(QStringLiteral("X Axis"), tabCustom2D), 0, 0);
    controls->addWidget(cmbX, 1, 0);
    controls->addWidget(edtxval, 1, 1);
    QCheckBox* checks[] = {chkY1, chkY2, chkY3};
    QComboBox* combos[] = {cmbY1, cmbY2, cmbY3};
    QLineEdit* boxes[] = {edtyval1, edtYval2, edtYval3};
    for (int k = 0; k < 3; ++k) {
        controls->addWidget(checks[k], 2 + 2 * k, 0);
        controls->addWidget(combos[k], 3 + 2 * k, 0);
        controls->addWidget(boxes[k], 3 + 2 * k, 1);
    }
    trkStart = TrackBar(tabCustom2D);
    trkEnd = TrackBar(tabCustom2D);
    controls->addWidget(new QLabel(QStringLiteral("Start Time"), tabCustom2D), 8, 0);
    controls->addWidget(trkStart, 9, 0, 1, 2);
    controls->addWidget(new QLabel(QStringLiteral("End Time"), tabCustom2D), 10, 0);
    controls->addWidget(trkEnd, 11, 0, 1, 2);
    controls->setRowStretch(12, 1);
    connect(trkStart, &QSlider::valueChanged, this, [this] { CustomGraphChange(); });
    connect(trkEnd, &QSlider::valueChanged, this, [this] { CustomGraphChange(); });

    RChart = new TLogPlot(tabCustom2D);
    StyleChart(RChart, FHost.GetGraphBackgroundColour());
    RChart->xAxis->setLabel(QStringLiteral("Abscissa"));
    RChart->yAxis->setLabel(QStringLiteral("Ordinate"));
    UsePictureLabels(RChart->xAxis, 2);
    UsePictureLabels(RChart->yAxis, 2);
    for (auto& s : CustomSeries)
        s = new TLogSeries(RChart->xAxis, RChart->yAxis);
    page->addWidget(RChart, 1);
    connect(RChart, &TLogPlot::LeftPressed, this,
            [this](QMouseEvent* e) { RChartMouseDown(e->position()); });
}

void TfrmLogViewer::BuildCustom3DPage()
{
    auto* page = AddPage<QVBoxLayout>(pgcPages, tabCustom3D, QStringLiteral("Custom 3D Graphing"));
    auto* controls = new QGridLayout;
    page->addLayout(controls);
    auto combo = [&](const QString& caption, int column) {
        auto* c = new QComboBox(tabCustom3D);
        c->setMinimumContentsLength(22);
        c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        controls->addWidget(new QLabel(caption, tabCustom3D), 0, column);
        controls->addWidget(c, 1, column);
        connect(c, &QComboBox::currentIndexChanged, this, [this] { Custom3DAxesChange(); });
        return c;
    };
    cmb3Dx = combo(QStringLiteral("X Axis"), 0);
    cmb3Dy = combo(QStringLiteral("Y Axis"), 1);
    cmb3Dz = combo(QStringLiteral("Z Axis"), 2);
    trkStart3D = TrackBar(tabCustom3D);
    trkEnd3D = TrackBar(tabCustom3D);
    controls->addWidget(new QLabel(QStringLiteral("Start"), tabCustom3D), 0, 3);
    controls->addWidget(trkStart3D, 1, 3);
    controls->addWidget(new QLabel(QStringLiteral("End"), tabCustom3D), 0, 4);
    controls->addWidget(trkEnd3D, 1, 4);
    controls->setColumnStretch(3, 1);
    controls->setColumnStretch(4, 1);
    connect(trkStart3D, &QSlider::valueChanged, this, [this] { Custom3DTrackChange(); });
    connect(trkEnd3D, &QSlider::valueChanged, this, [this] { Custom3DTrackChange(); });
    Log3DFrame = new Tframe3DPlot(tabCustom3D);
    page->addWidget(Log3DFrame, 1);
}

void TfrmLogViewer::BuildCommentsPage()
{
    auto* page = AddPage<QVBoxLayout>(pgcPages, tabComments, QStringLiteral("Log File Comments"));
    memoComments = new QPlainTextEdit(tabComments);
    memoComments->setLineWrapMode(QPlainTextEdit::NoWrap);
    page->addWidget(memoComments, 1);
    btnResaveComments = new QPushButton(QStringLiteral("Resave Comments"), tabComments);
    auto* row = new QHBoxLayout;
    row->addWidget(btnResaveComments);
    row->addStretch(1);
    page->addLayout(row);
    connect(btnResaveComments, &QPushButton::clicked, this, [this] { btnResaveCommentsClick(); });
}

void TfrmLogViewer::BuildTipsPage()
{
    auto* page = AddPage<QVBoxLayout>(pgcPages, tabTips, QStringLiteral("Tips"));
    memoTips = new QPlainTextEdit(tabTips);
    memoTips->setReadOnly(true);
    memoTips->setPlainText(QString::fromLatin1(TipsText));
    page->addWidget(memoTips);
}

// ---------------------------------------------------------------- loading

bool TfrmLogViewer::LoadLog(const QString& fileName)
{
    return LoadLog(fileName, ReadLogFile(fileName));
}

bool TfrmLogViewer::LoadLog(const QString& fileName, TLogReadResult result)
{
    setWindowTitle(QStringLiteral("Log Viewer - ") + fileName);
    LoadComments(fileName);
    TDialogs& dialogs = FHost.GetDialogs();
    for (const TLogMessage& m : result.Messages) {
        switch (m.Kind) {
        case TLogMessageKind::Error:
            dialogs.Error(m.Text);
            break;
        case TLogMessageKind::Warning:
            dialogs.Warning(m.Text);
            break;
        case TLogMessageKind::Information:
            dialogs.Information(m.Text);
            break;
        }
    }
    if (!result.Usable) return false;
    Data = std::move(result.Data);
    const auto [first, last] = std::minmax_element(Data.Times.begin(), Data.Times.end());
    FFirstTime = *first;
    FLastTime = *last;
    if (FLastTime <= FFirstTime) {
        // One instant: a range of a second around it.
        FFirstTime -= 500;
        FLastTime += 500;
    }
    FillPages();
    return true;
}

void TfrmLogViewer::LoadComments(const QString& fileName)
{
    const QString name = fileName.left(fileName.size() - 3) + QStringLiteral("txt");
    QFile file(name);
    // A log whose own name ends in "txt" would be its own comments file, and "Resave
    // Comments" would write over the log.
    const bool itself =
        QFileInfo(name).absoluteFilePath() == QFileInfo(fileName).absoluteFilePath();
    if (fileName.size() < 3 || itself || !QFileInfo(name).isFile() ||
        !file.open(QIODevice::ReadOnly)) {
        pgcPages->setTabVisible(pgcPages->indexOf(tabComments), false);
        CommentsFile.clear();
        return;
    }
    // A comments file is a few lines; anything far past that is not one to edit here.
    QString text = FromWin1252(file.read(4 << 20));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
    memoComments->setPlainText(text);
    CommentsFile = name;
    pgcPages->setTabVisible(pgcPages->indexOf(tabComments), true);
}

void TfrmLogViewer::AddGraph(int column)
{
    const QColor background = FHost.GetGraphBackgroundColour();
    auto* plot = new TLogPlot;
    plot->setFixedHeight(90);
    StyleChart(plot, background);
    plot->SetCaptionColour(TextColourOn(background));
    plot->SetLeftCaption(Data.ParamNames[column]);
    plot->axisRect()->setAutoMargins(QCP::msNone);
    // One left margin for all, so that the time axes line up.
    plot->axisRect()->setMargins(QMargins(64, 16, 12, 20));
    QFont small = plot->font();
    small.setPointSizeF(7);
    for (QCPAxis* axis : {plot->xAxis, plot->yAxis}) {
        axis->setTickLabelFont(small);
        axis->setTickLabelPadding(2);
        axis->setTickLengthIn(3);
        UsePictureLabels(axis, 2);
    }
    plot->xAxis->ticker()->setTickCount(8);
    plot->yAxis->ticker()->setTickCount(3);
    plot->SetCaptionColour(TextColourOn(background));
    plot->setSelectionRectMode(QCP::srmZoom);
    // Zoom and pan move the time only: each graph's values are fitted to all its data.
    plot->axisRect()->setRangeZoomAxes(plot->xAxis, nullptr);
    plot->axisRect()->setRangeDragAxes(plot->xAxis, nullptr);
    plot->axisRect()->setRangeDrag(Qt::Horizontal);

    auto* series = new TLogSeries(plot->xAxis, plot->yAxis);
    series->setPen(QPen(FHost.GetLogLineColour()));
    series->SetData(Data.Times.data(), Data.ParamValues[size_t(column)].data(), 0, Data.RowCount(),
                    Data.TimesAscending);

    auto* item = new QListWidgetItem(Data.ParamNames[column]);
    item->setData(Qt::UserRole, column);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Checked);
    clbGraphs->addItem(item);

    FGraphStack->insertWidget(FGraphStack->count() - 1, plot);
    Graphs.push_back({plot, series, false, item});
    connect(plot->xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
            [this, column] { GraphZoomed(column); });
    connect(plot, &TLogPlot::LeftPressed, this,
            [this, column](QMouseEvent* e) { GraphMouseDown(column, e->position()); });
    connect(plot, &TLogPlot::RightPressed, this, [this] { Unzoom(); });
}

void TfrmLogViewer::FillPages()
{
    FFilling = true;
    const int rows = Data.RowCount();
    const int columns = Data.ColumnCount();
    QComboBox* combos[] = {cmbX, cmbY1, cmbY2, cmbY3, cmb3Dx, cmb3Dy, cmb3Dz};
    for (QComboBox* c : combos) {
        for (int p = 0; p < columns; ++p)
            c->addItem(Data.ParamNames[p], p);
        c->addItem(QStringLiteral("Time"), TimeItem);
    }
    Graphs.reserve(size_t(columns));
    for (int p = 0; p < columns; ++p)
        AddGraph(p);
    FSyncing = true;
    for (int g = 0; g < columns; ++g)
        FitGraph(g);
    FSyncing = false;

    if (cmbX->count() > 1) {
        cmbX->setCurrentIndex(FindItem(cmbX, QStringLiteral("Engine Speed"), 0));
        cmbY1->setCurrentIndex(FindItem(cmbY1, QStringLiteral("Manifold"), 1));
        cmbY2->setCurrentIndex(FindItem(cmbY2, QStringLiteral("Knock"), 1));
        cmbY3->setCurrentIndex(FindItem(cmbY3, QStringLiteral("Ignition"), 1));
    } else {
        for (QComboBox* c : {cmbX, cmbY1, cmbY2, cmbY3})
            c->setCurrentIndex(-1);
    }
    if (cmb3Dx->count() > 2) {
        cmb3Dx->setCurrentIndex(0);
        cmb3Dy->setCurrentIndex(1);
        cmb3Dz->setCurrentIndex(2);
    } else {
        for (QComboBox* c : {cmb3Dx, cmb3Dy, cmb3Dz})
            c->setCurrentIndex(-1);
    }
    for (QSlider* bar : {trkStart, trkEnd, trkStart3D, trkEnd3D}) {
        bar->setRange(0, rows - 1);
        bar->setSingleStep(rows / 500 + 1);
        bar->setPageStep(rows / 50 + 1);
        bar->setTickInterval(std::max(1, rows / 20));
    }
    trkStart->setValue(0);
    trkStart3D->setValue(0);
    trkEnd->setValue(rows - 1);
    trkEnd3D->setValue(rows - 1);

    FModel->Reset();
    const QFontMetrics cells(DataGrid->font());
    int widest = 0;
    for (const QString& caption : Data.ParamNames)
        widest = std::max(widest, cells.horizontalAdvance(caption));
    QHeaderView* header = DataGrid->horizontalHeader();
    const int pad =
        2 * DataGrid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, DataGrid) + 4;
    DataGrid->SetFixedWidths(std::max(widest + pad, header->sectionSizeHint(0)),
                             header->sectionSizeHint(1) + 4, header->sectionSizeHint(2) + 4);
    FFilling = false;

    CustomGraphChange();
    Draw3DPlot();
}

// ---------------------------------------------------------------- time graphs

int TfrmLogViewer::GraphSize() const
{
    if (rbLarge->isChecked()) return 160;
    if (rbMedium->isChecked()) return 120;
    return 90;
}

void TfrmLogViewer::ColumnExtremes(int column, double& lo, double& hi) const
{
    lo = Data.Minimum[size_t(column)];
    hi = Data.Maximum[size_t(column)];
    // A column without a single value: its axis as for one that stays at 0.
    if (std::isnan(lo) || std::isnan(hi)) lo = hi = 0;
}

void TfrmLogViewer::FitGraph(int graph)
{
    TTimeGraph& g = Graphs[size_t(graph)];
    double lo, hi;
    ColumnExtremes(graph, lo, hi);
    const bool onOff = (lo == 0 && hi == 0) || (lo == 0 && hi == 1) || (lo == 1 && hi == 1);
    QCPAxis* y = g.Plot->yAxis;
    if (onOff) {
        y->setRange(-0.5, 1.5);
        auto ticker = QSharedPointer<QCPAxisTickerFixed>::create();
        ticker->setTickStep(1);
        y->setTicker(ticker);
        y->setNumberFormat(QStringLiteral("f"));
        y->setNumberPrecision(0);
    } else if (lo == hi) {
        y->setRange(lo - 1, hi + 1);
    } else {
        y->setRange(lo - (hi - lo) * 0.1, hi + (hi - lo) * 0.1);
    }
    g.OnOff = onOff || lo == hi;
    g.Plot->setFixedHeight(g.OnOff ? OnOffHeight : GraphSize());
    g.Plot->xAxis->setRange(FFirstTime, FLastTime);
    g.Plot->RequestReplot();
}

void TfrmLogViewer::Unzoom()
{
    FSyncing = true;
    for (int g = 0; g < int(Graphs.size()); ++g)
        FitGraph(g);
    FSyncing = false;
}

void TfrmLogViewer::GraphSizeClick()
{
    for (TTimeGraph& g : Graphs)
        if (!g.OnOff) g.Plot->setFixedHeight(GraphSize());
}

void TfrmLogViewer::MouseModeClick()
{
    const bool pan = rbPan->isChecked();
    for (TTimeGraph& g : Graphs) {
        g.Plot->setSelectionRectMode(pan ? QCP::srmNone : QCP::srmZoom);
        g.Plot->setInteraction(QCP::iRangeDrag, pan);
    }
}

void TfrmLogViewer::btnUncheckAllClick()
{
    for (TTimeGraph& g : Graphs)
        g.Item->setCheckState(Qt::Unchecked);
}

void TfrmLogViewer::GraphZoomed(int graph)
{
    if (FSyncing || FFilling) return;
    FSyncing = true;
    TTimeGraph& zoomed = Graphs[size_t(graph)];
    const QCPRange range = zoomed.Plot->xAxis->range();
    double lo, hi;
    ColumnExtremes(graph, lo, hi);
    const double margin = hi > lo ? (hi - lo) * 0.01 : 1;
    zoomed.Plot->yAxis->setRange(lo - margin, hi + margin);
    zoomed.Plot->RequestReplot();
    for (TTimeGraph& g : Graphs) {
        if (&g == &zoomed) continue;
        g.Plot->xAxis->setRange(range);
        g.Plot->RequestReplot();
    }
    FSyncing = false;

    // The custom graph follows the zoomed window.
    const int rows = Data.RowCount();
    int start = 0, end = rows - 1;
    if (Data.TimesAscending) {
        start = int(std::upper_bound(Data.Times.begin(), Data.Times.end(), range.lower) -
                    Data.Times.begin()) -
                1;
        end = int(std::lower_bound(Data.Times.begin(), Data.Times.end(), range.upper) -
                  Data.Times.begin());
    } else {
        start = rows;
        for (int r = 0; r < rows && start == rows; ++r)
            if (Data.Times[size_t(r)] > range.lower) start = r;
        start -= 1;
        end = rows;
        for (int r = 0; r < rows && end == rows; ++r)
            if (Data.Times[size_t(r)] >= range.upper) end = r;
    }
    start = std::clamp(start, 0, rows - 1);
    end = end >= rows ? rows - 1 : end;
    FFilling = true;
    trkStart->setValue(start);
    trkEnd->setValue(end);
    FFilling = false;
    CustomGraphChange();
}

int TfrmLogViewer::FirstRowAt(double time) const
{
    if (Data.TimesAscending) {
        const auto it = std::lower_bound(Data.Times.begin(), Data.Times.end(), time);
        return it != Data.Times.end() && *it == time ? int(it - Data.Times.begin()) : -1;
    }
    const auto it = std::find(Data.Times.begin(), Data.Times.end(), time);
    return it != Data.Times.end() ? int(it - Data.Times.begin()) : -1;
}

void TfrmLogViewer::SetGraphReadOut(int graph, int row)
{
    TTimeGraph& g = Graphs[size_t(graph)];
    g.Series->SetMarked(row);
    if (row >= 0)
        g.Plot->SetRightCaption(Data.ParamNames[graph] + QLatin1Char('=') +
                                LogValueText(Data.ParamValues[size_t(graph)][size_t(row)]) +
                                QStringLiteral(", Time=") + LogValueText(Data.Times[size_t(row)]) +
                                QStringLiteral("ms"));
    g.Plot->RequestReplot();
}

void TfrmLogViewer::GraphMouseDown(int graph, const QPointF& pos)
{
    const int row = Graphs[size_t(graph)].Series->NearestRow(pos, ClickReach);
    if (row < 0) return;
    SetGraphReadOut(graph, row);
    const int same = FirstRowAt(Data.Times[size_t(row)]);
    for (int g = 0; g < int(Graphs.size()); ++g)
        if (g != graph) SetGraphReadOut(g, same);
    DataGrid->Select(row + TLogTableModel::FixedColumns, graph + 1);
}

QString TfrmLogViewer::GraphCaption(int graph) const
{
    return Graphs[size_t(graph)].Plot->RightCaption();
}

// ---------------------------------------------------------------- custom 2-D graph

const double* TfrmLogViewer::ColumnOf(const QComboBox* combo) const
{
    if (combo->currentIndex() < 0) return nullptr;
    const int column = combo->currentData().toInt();
    if (column == TimeItem) return Data.Times.data();
    if (column >= 0 && column < Data.ColumnCount()) return Data.ParamValues[size_t(column)].data();
    return nullptr;
}

void TfrmLogViewer::CustomGraphChange()
{
    if (FFilling) return;
    const QColor background = FHost.GetGraphBackgroundColour();
    StyleChart(RChart, background);
    const QCheckBox* checks[] = {chkY1, chkY2, chkY3};
    const QComboBox* combos[] = {cmbY1, cmbY2, cmbY3};
    QLineEdit* boxes[] = {edtyval1, edtYval2, edtYval3};
    const QColor pens[] = {FHost.GetLogLineColour(), QColor(Qt::blue), QColor(0x00, 0xFF, 0x00)};
    const double* x = ColumnOf(cmbX);
    const int start = trkStart->value(), end = trkEnd->value();
    QStringList captions;
    bool any = false;
    double xlo = 0, xhi = 0, ylo = 0, yhi = 0;
    for (int k = 0; k < 3; ++k) {
        TLogSeries* s = CustomSeries[size_t(k)];
        s->Clear();
        const double* y = ColumnOf(combos[k]);
        if (!checks[k]->isChecked()) {
            SetBoxColours(boxes[k], palette().color(QPalette::Button),
                          palette().color(QPalette::Text));
            boxes[k]->clear();
            continue;
        }
        SetBoxColours(boxes[k], background, pens[k]);
        s->setPen(QPen(pens[k]));
        if (combos[k]->currentIndex() >= 0) captions << combos[k]->currentText();
        if (!x || !y || start > end) continue;
        s->SetData(x, y, start, end + 1, false);
        bool found = false;
        const QCPRange kr = s->getKeyRange(found);
        const QCPRange vr = s->getValueRange(found);
        if (!found) continue; // not one row with both values
        xlo = any ? std::min(xlo, kr.lower) : kr.lower;
        xhi = any ? std::max(xhi, kr.upper) : kr.upper;
        ylo = any ? std::min(ylo, vr.lower) : vr.lower;
        yhi = any ? std::max(yhi, vr.upper) : vr.upper;
        any = true;
    }
    RChart->yAxis->setLabel(captions.join(QStringLiteral(" & ")));
    RChart->xAxis->setLabel(cmbX->currentIndex() >= 0 ? cmbX->currentText() : QString());
    if (any) {
        auto margin = [](double lo, double hi) { return hi > lo ? (hi - lo) * 0.01 : 1.0; };
        RChart->xAxis->setRange(xlo - margin(xlo, xhi), xhi + margin(xlo, xhi));
        RChart->yAxis->setRange(ylo - margin(ylo, yhi), yhi + margin(ylo, yhi));
    }
    RChart->RequestReplot();
}

void TfrmLogViewer::RChartMouseDown(const QPointF& pos)
{
    const QCheckBox* checks[] = {chkY1, chkY2, chkY3};
    const QComboBox* combos[] = {cmbY1, cmbY2, cmbY3};
    QLineEdit* boxes[] = {edtyval1, edtYval2, edtYval3};
    if (!chkY1->isChecked() && !chkY2->isChecked() && !chkY3->isChecked()) return;
    for (TLogSeries* s : CustomSeries)
        s->SetMarked(-1);
    int row = -1, clicked = -1;
    double best = 0;
    for (int k = 0; k < 3; ++k) {
        if (!checks[k]->isChecked()) continue;
        double d = 0;
        const int r = CustomSeries[size_t(k)]->NearestRow(pos, ClickReach, &d);
        if (r >= 0 && (row < 0 || d < best)) {
            row = r;
            best = d;
            clicked = k;
        }
    }
    if (row >= 0) {
        edtxval->setText(LogValueText(CustomSeries[size_t(clicked)]->Key(row)));
        for (int k = 0; k < 3; ++k) {
            TLogSeries* s = CustomSeries[size_t(k)];
            if (!checks[k]->isChecked() || row < s->Begin() || row >= s->End()) continue;
            s->SetMarked(row);
            boxes[k]->setText(LogValueText(s->Value(row)));
        }
    }
    RChart->RequestReplot();
    if (row >= 0) {
        // "Time" has no row of its own in the table (the times head it): its column only.
        const int item = combos[clicked]->currentIndex();
        DataGrid->Select(row + TLogTableModel::FixedColumns,
                         item < Data.ColumnCount() ? item + 1 : 1);
    }
}

// ---------------------------------------------------------------- 3-D plot

void TfrmLogViewer::Draw3DPlot()
{
    if (FFilling) return;
    TRot3D* view = Log3DFrame->Rot3D1;
    view->Clear();
    Log3DFrame->PointsReplaced();
    view->SetPointColour(FHost.GetLogLineColour());
    view->SetBackgroundColour(FHost.GetGraphBackgroundColour());
    const double* x = ColumnOf(cmb3Dx);
    const double* y = ColumnOf(cmb3Dy);
    const double* z = ColumnOf(cmb3Dz);
    if (!x || !y || !z) {
        view->update();
        return;
    }
    view->SetAxisName(0, cmb3Dz->currentText());
    view->SetAxisName(1, cmb3Dy->currentText());
    view->SetAxisName(2, cmb3Dx->currentText());
    Log3DFrame->lblXname->setText(cmb3Dx->currentText());
    Log3DFrame->lblYname->setText(cmb3Dy->currentText());
    Log3DFrame->lblZname->setText(cmb3Dz->currentText());
    const int start = trkStart3D->value(), end = trkEnd3D->value();
    if (start > end) {
        view->update();
        return;
    }
    // Extremes from the points themselves: times and other large values run past any
    // fixed starting value. A row without one of its three values has no point.
    double lo[3], hi[3];
    std::fill(std::begin(lo), std::end(lo), std::numeric_limits<double>::infinity());
    std::fill(std::begin(hi), std::end(hi), -std::numeric_limits<double>::infinity());
    for (int r = start; r <= end; ++r) {
        const double v[3] = {z[r], y[r], x[r]};
        if (std::isnan(v[0]) || std::isnan(v[1]) || std::isnan(v[2])) continue;
        for (int a = 0; a < 3; ++a) {
            lo[a] = std::min(lo[a], v[a]);
            hi[a] = std::max(hi[a], v[a]);
        }
        view->AddPoint(v[0], v[1], v[2], TRot3D::PointDot);
    }
    for (int a = 0; a < 3 && lo[a] <= hi[a]; ++a) {
        view->SetOrigin(a, (lo[a] + hi[a]) / 2);
        view->SetScale(a, 2000 / std::max(1.0, hi[a] - lo[a]));
    }
    view->update();
}

// ---------------------------------------------------------------- comments

void TfrmLogViewer::btnResaveCommentsClick()
{
    if (CommentsFile.isEmpty()) return;
    QString text = memoComments->toPlainText();
    if (!text.isEmpty())
        text = text.split(QLatin1Char('\n')).join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
    // Written beside and then put in place: a failed write leaves the old comments.
    QSaveFile file(CommentsFile);
    const QByteArray bytes = ToWin1252(text);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        FHost.GetDialogs().Error(QStringLiteral("Unable to save the comments to '") + CommentsFile +
                                 QStringLiteral("' (") + file.errorString() + QStringLiteral(")."));
}
