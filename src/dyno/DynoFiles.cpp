#include "DynoFiles.h"

#include "NumFormat.h"
#include "TextCodec.h"

#include <QFile>
#include <QSaveFile>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace {

// Field offsets of the file image.
constexpr int OffRatios = 0;
constexpr int OffFinalDrive = 48;
constexpr int OffTyreWidth = 56;
constexpr int OffTyreProfile = 64;
constexpr int OffWheelDiameter = 72;
constexpr int OffRevLimit = 80;
constexpr int OffMass = 88;
constexpr int OffCD = 96;
constexpr int OffFrontalArea = 104;
constexpr int OffTestGear = 112;
constexpr int OffAtmPressure = 120;
constexpr int OffAIT = 128;
constexpr int OffComment = 136;
constexpr int OffSampleCount = 392;

void PutDouble(char* p, double v)
{
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    qToLittleEndian(bits, p);
}

double GetDouble(const char* p)
{
    const uint64_t bits = qFromLittleEndian<uint64_t>(p);
    double v;
    std::memcpy(&v, &bits, 8);
    return v;
}

void PutInt(char* p, int32_t v)
{
    qToLittleEndian(v, p);
}

int32_t GetInt(const char* p)
{
    return qFromLittleEndian<int32_t>(p);
}

} // namespace

QByteArray RunFileBytes(const TRunData& run)
{
    const int count = std::clamp<int>(run.SampleCount, 0, MaxRevSamples);
    QByteArray bytes(RunHeaderSize + RunSampleSize * count, '\0');
    char* p = bytes.data();
    for (int i = 0; i < 6; ++i)
        PutDouble(p + OffRatios + 8 * i, run.Ratios[i]);
    PutDouble(p + OffFinalDrive, run.FinalDrive);
    PutDouble(p + OffTyreWidth, run.TyreWidth);
    PutDouble(p + OffTyreProfile, run.TyreProfile);
    PutDouble(p + OffWheelDiameter, run.WheelDiameter);
    PutInt(p + OffRevLimit, run.RevLimit);
    PutDouble(p + OffMass, run.Mass);
    PutDouble(p + OffCD, run.CD);
    PutDouble(p + OffFrontalArea, run.FrontalArea);
    PutInt(p + OffTestGear, run.TestGear);
    PutDouble(p + OffAtmPressure, run.AtmPressure);
    PutDouble(p + OffAIT, run.AIT);
    p[OffComment] = static_cast<char>(run.Comment.Length);
    std::memcpy(p + OffComment + 1, run.Comment.Chars.data(), run.Comment.Length);
    PutInt(p + OffSampleCount, count);
    for (int i = 0; i < count; ++i) {
        PutDouble(p + RunHeaderSize + RunSampleSize * i, run.Samples[i].Time);
        PutDouble(p + RunHeaderSize + RunSampleSize * i + 8, run.Samples[i].RPM);
    }
    return bytes;
}

QString ParseRunFile(const QByteArray& bytes, TRunData& run)
{
    if (bytes.size() < RunHeaderSize)
        return QStringLiteral("The file is too short to be a dyno data file (%1 bytes, %2 needed).")
            .arg(bytes.size())
            .arg(RunHeaderSize);
    const char* p = bytes.constData();
    const int32_t count = GetInt(p + OffSampleCount);
    if (count < 0 || count > MaxRevSamples)
        return QStringLiteral("The file claims %1 samples; a dyno data file holds 0 to %2.")
            .arg(count)
            .arg(MaxRevSamples);
    const qint64 needed = RunHeaderSize + qint64(RunSampleSize) * count;
    if (bytes.size() < needed)
        return QStringLiteral("The file is shorter than its header says (%1 bytes, %2 needed).")
            .arg(bytes.size())
            .arg(needed);

    for (int i = 0; i < 6; ++i)
        run.Ratios[i] = GetDouble(p + OffRatios + 8 * i);
    run.FinalDrive = GetDouble(p + OffFinalDrive);
    run.TyreWidth = GetDouble(p + OffTyreWidth);
    run.TyreProfile = GetDouble(p + OffTyreProfile);
    run.WheelDiameter = GetDouble(p + OffWheelDiameter);
    run.RevLimit = GetInt(p + OffRevLimit);
    run.Mass = GetDouble(p + OffMass);
    run.CD = GetDouble(p + OffCD);
    run.FrontalArea = GetDouble(p + OffFrontalArea);
    run.TestGear = GetInt(p + OffTestGear);
    run.AtmPressure = GetDouble(p + OffAtmPressure);
    run.AIT = GetDouble(p + OffAIT);
    run.Comment.Length = static_cast<uint8_t>(p[OffComment]);
    run.Comment.Chars.fill(0);
    std::memcpy(run.Comment.Chars.data(), p + OffComment + 1, run.Comment.Length);
    run.SampleCount = count;
    for (int i = 0; i < count; ++i) {
        run.Samples[i].Time = GetDouble(p + RunHeaderSize + RunSampleSize * i);
        run.Samples[i].RPM = GetDouble(p + RunHeaderSize + RunSampleSize * i + 8);
    }
    return {};
}

QString LoadRunFile(const QString& fileName, TRunData& run)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("Cannot open \"%1\": %2").arg(fileName, file.errorString());
    // A data file is at most 400 + 16 * 20000 bytes; read no more than one byte past that.
    const qint64 limit = RunHeaderSize + qint64(RunSampleSize) * MaxRevSamples;
    const QByteArray bytes = file.read(limit + 1);
    if (file.error() != QFileDevice::NoError)
        return QStringLiteral("Cannot read \"%1\": %2").arg(fileName, file.errorString());
    auto scratch = std::make_unique<TRunData>();
    const QString error = ParseRunFile(bytes, *scratch);
    if (!error.isEmpty())
        return QStringLiteral("\"%1\" was not opened.\r\n%2").arg(fileName, error);
    run = *scratch;
    return {};
}

namespace {

QString WriteWhole(const QString& fileName, const QByteArray& bytes)
{
    // Written beside and renamed over: a failed write never leaves half a file in place of
    // the old one.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("Cannot create \"%1\": %2").arg(fileName, file.errorString());
    if (file.write(bytes) != bytes.size() || !file.commit())
        return QStringLiteral("Cannot write \"%1\": %2").arg(fileName, file.errorString());
    return {};
}

} // namespace

QString SaveRunFile(const QString& fileName, const TRunData& run)
{
    return WriteWhole(fileName, RunFileBytes(run));
}

QString ExportComment(const QString& comment)
{
    QString s = comment;
    for (QChar& c : s)
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QLatin1Char(','))
            c = QLatin1Char(' ');
    return s;
}

QByteArray ExportCsvBytes(const TRunData& run, const TCalcData& calc)
{
    // Not-finite results (a zero time step) are left blank rather than written as NAN.
    auto num = [](double v, int decimals) {
        return std::isfinite(v) ? FormatFixed(v, decimals) : QString();
    };
    QStringList lines;
    lines << QStringLiteral("Gears,1,2,3,4,5,6");
    QString ratios = QStringLiteral("Ratios");
    for (double r : run.Ratios)
        ratios += QLatin1Char(',') + num(r, 4);
    lines << ratios;
    lines << QStringLiteral("FinalDrive,") + num(run.FinalDrive, 4);
    lines << QStringLiteral("TyreWidth(mm),") + num(run.TyreWidth, 4);
    lines << QStringLiteral("TyreProfile(%),") + num(run.TyreProfile, 4);
    lines << QStringLiteral("WheelDiameter(inches),") + num(run.WheelDiameter, 4);
    lines << QStringLiteral("RevLimit(RPM),") + num(run.RevLimit, 4);
    lines << QStringLiteral("Mass(kg),") + num(run.Mass, 4);
    lines << QStringLiteral("CD,") + num(run.CD, 4);
    lines << QStringLiteral("FrontalArea(m^2),") + num(run.FrontalArea, 4);
    lines << QStringLiteral("TestGear,") + num(run.TestGear, 4);
    lines << QStringLiteral("AtmPressure(bar),") + num(run.AtmPressure, 4);
    lines << QStringLiteral("AIT(") + QChar(0xB0) + QStringLiteral("C),") + num(run.AIT, 4);
    lines << QStringLiteral("Comment,") + ExportComment(run.Comment.ToString());
    lines << QString();
    lines << QStringLiteral(
        "Time(s), RPM, Speed(m/s), ChangeInDistance(m), Cumulative Distance(m), "
        "Acceleration(m/s^2), Accelerative Power(W), Drag Force(N), Drag Power(W), Wheel "
        "Power(W), Wheel Torque(Nm)");
    for (const TAccPoint& a : calc.Accels) {
        lines << QStringList{num(a.Time, 2),
                             num(a.RPM, 1),
                             num(a.Speed, 2),
                             num(a.ChangeInDistance, 2),
                             num(a.CumulativeDistance, 2),
                             num(a.Acceleration, 2),
                             num(a.AccelerativePower, 1),
                             num(a.DragForce, 1),
                             num(a.DragPower, 1),
                             num(a.WheelPower, 1),
                             num(a.WheelTorque, 1)}
                     .join(QLatin1Char(','));
    }
    QByteArray out;
    for (const QString& l : lines)
        out += ToWin1252(l) + "\r\n";
    return out;
}

QString SaveExportFile(const QString& fileName, const TRunData& run, const TCalcData& calc)
{
    return WriteWhole(fileName, ExportCsvBytes(run, calc));
}

namespace {

// Position after the last path separator; both kinds, so that names written on either
// system work.
qsizetype NameStart(const QString& fileName)
{
    return std::max(fileName.lastIndexOf(QLatin1Char('/')),
                    fileName.lastIndexOf(QLatin1Char('\\'))) +
           1;
}

// The name without its extension (the part from the last dot of the last component).
QString WithoutExtension(const QString& fileName)
{
    const qsizetype start = NameStart(fileName);
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot > start ? fileName.left(dot) : fileName;
}

QString BaseName(const QString& fileName)
{
    return WithoutExtension(fileName).mid(NameStart(fileName));
}

} // namespace

QString CompareCaption(const QString& fileName, const QString& comment)
{
    QString c = comment;
    c.replace(QStringLiteral("\r\n"), QStringLiteral(", "));
    return BaseName(fileName) + QStringLiteral(": ") + c;
}

QString RunTitle(const QString& fileName)
{
    if (fileName.isEmpty()) return QStringLiteral("<Current Unsaved Dyno Data>");
    return BaseName(fileName);
}

QString ExportFileName(const QString& fileName)
{
    if (fileName.isEmpty()) return QStringLiteral("-Export.csv");
    return WithoutExtension(fileName) + QStringLiteral("-Export.csv");
}
