#include "DashGauge.h"

#include "EcuConstData.h"

#include <QPainter>

#include <cmath>

TDashGauge::TDashGauge(TDashHost* host) : TDashControl(host)
{
    FBounds = QRect(0, 0, 65, 65);
}

void TDashGauge::SetValueAnalogue(double v)
{
    FValueAnalogue = v;
    if (!FHost) return;
    if (FFullRepaint)
        FHost->RepaintAll();
    else if (Visible())
        FHost->DrawValueOf(*this);
}

void TDashGauge::SetValueDigital(bool b)
{
    if (b == FValueDigital) return;
    FValueDigital = b;
    if (!FHost || !Visible()) return;
    if (FRedrawScreen)
        FHost->RepaintAll();
    else
        FHost->DrawValueOf(*this);
}

void TDashGauge::SetInvert(bool v)
{
    FInvert = v;
    Invalidate();
}

bool TDashGauge::ReadProperty(const TDfmProp& p)
{
    using namespace DashProp;
    const QString& n = p.Name;
    if (n == QLatin1String("UpdateInterval")) {
        SetUpdateInterval(Int(p));
    } else if (n == QLatin1String("UpdateOffset")) {
        SetUpdateOffset(Int(p));
    } else if (FPubDataSource && n == QLatin1String("DataSource")) {
        SetDataSource(static_cast<TDashDataSource>(Enum(p, {"ddsECU", "ddsExternal"})));
    } else if (FPubAnalogue && n == QLatin1String("DataChannelECUAnalogue")) {
        const int i = p.Value.Kind == TDfmValue::vkIdent ? EcuParamFromIdent(p.Value.Text) : -1;
        if (i < 0) Fail(p, QStringLiteral("Invalid property value"));
        SetDataChannelECUAnalogue(static_cast<TEcuParam>(i));
    } else if (FPubDigital && n == QLatin1String("DataChannelECUDigital")) {
        const int i = p.Value.Kind == TDfmValue::vkIdent ? EcuSwitchFromIdent(p.Value.Text) : -1;
        if (i < 0) Fail(p, QStringLiteral("Invalid property value"));
        SetDataChannelECUDigital(static_cast<TEcuSwitch>(i));
    } else if (FPubExternal && n == QLatin1String("DataChannelExternal")) {
        const auto c = p.Value.Kind == TDfmValue::vkIdent ? SensorChannelFromIdent(p.Value.Text)
                                                          : std::nullopt;
        if (!c) Fail(p, QStringLiteral("Invalid property value"));
        SetDataChannelExternal(*c);
    } else if (FPubValueAnalogue && n == QLatin1String("ValueAnalogue")) {
        SetValueAnalogue(Float(p));
    } else if (FPubValueDigital && n == QLatin1String("ValueDigital")) {
        SetValueDigital(Bool(p));
    } else {
        return TDashControl::ReadProperty(p);
    }
    return true;
}

void TDashGauge::WriteProperties(std::vector<TDfmProp>& out) const
{
    using namespace DashProp;
    TDashControl::WriteProperties(out);
    out.push_back(MakeInt(QStringLiteral("UpdateInterval"), FUpdateInterval));
    out.push_back(MakeInt(QStringLiteral("UpdateOffset"), FUpdateOffset));
    if (FPubDataSource)
        out.push_back(MakeIdent(QStringLiteral("DataSource"), FDataSource == ddsECU
                                                                  ? QStringLiteral("ddsECU")
                                                                  : QStringLiteral("ddsExternal")));
    if (FPubAnalogue)
        out.push_back(
            MakeIdent(QStringLiteral("DataChannelECUAnalogue"), EcuParamIdent(FChannelAnalogue)));
    if (FPubDigital)
        out.push_back(
            MakeIdent(QStringLiteral("DataChannelECUDigital"), EcuSwitchIdent(FChannelDigital)));
    if (FPubExternal)
        out.push_back(
            MakeIdent(QStringLiteral("DataChannelExternal"), SensorChannelIdent(FChannelExternal)));
}

// ---------------------------------------------------------------- TDashBackground

TDashBackground::TDashBackground(TDashHost* host) : TDashControl(host)
{
    const QSize client = host ? host->ClientSize() : QSize(640, 480);
    FBounds = QRect(QPoint(0, 0), client);
}

void TDashBackground::SetPosition(TDBPosition p)
{
    FPosition = p;
    Invalidate();
}

void TDashBackground::SetBitmapFile(const QString& f)
{
    FBitmapFile = f;
    LoadPicture(FPicture, f, FHost ? FHost->BaseDirectory() : QString());
    Invalidate();
}

QString TDashBackground::NotLoadedText() const
{
    return QStringLiteral("Background Bitmap Not Loaded: (") +
           (FHost ? FHost->BaseDirectory() : QString()) + QStringLiteral(")  ") + FBitmapFile;
}

bool TDashBackground::ReadProperty(const TDfmProp& p)
{
    if (p.Name == QLatin1String("Position"))
        SetPosition(
            static_cast<TDBPosition>(DashProp::Enum(p, {"dbCentred", "dbTiled", "dbStretched"})));
    else if (p.Name == QLatin1String("BitmapFile"))
        SetBitmapFile(DashProp::String(p));
    else
        return TDashControl::ReadProperty(p);
    return true;
}

void TDashBackground::WriteProperties(std::vector<TDfmProp>& out) const
{
    TDashControl::WriteProperties(out);
    static const char* const names[] = {"dbCentred", "dbTiled", "dbStretched"};
    out.push_back(DashProp::MakeIdent(QStringLiteral("Position"), QLatin1String(names[FPosition])));
    if (!FBitmapFile.isEmpty())
        out.push_back(DashProp::MakeString(QStringLiteral("BitmapFile"), FBitmapFile));
}

void TDashBackground::DrawFace(QPainter& p)
{
    if (FPicture.isNull()) {
        p.setPen(Qt::red);
        TDashFont font;
        p.setFont(font.ToQFont());
        p.drawText(QPoint(2, 2 + p.fontMetrics().ascent()), NotLoadedText());
        return;
    }
    const int pw = FPicture.width(), ph = FPicture.height();
    switch (FPosition) {
    case dbCentred:
        p.drawImage((Width() - pw) / 2, (Height() - ph) / 2, FPicture);
        break;
    case dbTiled: {
        const int cols = static_cast<int>(std::nearbyint(static_cast<double>(Width()) / pw + 0.5));
        const int rows = static_cast<int>(std::nearbyint(static_cast<double>(Height()) / ph + 0.5));
        for (int c = 0; c < cols; ++c)
            for (int r = 0; r < rows; ++r)
                p.drawImage(c * pw, r * ph, FPicture);
        break;
    }
    case dbStretched:
        p.drawImage(QRect(0, 0, Width(), Height()), FPicture);
        break;
    }
}
