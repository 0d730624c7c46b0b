#include "SensorDevices.h"

#include "Clock.h"
#include "Errors.h"
#include "SensorHub.h"
#include "Settings.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace {

QString DeviceKey(const char* device)
{
    return QString::fromLatin1(SensorSettingsRoot) + QLatin1Char('/') + QLatin1String(device);
}

void ShowError(const TSensorStartupHooks& hooks, const QString& text)
{
    if (hooks.ShowError) hooks.ShowError(text);
}

} // namespace

TSensorDevices::~TSensorDevices()
{
    Detach();
}

void TSensorDevices::Detach()
{
    if (!FHub) return;
    FHub->SetAnalogueCard(nullptr);
    FHub->SetLabJack(nullptr);
    FHub->SetAP22(nullptr);
    FHub->SetInnovate(nullptr);
    FHub = nullptr;
}

void TSensorDevices::ProcessEventsFor(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

void TSensorDevices::Start(TSensorHub& hub, const TSensorStartupHooks& hooks)
{
    FHub = &hub;
    FCard = std::make_unique<TAD132>(); // no card driver on this platform
    FAP22 = std::make_unique<TAP22>();
    FLM1 = std::make_unique<TLM1>();
    hub.SetAnalogueCard(FCard.get());
    hub.SetAP22(FAP22.get());
    hub.SetInnovate(FLM1.get());

    OpenInnovate(hooks);

    // The Innovate stream gets its chance to deliver a complete packet, which is what
    // tells which of its devices exist. With its port closed there is nothing to wait
    // for. The tick test keeps the wait off a counter that is about to wrap.
    if (FLM1->Active() && static_cast<uint64_t>(GetTickCount()) + InnovateWaitMs <= 2147483647u) {
        if (hooks.Wait)
            hooks.Wait(InnovateWaitMs);
        else
            ProcessEventsFor(InnovateWaitMs);
    }

    FLabJack = std::make_unique<TLabJack>(hooks.LabJackLibrary);
    FLabJack->DetectLabJack();
    hub.SetLabJack(FLabJack.get());
    OpenAP22(hooks);
    hub.DetectDevices();
    hub.LoadChannelSettings();
}

void TSensorDevices::OpenInnovate(const TSensorStartupHooks& hooks)
{
    TSettingsStore& store = TSettingsStore::Instance();
    const QString key = DeviceKey("LM1");
    FLM1->SetActive(false);
    FLM1->SetPort(store.ReadString(key, QStringLiteral("Port")));
    FLM1->SetGetRPM(store.ReadBool(key, QStringLiteral("RPMSensor"), false));
    try {
        FLM1->SetActive(store.ReadBool(key, QStringLiteral("Active"), false));
    } catch (const Exception&) {
        ShowError(hooks,
                  QStringLiteral("The Com Port for the LM1 connection is no longer available. \r\n"
                                 "You will need to close Quillon and reconnect your Com Port "
                                 "before the LM1 will function."));
    }
}

void TSensorDevices::OpenAP22(const TSensorStartupHooks& hooks)
{
    TSettingsStore& store = TSettingsStore::Instance();
    const QString key = DeviceKey("AP22");
    FAP22->SetActive(false);
    FAP22->SetPort(store.ReadString(key, QStringLiteral("Port")));
    try {
        FAP22->SetActive(store.ReadBool(key, QStringLiteral("Active"), false));
    } catch (const Exception&) {
        ShowError(hooks,
                  QStringLiteral("The Com Port for the AP22 connection is no longer available. \r\n"
                                 "You will need to close Quillon and reconnect your Com Port "
                                 "before the AP22 will function."));
    }
}
