#pragma once

// The trouble-code line: reads one trouble-code byte per due request cycle, keeps the
// codes that are set, and shows them one after another.

#include "DashGen.h"

#include <QTimer>

#include <cstdint>
#include <memory>

class TDashDtcText : public TDashControl {
  public:
    explicit TDashDtcText(TDashHost* host);
    ~TDashDtcText() override;
    QString ClassName() const override { return QStringLiteral("TDashDtcText"); }

    int UpdateInterval() const { return FUpdateInterval; }
    void SetUpdateInterval(int n) { FUpdateInterval = n == 0 ? 1 : n; }
    int UpdateOffset() const { return FUpdateOffset; }
    void SetUpdateOffset(int n) { FUpdateOffset = n; }
    int CycleDelay() const { return FCycleDelay; }
    void SetCycleDelay(int ms);

    struct TEntry {
        QString Text;
        int Tag; // code number, plus 65536 for a current code
    };
    const std::vector<TEntry>& ActiveCodes() const { return FActiveCodes; }
    const std::vector<uint32_t>& DtcAddresses() const { return FDtcAddresses; }
    QString DisplayText() const { return FDisplayText; }
    uint8_t LayoutFlags() const { return FLayoutFlags; }

    // Flags: 1 = without the OBD layout; else 2 plus 4, 8, 16, 32, 64 for the extra groups.
    void SetDtcLayout(uint8_t flags);
    uint32_t NextDtcAddress();
    void DtcByteReceived(uint8_t b);
    // One tick of the display timer.
    void DisplayNext();

    bool ReadProperty(const TDfmProp& p) override;
    void WriteProperties(std::vector<TDfmProp>& out) const override;

  protected:
    void DrawFace(QPainter& p) override;

  private:
    int FUpdateInterval = 1;
    int FUpdateOffset = 0;
    int FCycleDelay = 3000;
    std::vector<TEntry> FActiveCodes;
    int FDisplayPos = 0;
    QString FDisplayText;
    uint8_t FLayoutFlags = 0;
    std::vector<uint32_t> FDtcAddresses;
    int FAddressPos = 0;
    std::unique_ptr<QTimer> FTimer;
};
