// Until the main window arrives, the program identifies the emulated ECU, polls it a few
// times and prints what it found.
#include "EcuConstData.h"
#include "EcuConstFuncs.h"
#include "FakeEcu.h"
#include "FakeEcuInterface.h"
#include "Settings.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quillon"));
    QCommandLineParser parser;
    parser.addHelpOption();
    QCommandLineOption settings(QStringLiteral("settings"), QStringLiteral("Settings file."),
                                QStringLiteral("FILE"));
    parser.addOption(settings);
    parser.process(app);
    TSettingsStore::Instance().Open(parser.isSet(settings) ? parser.value(settings)
                                                           : TSettingsStore::DefaultFileName());
    RestoreDefinitionTables();

    TFakeEcuInterface link;
    TFakeEcu ecu;
    ecu.SetEcuType(TSettingsStore::Instance().ReadInteger(QStringLiteral("SOFTWARE/Morvane/Quillon"),
                                                          QStringLiteral("DemoECU"), DefaultDemoEcu));
    ecu.Connect(&link);
    link.SetActive(true);

    int polls = 0;
    link.OnRequestTimeout = [&](const TByteArray&) {
        std::printf("No answer from the ECU.\n");
        app.exit(1);
    };
    link.OnParamValues = [&](const TParamSet& got, const TParamValues& v, const TParamRaw&,
                             const TSwitchSet&, const TSwitchSet&) {
        std::printf("Poll %d:", ++polls);
        for (int p = 0; p < EcuParamCount; ++p)
            if (got.test(p))
                std::printf("  %s %s %s", qPrintable(ParamDefs[p].Name),
                            qPrintable(ParamValueText(p, v[p])), qPrintable(ParamDefs[p].Units));
        std::printf("\n");
        if (polls == 3)
            app.quit();
        else
            QTimer::singleShot(200, [&] {
                TParamSet params;
                params.set(epEngspd).set(epCooltemp).set(epAirTemp).set(epBatvolt);
                link.PollParameters(params & link.SupportedParams, {});
            });
    };
    link.OnInitResponse = [&](uint8_t, uint8_t, const TByteArray&) {
        int index = -1;
        const bool found = link.FindEcu(index);
        std::printf("Connected to %s\n",
                    qPrintable(found ? EcuIds[index].Description : QStringLiteral("Subaru Ecu")));
        std::printf("%s; %zu parameters and %zu switches supported\n",
                    qPrintable(link.GetDescription()), link.SupportedParams.count(),
                    link.SupportedSwitches.count());
        TParamSet params;
        params.set(epEngspd).set(epCooltemp).set(epAirTemp).set(epBatvolt);
        link.PollParameters(params & link.SupportedParams, {});
    };
    link.RequestInit();
    const int rc = app.exec();
    link.SetActive(false);
    return rc;
}
