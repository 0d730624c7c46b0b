#pragma once

// One dash screen without its window: the screen's own properties, its elements in file
// order, reading and writing the screen file, and the back buffer the elements are painted
// on. The window (TDashGaugeForm) shows the buffer and feeds the elements.

#include "DashGen.h"
#include "EcuTypes.h"

#include <QImage>

#include <array>
#include <functional>
#include <map>
#include <memory>

class TSounds;

class TDashScreen : public TDashHost {
  public:
    TDashScreen();
    ~TDashScreen() override;

    // --- the screen's properties ---
    QString RootName = QStringLiteral("DashGaugeForm");
    QString Caption;
    int Left = 0, Top = 0;
    QSize Size() const { return FClientSize; }
    void SetClientSize(const QSize& s);
    uint32_t Color() const { return FColor; }
    void SetColor(uint32_t c);
    const TDashFont& Font() const { return FFont; }
    void SetFont(const TDashFont& f);
    // The monitor the screen is shown on, clamped to the monitors present (and to 0).
    int Screen() const { return FScreen; }
    void SetScreen(int n);

    std::vector<std::unique_ptr<TDashControl>> Elements;

    // Destroys every element.
    void Clear();
    // Replaces the content by the tree; throws EDashFileError (with the line) on a class
    // or property this screen does not know. The content is cleared on failure.
    void Load(const TDfmObject& root);
    // Reads a file; relative names inside it are taken against the file's folder.
    void LoadFile(const QString& fileName);
    TDfmObject Save() const;
    // Writes through a temporary file, so a failed write never leaves half a screen.
    void SaveFile(const QString& fileName) const;

    // The built-in default dash, 640 x 480.
    static QString DefaultDashText();
    // An element of one of the eight classes; null for any other name.
    static std::unique_ptr<TDashControl> CreateElement(const QString& className, TDashHost* host);

    // --- painting ---
    // The screen with every element, painted again first when something changed.
    const QImage& Buffer();
    void PaintAll();
    bool FullPaintPending() const { return FFullPending; }
    // Called with the area that changed on the buffer (the whole screen or one element).
    std::function<void(const QRect&)> OnChanged;

    // --- TDashHost ---
    uint32_t ScreenColour() const override { return FColor; }
    const TDashFont& ScreenFont() const override { return FFont; }
    void RepaintAll() override;
    void DrawValueOf(TDashControl& element) override;
    QString BaseDirectory() const override { return FBaseDirectory; }
    void SetBaseDirectory(const QString& dir) { FBaseDirectory = dir; }
    TSounds& GetSounds() const override;
    void SetSounds(TSounds* sounds) { FSounds = sounds; }
    QSize ClientSize() const override { return FClientSize; }
    uint32_t Now() const override { return FClock ? FClock() : GetTickCount(); }
    void SetClock(std::function<uint32_t()> clock) { FClock = std::move(clock); }

  private:
    void ReadRootProperty(const TDfmProp& p);
    void FitBackgrounds();

    QSize FClientSize{640, 480};
    uint32_t FColor = 0x8000000F; // clBtnFace
    TDashFont FFont;
    int FScreen = 0;
    std::map<QString, TDfmValue> FKeptRoot; // window properties with no effect, written back
    QString FBaseDirectory;
    TSounds* FSounds = nullptr;
    std::function<uint32_t()> FClock;
    QImage FBuffer;
    bool FFullPending = true;
    bool FLoading = false;
};

// Which parameters, switches and trouble-code byte each request cycle carries.
class TDashSchedule {
  public:
    TParamSet RequestParams;
    std::array<int, EcuParamCount> ParamInterval{};
    std::array<int, EcuParamCount> ParamOffset{};
    TSwitchSet RequestSwitches;
    std::array<int, EcuSwitchCount> SwitchInterval{};
    std::array<int, EcuSwitchCount> SwitchOffset{};
    bool HasDtc = false;
    int DtcInterval = 1, DtcOffset = 0;
    int RequestCount = 0;

    TDashSchedule() { Clear(); }
    void Clear();
    // The smallest interval wins; the last offset given wins.
    void AddParam(int p, int interval, int offset);
    void AddSwitch(int s, int interval, int offset);
    void SetDtc(int interval, int offset);
    // Anything to ask the ECU for at all.
    bool HasEcuItems() const { return RequestParams.any() || RequestSwitches.any() || HasDtc; }

    struct TCycle {
        TParamSet Params;
        TSwitchSet Switches;
        bool DtcDue = false;
        int Count = 0; // the cycle's number
    };
    TCycle Due(int cycle) const;
    // The cycle at RequestCount, or, when nothing is due in it, the next cycle in which
    // something is (an empty request would stop the screen updating); RequestCount then
    // moves past it, back to 0 after 2147483646.
    TCycle Next();
};
