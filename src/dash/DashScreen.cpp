#include "DashScreen.h"

#include "AnalGauge.h"
#include "BarGauge.h"
#include "DashDtcText.h"
#include "DigiGauge.h"
#include "RoundGauge.h"
#include "Sounds.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QSaveFile>
#include <QScreen>

#include <limits>

namespace {
// Larger than any monitor; the back buffer of a bigger screen would take gigabytes.
constexpr int MaxScreenSide = 8192;
// A screen file is a few kilobytes; anything this big is not one.
constexpr qint64 MaxScreenFileSize = 16 * 1024 * 1024;

const char* const KeptRootProps[] = {"BorderStyle", "DefaultMonitor", "OldCreateOrder",
                                     "PixelsPerInch", "TextHeight"};
} // namespace

TDashScreen::TDashScreen() = default;

TDashScreen::~TDashScreen()
{
    // Elements call back into the host while they go; make that harmless.
    FLoading = true;
    Elements.clear();
}

void TDashScreen::SetClientSize(const QSize& s)
{
    FClientSize =
        QSize(std::clamp(s.width(), 1, MaxScreenSide), std::clamp(s.height(), 1, MaxScreenSide));
    FitBackgrounds();
    RepaintAll();
}

void TDashScreen::SetColor(uint32_t c)
{
    FColor = c;
    for (auto& e : Elements)
        e->ParentChanged();
    RepaintAll();
}

void TDashScreen::SetFont(const TDashFont& f)
{
    FFont = f;
    for (auto& e : Elements)
        e->ParentChanged();
    RepaintAll();
}

void TDashScreen::SetScreen(int n)
{
    const int monitors =
        QGuiApplication::instance() ? static_cast<int>(QGuiApplication::screens().size()) : 1;
    FScreen = std::clamp(n, 0, std::max(monitors - 1, 0));
}

void TDashScreen::FitBackgrounds()
{
    for (auto& e : Elements)
        if (e->ClassName() == QLatin1String("TDashBackground"))
            e->SetBounds(QRect(QPoint(0, 0), FClientSize));
}

void TDashScreen::Clear()
{
    const bool was = FLoading;
    FLoading = true;
    Elements.clear();
    FLoading = was;
    RepaintAll();
}

std::unique_ptr<TDashControl> TDashScreen::CreateElement(const QString& c, TDashHost* host)
{
    if (c == QLatin1String("TLedBarGauge")) return std::make_unique<TLedBarGauge>(host);
    if (c == QLatin1String("TRoundGauge")) return std::make_unique<TRoundGauge>(host);
    if (c == QLatin1String("TSwitchDashGauge")) return std::make_unique<TSwitchDashGauge>(host);
    if (c == QLatin1String("TThresholdGauge")) return std::make_unique<TThresholdGauge>(host);
    if (c == QLatin1String("TDashText")) return std::make_unique<TDashText>(host);
    if (c == QLatin1String("TDashBackground")) return std::make_unique<TDashBackground>(host);
    if (c == QLatin1String("TAnalTextGauge")) return std::make_unique<TAnalTextGauge>(host);
    if (c == QLatin1String("TDashDtcText")) return std::make_unique<TDashDtcText>(host);
    return nullptr;
}

void TDashScreen::ReadRootProperty(const TDfmProp& p)
{
    using namespace DashProp;
    const QString& n = p.Name;
    if (n == QLatin1String("Left"))
        Left = Int(p);
    else if (n == QLatin1String("Top"))
        Top = Int(p);
    else if (n == QLatin1String("Width") || n == QLatin1String("ClientWidth"))
        SetClientSize(
            QSize(Int(p), FClientSize.height())); // borderless: the window is its client area
    else if (n == QLatin1String("Height") || n == QLatin1String("ClientHeight"))
        SetClientSize(QSize(FClientSize.width(), Int(p)));
    else if (n == QLatin1String("Caption"))
        Caption = String(p);
    else if (n == QLatin1String("Color"))
        SetColor(Colour(p));
    else if (n == QLatin1String("Screen"))
        SetScreen(Int(p));
    else if (n.startsWith(QLatin1String("Font."))) {
        TDashFont f = FFont;
        if (!f.Read(n.mid(5), p.Value))
            Fail(p, QStringLiteral("Error reading %1: Property does not exist").arg(n));
        SetFont(f);
    } else {
        for (const char* kept : KeptRootProps)
            if (n == QLatin1String(kept)) {
                FKeptRoot[n] = p.Value;
                return;
            }
        throw EDashFileError(
            QStringLiteral("Line %1: Error reading %2.%3: Property %3 does not exist")
                .arg(p.Line)
                .arg(RootName, n));
    }
}

void TDashScreen::Load(const TDfmObject& root)
{
    FLoading = true;
    Elements.clear();
    FKeptRoot.clear();
    Caption.clear();
    FFont = TDashFont();
    FColor = 0x8000000F;
    FClientSize = QSize(640, 480);
    FScreen = 0;
    try {
        RootName = root.Name.isEmpty() ? QStringLiteral("DashGaugeForm") : root.Name;
        for (const TDfmProp& p : root.Props)
            ReadRootProperty(p);
        for (const TDfmObject& child : root.Children) {
            auto element = CreateElement(child.ClassName, this);
            if (!element)
                throw EDashFileError(QStringLiteral("Line %1: Class %2 not found")
                                         .arg(child.Line)
                                         .arg(child.ClassName));
            if (!child.Children.empty())
                throw EDashFileError(QStringLiteral("Line %1: %2 cannot hold other objects")
                                         .arg(child.Children.front().Line)
                                         .arg(child.Name));
            element->Name = child.Name;
            for (const TDfmProp& p : child.Props) {
                bool known = false;
                try {
                    known = element->ReadProperty(p);
                } catch (const EDashFileError&) {
                    throw;
                } catch (const Exception& e) {
                    // A number list with a piece that is not a number.
                    throw EDashFileError(QStringLiteral("Line %1: Error reading %2.%3: %4")
                                             .arg(p.Line)
                                             .arg(child.Name, p.Name, e.Message));
                }
                if (!known)
                    throw EDashFileError(
                        QStringLiteral("Line %1: Error reading %2.%3: Property %3 does not exist")
                            .arg(p.Line)
                            .arg(child.Name, p.Name));
            }
            Elements.push_back(std::move(element));
        }
    } catch (...) {
        Elements.clear();
        FLoading = false;
        RepaintAll();
        throw;
    }
    FitBackgrounds();
    FLoading = false;
    RepaintAll();
}

void TDashScreen::LoadFile(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(
            QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, file.errorString()));
    if (file.size() > MaxScreenFileSize)
        throw EDashFileError(QStringLiteral("%1 is too large to be a screen file").arg(fileName));
    const QByteArray bytes = file.read(MaxScreenFileSize + 1);
    FBaseDirectory = QFileInfo(fileName).absolutePath();
    Load(ParseScreenFile(bytes));
}

TDfmObject TDashScreen::Save() const
{
    using namespace DashProp;
    TDfmObject root;
    root.Name = RootName;
    root.ClassName = QStringLiteral("TDashGaugeForm");
    auto& out = root.Props;
    out.push_back(MakeInt(QStringLiteral("Left"), Left));
    out.push_back(MakeInt(QStringLiteral("Top"), Top));
    for (const char* kept : KeptRootProps)
        if (QLatin1String(kept) == QLatin1String("BorderStyle") &&
            FKeptRoot.count(QStringLiteral("BorderStyle")))
            out.push_back(
                {QStringLiteral("BorderStyle"), FKeptRoot.at(QStringLiteral("BorderStyle")), 0});
    if (!Caption.isEmpty()) out.push_back(MakeString(QStringLiteral("Caption"), Caption));
    out.push_back(MakeInt(QStringLiteral("ClientHeight"), FClientSize.height()));
    out.push_back(MakeInt(QStringLiteral("ClientWidth"), FClientSize.width()));
    out.push_back(MakeColour(QStringLiteral("Color"), FColor));
    FFont.Write(QStringLiteral("Font"), out);
    for (const char* kept : KeptRootProps) {
        const QString name = QLatin1String(kept);
        if (name != QLatin1String("BorderStyle") && FKeptRoot.count(name))
            out.push_back({name, FKeptRoot.at(name), 0});
    }
    if (FScreen != 0) out.push_back(MakeInt(QStringLiteral("Screen"), FScreen));
    for (const auto& e : Elements) {
        TDfmObject child;
        child.Name = e->Name;
        child.ClassName = e->ClassName();
        e->WriteProperties(child.Props);
        root.Children.push_back(std::move(child));
    }
    return root;
}

void TDashScreen::SaveFile(const QString& fileName) const
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw Exception(
            QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, file.errorString()));
    file.write(WriteScreenFile(Save()));
    if (!file.commit())
        throw Exception(
            QStringLiteral("Cannot write file \"%1\". %2").arg(fileName, file.errorString()));
}

QString TDashScreen::DefaultDashText()
{
    static const char text[] =
#include "DefaultDash.inc"
        ;
    return QString::fromUtf8(text);
}

// ---------------------------------------------------------------- painting

TSounds& TDashScreen::GetSounds() const
{
    return FSounds ? *FSounds : Sounds();
}

void TDashScreen::RepaintAll()
{
    FFullPending = true;
    if (!FLoading && OnChanged) OnChanged(QRect(QPoint(0, 0), FClientSize));
}

void TDashScreen::PaintAll()
{
    if (FBuffer.size() != FClientSize) FBuffer = QImage(FClientSize, QImage::Format_RGB32);
    FBuffer.fill(DashColour(FColor));
    QPainter p(&FBuffer);
    for (auto& e : Elements) {
        if (!e->Visible() || e->Bounds().isEmpty()) continue;
        p.save();
        p.translate(e->Bounds().topLeft());
        p.setClipRect(QRect(QPoint(0, 0), e->Bounds().size()));
        e->Paint(p);
        p.restore();
    }
    FFullPending = false;
}

const QImage& TDashScreen::Buffer()
{
    if (FFullPending || FBuffer.size() != FClientSize) PaintAll();
    return FBuffer;
}

void TDashScreen::DrawValueOf(TDashControl& element)
{
    if (FLoading) return;
    // A full paint is on its way and will draw the value with everything else.
    if (FFullPending || FBuffer.size() != FClientSize) {
        if (OnChanged) OnChanged(QRect(QPoint(0, 0), FClientSize));
        return;
    }
    {
        QPainter p(&FBuffer);
        p.translate(element.Bounds().topLeft());
        p.setClipRect(QRect(QPoint(0, 0), element.Bounds().size()));
        element.DrawValue(p);
    }
    if (OnChanged) OnChanged(element.Bounds());
}

// ---------------------------------------------------------------- TDashSchedule

void TDashSchedule::Clear()
{
    RequestParams.reset();
    RequestSwitches.reset();
    ParamInterval.fill(10000);
    ParamOffset.fill(0);
    SwitchInterval.fill(10000);
    SwitchOffset.fill(0);
    HasDtc = false;
    DtcInterval = 1;
    DtcOffset = 0;
    RequestCount = 0;
}

void TDashSchedule::AddParam(int p, int interval, int offset)
{
    if (p < 0 || p >= EcuParamCount) return;
    RequestParams.set(p);
    ParamInterval[p] = std::min(ParamInterval[p], interval);
    ParamOffset[p] = offset;
}

void TDashSchedule::AddSwitch(int s, int interval, int offset)
{
    if (s < 0 || s >= EcuSwitchCount) return;
    RequestSwitches.set(s);
    SwitchInterval[s] = std::min(SwitchInterval[s], interval);
    SwitchOffset[s] = offset;
}

void TDashSchedule::SetDtc(int interval, int offset)
{
    HasDtc = true;
    DtcInterval = interval;
    DtcOffset = offset;
}

namespace {
bool IsDue(int offset, int interval, int cycle)
{
    if (interval == 0) return false;
    return (int64_t(offset) + cycle) % interval == 0; // signed remainder
}

// The first cycle from `from` on in which the item is due.
int64_t NextDue(int offset, int interval, int64_t from)
{
    if (interval == 0) return std::numeric_limits<int64_t>::max();
    const int64_t i = std::abs(int64_t(interval));
    const int64_t r = ((int64_t(offset) + from) % i + i) % i;
    return r == 0 ? from : from + (i - r);
}
} // namespace

TDashSchedule::TCycle TDashSchedule::Due(int c) const
{
    TCycle cycle;
    cycle.Count = c;
    for (int p = 0; p < EcuParamCount; ++p)
        if (RequestParams.test(p) && IsDue(ParamOffset[p], ParamInterval[p], c))
            cycle.Params.set(p);
    for (int s = 0; s < EcuSwitchCount; ++s)
        if (RequestSwitches.test(s) && IsDue(SwitchOffset[s], SwitchInterval[s], c))
            cycle.Switches.set(s);
    cycle.DtcDue = HasDtc && IsDue(DtcOffset, DtcInterval, c);
    return cycle;
}

TDashSchedule::TCycle TDashSchedule::Next()
{
    constexpr int64_t Wrap = 2147483647;
    int64_t c = RequestCount;
    if (HasEcuItems()) {
        for (int pass = 0; pass < 2; ++pass) {
            int64_t next = std::numeric_limits<int64_t>::max();
            for (int p = 0; p < EcuParamCount; ++p)
                if (RequestParams.test(p))
                    next = std::min(next, NextDue(ParamOffset[p], ParamInterval[p], c));
            for (int s = 0; s < EcuSwitchCount; ++s)
                if (RequestSwitches.test(s))
                    next = std::min(next, NextDue(SwitchOffset[s], SwitchInterval[s], c));
            if (HasDtc) next = std::min(next, NextDue(DtcOffset, DtcInterval, c));
            if (next < Wrap) {
                c = next;
                break;
            }
            c = 0; // past the end of the count: it starts again from 0
        }
    }
    TCycle cycle = Due(static_cast<int>(c));
    RequestCount = c + 1 >= Wrap ? 0 : static_cast<int>(c + 1);
    return cycle;
}
