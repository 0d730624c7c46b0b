#include "DashBoardForm.h"

#include "ChartAxes.h"
#include "Clock.h"
#include "Dialogs.h"
#include "DashBoardSettings.h"
#include "DisplayOrder.h"
#include "EcuConstData.h"
#include "NumFormat.h"
#include "SensorHub.h"
#include "Settings.h"
#include "Sounds.h"
#include "ThdTimer.h"

#include <qcustomplot.h>

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWidgetAction>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int RowPitch = 19;
constexpr int HeaderHeight = 22;
constexpr int CheckWidth = 200;
constexpr int SwitchCheckWidth = 250;
constexpr int EditWidth = 60;
constexpr int TraceEditWidth = 70;

QLineEdit* ValueEdit(QWidget* parent, int width)
{
    auto* e = new QLineEdit(parent);
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::NoFocus);
    e->setFixedWidth(width);
    e->setFrame(true);
    QPalette pal = e->palette();
    pal.setColor(QPalette::Base, pal.color(QPalette::Window));
    e->setPalette(pal);
    return e;
}

void SetEditText(QLineEdit* e, const QString& text)
{
    if (e->text() != text)
        e->setText(text);
}

void SetBase(QLineEdit* e, const QColor& colour)
{
    QPalette pal = e->palette();
    if (pal.color(QPalette::Base) == colour)
        return;
    pal.setColor(QPalette::Base, colour);
    e->setPalette(pal);
}

// The pages' explanatory texts.
const char* const AnalogueHelp =
    "Tick the parameters you want to see, log and graph.\n\n"
    "The more parameters are ticked, the slower the capture rate: every ticked parameter is "
    "another address the ECU has to send at its slow serial speed.\n\n"
    "On a slow computer, pausing the graphs (Ctrl+G) speeds capture up.";
const char* const DigitalHelp =
    "Switches are read in blocks of eight: one byte of the ECU holds several switches, so "
    "reading one of them brings the others along \"for free\".\n\n"
    "That is why ticking one switch may show the values of several.";

// A value page: the rows, scrolling, beside the page's explanatory text.
QWidget* RowsPage(QWidget* rows, const char* helpText)
{
    auto* page = new QWidget;
    auto* layout = new QHBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    auto* scroll = new QScrollArea(page);
    scroll->setWidget(rows);
    scroll->setFixedWidth(rows->width() + 24);
    layout->addWidget(scroll);
    auto* help = new QPlainTextEdit(page);
    help->setReadOnly(true);
    help->setPlainText(QString::fromLatin1(helpText));
    layout->addWidget(help, 1);
    return page;
}

// The items whose row has a ticked check box (rows without controls are never ticked).
template <size_t N, class TRows>
std::bitset<N> TickedSet(const TRows& rows)
{
    std::bitset<N> set;
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].Check && rows[i].Check->isChecked())
            set.set(i);
    return set;
}

// Select all / none: a click on every box that differs, so its click handler runs as for
// the user's own click.
template <class TRows>
void SetAllTicked(TRows& rows, bool on)
{
    for (auto& row : rows)
        if (row.Check && row.Check->isChecked() != on)
            row.Check->click();
}

}  // namespace

// ---------------------------------------------------------------------------------------

void TColourPanel::SetText(const QString& text, const QColor& colour)
{
    FText = text;
    FColour = colour;
    update();
}

void TColourPanel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), FColour.isValid() ? FColour : palette().color(QPalette::Window));
    p.setPen(palette().color(QPalette::WindowText));
    const QFontMetrics fm(font());
    p.drawText(QPoint(5, 1 + fm.ascent()), FText);
}

// ---------------------------------------------------------------------------------------

TfrmDashBoard::TfrmDashBoard(const TToolWindowHost& host, QWidget* parent)
    : QMainWindow(parent, Qt::Window), FHost(host)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Live ECU Data Capture"));
    setMinimumSize(555, 453);
    FormCreate();
}

TfrmDashBoard::~TfrmDashBoard()
{
    FormDestroy();
}

void TfrmDashBoard::closeEvent(QCloseEvent* event)
{
    // Stop polling and give the link back as soon as the user closes the window, not only
    // when the deferred delete comes round.
    FormDestroy();
    event->accept();
}

void TfrmDashBoard::FormCreate()
{
    Session.LoggingDirectory = [this] { return FHost.GetLoggingDirectory(); };
    Session.SetLoggingDirectory = [this](const QString& dir) { FHost.PutLoggingDirectory(dir); };
    Session.EcuShortName = [this] { return EcuShortName(); };
    Session.Comments = [this] { return memComments->toPlainText(); };
    Session.OnError = [this](const QString& text) { CaptureMessage(text); };
    Session.OnSound = [this](const QString& name) { FHost.GetSounds().PlaySystemSound(name); };
    Session.OnStarted = [this](const QString& fileName) { LogStarted(fileName); };
    Session.OnStopped = [this](const QString& lastLog) { LogStopped(lastLog); };
    BuildMenus();

    pgcPages = new QTabWidget(this);
    setCentralWidget(pgcPages);

    auto* bar = statusBar();
    bar->setSizeGripEnabled(false);
    pnlInterval = new QLabel(bar);
    pnlInterval->setFixedWidth(100);
    pnlInterval->setAlignment(Qt::AlignCenter);
    pnlStatus = new TColourPanel(bar);
    pnlStatus->setMinimumWidth(200);  // and the rest of the bar, so a long path stays readable
    pnlStatus->setMinimumHeight(18);
    bar->addWidget(pnlInterval);
    bar->addWidget(pnlStatus, 1);

    // 1. Graphs cleared and coloured, logging directory shown (graph page built below).
    Graphs.MarkAllClear();
    ShowLogDirectory();

    // 2. What this ECU offers.
    SupportedParams = Link()->SupportedParams;
    SupportedSwitches = Link()->SupportedSwitches;
    if (FHost.GetSensors())
        AvailableChannels = FHost.GetSensors()->GetActiveChannels();
    for (int ch = 0; ch < SensorChannelCount; ++ch)
        FChannelNames[ch] = FHost.GetSensors() ? FHost.GetSensors()->GetSensorName(TSensorChannel(ch)) : QString();
    Graphs.Supported = SupportedParams;
    Graphs.Available = AvailableChannels;

    // 3. First reply pending, graph time starts now.
    FirstReply = true;
    GraphOrigin = PauseStart = GetTickCount();

    // 4.-7. The pages and the rate items.
    tabAnalogue = BuildValuePage(false);
    tabExternal = BuildValuePage(true);
    tabGraphs = BuildGraphPage();
    tabDigital = BuildDigitalPage();
    tabComments = new QWidget;
    memComments = new QPlainTextEdit(tabComments);
    (new QVBoxLayout(tabComments))->addWidget(memComments);
    pgcPages->addTab(tabAnalogue, QStringLiteral("Analogue Data"));
    if (AvailableChannels.any())
        pgcPages->addTab(tabExternal, QStringLiteral("External Sensors"));
    pgcPages->addTab(tabGraphs, QStringLiteral("Analogue Graphing"));
    pgcPages->addTab(tabDigital, QStringLiteral("Digital Data"));
    pgcPages->addTab(tabComments, QStringLiteral("Log File Comments"));
    if (!AvailableChannels.any())
        tabExternal->setParent(this), tabExternal->hide();

    // 8. The graph menu.
    BuildGraphMenu();

    // 9. The request timer.
    RequestTimer = new TThreadedTimer(QStringLiteral("RequestTimer"), this);
    RequestTimer->SetInterval(1000);
    RequestTimer->OnTimer = [this](TThreadedTimer*) { RequestTimerTimer(); };

    // 10. Traces free, then the stored choices.
    for (TGraphSources& g : Graphs.Graphs)
        g.A.Source = g.B.Source = FreeSource;
    LoadSettings();

    // 11. At least four parameters ticked where the ECU has them.
    {
        const TParamSet selection = DefaultSelection(TickedSet<200>(ParamRows), SupportedParams);
        for (int p = 0; p < EcuParamCount; ++p)
            if (ParamRows[p].Check)
                ParamRows[p].Check->setChecked(selection.test(p));
    }

    // 12. Graphs and comments.
    Graphs.InitialAssign(TickedSet<200>(ParamRows));
    for (int g = 0; g < GraphCount; ++g)
        UpdateGraphCaption(g);
    FillComments();

    // 13. The link's events.
    Link()->OnParamValues = [this](const TParamSet& received, const TParamValues& values, const TParamRaw& raw,
                                  const TSwitchSet& present, const TSwitchSet& on) {
        EcuDataReceived(received, values, raw, present, on);
    };
    SavedTimeoutHandler = Link()->OnRequestTimeout;
    Link()->OnRequestTimeout = [this](const TByteArray& request) { CommsError(request); };

    // 14. Opening page and the throttle trigger.
    pgcPages->setCurrentWidget(tabAnalogue);
    SetupThrottleTrigger();

    // 15. Window menu and the first request one interval from now.
    FHost.Register(this);
    ReArm();
}

void TfrmDashBoard::FormDestroy()
{
    if (FDestroying)
        return;
    FDestroying = true;
    if (RequestTimer)
        RequestTimer->SetEnabled(false);
    if (TEcuInterface* link = Link()) {
        // Ending a stream talks to the port, which may be the one that just went away; the
        // window closes all the same.
        try {
            if (link->FastPolling())
                link->StopFastPoll();
        } catch (...) {
        }
        link->ClearPending();
        link->OnParamValues = nullptr;
        link->OnRequestTimeout = SavedTimeoutHandler;
    }
    if (Logging)
        StopLogging();
    SaveSettings();
    FHost.Unregister(this);
}

// ---------------------------------------------------------------- building

void TfrmDashBoard::BuildMenus()
{
    auto item = [this](QMenu* menu, const QString& caption, const QKeySequence& key, auto handler) {
        QAction* a = menu->addAction(caption);
        if (!key.isEmpty())
            a->setShortcut(key);
        connect(a, &QAction::triggered, this, handler);
        return a;
    };

    QMenu* logging = menuBar()->addMenu(QStringLiteral("&Logging"));
    menuLogData = item(logging, QStringLiteral("Log Data to &File"), QKeySequence(Qt::Key_Insert),
                       [this] { menuLogDataClick(); });
    menuOpenLastLog = item(logging, QStringLiteral("&Open Last Log File..."), QKeySequence(Qt::CTRL | Qt::Key_O),
                           [this] { btnOpenLastLogoldClick(); });
    menuOpenLastLog->setEnabled(false);
    logging->addSeparator();
    menuDefogLog = item(logging, QStringLiteral("&Trigger Logging on Defog Switch"),
                        QKeySequence(Qt::CTRL | Qt::Key_D), [this] { menuDefogLogClick(); });
    menuLogThrot = item(logging, QStringLiteral("Trigger Logging on Full Throttle"),
                        QKeySequence(Qt::CTRL | Qt::Key_F), [this] { menuLogThrotClick(); });
    menuDefogLog->setCheckable(true);
    menuLogThrot->setCheckable(true);
    logging->addSeparator();
    menuLogSelDir = item(logging, QStringLiteral("&Choose Logging Directory..."), QKeySequence(),
                         [this] { btnLogSelDirClick(); });

    QMenu* display = menuBar()->addMenu(QStringLiteral("&Display Options"));
    menuInjectorDuty = item(display, QStringLiteral("Convert Injector Milliseconds to Duty %"), QKeySequence(),
                            [this] { menuInjectorDutyClick(); });
    menuFahrenheit = item(display, QStringLiteral("Convert Celsius to Fahrenheit"), QKeySequence(),
                          [this] { menuFahrenheitClick(); });
    menuConvBar = item(display, QStringLiteral("Convert PSI to Bar"), QKeySequence(), [this] { menuBarClick(); });
    menuAFR = item(display, QStringLiteral("Convert Lambda to AFR"), QKeySequence(), [this] { menuAFRClick(); });
    for (QAction* a : {menuInjectorDuty, menuFahrenheit, menuConvBar, menuAFR})
        a->setCheckable(true);
    display->addSeparator();
    const char* const speedCaptions[4] = {"Standard - km/h", "Convert km/h to mph",
                                          "km/h with Compensation for Speedo Converter",
                                          "Convert km/h to mph with Compensation for Speedo Converter"};
    for (int i = 0; i < 4; ++i) {
        QAction* a = display->addAction(QString::fromLatin1(speedCaptions[i]));
        a->setCheckable(true);
        a->setData(i + 1);
        connect(a, &QAction::triggered, this, [this, a] { menuVehSpdConvClick(a); });
        menuVehSpd[i] = a;
    }

    QMenu* capture = menuBar()->addMenu(QStringLiteral("&Capture Options"));
    menuPause = item(capture, QStringLiteral("&Pause Data Capture"), QKeySequence(Qt::CTRL | Qt::Key_P),
                     [this] { chkPauseClicked(menuPause); });
    menuPause->setCheckable(true);
    menuFastPoll = item(capture, QStringLiteral("Fast Poll"), QKeySequence(), [this] { menuFastPollClick(); });
    menuFastPoll->setCheckable(true);
    menuFastPoll->setVisible(Link()->SupportsFastPoll());
    menuResMinMax = item(capture, QStringLiteral("&Clear Min/Max Stats"), QKeySequence(Qt::CTRL | Qt::Key_M),
                         [this] { btnResMinMaxClick(); });
    capture->addSeparator();
    menuAnSelAll = item(capture, QStringLiteral("&Select All Analogue Parameters"),
                        QKeySequence(Qt::CTRL | Qt::Key_A), [this] { btnAnSelAllOldClick(); });
    menuAnSelNone = item(capture, QStringLiteral("&Deselect All Analogue Parameters"),
                         QKeySequence(Qt::CTRL | Qt::Key_N), [this] { btnAnSelNoneOldClick(); });
    menuDigSelAll = item(capture, QStringLiteral("Select All Digital Parameters"),
                         QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_A), [this] { btnDigSelAllOldClick(); });
    menuDigSelNone = item(capture, QStringLiteral("Deselect All Digital Parameters"),
                          QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_N), [this] { btnDigSelNoneOldClick(); });

    QMenu* rate = menuBar()->addMenu(QStringLiteral("Capture &Rate"));
    for (const TCaptureRate& r : CaptureRates) {
        QAction* a = rate->addAction(QString::fromLatin1(r.Caption));
        a->setCheckable(true);
        a->setData(r.IntervalMs);
        connect(a, &QAction::triggered, this, [this, a] { ChangeInterval(a); });
        menuRates.push_back(a);
    }

    QMenu* graphing = menuBar()->addMenu(QStringLiteral("&Graphing"));
    menuPauseGraphs = item(graphing, QStringLiteral("&Pause Graphing"), QKeySequence(Qt::CTRL | Qt::Key_G),
                           [this] { chkPauseClicked(menuPauseGraphs); });
    menuPauseGraphs->setCheckable(true);
    menuClearGraphs = item(graphing, QStringLiteral("&Clear Graphs"), QKeySequence(Qt::Key_Delete),
                           [this] { btnClearGraphClick(); });
    menuSetDataPoints = item(graphing, QStringLiteral("Set Data Points Before Scrolling Graphs..."),
                             QKeySequence(), [this] { menuSetDataPointsClick(); });
}

TDataRow TfrmDashBoard::MakeRow(QWidget* page, int y, const QString& caption, const QString& units)
{
    TDataRow row;
    row.Check = new QCheckBox(caption, page);
    row.Check->setGeometry(4, y, CheckWidth, RowPitch);
    row.MinEdit = ValueEdit(page, EditWidth);
    row.CurEdit = ValueEdit(page, EditWidth);
    row.MaxEdit = ValueEdit(page, EditWidth);
    int x = 4 + CheckWidth;
    for (QLineEdit* e : {row.MinEdit, row.CurEdit, row.MaxEdit}) {
        e->setGeometry(x, y, EditWidth, RowPitch);
        x += EditWidth;
    }
    row.UnitLabel = new QLabel(units, page);
    row.UnitLabel->setGeometry(x + 4, y, 80, RowPitch);
    return row;
}

QWidget* TfrmDashBoard::BuildValuePage(bool external)
{
    auto* rows = new QWidget;
    const QString titles[3] = {QStringLiteral("Minimum"), QStringLiteral("Current"), QStringLiteral("Maximum")};
    for (int i = 0; i < 3; ++i) {
        auto* l = new QLabel(titles[i], rows);
        l->setAlignment(Qt::AlignCenter);
        l->setGeometry(4 + CheckWidth + i * EditWidth, 2, EditWidth, HeaderHeight - 4);
    }
    int y = HeaderHeight;
    if (!external) {
        for (TEcuParam p : DisplayOrder) {
            if (!SupportedParams.test(p))
                continue;
            ParamRows[p] = MakeRow(rows, y, Units.ParamName(p), Units.ParamUnits(p));
            ParamRows[p].Check->setChecked(p == epEngspd);
            connect(ParamRows[p].Check, &QCheckBox::clicked, this, [this] { AnalogueCheckClick(); });
            y += RowPitch;
        }
    } else {
        for (int ch = 0; ch < SensorChannelCount; ++ch) {
            if (!AvailableChannels.test(ch))
                continue;
            const QString units = FHost.GetSensors() ? FHost.GetSensors()->GetSensorUnits(TSensorChannel(ch)) : QString();
            ChannelRows[ch] = MakeRow(rows, y, FChannelNames[ch], units);
            connect(ChannelRows[ch].Check, &QCheckBox::clicked, this, [this] { ExternalCheckClick(); });
            y += RowPitch;
        }
        lblSensorStatus = new QLabel(rows);
        lblSensorStatus->setGeometry(4, y + 4, CheckWidth + 3 * EditWidth + 80, RowPitch);
        y += RowPitch + 4;
    }
    rows->setFixedSize(4 + CheckWidth + 3 * EditWidth + 90, y + 4);
    return RowsPage(rows, AnalogueHelp);
}

QWidget* TfrmDashBoard::BuildDigitalPage()
{
    auto* rows = new QWidget;
    auto* h1 = new QLabel(QStringLiteral("Parameter"), rows);
    h1->setGeometry(4, 2, SwitchCheckWidth, HeaderHeight - 4);
    auto* h2 = new QLabel(QStringLiteral("Value"), rows);
    h2->setAlignment(Qt::AlignCenter);
    h2->setGeometry(4 + SwitchCheckWidth, 2, EditWidth, HeaderHeight - 4);
    int y = HeaderHeight;
    for (int s = 0; s < EcuSwitchCount; ++s) {
        if (!SupportedSwitches.test(s))
            continue;
        TSwitchRow& row = SwitchRows[s];
        row.Check = new QCheckBox(SwitchDefs[s].Name, rows);
        row.Check->setGeometry(4, y, SwitchCheckWidth, RowPitch);
        row.Edit = ValueEdit(rows, EditWidth);
        row.Edit->setGeometry(4 + SwitchCheckWidth, y, EditWidth, RowPitch);
        y += RowPitch;
    }
    rows->setFixedSize(8 + SwitchCheckWidth + EditWidth, y + 4);
    return RowsPage(rows, DigitalHelp);
}

QWidget* TfrmDashBoard::BuildGraphPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    auto* top = new QHBoxLayout;
    auto* clear = new QPushButton(QStringLiteral("Clear Graphs"), page);
    connect(clear, &QPushButton::clicked, this, [this] { btnClearGraphClick(); });
    top->addWidget(clear);
    top->addStretch(1);
    layout->addLayout(top);

    FGraphArea = new QWidget(page);
    FGraphArea->installEventFilter(this);
    layout->addWidget(FGraphArea, 1);
    FGraphHeader = new QLabel(QStringLiteral("Max/Cur/Min"), FGraphArea);

    const QColor background = FHost.GetGraphBackgroundColour();
    QFont bold = font();
    bold.setBold(true);
    for (int g = 0; g < GraphCount; ++g) {
        auto* plot = new QCustomPlot(FGraphArea);
        plot->setNoAntialiasingOnDrag(true);
        plot->setNotAntialiasedElements(QCP::aeAll);
        plot->setPlottingHint(QCP::phFastPolylines, true);
        plot->setBackground(palette().color(QPalette::Window));
        plot->axisRect()->setBackground(background);
        plot->xAxis2->setVisible(true);
        plot->xAxis2->setTicks(false);
        plot->xAxis2->setTickLabels(false);
        for (QCPAxis* axis : {plot->xAxis, plot->yAxis}) {
            axis->grid()->setVisible(true);
            // Solid grid lines: dotted ones cost more to draw than the traces.
            axis->grid()->setPen(QPen(QColor(80, 80, 80), 0, Qt::SolidLine));
            axis->grid()->setZeroLinePen(QPen(QColor(130, 130, 130), 0, Qt::SolidLine));
            UsePictureLabels(axis);
            axis->setSubTicks(false);  // the grid is enough; every small tick is another line to draw
        }
        plot->xAxis->setRange(-10, 0.1);
        plot->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(plot, &QWidget::customContextMenuRequested, this, [this, g, plot](const QPoint& pos) {
            MenuPopup(g);
            GraphMenu->popup(plot->mapToGlobal(pos));
        });
        const QColor colours[2] = {QColor(0, 255, 0), QColor(255, 0, 0)};
        for (int t = 0; t < 2; ++t) {
            QCPGraph* series = plot->addGraph();
            series->setPen(QPen(colours[t]));
            series->setLineStyle(QCPGraph::lsLine);
            series->setScatterStyle(QCPScatterStyle::ssNone);
            series->setAdaptiveSampling(true);
            Series[g][t] = series;
            for (int k = 0; k < 3; ++k) {
                QLineEdit* e = ValueEdit(FGraphArea, TraceEditWidth);
                e->setFrame(false);  // frameless: the page repaints them with every graph
                e->setFont(bold);
                TraceEdits[g][t][k] = e;
            }
        }
        Plots[g] = plot;
    }
    return page;
}

bool TfrmDashBoard::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == FGraphArea && event->type() == QEvent::Resize)
        Panel4Resize();
    return QMainWindow::eventFilter(watched, event);
}

void TfrmDashBoard::Panel4Resize()
{
    if (!FGraphArea)
        return;
    const int h = FGraphArea->height();
    const int columns = 2 * (TraceEditWidth + 4) + 4;
    const int w = std::max(50, FGraphArea->width() - columns);
    const int graphHeight = (h - 10) / 4;
    FGraphHeader->setGeometry(w + 4, 0, 2 * (TraceEditWidth + 4), 18);
    int top = 0;
    for (int g = 0; g < GraphCount; ++g) {
        const int gh = g == GraphCount - 1 ? graphHeight + 10 : graphHeight;
        Plots[g]->setGeometry(0, top, w, gh);
        const int editHeight = TraceEdits[g][0][0]->sizeHint().height();
        for (int t = 0; t < 2; ++t) {
            const int x = w + 4 + t * (TraceEditWidth + 4);
            int y = top + 25;
            for (int k = 0; k < 3; ++k) {
                TraceEdits[g][t][k]->setGeometry(x, y, TraceEditWidth, editHeight);
                y += editHeight + 1;
            }
        }
        top += gh;
    }
}

void TfrmDashBoard::SetupThrottleTrigger()
{
    menuLogThrot->setEnabled(SupportedParams.test(epThrotAn));
    if (!menuLogThrot->isEnabled())
        menuLogThrot->setChecked(false);
}

QString TfrmDashBoard::EcuShortName() const
{
    int index = -1;
    if (Link()->FindEcu(index) && index >= 0 && !EcuIds[index].ShortName.isEmpty())
        return EcuIds[index].ShortName;
    return QStringLiteral("ECU");
}

void TfrmDashBoard::FillComments()
{
    int index = -1;
    QString description;
    if (Link()->FindEcu(index) && index >= 0)
        description = EcuIds[index].Description;
    memComments->setPlainText(CommentsFirstLine(description));
}

// ---------------------------------------------------------------- polling

void TfrmDashBoard::ReArm()
{
    if (RequestTimer && !FDestroying)
        RequestTimer->Restart();
}

void TfrmDashBoard::RequestTimerTimer()
{
    if (isVisible() && !menuPause->isChecked() && !FModal)
        RequestData();
}

void TfrmDashBoard::ChangeInterval(QAction* item)
{
    SetCaptureInterval(item->data().toInt());
    if (RequestTimer->Enabled())
        RequestTimer->Restart();
}

void TfrmDashBoard::SetCaptureInterval(int ms)
{
    for (QAction* a : menuRates)
        a->setChecked(a->data().toInt() == ms);
    RequestTimer->SetInterval(ms);
}

void TfrmDashBoard::RequestData()
{
    // Another request of the link's is still out (a rate change, say): this one would be
    // dropped and nothing would re-arm the timer, so try again after the interval.
    if (Link()->PendingRequestActive() && !Link()->FastPolling()) {
        ReArm();
        return;
    }
    TParamSet params = GetAnalogueSet();
    TSwitchSet switches = GetDigitalSet();
    auto poll = [this](TParamSet p, const TSwitchSet& s) {
        if (p.none() && s.none())
            p.set(epEngspd);  // keeps the link and the interval display running
        if (menuFastPoll->isChecked() && Link()->SupportsFastPoll()) {
            // The ECU keeps answering this one request until told otherwise.
            FStreamParams = p;
            FStreamSwitches = s;
            Link()->StartFastPoll(p, s);
        } else {
            Link()->PollParameters(p, s);
        }
    };
    try {
        poll(params, switches);
    } catch (const EEcuInterface&) {
        FHost.GetDialogs().Error(QStringLiteral(
            "A problem was encountered in communication. It is likely that too many parameters have been "
            "selected for capture. All analogue parameters have now been deselected."));
        btnAnSelNoneOldClick();
        poll(GetAnalogueSet(), GetDigitalSet());
    }
    if (FHost.GetSensors())
        FHost.GetSensors()->PollAnalogue();
}

TParamSet TfrmDashBoard::GetAnalogueSet() const
{
    TParamSet set = TickedSet<200>(ParamRows);
    if (menuLogThrot->isChecked())
        set.set(epThrotAn);
    return set;
}

TSwitchSet TfrmDashBoard::GetDigitalSet() const
{
    TSwitchSet set = TickedSet<96>(SwitchRows);
    if (menuDefogLog->isChecked())
        set.set(esDefogSw);
    return set;
}

TSensorChannels TfrmDashBoard::GetExternalSet() const
{
    return TickedSet<48>(ChannelRows);
}

void TfrmDashBoard::EcuDataReceived(const TParamSet& received, const TParamValues& values, const TParamRaw&,
                                    const TSwitchSet& present, const TSwitchSet& on)
{
    // A reply that arrives while one of this window's messages is up waits for no one:
    // polling starts again when the message is closed.
    if (FModal)
        return;
    // 1. The largest reply seen tells CommsError what the ECU can answer.
    LargestReply = std::max(LargestReply, Link()->LastReplyCount);

    // 2., 3. This reply's sets and its values in display units.
    const TParamSet params = GetAnalogueSet();
    const TSwitchSet switches = GetDigitalSet();
    const TSensorChannels channels = GetExternalSet();
    TParamValues shown = values;
    Units.ApplyConversions(shown, received);

    // 4. Triggers: defog first, then throttle.
    Session.DefogTrigger = menuDefogLog->isChecked();
    Session.ThrottleTrigger = menuLogThrot->isChecked();
    Session.ApplyTriggers(params, switches, channels, received, shown, present, on);

    // 5. External channel values.
    if (FHost.GetSensors())
        FHost.GetSensors()->GetSensorValues(ChannelValues);

    // 6. The log line, handed to the system before anything else happens.
    if (Logging)
        Session.WriteReply(params, shown, received, switches, on, channels, ChannelValues);

    // 7. The pages.
    ShowAnalogueValues(received, shown);
    ShowDigitalValues(present, on);
    ShowExternalValues(ChannelValues);
    ReportSerialDevices();

    // 8. Graphs.
    if (!menuPauseGraphs->isChecked())
        UpdateGraphs(received, shown);

    // 9. The next request. A fast-poll stream needs none; when the ticked items changed, it
    // is ended, and the ordinary reply that ends it re-arms the timer, whose next request
    // starts a stream of the new items.
    if (Link()->FastPolling()) {
        TParamSet wanted = params;
        if (wanted.none() && switches.none())
            wanted.set(epEngspd);
        if (wanted != FStreamParams || switches != FStreamSwitches)
            Link()->StopFastPoll();
        return;
    }
    ReArm();
}

void TfrmDashBoard::SetEditGreyed(QLineEdit* edit, bool greyed)
{
    SetBase(edit, greyed ? palette().color(QPalette::Dark) : palette().color(QPalette::Window));
}

void TfrmDashBoard::ShowAnalogueValues(const TParamSet& received, const TParamValues& values)
{
    const uint32_t now = GetTickCount();
    if (FirstReply) {
        FirstReply = false;
        btnResMinMaxClick();
        LastReplyTick = now;
    }
    pnlInterval->setText(QString::number(now - LastReplyTick) + QStringLiteral("ms interval"));
    LastReplyTick = now;

    for (int p = 0; p < EcuParamCount; ++p) {
        TDataRow& row = ParamRows[p];
        if (!row.Check)
            continue;
        if (received.test(p)) {
            if (row.Greyed) {
                row.Greyed = false;
                for (QLineEdit* e : {row.MinEdit, row.CurEdit, row.MaxEdit})
                    SetEditGreyed(e, false);
            }
            const double v = values[p];
            const unsigned changed = row.Stats.Update(v);
            if (changed) {
                const QString text = Units.FormatParam(p, v);
                if (changed & TValueStats::CurChanged)
                    row.CurEdit->setText(text);
                if (changed & TValueStats::MaxChanged)
                    row.MaxEdit->setText(text);
                if (changed & TValueStats::MinChanged)
                    row.MinEdit->setText(text);
            }
        } else if (!row.Greyed) {
            row.Greyed = true;
            for (QLineEdit* e : {row.MinEdit, row.CurEdit, row.MaxEdit})
                SetEditGreyed(e, true);
        }
    }
}

void TfrmDashBoard::ShowDigitalValues(const TSwitchSet& present, const TSwitchSet& on)
{
    for (int s = 0; s < EcuSwitchCount; ++s) {
        TSwitchRow& row = SwitchRows[s];
        if (!row.Edit)
            continue;
        if (present.test(s)) {
            if (row.Greyed) {
                row.Greyed = false;
                SetEditGreyed(row.Edit, false);
            }
            SetEditText(row.Edit, on.test(s) ? SwitchDefs[s].Extra2 : SwitchDefs[s].Extra3);  // on-text, off-text
        } else if (!row.Greyed) {
            row.Greyed = true;
            SetEditGreyed(row.Edit, true);
        }
    }
}

void TfrmDashBoard::ShowExternalValues(const TSensorValues& values)
{
    if (lblSensorStatus && FHost.GetSensors()) {
        const QString status = FHost.GetSensors()->InnovateStatusText();
        if (lblSensorStatus->text() != status)
            lblSensorStatus->setText(status);
    }
    for (int ch = 0; ch < SensorChannelCount; ++ch) {
        TDataRow& row = ChannelRows[ch];
        if (!row.Check)
            continue;
        const double v = values[ch];
        if (!std::isfinite(v)) {
            // No measurement (a device that stopped sending, or warming up): said so, and
            // the statistics keep what was measured.
            if (!std::isnan(row.Stats.LastShown)) {
                row.Stats.LastShown = std::numeric_limits<double>::quiet_NaN();
                row.CurEdit->setText(QStringLiteral("no data"));
            }
            continue;
        }
        const unsigned changed = row.Stats.Update(v);
        if (!changed)
            continue;
        // The extremes get the value's own text: the current edit may still be blank when
        // the value equals the one shown before the statistics were cleared.
        const QString text = FormatFixed(v, 2);
        if (changed & TValueStats::CurChanged)
            row.CurEdit->setText(text);
        if (changed & TValueStats::MaxChanged)
            row.MaxEdit->setText(text);
        if (changed & TValueStats::MinChanged)
            row.MinEdit->setText(text);
    }
}

void TfrmDashBoard::CommsError(const TByteArray&)
{
    if (FModal)
        return;  // polling starts again when the message is closed
    FHost.GetSounds().Beep();
    // A stream that died falls back to ordinary polling.
    menuFastPoll->setChecked(false);
    if (LargestReply < Link()->LastReadCount) {
        FHost.GetDialogs().Warning(QStringLiteral(
            "There has been a problem communicating with the ECU. This may be due to too many parameters being "
            "selected. Some parameters will be deselected in an attempt to correct the problem."));
        const TParamSet untick = ParamsToUntick(TickedSet<200>(ParamRows), ParamSetBytes(GetAnalogueSet()), LargestReply);
        for (int p = EcuParamCount - 1; p >= 0; --p)
            if (untick.test(p))
                ParamRows[p].Check->setChecked(false);
        AnalogueCheckClick();
    } else {
        FHost.GetDialogs().Warning(
            QStringLiteral("There has been a problem communicating with the ECU. Check your cabling and click OK."));
    }
    ReArm();
}

void TfrmDashBoard::ReportSerialDevices()
{
    TSensorHub* hub = FHost.GetSensors();
    if (!hub)
        return;
    const TSensorChannels ticked = GetExternalSet();
    for (const TSensorHub::TSerialDevice& d : hub->SerialDevices()) {
        const QString where = d.Name + QStringLiteral(" on ") + d.Port;
        const bool said = FStoppedDevices.contains(where);
        if (!d.Fresh && !said && (d.Channels & ticked).any()) {
            FStoppedDevices << where;
            SetStatusText(where + QStringLiteral(" stopped sending: its values show \"no data\" "
                                                 "and are logged as empty fields"),
                          QColor(255, 128, 0));
        } else if (d.Fresh && said) {
            FStoppedDevices.removeAll(where);
            SetStatusText(where + QStringLiteral(" is sending again"), palette().color(QPalette::Window));
        }
    }
}

void TfrmDashBoard::btnResMinMaxClick()
{
    auto reset = [](TDataRow& row) {
        if (!row.Check)
            return;
        row.Stats.Reset();
        row.CurEdit->clear();
        row.MinEdit->clear();
        row.MaxEdit->clear();
    };
    std::for_each(ParamRows.begin(), ParamRows.end(), reset);
    std::for_each(ChannelRows.begin(), ChannelRows.end(), reset);
}

void TfrmDashBoard::btnAnSelAllOldClick()
{
    SetAllTicked(ParamRows, true);
}

void TfrmDashBoard::btnAnSelNoneOldClick()
{
    SetAllTicked(ParamRows, false);
}

void TfrmDashBoard::btnDigSelAllOldClick()
{
    SetAllTicked(SwitchRows, true);
}

void TfrmDashBoard::btnDigSelNoneOldClick()
{
    SetAllTicked(SwitchRows, false);
}

void TfrmDashBoard::chkPauseClicked(QAction* sender)
{
    // The item has already toggled its check mark (it is checkable); before the click the
    // sender was in the other state.
    QAction* other = sender == menuPause ? menuPauseGraphs : menuPause;
    const bool wasPaused = other->isChecked() || !sender->isChecked();
    const bool nowPaused = other->isChecked() || sender->isChecked();
    const uint32_t now = GetTickCount();
    if (!wasPaused && nowPaused)
        PauseStart = now;
    else if (wasPaused && !nowPaused)
        GraphOrigin += now - PauseStart;
    if (sender == menuPause) {
        if (sender->isChecked() && Link()->FastPolling())
            Link()->StopFastPoll();  // its last reply re-arms the timer, whose ticks now send nothing
        else if (!sender->isChecked())
            RequestData();
    }
}

void TfrmDashBoard::menuFastPollClick()
{
    // On: the next request starts the stream. Off: the stream ends with one ordinary reply,
    // which re-arms the timer as usual.
    if (!menuFastPoll->isChecked() && Link()->FastPolling())
        Link()->StopFastPoll();
}

// ---------------------------------------------------------------- settings

void TfrmDashBoard::LoadSettings()
{
    TDashBoardSettings settings(TSettingsStore::Instance());
    TDashBoardSelection sel;
    sel.Analogue = TickedSet<200>(ParamRows);
    settings.LoadSelection(sel, SupportedParams, SupportedSwitches, AvailableChannels);
    for (int p = 0; p < EcuParamCount; ++p)
        if (ParamRows[p].Check)
            ParamRows[p].Check->setChecked(sel.Analogue[p]);
    for (int s = 0; s < EcuSwitchCount; ++s)
        if (SwitchRows[s].Check)
            SwitchRows[s].Check->setChecked(sel.Digital[s]);
    for (int ch = 0; ch < SensorChannelCount; ++ch)
        if (ChannelRows[ch].Check)
            ChannelRows[ch].Check->setChecked(sel.External[ch]);
    SetCaptureInterval(settings.LoadCaptureInterval());
    DataPoints = settings.LoadDataPoints();
    if (!FHost.IsDemoMode()) {
        bool defog = false, throttle = false;
        settings.LoadTriggers(defog, throttle);
        menuDefogLog->setChecked(defog);
        menuLogThrot->setChecked(throttle && !defog);  // the two triggers exclude each other
    }
    settings.LoadGraphs(Graphs);
    settings.LoadUnits(Units);
    menuInjectorDuty->setChecked(Units.InjDuty);
    menuFahrenheit->setChecked(Units.Temp);
    menuConvBar->setChecked(Units.Pressure);
    menuAFR->setChecked(Units.Oxygen);
    for (QAction* a : menuVehSpd)
        a->setChecked(a->data().toInt() == Units.Speed);
    UnitsChanged(TDisplayUnits::InjDutyParams() | TDisplayUnits::TempParams() | TDisplayUnits::PressureParams() |
                 TDisplayUnits::OxygenParams() | TDisplayUnits::SpeedParams());
}

void TfrmDashBoard::SaveSettings()
{
    TDashBoardSettings settings(TSettingsStore::Instance());
    TDashBoardSelection sel;
    // The ticks only: what a trigger adds to the request is not the user's choice.
    sel.Analogue = TickedSet<200>(ParamRows);
    sel.Digital = TickedSet<96>(SwitchRows);
    sel.External = TickedSet<48>(ChannelRows);
    settings.SaveSelection(sel, SupportedParams, SupportedSwitches, AvailableChannels);
    settings.SaveCaptureInterval(RequestTimer->Interval());
    settings.SaveDataPoints(DataPoints);
    if (!FHost.IsDemoMode())
        settings.SaveTriggers(menuDefogLog->isChecked(), menuLogThrot->isChecked());
    settings.SaveGraphs(Graphs);
    settings.SaveUnits(Units);
}

// ---------------------------------------------------------------- logging

void TfrmDashBoard::SetStatusText(const QString& text, const QColor& colour)
{
    pnlStatus->SetText(text, colour);
}

void TfrmDashBoard::ShowLogDirectory()
{
    const QString dir = FHost.GetLoggingDirectory();
    SetStatusText(QStringLiteral("Logging Directory is ") + dir, palette().color(QPalette::Window));
}

void TfrmDashBoard::menuLogDataClick()
{
    TriggerStartFailed = false;
    menuDefogLog->setChecked(false);
    menuLogThrot->setChecked(false);
    if (menuLogData->text() != QStringLiteral("Stop &Logging"))
        StartLogging();
    else
        StopLogging();
}

bool TfrmDashBoard::StartLogging()
{
    return Session.Start(GetAnalogueSet(), GetDigitalSet(), GetExternalSet());
}

void TfrmDashBoard::StopLogging()
{
    Session.Stop();
}

void TfrmDashBoard::LogStarted(const QString& fileName)
{
    SetStatusText(QStringLiteral("Logging to ") + fileName, QColor(0, 255, 0));
    menuLogData->setText(QStringLiteral("Stop &Logging"));
}

void TfrmDashBoard::LogStopped(const QString& lastLogName)
{
    menuLogData->setText(QStringLiteral("&Log Data to File"));
    ShowLogDirectory();
    menuOpenLastLog->setEnabled(true);
    FHost.AddRecent(lastLogName);
}

void TfrmDashBoard::CaptureMessage(const QString& text)
{
    // While the message is up the event loop runs: a fast-poll stream would go on
    // delivering replies and its watchdog could time out inside the reply handler that
    // showed the message. The stream ends first and starts again afterwards.
    TEcuInterface* link = Link();
    const bool streaming = link && link->FastPolling();
    if (streaming)
        link->StopFastPoll();
    ++FModal;
    FHost.GetDialogs().Error(text);
    --FModal;
    ReArm();
}

void TfrmDashBoard::menuDefogLogClick()
{
    // The item toggled itself; the two triggers exclude each other.
    if (menuDefogLog->isChecked())
        menuLogThrot->setChecked(false);
}

void TfrmDashBoard::menuLogThrotClick()
{
    if (menuLogThrot->isChecked())
        menuDefogLog->setChecked(false);
}

void TfrmDashBoard::btnLogSelDirClick()
{
    const QString start = FHost.GetLoggingDirectory();
    const std::optional<QString> dir = FHost.GetDialogs().ChooseFolder(QStringLiteral("Choose Logging Directory"), start);
    if (!dir)
        return;
    FHost.PutLoggingDirectory(*dir);
    if (!Logging)
        ShowLogDirectory();
}

void TfrmDashBoard::btnOpenLastLogoldClick()
{
    if (LastLogName.isEmpty())
        return;
    FHost.OpenLog(LastLogName);
    FHost.AddRecent(LastLogName);
}

// ---------------------------------------------------------------- units

void TfrmDashBoard::menuInjectorDutyClick()
{
    Units.InjDuty = menuInjectorDuty->isChecked();
    UnitsChanged(TDisplayUnits::InjDutyParams());
}

void TfrmDashBoard::menuFahrenheitClick()
{
    Units.Temp = menuFahrenheit->isChecked();
    UnitsChanged(TDisplayUnits::TempParams());
}

void TfrmDashBoard::menuBarClick()
{
    Units.Pressure = menuConvBar->isChecked();
    UnitsChanged(TDisplayUnits::PressureParams());
}

void TfrmDashBoard::menuAFRClick()
{
    Units.Oxygen = menuAFR->isChecked();
    UnitsChanged(TDisplayUnits::OxygenParams());
}

void TfrmDashBoard::menuVehSpdConvClick(QAction* item)
{
    for (QAction* a : menuVehSpd)
        a->setChecked(a == item);
    Units.Speed = TSpeedUnit(item->data().toInt());
    UnitsChanged(TDisplayUnits::SpeedParams());
}

void TfrmDashBoard::UnitsChanged(const TParamSet& set)
{
    auto inSet = [&set](int source) { return TGraphModel::IsParamSource(source) && set.test(source); };
    for (int g = 0; g < GraphCount; ++g)
        if (inSet(Graphs.Graphs[g].A.Source) || inSet(Graphs.Graphs[g].B.Source))
            UpdateGraphCaption(g);
    for (int p = 0; p < EcuParamCount; ++p) {
        if (!set.test(p) || !ParamRows[p].Check)
            continue;
        ParamRows[p].UnitLabel->setText(Units.ParamUnits(p));
        ParamRows[p].Check->setText(Units.ParamName(p));
        for (QAction* a : GraphMenuItems)
            if (a->data().toInt() == p)
                a->setText(Units.ParamName(p));
    }
}

// ---------------------------------------------------------------- graphs

void TfrmDashBoard::BuildGraphMenu()
{
    // A column of 16 items at most: a grid of buttons inside the menu, each bound to its item.
    GraphMenu = new QMenu(this);
    auto* grid = new QWidget(GraphMenu);
    auto* layout = new QGridLayout(grid);
    layout->setSpacing(0);
    layout->setContentsMargins(2, 2, 2, 2);
    const std::vector<int> codes = Graphs.MenuCodes();
    int column = -1, row = 0;
    for (size_t i = 0; i < codes.size(); ++i) {
        const int code = codes[i];
        const int number = int(i) + 1;
        if (number == 1 || TGraphModel::MenuColumnBreak(number)) {
            ++column;
            row = 0;
        }
        const QString caption = code < ChannelSourceBase ? Units.ParamName(code) : FChannelNames[code - ChannelSourceBase];
        auto* a = new QAction(caption, GraphMenu);
        a->setCheckable(true);
        a->setData(code);
        connect(a, &QAction::triggered, this, [this, a] {
            GraphMenu->close();
            GraphMenuItemClick(FMenuGraph, a);
        });
        auto* button = new QToolButton(grid);
        button->setDefaultAction(a);
        button->setAutoRaise(true);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        // The checked items are the graph's traces: make them stand out from a mere hover.
        button->setStyleSheet(QStringLiteral("QToolButton:checked { font-weight: bold; "
                                             "background: palette(highlight); color: palette(highlighted-text); }"));
        layout->addWidget(button, row++, column);
        GraphMenuItems.push_back(a);
    }
    auto* holder = new QWidgetAction(GraphMenu);
    holder->setDefaultWidget(grid);
    GraphMenu->addAction(holder);
}

void TfrmDashBoard::MenuPopup(int graph)
{
    FMenuGraph = graph;
    const TParamSet analogue = GetAnalogueSet();
    for (QAction* a : GraphMenuItems) {
        const int code = a->data().toInt();
        a->setChecked(Graphs.MenuItemChecked(graph, code));
        a->setEnabled(Graphs.MenuItemEnabled(code, analogue));
    }
}

void TfrmDashBoard::GraphMenuItemClick(int graph, QAction* item)
{
    Graphs.MenuItemClick(graph, item->data().toInt());
    for (QAction* a : GraphMenuItems)
        a->setChecked(Graphs.MenuItemChecked(graph, a->data().toInt()));
    UpdateGraphCaption(graph);
}

void TfrmDashBoard::UpdateGraphCaption(int graph)
{
    auto channelName = [this](int ch) { return FChannelNames[ch]; };
    auto channelUnits = [this](int ch) {
        return FHost.GetSensors() ? FHost.GetSensors()->GetSensorUnits(TSensorChannel(ch)) : QString();
    };
    const QString title = Graphs.Caption(graph, Units, channelName, channelUnits);
    QCustomPlot* plot = Plots[graph];
    plot->xAxis2->setLabel(title);
    plot->xAxis2->setLabelColor(palette().color(QPalette::WindowText));
    const TGraphSources& g = Graphs.Graphs[graph];
    const QColor shadow = palette().color(QPalette::Dark);
    for (int t = 0; t < 2; ++t) {
        const bool used = !(t == 0 ? g.A : g.B).IsFree();
        const QColor colour = !used ? shadow : t == 0 ? QColor(175, 255, 175) : QColor(255, 175, 175);
        for (QLineEdit* e : TraceEdits[graph][t])
            SetBase(e, colour);
    }
    plot->replot(QCustomPlot::rpQueuedReplot);
}

QString TfrmDashBoard::GraphTitle(int graph) const
{
    return Plots[graph]->xAxis2->label();
}

void TfrmDashBoard::UpdateGraphs(const TParamSet& received, const TParamValues& values)
{
    const double t = double(GetTickCount() - GraphOrigin) / 1000.0;
    for (int g = 0; g < GraphCount; ++g) {
        for (int k = 0; k < 2; ++k) {
            TGraphTrace& trace = k == 0 ? Graphs.Graphs[g].A : Graphs.Graphs[g].B;
            QCPGraph* series = Series[g][k];
            if (trace.Clear) {
                trace.Clear = false;
                series->data()->clear();
            }
            const int source = trace.Source;
            double value = 0;
            QString texts[3];  // maximum, current, minimum
            bool valid = false;
            if (TGraphModel::IsParamSource(source)) {
                if (received.test(source)) {
                    valid = true;
                    value = values[source];
                    const TValueStats& stats = ParamRows[source].Stats;
                    texts[0] = Units.FormatParam(source, stats.MaxValue);
                    texts[1] = Units.FormatParam(source, value);
                    texts[2] = Units.FormatParam(source, stats.MinValue);
                }
            } else if (TGraphModel::IsChannelSource(source)) {
                const int ch = source - ChannelSourceBase;
                if (AvailableChannels.test(ch) && ChannelRows[ch].Check) {
                    valid = true;
                    value = ChannelValues[ch];
                    texts[0] = ChannelRows[ch].MaxEdit->text();
                    texts[1] = ChannelRows[ch].CurEdit->text();
                    texts[2] = ChannelRows[ch].MinEdit->text();
                }
            }
            if (!valid)
                continue;
            auto data = series->data();
            data->add(QCPGraphData(t, value));
            // One at a time from the front (cheap there), so that points sharing a time
            // still count singly.
            while (data->size() > DataPoints)
                data->remove(data->constBegin()->key);
            for (int e = 0; e < 3; ++e)
                SetEditText(TraceEdits[g][k][e], texts[e]);
        }
        Plots[g]->xAxis->setRangeUpper(t + 0.1);
    }
    // One time span for all four graphs: the last ten seconds at least, and every kept point.
    std::vector<double> oldest;
    for (const auto& graph : Series)
        for (QCPGraph* series : graph)
            if (!series->data()->isEmpty())
                oldest.push_back(series->data()->constBegin()->key);
    const double lower = TimeAxisMinimum(t, oldest);
    for (QCustomPlot* plot : Plots) {
        plot->xAxis->setRangeLower(lower);
        // One value axis for both traces, with room above and below their extremes.
        QCPRange range;
        if (FitValueRange({plot->graph(0), plot->graph(1)}, range))
            plot->yAxis->setRange(range);
        // Painting waits for the event loop; several replies between two paints cost one paint.
        plot->replot(QCustomPlot::rpQueuedReplot);
    }
}

void TfrmDashBoard::btnClearGraphClick()
{
    GraphOrigin = PauseStart = GetTickCount();
    for (auto& graph : Series)
        for (QCPGraph* series : graph)
            series->data()->clear();
    for (QCustomPlot* plot : Plots)
        plot->replot(QCustomPlot::rpQueuedReplot);
}

void TfrmDashBoard::menuSetDataPointsClick()
{
    const std::optional<QString> text = FHost.GetDialogs().InputBox(QStringLiteral("Graph Data Points before Scrolling"),
                                                           QStringLiteral("Enter number of data points:"),
                                                           QString::number(DataPoints));
    if (!text)
        return;
    bool ok = false;
    const int value = text->trimmed().toInt(&ok);
    // A series must keep at least one point, or every reply would empty it again.
    if (!ok || value < 1) {
        FHost.GetDialogs().Error(QStringLiteral("Invalid value entered"));
        return;
    }
    DataPoints = value;
}

void TfrmDashBoard::AnalogueCheckClick()
{
    for (int p = 0; p < EcuParamCount; ++p) {
        if (!ParamRows[p].Check || ParamRows[p].Check->isChecked())
            continue;
        std::vector<int> changed;
        Graphs.FreeParam(p, &changed);
        for (int g : changed)
            UpdateGraphCaption(g);
    }
}

void TfrmDashBoard::ExternalCheckClick()
{
    for (int ch = 0; ch < SensorChannelCount; ++ch) {
        if (!ChannelRows[ch].Check || ChannelRows[ch].Check->isChecked())
            continue;
        std::vector<int> changed;
        Graphs.FreeChannel(ch, &changed);
        for (int g : changed)
            UpdateGraphCaption(g);
    }
}
