#pragma once

// Locale-independent numbers: "." decimal separator, "," thousands separator.
#include <QString>

// Fixed notation with the given decimals and at most 8 significant digits (like a
// fixed format with precision 8); past 8 integer digits the exponent form is used.
// Halves round to even.
QString FormatFixed(double value, int decimals);
// Parses a decimal number written with "."; throws EConvertError with
// "'<text>' is not a valid floating point value" when it is not one.
double StrToFloat(const QString& text);
// Parses an integer; a leading "$" (or "0x") means hex. Throws EConvertError with
// "'<text>' is not a valid integer value".
int StrToInt(const QString& text);
// Integer nearest to v, halves to even.
long long RoundHalfEven(double v);
// The picture "###0.##" with maxDecimals "#" after the point: at least one integer digit,
// at most maxDecimals decimals with trailing zeros dropped, no thousands separator
// (1000000 -> "1000000", 2.5 -> "2.5", -0.001 -> "0").
QString FormatPicture(double value, int maxDecimals);
