#include "CodeLists.h"

#include <algorithm>

bool NaturalLess(const QString& a, const QString& b)
{
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            const qsizetype si = i, sj = j;
            while (i < a.size() && a[i].isDigit())
                ++i;
            while (j < b.size() && b[j].isDigit())
                ++j;
            // Compare the runs by value: strip leading zeros, then length, then digits.
            QStringView ra = QStringView(a).mid(si, i - si), rb = QStringView(b).mid(sj, j - sj);
            while (ra.size() > 1 && ra.front() == QLatin1Char('0'))
                ra = ra.mid(1);
            while (rb.size() > 1 && rb.front() == QLatin1Char('0'))
                rb = rb.mid(1);
            if (ra.size() != rb.size())
                return ra.size() < rb.size();
            if (const int c = ra.compare(rb); c != 0)
                return c < 0;
            continue;
        }
        const QChar ca = a[i].toCaseFolded(), cb = b[j].toCaseFolded();
        if (ca != cb)
            return ca < cb;
        ++i;
        ++j;
    }
    if ((a.size() - i) != (b.size() - j))
        return (a.size() - i) < (b.size() - j);
    // Equal but for case or leading zeros: a fixed order keeps the sort deterministic.
    return a < b;
}

namespace {

QStringList Sorted(QStringList list)
{
    std::stable_sort(list.begin(), list.end(), NaturalLess);
    return list;
}

} // namespace

QStringList SupportedEcuList(std::span<const TEcuIdent> ids, const std::vector<int>& unlisted)
{
    QStringList list;
    for (size_t i = 0; i < ids.size(); ++i) {
        if (ids[i].Description.isEmpty())
            continue;
        if (std::find(unlisted.begin(), unlisted.end(), static_cast<int>(i)) != unlisted.end())
            continue;
        list << ids[i].Description;
    }
    return Sorted(list);
}

QStringList SupportedEcuList() { return SupportedEcuList(EcuIds, UnlistedEcuTypes); }

QString SupportedEcuCaption(int recordCount)
{
    return QString::number(recordCount) + QStringLiteral(" Supported ECUs");
}

QStringList NonObdCodeList(std::span<const TNonObdCode> codes)
{
    QStringList list;
    for (const TNonObdCode& code : codes)
        if (!code.Text.isEmpty() && code.Text.front().isDigit())
            list << code.Text;
    return Sorted(list);
}

QStringList NonObdCodeList() { return NonObdCodeList(NonObdCodes); }

QString NonObdCodeCaption(int count)
{
    return QString::number(count) + QStringLiteral(" Supported Non-OBD Trouble Codes");
}

QStringList ObdCodeList(std::span<const TObdCode> codes)
{
    QStringList list;
    for (const TObdCode& code : codes)
        if (code.Code.startsWith(QLatin1Char('P')))
            list << (code.Code + QStringLiteral(": ") + code.Description).left(ObdCodeLineLength);
    return Sorted(list);
}

QStringList ObdCodeList() { return ObdCodeList(ObdCodes); }

QString ObdCodeCaption(int count)
{
    return QString::number(count) + QStringLiteral(" Supported OBD Trouble Codes");
}
