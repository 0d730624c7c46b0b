#include "DashDtcText.h"

#include "DtcLayout.h"

#include <QFontMetrics>
#include <QPainter>

TDashDtcText::TDashDtcText(TDashHost* host) : TDashControl(host), FTimer(std::make_unique<QTimer>())
{
    FBounds = QRect(0, 0, 300, 20);
    FTimer->setInterval(FCycleDelay);
    QObject::connect(FTimer.get(), &QTimer::timeout, [this] { DisplayNext(); });
    FTimer->start();
}

TDashDtcText::~TDashDtcText() = default;

void TDashDtcText::SetCycleDelay(int ms)
{
    FCycleDelay = ms;
    // A zero or negative delay would spin the display timer.
    FTimer->setInterval(std::max(ms, 10));
}

void TDashDtcText::SetDtcLayout(uint8_t flags)
{
    FLayoutFlags = flags;
    FDtcAddresses.clear();
    const auto addPairs = [this](const TDtcGroup& g) {
        for (int i = 0; i < g.Bytes; ++i) {
            FDtcAddresses.push_back(g.Current + i);
            FDtcAddresses.push_back(g.Historic + i);
        }
    };
    if (flags & 1) {
        addPairs(NonObdDtcBlock);
    } else {
        if (flags & 2) addPairs(ObdDtcBlock);
        for (int g = 0; g < DtcGroupCount; ++g)
            if (flags & (4 << g)) addPairs(ObdDtcGroups[g]);
    }
    FAddressPos = 0;
}

uint32_t TDashDtcText::NextDtcAddress()
{
    // An empty list (no layout yet) has no address to give; 0 is outside every block.
    if (FDtcAddresses.empty()) return 0;
    FAddressPos = (FAddressPos + 1) % static_cast<int>(FDtcAddresses.size());
    return FDtcAddresses[FAddressPos];
}

void TDashDtcText::DtcByteReceived(uint8_t b)
{
    if (FDtcAddresses.empty()) return;
    const uint32_t a = FDtcAddresses[FAddressPos];
    const bool obd = !(FLayoutFlags & 1);
    int base = -1;
    bool current = false;
    const auto match = [&](const TDtcGroup& g) {
        if (a >= g.Current && a < g.Current + g.Bytes) {
            base = g.FirstCode + 8 * static_cast<int>(a - g.Current);
            current = true;
        } else if (a >= g.Historic && a < g.Historic + g.Bytes) {
            base = g.FirstCode + 8 * static_cast<int>(a - g.Historic);
            current = false;
        }
        return base >= 0;
    };
    if (obd) {
        if (!match(ObdDtcBlock))
            for (const TDtcGroup& g : ObdDtcGroups)
                if (match(g)) break;
    } else {
        match(NonObdDtcBlock);
    }
    if (base < 0) return;
    for (int i = 0; i < 8; ++i) {
        const int code = base + i;
        const int tag = current ? code + 65536 : code;
        const auto it = std::find_if(FActiveCodes.begin(), FActiveCodes.end(),
                                     [tag](const TEntry& e) { return e.Tag == tag; });
        if (b & (1 << i)) {
            if (it == FActiveCodes.end()) {
                FActiveCodes.push_back({DtcEntryText(obd, code), tag});
            }
        } else if (it != FActiveCodes.end()) {
            FActiveCodes.erase(it);
        }
    }
}

void TDashDtcText::DisplayNext()
{
    if (FActiveCodes.empty()) return;
    const int n = static_cast<int>(FActiveCodes.size());
    if (FDisplayPos >= n) FDisplayPos = 0;
    const TEntry& e = FActiveCodes[FDisplayPos];
    FDisplayText = (e.Tag >= 65536 ? QStringLiteral("C: ") : QStringLiteral("H: ")) + e.Text;
    FDisplayPos = (FDisplayPos + 1) % n;
    Invalidate();
}

void TDashDtcText::DrawFace(QPainter& p)
{
    if (!FTransparent) p.fillRect(QRect(0, 0, Width(), Height()), DashColour(Color()));
    const QFont font = Font().ToQFont();
    p.setFont(font);
    p.setPen(DashColour(Font().Color));
    const QFontMetrics fm(font);
    const int x = (Width() - fm.horizontalAdvance(FDisplayText)) / 2;
    const int y = (Height() - fm.height()) / 2;
    p.drawText(QPoint(x, y + fm.ascent()), FDisplayText);
}

bool TDashDtcText::ReadProperty(const TDfmProp& p)
{
    using namespace DashProp;
    if (p.Name == QLatin1String("UpdateInterval"))
        SetUpdateInterval(Int(p));
    else if (p.Name == QLatin1String("UpdateOffset"))
        SetUpdateOffset(Int(p));
    else if (p.Name == QLatin1String("CycleDelay"))
        SetCycleDelay(Int(p));
    else
        return TDashControl::ReadProperty(p);
    return true;
}

void TDashDtcText::WriteProperties(std::vector<TDfmProp>& out) const
{
    using namespace DashProp;
    TDashControl::WriteProperties(out);
    out.push_back(MakeInt(QStringLiteral("UpdateInterval"), FUpdateInterval));
    out.push_back(MakeInt(QStringLiteral("UpdateOffset"), FUpdateOffset));
    out.push_back(MakeInt(QStringLiteral("CycleDelay"), FCycleDelay));
}
