#include "CalFile.h"

#include "TextCodec.h"

#include <QStringList>

#include <algorithm>
#include <cfloat>
#include <cmath>

int AddCalPoint(std::vector<TConvPoint>& points, float volts, float value)
{
    const auto at = std::upper_bound(points.begin(), points.end(), volts,
                                     [](float v, const TConvPoint& p) { return v < p.Volts; });
    const int index = int(at - points.begin());
    points.insert(at, TConvPoint{volts, value});
    return index;
}

namespace {

bool ParseSingle(const QString& text, float& out)
{
    bool ok = false;
    const double d = text.trimmed().toDouble(&ok); // C locale: "." decimals
    if (!ok || !std::isfinite(d) || std::fabs(d) > FLT_MAX) return false;
    out = static_cast<float>(d);
    return true;
}

QString Number(float v)
{
    // Nine significant digits read back as the same single.
    return QString::number(double(v), 'g', 9);
}

} // namespace

TCalReadResult ReadCalFile(const QByteArray& bytes)
{
    TCalReadResult r;
    if (bytes.size() > MaxCalFileBytes) {
        r.Error = QStringLiteral("The file is too large for a sensor calibration.");
        return r;
    }
    QStringList lines = FromWin1252(bytes).split(QLatin1Char('\n'));
    for (QString& line : lines)
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    while (!lines.isEmpty() && lines.back().trimmed().isEmpty())
        lines.removeLast();
    if (lines.isEmpty()) {
        r.Error = QStringLiteral("Line 1: the file is empty.");
        return r;
    }

    const QString header = lines.front();
    const qsizetype comma = header.lastIndexOf(QLatin1Char(','));
    r.File.Name = (comma < 0 ? header : header.left(comma)).trimmed();
    r.File.Units = comma < 0 ? QString() : header.mid(comma + 1).trimmed();

    std::vector<std::pair<TConvPoint, qsizetype>> read; // with its line number
    const auto fail = [&](qsizetype lineNo, const QString& why) {
        r.Error = QStringLiteral("Line %1: %2").arg(lineNo).arg(why);
        r.File = {};
        return r;
    };
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty())
            return fail(i + 1, QStringLiteral("empty line where a point was expected."));
        const QStringList parts = line.split(QLatin1Char(','));
        TConvPoint p{};
        if (parts.size() != 2 || !ParseSingle(parts[0], p.Volts) || !ParseSingle(parts[1], p.Value))
            return fail(i + 1,
                        QStringLiteral("\"%1\" is not a \"volts,value\" pair.").arg(line.left(40)));
        if (int(read.size()) >= MaxCalPoints)
            return fail(i + 1, QStringLiteral("more than %1 points.").arg(MaxCalPoints));
        read.push_back({p, i + 1});
    }
    std::stable_sort(read.begin(), read.end(),
                     [](const auto& a, const auto& b) { return a.first.Volts < b.first.Volts; });
    for (size_t k = 1; k < read.size(); ++k)
        if (read[k].first.Volts == read[k - 1].first.Volts) {
            const auto& later = read[k].second > read[k - 1].second ? read[k] : read[k - 1];
            return fail(later.second,
                        QStringLiteral("a second point at %1 V.").arg(Number(later.first.Volts)));
        }
    for (const auto& [p, lineNo] : read)
        r.File.Points.push_back(p);
    r.Ok = true;
    return r;
}

QByteArray WriteCalFile(const TCalFile& file)
{
    QString text = file.Name + QLatin1Char(',') + file.Units + QStringLiteral("\r\n");
    for (const TConvPoint& p : file.Points)
        text += Number(p.Volts) + QLatin1Char(',') + Number(p.Value) + QStringLiteral("\r\n");
    return ToWin1252(text);
}
