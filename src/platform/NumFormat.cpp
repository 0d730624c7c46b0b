#include "NumFormat.h"

#include "Errors.h"

#include <QRegularExpression>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <string>

namespace {

constexpr int Precision = 8; // significant digits, as the program has always shown them

// A finite non-zero |value| as decimal digits without leading or trailing zeros and the
// number of digits before the point: value = 0.<digits> * 10^pointPos.
// The digits are the shortest that read back as the same double, i.e. the value as it is
// printed everywhere else (a log file, a settings text), so 0.125 and 4.35 are halves.
struct TDecimal {
    std::string digits;
    int pointPos = 0;
};

TDecimal ToDecimal(double value)
{
    char buf[64];
    const auto res =
        std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific);
    const std::string text(buf, res.ptr); // "d.ddde+XX"
    const auto e = text.find('e');
    TDecimal d;
    for (size_t i = 0; i < e; ++i)
        if (text[i] != '.') d.digits += text[i];
    d.pointPos = std::stoi(text.substr(e + 1)) + 1;
    while (d.digits.size() > 1 && d.digits.back() == '0')
        d.digits.pop_back();
    return d;
}

// Keeps the first `keep` digits, rounding the rest off with halves to even. The result
// may become zero (empty digits) or gain a digit ("999" -> "1", pointPos + 1).
void RoundDigits(TDecimal& d, int keep)
{
    if (keep >= int(d.digits.size())) return;
    if (keep < 0) {
        d.digits.clear();
        return;
    }
    const char next = d.digits[size_t(keep)];
    const bool moreAfter = d.digits.find_first_not_of('0', size_t(keep) + 1) != std::string::npos;
    const bool lastOdd = keep > 0 && (d.digits[size_t(keep) - 1] - '0') % 2 == 1;
    const bool up = next > '5' || (next == '5' && (moreAfter || lastOdd));
    d.digits.resize(size_t(keep));
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[size_t(i)] == '9')
            d.digits[size_t(i--)] = '0';
        if (i < 0) {
            d.digits.insert(d.digits.begin(), '1');
            ++d.pointPos;
        } else {
            ++d.digits[size_t(i)];
        }
    }
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
}

char DigitAt(const TDecimal& d, int i)
{
    return (i >= 0 && i < int(d.digits.size())) ? d.digits[size_t(i)] : '0';
}

// "d.dddddddE+XX": the form for numbers with more integer digits than the precision.
QString FormatExponent(TDecimal d, bool negative)
{
    RoundDigits(d, Precision);
    std::string s = negative ? "-" : "";
    s += DigitAt(d, 0);
    s += '.';
    for (int i = 1; i < Precision; ++i)
        s += DigitAt(d, i);
    const int exponent = d.pointPos - 1;
    s += exponent < 0 ? "E-" : "E+";
    std::string e = std::to_string(std::abs(exponent));
    if (e.size() < 2) e.insert(e.begin(), '0');
    s += e;
    return QString::fromStdString(s);
}

} // namespace

QString FormatFixed(double value, int decimals)
{
    if (std::isnan(value)) return QStringLiteral("NAN");
    if (std::isinf(value)) return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    decimals = std::clamp(decimals, 0, 18);

    TDecimal d;
    if (value != 0.0) d = ToDecimal(value);
    const bool negative = value < 0;
    const TDecimal original = d;
    if (!d.digits.empty()) {
        RoundDigits(d, std::min(d.pointPos + decimals, Precision));
        if (!d.digits.empty() && d.pointPos > Precision) return FormatExponent(original, negative);
    }
    if (d.digits.empty()) // zero, or rounded to zero: no "-0"
        return decimals > 0 ? QStringLiteral("0.") + QString(decimals, QLatin1Char('0'))
                            : QStringLiteral("0");

    std::string s = negative ? "-" : "";
    if (d.pointPos <= 0) s += '0';
    for (int i = 0; i < d.pointPos; ++i)
        s += DigitAt(d, i);
    // Always the stated number of decimals, so columns line up; digits past the 8
    // significant ones are zeros: 123456.789 with 3 decimals is 123456.790.
    if (decimals > 0) {
        s += '.';
        for (int i = 0; i < decimals; ++i)
            s += DigitAt(d, d.pointPos + i);
    }
    return QString::fromStdString(s);
}

double StrToFloat(const QString& text)
{
    static const QRegularExpression number(
        QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
    const QString t = text.trimmed();
    bool ok = number.match(t).hasMatch();
    const double value = ok ? t.toDouble(&ok) : 0.0; // QString::toDouble ignores the locale
    if (!ok)
        throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
    return value;
}

int StrToInt(const QString& text)
{
    static const QRegularExpression number(
        QStringLiteral("^([+-]?)(?:(\\d+)|(?:\\$|0[xX])([0-9A-Fa-f]+))$"));
    const auto m = number.match(text.trimmed());
    bool ok = m.hasMatch();
    long long value = 0;
    if (ok) {
        const bool negative = m.captured(1) == QLatin1String("-");
        if (m.capturedLength(2) > 0) {
            value = m.captured(2).toLongLong(&ok, 10);
            if (negative) value = -value;
            ok = ok && value >= INT_MIN && value <= INT_MAX;
        } else {
            // Hex covers the whole 32 bits: "$FFFFFFFF" is -1.
            const qulonglong bits = m.captured(3).toULongLong(&ok, 16);
            ok = ok && bits <= 0xFFFFFFFFull;
            value = int32_t(uint32_t(bits));
            if (negative) value = -value;
            ok = ok && value >= INT_MIN && value <= INT_MAX;
        }
    }
    if (!ok) throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return int(value);
}

long long RoundHalfEven(double v)
{
    if (std::isnan(v)) return 0;
    // nearbyint follows the current rounding mode, which the program leaves at
    // round-to-nearest-even.
    const double r = std::nearbyint(v);
    if (r >= 9.2233720368547758e18) return LLONG_MAX;
    if (r <= -9.2233720368547758e18) return LLONG_MIN;
    return static_cast<long long>(r);
}

QString FormatPicture(double value, int maxDecimals)
{
    QString text = FormatFixed(value, maxDecimals);
    if (text.contains(QLatin1Char('e')) || text.contains(QLatin1Char('E')))
        return text;
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    if (text == QStringLiteral("-0"))
        text = QStringLiteral("0");
    return text;
}
