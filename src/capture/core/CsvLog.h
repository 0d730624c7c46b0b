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

// "<dir>/QuillonLog-<ecu>-<ddd MMM d yyyy hh-mm.ss>", without extension. Day and month
// names are the locale's abbreviated ones (the system's unless told otherwise).
QString LogFileBaseName(const QString& dir, const QString& ecuName, const QDateTime& when,
                        const QLocale& locale = QLocale::system());

// The base name itself when neither "<base>.csv" nor "<base>.txt" exists, else the first
// free "<base> (2)", "<base> (3)", ...: a log never replaces one written before.
QString UniqueLogBaseName(const QString& base);

using TChannelNames = std::array<QString, SensorChannelCount>;

// "Time," then one field per logged parameter, switch and channel, each ending in ",".
QByteArray LogHeaderLine(const TDisplayUnits& units, const TParamSet& params,
                         const TSwitchSet& switches, const TSensorChannels& channels,
                         const TChannelNames& channelNames);
// One reply: the time right-aligned in 8 characters, then the values, each field followed
// by ", " (",  " after a switch). A parameter missing from the reply is written as 0.
QByteArray LogDataLine(uint32_t elapsedMs, const TDisplayUnits& units, const TParamSet& params,
                       const TParamSet& received, const TParamValues& values,
                       const TSwitchSet& switches, const TSwitchSet& on,
                       const TSensorChannels& channels, const TSensorValues& channelValues);

// The open log. Each line reaches the operating system before WriteLine returns, so a
// crash or a full disk loses at most the line being written; a line that could not be
// written whole is taken back, so the file always ends at a complete line.
class TCsvLogFile {
  public:
    TCsvLogFile() = default;
    TCsvLogFile(const TCsvLogFile&) = delete;
    TCsvLogFile& operator=(const TCsvLogFile&) = delete;
    ~TCsvLogFile();

    bool Open(const QString& path, QString* error = nullptr); // creates; never opens an existing file
    bool WriteLine(const QByteArray& line); // false when not every byte was written
    void Close();                           // errors are of no use by then: ignored
    bool IsOpen() const;

    // Test hook: every log opened afterwards fails its WriteLine after `lines` successful
    // ones (-1, the default, never), having written the first half of the failing line, as
    // a disk that fills up in the middle of a line would. Lets a test run out of disk space
    // in the middle of a log.
    static void SimulateWriteFailureAfter(int lines);

  private:
    QFile FFile;
    qint64 FGoodSize = 0;  // bytes up to the end of the last complete line
    int FLinesLeft = -1;
};

// Writes the comments memo, one CR LF terminated line per memo line. An empty memo
// (no lines, or one empty line) writes no file and counts as success.
bool SaveCommentsFile(const QString& path, const QStringList& lines);
// The memo's first line: "Log From " + the ECU's description, cut to 89 characters, or
// "Log From Subaru ECU" when the ECU was not identified (empty description).
QString CommentsFirstLine(const QString& ecuDescriptionOrEmpty);
