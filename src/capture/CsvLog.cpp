#include "CsvLog.h"

#include "EcuConstData.h"
#include "NumFormat.h"
#include "TextCodec.h"

namespace {

int GWriteFailureAfter = -1;

} // namespace

QString LogFileBaseName(const QString& dir, const QString& ecuName, const QDateTime& when,
                        const QLocale& locale)
{
    return dir + QStringLiteral("/QuillonLog-") + ecuName + QLatin1Char('-') +
           locale.toString(when, QStringLiteral("ddd MMM d yyyy hh-mm.ss"));
}

QByteArray LogHeaderLine(const TDisplayUnits& units, const TParamSet& params,
                         const TSwitchSet& switches, const TSensorChannels& channels,
                         const TChannelNames& channelNames)
{
    QString line = QStringLiteral("Time,");
    for (int p = 0; p < EcuParamCount; ++p)
        if (params.test(p))
            line += units.ParamName(p) + QStringLiteral(" (") + units.ParamUnits(p) +
                    QStringLiteral("),");
    for (int s = 0; s < EcuSwitchCount; ++s)
        if (switches.test(s)) line += SwitchDefs[s].Name + QLatin1Char(',');
    for (int c = 0; c < SensorChannelCount; ++c)
        if (channels.test(c)) line += channelNames[c] + QLatin1Char(',');
    line += QStringLiteral("\r\n");
    return ToWin1252(line);
}

QByteArray LogDataLine(uint32_t elapsedMs, const TDisplayUnits& units, const TParamSet& params,
                       const TParamSet& received, const TParamValues& values,
                       const TSwitchSet& switches, const TSwitchSet& on,
                       const TSensorChannels& channels, const TSensorValues& channelValues)
{
    QString line = QString::number(elapsedMs).rightJustified(8, QLatin1Char(' '));
    line += QStringLiteral(", ");
    for (int p = 0; p < EcuParamCount; ++p)
        if (params.test(p))
            line += units.FormatParam(p, received.test(p) ? values[p] : 0.0) + QStringLiteral(", ");
    for (int s = 0; s < EcuSwitchCount; ++s)
        if (switches.test(s)) line += on.test(s) ? QStringLiteral("1,  ") : QStringLiteral("0,  ");
    for (int c = 0; c < SensorChannelCount; ++c)
        if (channels.test(c)) line += FormatFixed(channelValues[c], 2) + QStringLiteral(", ");
    line += QStringLiteral("\r\n");
    return ToWin1252(line);
}

TCsvLogFile::~TCsvLogFile()
{
    Close();
}

bool TCsvLogFile::Open(const QString& path, QString* error)
{
    Close();
    FFile.setFileName(path);
    // Unbuffered: every write goes straight to the operating system, so a failure shows
    // at the line that caused it rather than at some later flush.
    if (!FFile.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        if (error) *error = FFile.errorString();
        return false;
    }
    FLinesLeft = GWriteFailureAfter;
    return true;
}

bool TCsvLogFile::WriteLine(const QByteArray& line)
{
    if (!FFile.isOpen()) return false;
    if (FLinesLeft == 0) return false;
    if (FLinesLeft > 0) --FLinesLeft;
    qint64 done = 0;
    while (done < line.size()) {
        const qint64 n = FFile.write(line.constData() + done, line.size() - done);
        if (n <= 0) return false;
        done += n;
    }
    return FFile.flush();
}

void TCsvLogFile::Close()
{
    if (FFile.isOpen()) FFile.close();
}

bool TCsvLogFile::IsOpen() const
{
    return FFile.isOpen();
}

void TCsvLogFile::SimulateWriteFailureAfter(int lines)
{
    GWriteFailureAfter = lines;
}

bool SaveCommentsFile(const QString& path, const QStringList& lines)
{
    if (lines.isEmpty() || (lines.size() == 1 && lines.front().isEmpty())) return true;
    QString text;
    for (const QString& l : lines)
        text += l + QStringLiteral("\r\n");
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    const QByteArray bytes = ToWin1252(text);
    const bool ok = f.write(bytes) == bytes.size() && f.flush();
    f.close();
    return ok;
}

QString CommentsFirstLine(const QString& ecuDescriptionOrEmpty)
{
    if (ecuDescriptionOrEmpty.isEmpty()) return QStringLiteral("Log From Subaru ECU");
    return (QStringLiteral("Log From ") + ecuDescriptionOrEmpty).left(89);
}
