#include "HeadlessLogger.h"

#include "Clock.h"
#include "DashBoardSettings.h"
#include "EcuConstData.h"
#include "FakeEcu.h"
#include "FakeEcuInterface.h"
#include "GenFuncs.h"
#include "SerialEcuInterface.h"
#include "Settings.h"

#include <QFileInfo>

THeadlessLogger::THeadlessLogger(const TLoggerOptions& options) : FOptions(options)
{
    FParams = options.Params;
    FSwitches = options.Switches;
    Session.Units = options.Units;
    Session.DefogTrigger = options.TriggerDefog;
    Session.ThrottleTrigger = options.TriggerThrottle;
    Session.LoggingDirectory = [this] { return FOptions.LogDir; };
    Session.SetLoggingDirectory = [this](const QString& dir) { FOptions.LogDir = dir; };
    Session.EcuShortName = [this]() -> QString {
        int index = -1;
        if (FLink && FLink->FindEcu(index) && index >= 0 && !EcuIds[index].ShortName.isEmpty())
            return EcuIds[index].ShortName;
        return QStringLiteral("ECU");
    };
    Session.Comments = [this] {
        int index = -1;
        const bool found = FLink && FLink->FindEcu(index) && index >= 0;
        return CommentsFirstLine(found ? EcuIds[index].Description : QString());
    };
    Session.OnError = [this](const QString& text) { Print(Err, QStringLiteral("quillon-log: ") + text); };
    Session.OnStarted = [this](const QString& file) { Print(Out, QStringLiteral("Logging to ") + file); };
    Session.OnStopped = [this](const QString& file) { Print(Out, QStringLiteral("Closed ") + file); };

    FPollTimer.setSingleShot(true);
    connect(&FPollTimer, &QTimer::timeout, this, [this] { RequestNext(); });
    FRetryTimer.setSingleShot(true);
    connect(&FRetryTimer, &QTimer::timeout, this, [this] {
        if (FStopped)
            return;
        if (!FLink && !OpenLink()) {
            FRetryTimer.start(RelinkIntervalMs);
            return;
        }
        FLink->RequestInit();
    });
    connect(&FStatusTimer, &QTimer::timeout, this, [this] { PrintStatus(); });
}

THeadlessLogger::~THeadlessLogger()
{
    Stop();
    CloseLink();
}

void THeadlessLogger::Print(FILE* f, const QString& text)
{
    std::fprintf(f, "%s\n", text.toLocal8Bit().constData());
    std::fflush(f);
}

// A logger left waiting for its cable tells each new trouble once and then only reminds, so
// that it does not fill the journal with one line every few seconds.
void THeadlessLogger::Complain(const QString& text)
{
    const uint32_t now = GetTickCount();
    if (text == FLastComplaint && now - FLastComplaintTick < ReminderIntervalMs)
        return;
    FLastComplaint = text;
    FLastComplaintTick = now;
    Print(Err, QStringLiteral("quillon-log: ") + text);
}

bool THeadlessLogger::Start()
{
    if (FOptions.Status)
        FStatusTimer.start(1000);
    if (!OpenLink()) {
        if (!FOptions.Retry)
            return false;
        FRetryTimer.start(RelinkIntervalMs);
        return true;
    }
    FLink->RequestInit();
    return true;
}

bool THeadlessLogger::OpenLink()
{
    try {
        if (FOptions.Demo) {
            auto link = std::make_unique<TFakeEcuInterface>();
            FEmulator = std::make_unique<TFakeEcu>();
            if (FOptions.DemoEcu >= 0)
                FEmulator->SetEcuType(FOptions.DemoEcu);
            if (!FOptions.Scenario.isEmpty())
                FEmulator->SetScenario(*ScenarioByName(FOptions.Scenario));
            FEmulator->SetDemoActive(true);
            FEmulator->SetBaudRate(link->BaudRate);
            FEmulator->Connect(link.get());
            FLink = std::move(link);
        } else {
            FLink = std::make_unique<TSerialEcuInterface>(FOptions.Port);
        }
        FLink->OnInitResponse = [this](uint8_t, uint8_t, const TByteArray&) { Identified(); };
        FLink->OnParamValues = [this](const TParamSet& received, const TParamValues& values, const TParamRaw&,
                                      const TSwitchSet& present, const TSwitchSet& on) {
            Reply(received, values, present, on);
        };
        FLink->OnRequestTimeout = [this](const TByteArray&) { Timeout(); };
        FLink->SetActive(true);
        FLastComplaint.clear();  // the next trouble is news again
        return true;
    } catch (const Exception& e) {
        Complain(e.Message);
        CloseLink();
        return false;
    }
}

void THeadlessLogger::CloseLink()
{
    if (FEmulator)
        FEmulator->Connect(nullptr);
    if (FLink) {
        try {
            FLink->SetActive(false);
        } catch (...) {
        }
    }
    FLink.reset();
    FEmulator.reset();
}

TParamSet THeadlessLogger::RequestParams() const
{
    TParamSet set = FParams;
    if (FOptions.TriggerThrottle)
        set.set(epThrotAn);  // the trigger needs it, so it is requested and logged
    return set;
}

TSwitchSet THeadlessLogger::RequestSwitches() const
{
    TSwitchSet set = FSwitches;
    if (FOptions.TriggerDefog)
        set.set(esDefogSw);
    return set;
}

void THeadlessLogger::Identified()
{
    if (FStopped || FConnected)
        return;
    int index = -1;
    const bool found = FLink->FindEcu(index) && index >= 0;
    FEcuName = found ? EcuIds[index].Description : QStringLiteral("Subaru Ecu");
    Print(Out, QStringLiteral("Connected to %1 (ROM id %2)").arg(FEcuName, HexDump(FLink->RomId, int(FLink->RomId.size())).trimmed()));

    if (!FOptions.SettingsFile.isEmpty()) {
        TDashBoardSettings settings(TSettingsStore::Instance());
        TDashBoardSelection sel;
        settings.LoadSelection(sel, FLink->SupportedParams, FLink->SupportedSwitches, {});
        FParams |= sel.Analogue;
        FSwitches |= sel.Digital;
        if (!FOptions.UnitsGiven)
            settings.LoadUnits(Session.Units);
        if (FOptions.IntervalMs < 0)
            FOptions.IntervalMs = settings.LoadCaptureInterval();
    }
    FInterval = FOptions.IntervalMs > 0 ? FOptions.IntervalMs : TDashBoardSettings::DefaultCaptureInterval;

    QStringList unsupported;
    for (int p = 0; p < EcuParamCount; ++p)
        if (FParams.test(p) && !FLink->SupportedParams.test(p)) {
            unsupported << ParamDefs[p].Name;
            FParams.reset(p);
        }
    for (int s = 0; s < EcuSwitchCount; ++s)
        if (FSwitches.test(s) && !FLink->SupportedSwitches.test(s)) {
            unsupported << SwitchDefs[s].Name;
            FSwitches.reset(s);
        }
    if (!unsupported.isEmpty())
        Print(Err, QStringLiteral("quillon-log: this ECU does not offer, and so will not log: ") +
                       unsupported.join(QStringLiteral(", ")));
    if (RequestParams().none()) {
        Print(Err, QStringLiteral("quillon-log: nothing to log: a log needs at least one parameter this ECU offers."));
        Finish(2);
        return;
    }

    FConnected = true;
    // Ten sends before a request counts as lost, as in live capture.
    FLink->MaxAttempts = 10;
    if (!FOptions.TriggerDefog && !FOptions.TriggerThrottle && !Session.Logging &&
        !Session.Start(RequestParams(), RequestSwitches(), {})) {
        Finish(1);
        return;
    }
    RequestNext();
}

void THeadlessLogger::RequestNext()
{
    if (FStopped || !FLink || !FConnected)
        return;
    try {
        if (FOptions.Fast && FLink->SupportsFastPoll()) {
            if (!FLink->FastPolling())
                FLink->StartFastPoll(RequestParams(), RequestSwitches());
            FStreaming = true;
        } else {
            FLink->PollParameters(RequestParams(), RequestSwitches());
        }
    } catch (const Exception& e) {
        Print(Err, QStringLiteral("quillon-log: ") + e.Message);
        Finish(1);
    }
}

void THeadlessLogger::Reply(const TParamSet& received, const TParamValues& values, const TSwitchSet& present,
                            const TSwitchSet& on)
{
    if (FStopped || !FConnected)
        return;
    const TParamSet params = RequestParams();
    const TSwitchSet switches = RequestSwitches();
    TParamValues shown = values;
    Session.Units.ApplyConversions(shown, received);
    if (FOptions.TriggerDefog || FOptions.TriggerThrottle)
        Session.ApplyTriggers(params, switches, {}, received, shown, present, on);

    if (Session.Logging) {
        const bool bySize = FOptions.RotateSizeMb > 0 && Session.FileSize() >= qint64(FOptions.RotateSizeMb * 1048576.0);
        const bool byTime = FOptions.RotateTimeMin > 0 &&
                            double(Session.Tick() - Session.StartTick) >= FOptions.RotateTimeMin * 60000.0;
        if ((bySize || byTime) && !Session.Rotate()) {
            Finish(1);
            return;
        }
        if (!Session.WriteReply(params, shown, received, switches, on, {}, TSensorValues{})) {
            Finish(1);
            return;
        }
    }
    ++FRows;
    if (FOptions.Status) {
        QStringList parts;
        for (int p = 0; p < EcuParamCount; ++p)
            if (params.test(p) && received.test(p))
                parts << Session.Units.ParamName(p) + QLatin1Char(' ') + Session.Units.FormatParam(p, shown[p]) +
                             QLatin1Char(' ') + Session.Units.ParamUnits(p);
        FLastValues = parts.join(QStringLiteral(", "));
    }
    if (!FLink->FastPolling())
        FPollTimer.start(FInterval);
}

void THeadlessLogger::Timeout()
{
    if (FStopped)
        return;
    FStreaming = false;
    if (!FConnected) {
        if (FOptions.Retry) {
            FLink->RequestInit();  // no answer yet: keep asking, quietly
            return;
        }
        const QString where = FOptions.Demo ? QStringLiteral("the emulated ECU") : QStringLiteral("the ECU on ") + FOptions.Port;
        Print(Err, QStringLiteral("quillon-log: %1 (%2 never answered: is the ignition on and the cable plugged in?)")
                       .arg(QLatin1String(StoppedAnsweringText), where));
        Finish(1);
        return;
    }
    ConnectionLost(QLatin1String(StoppedAnsweringText));
}

void THeadlessLogger::PortLost(const QString& message)
{
    if (FStopped)
        return;
    ConnectionLost(message);
    if (FOptions.Retry && !FStopped) {
        CloseLink();  // the port itself is gone: open it afresh once it is back
        FRetryTimer.start(RelinkIntervalMs);
    }
}

void THeadlessLogger::ConnectionLost(const QString& why)
{
    FConnected = false;
    FStreaming = false;
    FPollTimer.stop();
    if (Session.Logging)
        Session.Stop();
    // One line, whatever comes next.
    Print(Err, QStringLiteral("quillon-log: connection lost: ") + why +
                   (FOptions.Retry ? QStringLiteral("; reconnecting") : QString()));
    if (!FOptions.Retry) {
        Finish(1);
        return;
    }
    if (FLink)
        FLink->RequestInit();
}

void THeadlessLogger::Stop()
{
    if (FStopped)
        return;
    FStopped = true;
    FPollTimer.stop();
    FRetryTimer.stop();
    FStatusTimer.stop();
    if (FLink) {
        try {
            if (FLink->FastPolling())
                FLink->StopFastPoll();
            FLink->ClearPending();
        } catch (...) {
        }
    }
    if (Session.Logging)
        Session.Stop();
}

void THeadlessLogger::Finish(int code)
{
    Stop();
    if (OnFinished)
        OnFinished(code);
}

void THeadlessLogger::PrintStatus()
{
    const int rate = FRows - FRowsAtLastStatus;
    FRowsAtLastStatus = FRows;
    const QString file = Session.Logging ? QFileInfo(Session.BaseName + QStringLiteral(".csv")).fileName()
                                         : QStringLiteral("(not logging)");
    // The link's counters since it was opened: replies it could not use, requests sent again.
    const int bad = FLink ? FLink->InvalidReplies : 0;
    const int retries = FLink ? FLink->Retries : 0;
    Print(Out, QStringLiteral("rows %1, %2 rows/s, %3 bad replies, %4 retries, %5%6%7")
                   .arg(FRows)
                   .arg(rate)
                   .arg(bad)
                   .arg(retries)
                   .arg(file, FLastValues.isEmpty() ? QString() : QStringLiteral(", "), FLastValues));
}
