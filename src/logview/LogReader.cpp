#include "LogReader.h"

#include "TextCodec.h"

#include <QFile>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <new>

const char* const LogNotRecognisedText =
    "The file is not in a recognised format and cannot be viewed.";
const char* const LogChangedText =
    "The parameters logged in this file were changed during logging. \r\nOnly the original set "
    "will be displayed.";
const char* const LogNoDataText =
    "This log file contains no data. Perhaps you had data capture paused while logging";

QString LogLoadErrorText(const QString& why)
{
    return QStringLiteral("An error occurred while loading in the log file (") + why +
           QStringLiteral("). The data displayed will not be complete.");
}

QString LogValueText(double value)
{
    if (std::isnan(value)) return QString();
    if (value == 0) value = 0; // no "-0"
    return QString::number(value, 'g', 15);
}

namespace {

bool IsBlank(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

QByteArrayView Trimmed(QByteArrayView s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return s.sliced(b, e - b);
}

// The fields of a line, one at a time. Next answers false once the line has no field left.
class TFields {
  public:
    explicit TFields(QByteArrayView line) : FLine(line) {}
    bool Next(QByteArrayView& field)
    {
        if (FPos > FLine.size()) return false;
        const qsizetype comma = FLine.indexOf(',', FPos);
        const qsizetype end = comma < 0 ? FLine.size() : comma;
        field = FLine.sliced(FPos, end - FPos);
        FPos = comma < 0 ? FLine.size() + 1 : comma + 1;
        return true;
    }

  private:
    QByteArrayView FLine;
    qsizetype FPos = 0;
};

QString Printable(QByteArrayView field)
{
    QString text = FromWin1252(field.first(std::min<qsizetype>(40, field.size())).toByteArray());
    if (field.size() > 40) text += QStringLiteral("...");
    return text;
}

// Plain decimals ("-10.25") of up to 15 digits: the digits as an integer divided by a power
// of ten. Both are exact doubles, so the one division rounds correctly, as from_chars
// would, in a fraction of its time. Anything else is left to from_chars.
bool ParseDecimal(const char* b, const char* e, double& value)
{
    static constexpr double Powers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const bool negative = b != e && *b == '-';
    if (negative) ++b;
    std::uint64_t digits = 0;
    int count = 0, decimals = 0;
    bool point = false;
    for (; b != e; ++b) {
        if (*b >= '0' && *b <= '9') {
            if (++count > 15) return false;
            digits = digits * 10 + std::uint64_t(*b - '0');
            decimals += point;
        } else if (*b == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    if (count == 0) return false;
    value = double(digits) / Powers[decimals];
    if (negative) value = -value;
    return true;
}

// A number written with "." whatever the locale; the whole field must be the number.
bool ParseNumber(QByteArrayView field, double& value)
{
    field = Trimmed(field);
    const char* b = field.data();
    const char* e = b + field.size();
    if (ParseDecimal(b, e, value)) return true;
    if (b != e && *b == '+') {
        ++b;
        if (b != e && *b == '-') return false;
    }
    if (b == e) return false;
    const auto res = std::from_chars(b, e, value, std::chars_format::general);
    return res.ec == std::errc() && res.ptr == e && std::isfinite(value);
}

} // namespace

void TLogReader::Feed(QByteArrayView bytes)
{
    qsizetype pos = 0;
    while (FState != TState::Done && pos < bytes.size()) {
        const qsizetype nl = bytes.indexOf('\n', pos);
        if (nl < 0) {
            if (FPartial.size() + (bytes.size() - pos) > MaxLineLength) {
                ++FLineNumber;
                Fail(QStringLiteral("line %1 is longer than %2 characters")
                         .arg(FLineNumber)
                         .arg(MaxLineLength));
                return;
            }
            FPartial.append(bytes.sliced(pos));
            return;
        }
        if (FPartial.isEmpty()) {
            Line(bytes.sliced(pos, nl - pos));
        } else {
            FPartial.append(bytes.sliced(pos, nl - pos));
            Line(FPartial);
            FPartial.clear();
        }
        pos = nl + 1;
    }
}

TLogReadResult TLogReader::Finish(const QString& readError)
{
    if (FState != TState::Done && !FPartial.isEmpty()) Line(FPartial);
    FPartial.clear();
    if (FState == TState::Header) {
        FResult.Messages.push_back(
            {TLogMessageKind::Error, QString::fromLatin1(LogNotRecognisedText)});
        FState = TState::Done;
    }
    if (FState != TState::Done && !readError.isEmpty()) Fail(readError);
    FState = TState::Done;

    TLogData& d = FResult.Data;
    bool failed = false;
    for (const TLogMessage& m : FResult.Messages)
        failed = failed || m.Kind == TLogMessageKind::Error;
    if (FRecognised && d.Times.empty() && !failed)
        FResult.Messages.push_back(
            {TLogMessageKind::Information, QString::fromLatin1(LogNoDataText)});
    FResult.Usable = FRecognised && !d.Times.empty();
    d.Times.shrink_to_fit();
    for (auto& column : d.ParamValues)
        column.shrink_to_fit();
    if (d.Times.empty()) {
        std::fill(d.Minimum.begin(), d.Minimum.end(), 0.0);
        std::fill(d.Maximum.begin(), d.Maximum.end(), 0.0);
    }
    for (size_t c = 0; c < d.Minimum.size(); ++c)
        if (d.Minimum[c] > d.Maximum[c]) // rows, but not one value in this column
            d.Minimum[c] = d.Maximum[c] = std::numeric_limits<double>::quiet_NaN();
    return std::move(FResult);
}

void TLogReader::SetSizeHint(qint64 totalBytes)
{
    FSizeHint = totalBytes;
}

void TLogReader::Line(QByteArrayView line)
{
    ++FLineNumber;
    if (!line.isEmpty() && line.back() == '\r') line.chop(1);
    if (FState == TState::Header)
        Header(line);
    else if (FState == TState::Rows)
        Row(line);
}

void TLogReader::Header(QByteArrayView line)
{
    if (line.startsWith("\xEF\xBB\xBF")) {
        FUtf8 = true;
        line = line.sliced(3);
    }
    TFields fields(line);
    QByteArrayView field;
    fields.Next(field);
    const QByteArrayView first = Trimmed(field);
    if (first == "Time" || first == "Time (ms)" || first == "Time (msec)") {
        FTimeScale = 1;
    } else if (first == "Time (s)" || first == "Time (sec)") {
        FTimeScale = 1000;
    } else {
        FResult.Messages.push_back(
            {TLogMessageKind::Error, QString::fromLatin1(LogNotRecognisedText)});
        FState = TState::Done;
        return;
    }
    TLogData& d = FResult.Data;
    while (fields.Next(field)) {
        const QByteArrayView caption = Trimmed(field);
        if (caption.isEmpty()) break;
        if (d.ParamNames.size() == MaxColumns) {
            FResult.Messages.push_back(
                {TLogMessageKind::Warning,
                 QStringLiteral("This log has more than %1 columns; only the first %1 are shown.")
                     .arg(MaxColumns)});
            break;
        }
        d.ParamNames << (FUtf8 ? QString::fromUtf8(caption) : FromWin1252(caption.toByteArray()));
    }
    d.ParamValues.resize(size_t(d.ParamNames.size()));
    d.Minimum.assign(d.ParamValues.size(), std::numeric_limits<double>::infinity());
    d.Maximum.assign(d.ParamValues.size(), -std::numeric_limits<double>::infinity());
    FRow.resize(d.ParamValues.size());
    FRecognised = true;
    FState = TState::Rows;
}

void TLogReader::Row(QByteArrayView line)
{
    const QByteArrayView text = Trimmed(line);
    if (text.isEmpty()) return;
    if (text[0] < '0' || text[0] > '9') {
        FResult.Messages.push_back({TLogMessageKind::Warning, QString::fromLatin1(LogChangedText)});
        FState = TState::Done;
        return;
    }
    TLogData& d = FResult.Data;
    TFields fields(text);
    QByteArrayView field;
    fields.Next(field);
    double time = 0;
    if (!ParseNumber(field, time)) {
        Fail(QStringLiteral("line %1: '%2' is not a valid floating point value")
                 .arg(FLineNumber)
                 .arg(Printable(Trimmed(field))));
        return;
    }
    time *= FTimeScale;
    for (size_t c = 0; c < FRow.size(); ++c) {
        if (!fields.Next(field)) {
            Fail(QStringLiteral("line %1 has no value for %2")
                     .arg(FLineNumber)
                     .arg(d.ParamNames[qsizetype(c)]));
            return;
        }
        if (Trimmed(field).isEmpty()) {
            FRow[c] = std::numeric_limits<double>::quiet_NaN(); // not measured
        } else if (!ParseNumber(field, FRow[c])) {
            Fail(QStringLiteral("line %1: '%2' is not a valid floating point value")
                     .arg(FLineNumber)
                     .arg(Printable(Trimmed(field))));
            return;
        }
    }

    if (d.Times.empty() && FSizeHint > 0) {
        // Room for the whole file at once, judged by the first row's length.
        const qint64 rows = FSizeHint / (line.size() + 1) + 16;
        try {
            d.Times.reserve(size_t(rows));
            for (auto& column : d.ParamValues)
                column.reserve(size_t(rows));
        } catch (const std::bad_alloc&) {
        }
    }
    try {
        // Capacity grows geometrically, so a long log is read in linear time.
        d.Times.push_back(time);
        for (size_t c = 0; c < FRow.size(); ++c)
            d.ParamValues[c].push_back(FRow[c]);
    } catch (const std::bad_alloc&) {
        d.Times.resize(d.Times.size() - 1);
        for (auto& column : d.ParamValues)
            column.resize(d.Times.size());
        Fail(QStringLiteral("out of memory at line %1").arg(FLineNumber));
        return;
    }
    if (d.Times.size() > 1 && time < d.Times[d.Times.size() - 2]) d.TimesAscending = false;
    for (size_t c = 0; c < FRow.size(); ++c) {
        if (std::isnan(FRow[c])) continue;
        d.Minimum[c] = std::min(d.Minimum[c], FRow[c]);
        d.Maximum[c] = std::max(d.Maximum[c], FRow[c]);
    }
}

void TLogReader::Fail(const QString& why)
{
    FResult.Messages.push_back({TLogMessageKind::Error, LogLoadErrorText(why)});
    FState = TState::Done;
}

TLogReadResult ReadLog(QByteArrayView bytes)
{
    TLogReader reader;
    reader.SetSizeHint(bytes.size());
    reader.Feed(bytes);
    return reader.Finish();
}

TLogReadResult ReadLogFile(const QString& fileName)
{
    TLogReader reader;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        TLogReadResult result;
        result.Messages.push_back({TLogMessageKind::Error, LogLoadErrorText(file.errorString())});
        return result;
    }
    reader.SetSizeHint(file.size());
    QByteArray chunk(1 << 18, Qt::Uninitialized);
    QString error;
    while (!reader.Done()) {
        const qint64 n = file.read(chunk.data(), chunk.size());
        if (n < 0) {
            error = file.errorString();
            break;
        }
        if (n == 0) break;
        reader.Feed(QByteArrayView(chunk.constData(), n));
    }
    return reader.Finish(error);
}
