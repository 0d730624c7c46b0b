#pragma once

// The CSV log of the live-data window and its comments file. This is the one place the
// format is written; the log viewer reads what comes out of here. Text is Windows-1252
// with CR LF line ends and "." decimals whatever the locale.
#include "DisplayUnits.h"
#include "EcuInterface.h"
#include "EcuTypes.h"
#include "SensorTypes.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <limits>
#include <memory>

// "<dir>/QuillonLog-<ecu>-<ddd MMM d yyyy hh-mm.ss>", without extension. Day and month
// names are the locale's abbreviated ones (the system's unless told otherwise).
QString LogFileBaseName(const QString& dir, const QString& ecuName, const QDateTime& when,
                        const QLocale& locale = QLocale::system());

// The base name itself when neither "<base>.csv" nor "<base>.txt" exists, else the first
// free "<base> (2)", "<base> (3)", ...: a log never replaces one written before.
QString UniqueLogBaseName(const QString& base);

using TChannelNames = std::array<QString, SensorChannelCount>;

// A value that is no measurement. Any value that is not finite (NaN, an infinity) is
// written as an empty field followed by its separator, so the line keeps its field count
// and a reader sees "no value" rather than a number; pass this to say so on purpose.
constexpr double LogNoValue = std::numeric_limits<double>::quiet_NaN();

// "Time," then one field per logged parameter, switch and channel, each ending in ",".
// A comma or line break in a name would start another field or line: it is written as a
// blank.
QByteArray LogHeaderLine(const TDisplayUnits& units, const TParamSet& params,
                         const TSwitchSet& switches, const TSensorChannels& channels,
                         const TChannelNames& channelNames);
// One reply: the time right-aligned in 8 characters, then the values, each field followed
// by ", " (",  " after a switch). A parameter missing from the reply is written as 0; a
// parameter or channel value that is not finite (LogNoValue) as an empty field.
QByteArray LogDataLine(uint32_t elapsedMs, const TDisplayUnits& units, const TParamSet& params,
                       const TParamSet& received, const TParamValues& values,
                       const TSwitchSet& switches, const TSwitchSet& on,
                       const TSensorChannels& channels, const TSensorValues& channelValues);

// The open log. Each line reaches the operating system before WriteLine returns, so a
// crash or a full disk loses at most the line being written; a line that could not be
// written whole is taken back, so the file always ends at a complete line. What the
// system holds reaches the disk only with Sync or Close: a power cut loses the rest.
class TCsvLogFile {
  public:
    TCsvLogFile();
    TCsvLogFile(const TCsvLogFile&) = delete;
    TCsvLogFile& operator=(const TCsvLogFile&) = delete;
    ~TCsvLogFile();

    bool Open(const QString& path, QString* error = nullptr); // creates; never opens an existing file
    // False when not every byte was written, or when an earlier Sync found that the disk
    // did not take what was written.
    bool WriteLine(const QByteArray& line);
    // Hands what was written to the disk (fdatasync) without waiting for it: a worker
    // thread waits on the disk, so a slow card never holds up the capture. A sync asked
    // for while one is still under way follows when that one ends.
    void Sync();
    // Hands the rest to the disk, waiting for it, and closes. Errors are of no use by then:
    // ignored.
    void Close();
    bool IsOpen() const;
    // The syncs asked for since Open, the one Close makes included.
    int Syncs() const { return FSyncs; }

    // Test hook: every log opened afterwards fails its WriteLine after `lines` successful
    // ones (-1, the default, never), having written the first half of the failing line, as
    // a disk that fills up in the middle of a line would. Lets a test run out of disk space
    // in the middle of a log.
    static void SimulateWriteFailureAfter(int lines);

  private:
    class TSyncWorker;

    QFile FFile;
    qint64 FGoodSize = 0;  // bytes up to the end of the last complete line
    int FLinesLeft = -1;
    int FSyncs = 0;
    std::unique_ptr<TSyncWorker> FWorker; // made at the first Sync of a log
};

// Writes the comments memo, one CR LF terminated line per memo line, and hands it to the
// disk. The file is replaced whole or not at all: a failed save leaves what was there
// before (or nothing), never an empty or cut file. An empty memo (no lines, or one empty
// line) writes no file and counts as success.
bool SaveCommentsFile(const QString& path, const QStringList& lines);
// The memo's first line: "Log From " + the ECU's description, cut to 89 characters, or
// "Log From Subaru ECU" when the ECU was not identified (empty description).
QString CommentsFirstLine(const QString& ecuDescriptionOrEmpty);
