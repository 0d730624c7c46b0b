#include "CsvLog.h"

#include "EcuConstData.h"
#include "NumFormat.h"
#include "TextCodec.h"

#include <QFileInfo>

namespace {

int GWriteFailureAfter = -1;

} // namespace

QString LogFileBaseName(const QString& dir, const QString& ecuName, const QDateTime& when,
                        const QLocale& locale)
{
    return dir + QStringLiteral("/QuillonLog-") + ecuName + QLatin1Char('-') +
           locale.toString(when, QStringLiteral("ddd MMM d yyyy hh-mm.ss"));
}

QString UniqueLogBaseName(const QString& base)
{
    auto taken = [](const QString& b) {
        return QFileInfo::exists(b + QStringLiteral(".csv")) || QFileInfo::exists(b + QStringLiteral(".txt"));
    };
    if (!taken(base))
        return base;
    for (int n = 2;; ++n) {
        const QString candidate = base + QStringLiteral(" (%1)").arg(n);
        if (!taken(candidate))
            return candidate;
    }
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
    // NewOnly: a file that is already there holds a log and is never overwritten.
    if (!FFile.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
        if (error) *error = FFile.errorString();
        return false;
    }
    FLinesLeft = GWriteFailureAfter;
    FGoodSize = 0;
    return true;
}

bool TCsvLogFile::WriteLine(const QByteArray& line)
{
    if (!FFile.isOpen()) return false;
    qint64 size = line.size();
    const bool simulatedFailure = FLinesLeft == 0;
    if (simulatedFailure) size /= 2;
    if (FLinesLeft > 0) --FLinesLeft;
    qint64 done = 0;
    bool ok = !simulatedFailure;
    while (done < size) {
        const qint64 n = FFile.write(line.constData() + done, size - done);
        if (n <= 0) {
            ok = false;
            break;
        }
        done += n;
    }
    ok = FFile.flush() && ok;
    if (!ok) {
        // Take back the part of the line that did get out: a reader must never meet half
        // a line. Shrinking frees space, so this works on a full disk.
        FFile.resize(FGoodSize);
        return false;
    }
    FGoodSize += done;
    return true;
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
