#include "TextCodec.h"

#include <QList>

#include <array>

namespace {

// 0x80..0x9F. The five bytes Windows leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map
// to the control code of the same value, as Windows converts them, so every byte survives
// a decode and encode.
constexpr std::array<char16_t, 32> High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char EncodeChar(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return char(c);
    for (size_t i = 0; i < High.size(); ++i)
        if (High[i] == c) return char(0x80 + i);
    return '?';
}

} // namespace

QByteArray ToWin1252(const QString& text)
{
    QByteArray out;
    out.reserve(text.size());
    // By code point, so a character outside the BMP becomes one '?', not two.
    for (char32_t c : text.toUcs4())
        out.append(EncodeChar(c));
    return out;
}

QString FromWin1252(const QByteArray& bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* d = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = uint8_t(bytes[i]);
        d[i] = (b >= 0x80 && b < 0xA0) ? QChar(High[b - 0x80]) : QChar(b);
    }
    return out;
}
