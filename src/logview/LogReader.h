#pragma once

// Reads a CSV log of the live-data window (or of another logger that writes the same
// shape) into columns. No window code: the viewer shows what comes back, the messages
// included. The bytes are taken in chunks, so a file is read as a stream and never held
// whole in memory.
//
// The format: a header line whose first field is "Time" (or "Time (ms)", "Time (s)" and
// the like from other loggers) followed by one caption per column up to the first empty
// field; then one line per row, the time first, one number per column, extra fields
// ignored. An empty field is a value that was not measured: it reads as NaN ("no value")
// and the row is kept. A line that does not start with a digit ends the rows: the
// live-data window starts a new header when its column set changes, and only the first
// set is read.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

// One copy of the log's values, which the graphs and the table all read.
struct TLogData {
    QStringList ParamNames;                       // captions without the leading "Time"
    std::vector<double> Times;                    // milliseconds, one per row
    std::vector<std::vector<double>> ParamValues; // [column][row]; NaN: no value
    // Per column, of its values; NaN for a column without any, 0 for a log without rows.
    std::vector<double> Minimum, Maximum;
    bool TimesAscending = true;                   // every time at least the one before

    int RowCount() const { return static_cast<int>(Times.size()); }
    int ColumnCount() const { return static_cast<int>(ParamNames.size()); }
};

enum class TLogMessageKind { Error, Warning, Information };

struct TLogMessage {
    TLogMessageKind Kind;
    QString Text;
};

struct TLogReadResult {
    TLogData Data;
    std::vector<TLogMessage> Messages; // to be shown in this order
    bool Usable = false;               // a header was recognised and at least one row read
};

class TLogReader {
  public:
    // More than this many columns and the rest are left out: every column gets a graph.
    static constexpr int MaxColumns = 1000;
    // A line longer than this is not a log line (a binary file, say).
    static constexpr int MaxLineLength = 1 << 20;

    // The input's length when known: the columns are sized for it after the first row.
    void SetSizeHint(qint64 totalBytes);
    void Feed(QByteArrayView bytes);
    // Reading has ended (a fault, a second header); the rest of the input is not needed.
    bool Done() const { return FState == TState::Done; }
    // The end of the input. A read error met on the way is passed in as its message.
    TLogReadResult Finish(const QString& readError = QString());

  private:
    enum class TState { Header, Rows, Done };

    void Line(QByteArrayView line);
    void Header(QByteArrayView line);
    void Row(QByteArrayView line);
    void Fail(const QString& why);

    TState FState = TState::Header;
    QByteArray FPartial; // the start of a line that the next chunk ends
    qint64 FLineNumber = 0;
    qint64 FSizeHint = 0;
    double FTimeScale = 1; // 1000 for times in seconds
    bool FUtf8 = false;    // the file starts with a UTF-8 byte-order mark
    std::vector<double> FRow;
    TLogReadResult FResult;
    bool FRecognised = false;
};

// The whole input at once.
TLogReadResult ReadLog(QByteArrayView bytes);
// The file, in chunks. A file that cannot be opened is an error message.
TLogReadResult ReadLogFile(const QString& fileName);

// A value as the viewer shows it: the shortest general notation, "." decimals; nothing
// for no value.
QString LogValueText(double value);

// The messages of the format.
extern const char* const LogNotRecognisedText;
extern const char* const LogChangedText;
extern const char* const LogNoDataText;
// "An error occurred while loading in the log file (" + why + "). The data displayed
// will not be complete."
QString LogLoadErrorText(const QString& why);
