#include "GenFuncs.h"

#include "Errors.h"
#include "NumFormat.h"
#include "Settings.h"

#include <algorithm>
#include <cstring>

namespace {

QString Group(const TByteArray& bytes, size_t first, int n)
{
    static const char digits[] = "0123456789ABCDEF";
    QString s;
    s.reserve(2 * n + 1);
    for (int j = 0; j < n; ++j) {
        const uint8_t b = bytes[first + size_t(j)];
        s += QLatin1Char(digits[b >> 4]);
        s += QLatin1Char(digits[b & 0xF]);
    }
    s += QLatin1Char(' ');
    return s;
}

} // namespace

QString HexDump(const TByteArray& bytes, int n)
{
    if (n < 1) return QString();
    QString s;
    const size_t groups = bytes.size() / size_t(n);
    for (size_t g = 0; g < groups; ++g)
        s += Group(bytes, g * size_t(n), n);
    return s;
}

QString HexDumpAddr(const TByteArray& bytes, int n, int k, int start)
{
    if (n < 1 || k < 1) return QString();
    QStringList lines;
    const size_t groups = bytes.size() / size_t(n);
    for (size_t g = 0; g < groups; g += size_t(k)) {
        QString line = QLatin1Char('$') +
                       QString::number(start + int(g), 16).toUpper().rightJustified(4, u'0') +
                       QLatin1String("    ");
        for (size_t i = g; i < std::min(groups, g + size_t(k)); ++i)
            line += Group(bytes, i * size_t(n), n);
        lines.append(line);
    }
    return lines.join(QLatin1String("\r\n"));
}

bool BitTest(uint8_t b, int k)
{
    return k >= 0 && k < 8 && (b >> k) & 1;
}

void BitSet(uint8_t& b, int k, bool on)
{
    if (k < 0 || k >= 8) return;
    if (on)
        b = uint8_t(b | (1u << k));
    else
        b = uint8_t(b & ~(1u << k));
}

uint16_t Swap16(uint16_t v)
{
    return uint16_t((v << 8) | (v >> 8));
}

uint32_t Swap32(uint32_t v)
{
    return Swap16(uint16_t(v >> 16)) | uint32_t(Swap16(uint16_t(v & 0xFFFF))) << 16;
}

TByteArray AddrToString(uint32_t address)
{
    return {uint8_t(address >> 16), uint8_t(address >> 8), uint8_t(address)};
}

uint32_t StringToAddr(const TByteArray& bytes)
{
    if (bytes.size() != 3)
        throw Exception(QStringLiteral("StringToAddr: String must be 3 chars long."));
    return uint32_t(bytes[0]) << 16 | uint32_t(bytes[1]) << 8 | bytes[2];
}

TByteArray BufferToBytes(const void* buffer, int n)
{
    if (n <= 0 || !buffer) return {};
    const auto* p = static_cast<const uint8_t*>(buffer);
    return TByteArray(p, p + n);
}

void BytesToBuffer(const TByteArray& bytes, void* buffer, int n)
{
    const size_t count = std::min(bytes.size(), size_t(std::max(n, 0)));
    if (count > 0) std::memcpy(buffer, bytes.data(), count);
}

bool ReadBoolSetting(const QString& key, const QString& name)
{
    return TSettingsStore::Instance().ReadBool(key, name, false);
}
