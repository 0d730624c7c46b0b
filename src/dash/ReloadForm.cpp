#include "ReloadForm.h"

#include "AnalGauge.h"
#include "Colours.h"
#include "DashDtcText.h"
#include "DigiGauge.h"
#include "GenFuncs.h"
#include "SensorHub.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

namespace {
// About 20 updates a second for a screen of external gauges only.
constexpr int ExternalInterval = 50;
// The window that holds the link's two slots; another window leaves them alone.
QPointer<TDashGaugeForm> SlotOwner;
} // namespace

TDashGaugeForm::TDashGaugeForm(const TToolWindowHost& host, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), FHost(host)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setWindowTitle(QStringLiteral("In Car Dash"));
    Clock = [] { return GetTickCount(); };
    FScreen.SetSounds(&FHost.GetSounds());
    FScreen.OnChanged = [this](const QRect& r) { update(r); };
    FExternalTimer.setInterval(ExternalInterval);
    connect(&FExternalTimer, &QTimer::timeout, this, [this] {
        if (TSensorHub* hub = FHost.GetSensors()) hub->PollAnalogue();
        UpdateExternal();
    });
    FHost.Register(this);
}

TDashGaugeForm::~TDashGaugeForm()
{
    ReleaseLink();
    FHost.Unregister(this);
}

QString TDashGaugeForm::ScreenFile(const QString& screensDir, int n)
{
    const QDir dir(QDir(screensDir).filePath(QString::number(n)));
    // Written as "Form.Cfg", looked for as "Form.cfg": the name is matched ignoring case.
    for (const QString& f : dir.entryList(QDir::Files))
        if (f.compare(QLatin1String("form.cfg"), Qt::CaseInsensitive) == 0) return dir.filePath(f);
    return dir.filePath(QStringLiteral("Form.Cfg"));
}

void TDashGaugeForm::ReleaseLink()
{
    if (!FHoldsLink) return;
    FHoldsLink = false;
    if (SlotOwner == this || SlotOwner.isNull()) {
        if (TEcuInterface* link = FHost.GetLink()) {
            link->OnParamValues = nullptr;
            link->OnReadAddressesResponse = nullptr;
        }
        SlotOwner = nullptr;
    }
}

void TDashGaugeForm::ClearScreen()
{
    FExternalTimer.stop();
    if (TEcuInterface* link = FHost.GetLink()) link->ClearPending();
    ReleaseLink();
    FEcuGauges.clear();
    FExternalGauges.clear();
    FSwitchGauges.clear();
    FDtcText = nullptr;
    FDtcDue = false;
    FSchedule.Clear();
    FScreen.Clear();
}

bool TDashGaugeForm::LoadScreen(const QString& fileName)
{
    hide();
    ClearScreen();
    try {
        FScreen.LoadFile(fileName);
    } catch (const EDashFileError& e) {
        FHost.GetDialogs().Error(
            QStringLiteral("An error occurred while loading in car dash file - \r\n    ") +
            fileName + QStringLiteral("\r\n\r\nError was: ") + e.Message);
        return false;
    } catch (const Exception& e) {
        FHost.GetDialogs().Error(e.Message);
        return false;
    }
    FFileName = fileName;
    BindGauges();
    setFixedSize(FScreen.Size());
    PlaceOnMonitor();
    show();
    raise();
    activateWindow();
    RequestNext();
    return true;
}

void TDashGaugeForm::PlaceOnMonitor()
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.isEmpty()) return;
    const int index = std::clamp(FScreen.Screen(), 0, static_cast<int>(screens.size()) - 1);
    const QRect g = screens[index]->geometry();
    move(g.left() + (g.width() - width()) / 2, g.top() + (g.height() - height()) / 2);
}

void TDashGaugeForm::SaveScreen(const QString& fileName)
{
    FScreen.SaveFile(fileName);
}

void TDashGaugeForm::ShowScreen(int n)
{
    FScreenNumber = n;
    LoadScreen(ScreenFile(FHost.GetDashScreensDirectory(), n));
}

void TDashGaugeForm::NextScreen()
{
    ShowScreen((FScreenNumber + 1) % 10);
}

void TDashGaugeForm::PreviousScreen()
{
    ShowScreen(9 - (10 - FScreenNumber) % 10);
}

void TDashGaugeForm::CreateDefaultScreens()
{
    const QString dir = FHost.GetDashScreensDirectory();
    if (dir.isEmpty() || QDir(dir).exists()) return;
    if (!QDir().mkpath(dir))
        throw Exception(
            QStringLiteral("Unable to create folder %1").arg(QDir::toNativeSeparators(dir)));
    const QColor from = ColorFromRef(0x004000), to = ColorFromRef(0x000040);
    for (int n = 0; n < 10; ++n) {
        const QString folder = QDir(dir).filePath(QString::number(n));
        QDir().mkpath(folder);
        FScreen.SetColor(ColorToRef(Blend(from, to, n / 9.0)));
        SaveScreen(QDir(folder).filePath(QStringLiteral("Form.Cfg")));
    }
}

void TDashGaugeForm::BindGauges()
{
    TEcuInterface* link = FHost.GetLink();
    const TParamSet supportedParams = link ? link->SupportedParams : TParamSet();
    const TSwitchSet supportedSwitches = link ? link->SupportedSwitches : TSwitchSet();
    for (auto& element : FScreen.Elements) {
        TDashControl* e = element.get();
        const bool analogue =
            dynamic_cast<TAnalogueControl*>(e) || dynamic_cast<TThresholdGauge*>(e);
        if (analogue) {
            auto* g = static_cast<TDashGauge*>(dynamic_cast<TDashGauge*>(e));
            // The ECU's support decides even for an external binding, as screens were built with.
            if (supportedParams.test(g->DataChannelECUAnalogue()))
                (g->DataSource() == ddsExternal ? FExternalGauges : FEcuGauges).push_back(g);
        } else if (auto* s = dynamic_cast<TSwitchDashGauge*>(e)) {
            if (supportedSwitches.test(s->DataChannelECUDigital())) FSwitchGauges.push_back(s);
        } else if (auto* d = dynamic_cast<TDashDtcText*>(e)) {
            FDtcText = d;
        }
    }
    FSchedule.Clear();
    for (TDashGauge* g : FEcuGauges)
        FSchedule.AddParam(g->DataChannelECUAnalogue(), g->UpdateInterval(), g->UpdateOffset());
    for (TDashGauge* g : FSwitchGauges)
        FSchedule.AddSwitch(g->DataChannelECUDigital(), g->UpdateInterval(), g->UpdateOffset());
    if (!link) return;
    if (FDtcText) {
        FSchedule.SetDtc(FDtcText->UpdateInterval(), FDtcText->UpdateOffset());
        uint8_t flags = 1;
        if (link->ObdTroubleCodes) {
            flags = 2;
            if (link->DtcGroup4) flags |= 4;
            if (link->DtcGroup8) flags |= 8;
            if (link->DtcGroup5a) flags |= 16;
            if (link->DtcGroup5b) flags |= 32;
            if (link->DtcGroup7) flags |= 64;
        }
        FDtcText->SetDtcLayout(flags);
        link->OnReadAddressesResponse = [this](const TLongWordArray& a, int n,
                                               const TByteArray& p) { OnRawReceived(a, n, p); };
    }
    link->OnParamValues = [this](const TParamSet& r, const TParamValues& v, const TParamRaw& raw,
                                 const TSwitchSet& present, const TSwitchSet& sw) {
        OnValuesReceived(r, v, raw, present, sw);
    };
    FHoldsLink = true;
    SlotOwner = this;
}

void TDashGaugeForm::RequestNext()
{
    TEcuInterface* link = FHost.GetLink();
    if (!FSchedule.HasEcuItems() || !link) {
        // Nothing to ask the ECU for, so no reply will drive the next update.
        if (!FExternalGauges.empty() && !FExternalTimer.isActive()) FExternalTimer.start();
        return;
    }
    if (FHost.IsClosing()) return;
    const TDashSchedule::TCycle cycle = FSchedule.Next();
    FDtcDue = cycle.DtcDue && FDtcText;
    TLongWordArray extra;
    if (FDtcDue) extra.push_back(FDtcText->NextDtcAddress());
    link->PollParameters(cycle.Params, cycle.Switches, extra);
    if (TSensorHub* hub = FHost.GetSensors()) hub->PollAnalogue();
}

void TDashGaugeForm::UpdateExternal()
{
    if (FExternalGauges.empty()) return;
    TSensorHub* hub = FHost.GetSensors();
    if (!hub) return;
    TSensorValues values{};
    hub->GetSensorValues(values);
    const TSensorChannels active = hub->GetActiveChannels();
    for (TDashGauge* g : FExternalGauges)
        if (active.test(g->DataChannelExternal()))
            g->SetValueAnalogue(values[g->DataChannelExternal()]);
}

void TDashGaugeForm::OnValuesReceived(const TParamSet& received, const TParamValues& values,
                                      const TParamRaw&, const TSwitchSet& present,
                                      const TSwitchSet& switches)
{
    for (TDashGauge* g : FEcuGauges) {
        const int p = g->DataChannelECUAnalogue();
        if (received.test(p)) g->SetValueAnalogue(values[p]);
    }
    for (TDashGauge* g : FSwitchGauges) {
        const int s = g->DataChannelECUDigital();
        if (present.test(s)) g->SetValueDigital(switches.test(s));
    }
    UpdateExternal();
    RequestNext();
}

void TDashGaugeForm::OnRawReceived(const TLongWordArray&, int, const TByteArray& payload)
{
    if (FDtcDue && FDtcText && !payload.empty()) FDtcText->DtcByteReceived(payload.back());
}

// ---------------------------------------------------------------- events

void TDashGaugeForm::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    const QImage& buffer = FScreen.Buffer();
    const QRect r = event->rect();
    p.drawImage(r, buffer, r);
}

void TDashGaugeForm::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        LoadScreen(FFileName);
        return;
    case Qt::Key_Escape:
        close();
        return;
    case Qt::Key_Left:
    case Qt::Key_Up:
        PreviousScreen();
        return;
    case Qt::Key_Right:
    case Qt::Key_Down:
        NextScreen();
        return;
    default:
        break;
    }
    // Main keyboard and keypad digits alike (the keypad ones carry the keypad modifier).
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        ShowScreen(key - Qt::Key_0);
        return;
    }
    QWidget::keyPressEvent(event);
}

void TDashGaugeForm::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && FPressTime == 0) FPressTime = Clock();
}

void TDashGaugeForm::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        const uint32_t held = Clock() - FPressTime;
        const bool longPress = FPressTime == 0 || held > 1000;
        FPressTime = 0;
        if (longPress)
            close();
        else
            PreviousScreen();
    } else if (event->button() == Qt::RightButton) {
        NextScreen();
    }
}

void TDashGaugeForm::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) update();
    QWidget::changeEvent(event);
}

void TDashGaugeForm::closeEvent(QCloseEvent* event)
{
    FExternalTimer.stop();
    if (TEcuInterface* link = FHost.GetLink(); link && FHoldsLink) link->ClearPending();
    ReleaseLink();
    QWidget::closeEvent(event);
}

// ---------------------------------------------------------------- design form, opening

TDashDesignForm::TDashDesignForm(const TToolWindowHost& host, QWidget* parent)
    : TDashGaugeForm(host, parent)
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    Screen().Load(ParseScreenText(TDashScreen::DefaultDashText()));
}

TDashGaugeForm* OpenInCarDash(const TToolWindowHost& host)
{
    TToolWindowHost quiet = host;
    // The designer window is not one the user sees: keep it out of the window list.
    quiet.RegisterWindow = nullptr;
    quiet.UnregisterWindow = nullptr;
    try {
        TDashDesignForm design(quiet);
        design.CreateDefaultScreens();
    } catch (const Exception& e) {
        host.GetDialogs().Error(e.Message);
    }
    const QString dir = host.GetDashScreensDirectory();
    const QString file = TDashGaugeForm::ScreenFile(dir, 0);
    if (!QFileInfo::exists(file)) {
        host.GetDialogs().Error(
            QStringLiteral("Unable to Load In-Car Dash Screen because ") +
            QDir::toNativeSeparators(QDir(dir).filePath(QStringLiteral("0/Form.cfg"))) +
            QStringLiteral(" was not found"));
        return nullptr;
    }
    auto* form = new TDashGaugeForm(host);
    form->LoadScreen(file);
    return form;
}
