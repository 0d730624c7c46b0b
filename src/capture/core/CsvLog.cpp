#include "CsvLog.h"

#include "EcuConstData.h"
#include "NumFormat.h"
#include "TextCodec.h"

#include <QFileInfo>
#include <QSaveFile>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include <unistd.h>

namespace {

int GWriteFailureAfter = -1;

// A name as one header field: a comma would start a new field and shift every caption
// after it, a line break would start a new line.
QString HeaderField(QString name)
{
    for (QChar& c : name)
        if (c == QLatin1Char(',') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            c = QLatin1Char(' ');
    return name;
}

// A value and its separator; a value that is not a measurement leaves the field empty.
QString ValueField(double value, int decimals)
{
    return std::isfinite(value) ? FormatFixed(value, decimals) + QStringLiteral(", ")
                                : QStringLiteral(", ");
}

// What the system holds of the file, onto the disk. A file that cannot be synced (not
// one on a disk) has nothing to lose.
bool SyncToDisk(int fd)
{
    int r;
    do
        r = ::fdatasync(fd);
    while (r != 0 && errno == EINTR);
    return r == 0 || errno == EINVAL || errno == EROFS;
}

} // namespace

// Waits on the disk for a log, so that the thread writing its lines does not.
class TCsvLogFile::TSyncWorker {
  public:
    explicit TSyncWorker(int fd) : FFd(fd), FThread([this] { Run(); }) {}
    TSyncWorker(const TSyncWorker&) = delete;
    TSyncWorker& operator=(const TSyncWorker&) = delete;
    ~TSyncWorker()
    {
        {
            const std::lock_guard lock(FMutex);
            FQuit = true;
        }
        FWake.notify_one();
        FThread.join();
    }
    void Request()
    {
        {
            const std::lock_guard lock(FMutex);
            FPending = true;
        }
        FWake.notify_one();
    }
    bool Failed() const { return FFailed; }

  private:
    void Run()
    {
        std::unique_lock lock(FMutex);
        for (;;) {
            FWake.wait(lock, [this] { return FPending || FQuit; });
            if (FQuit) return; // the closing sync follows at once
            FPending = false;
            lock.unlock();
            if (!SyncToDisk(FFd)) FFailed = true;
            lock.lock();
        }
    }

    const int FFd;
    std::mutex FMutex;
    std::condition_variable FWake;
    bool FPending = false;
    bool FQuit = false;
    std::atomic<bool> FFailed{false};
    std::thread FThread; // last: it starts on everything above
};

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
            line += HeaderField(units.ParamName(p) + QStringLiteral(" (") + units.ParamUnits(p) +
                                QLatin1Char(')')) +
                    QLatin1Char(',');
    for (int s = 0; s < EcuSwitchCount; ++s)
        if (switches.test(s)) line += HeaderField(SwitchDefs[s].Name) + QLatin1Char(',');
    for (int c = 0; c < SensorChannelCount; ++c)
        if (channels.test(c)) line += HeaderField(channelNames[c]) + QLatin1Char(',');
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
            line += ValueField(received.test(p) ? values[p] : 0.0, units.ParamDecimals(p));
    for (int s = 0; s < EcuSwitchCount; ++s)
        if (switches.test(s)) line += on.test(s) ? QStringLiteral("1,  ") : QStringLiteral("0,  ");
    for (int c = 0; c < SensorChannelCount; ++c)
        if (channels.test(c)) line += ValueField(channelValues[c], 2);
    line += QStringLiteral("\r\n");
    return ToWin1252(line);
}

TCsvLogFile::TCsvLogFile() = default;

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
    FSyncs = 0;
    return true;
}

bool TCsvLogFile::WriteLine(const QByteArray& line)
{
    if (!FFile.isOpen()) return false;
    // Lines the disk did not take are lost already; going on would hide it.
    if (FWorker && FWorker->Failed()) return false;
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

void TCsvLogFile::Sync()
{
    if (!FFile.isOpen()) return;
    ++FSyncs;
    try {
        if (!FWorker) FWorker = std::make_unique<TSyncWorker>(int(FFile.handle()));
        FWorker->Request();
    } catch (const std::system_error&) {
        SyncToDisk(int(FFile.handle())); // no thread to be had: wait for the disk here
    }
}

void TCsvLogFile::Close()
{
    if (!FFile.isOpen()) return;
    FWorker.reset(); // lets a sync under way finish
    if (FGoodSize > 0) {
        ++FSyncs;
        SyncToDisk(int(FFile.handle()));
    }
    FFile.close();
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
    // Written beside and put in place once on the disk (commit syncs before it renames):
    // a full disk or a power cut leaves the comments that were there, never an empty file.
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    const QByteArray bytes = ToWin1252(text);
    return f.write(bytes) == bytes.size() && f.commit();
}

QString CommentsFirstLine(const QString& ecuDescriptionOrEmpty)
{
    if (ecuDescriptionOrEmpty.isEmpty()) return QStringLiteral("Log From Subaru ECU");
    return (QStringLiteral("Log From ") + ecuDescriptionOrEmpty).left(89);
}
