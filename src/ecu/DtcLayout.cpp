#include "DtcLayout.h"

#include "EcuConstData.h"
#include "EcuInterface.h"

namespace {
TLongWordArray Range(uint32_t first, int count)
{
    TLongWordArray list;
    list.reserve(size_t(count));
    for (int i = 0; i < count; ++i)
        list.push_back(first + uint32_t(i));
    return list;
}
} // namespace

TDtcLayout TDtcLayout::FromLink(const TEcuInterface& link)
{
    TDtcLayout layout;
    layout.Obd = link.ObdTroubleCodes;
    if (layout.Obd)
        layout.Groups = {link.DtcGroup4, link.DtcGroup8, link.DtcGroup5a, link.DtcGroup5b,
                         link.DtcGroup7};
    return layout;
}

TDtcLayout TDtcLayout::ObdWith(std::initializer_list<TDtcGroupIndex> groups)
{
    TDtcLayout layout;
    layout.Obd = true;
    for (TDtcGroupIndex g : groups)
        layout.Groups[g] = true;
    return layout;
}

TLongWordArray TDtcLayout::StandardAddresses(bool current) const
{
    const TDtcGroup& block = Obd ? ObdDtcBlock : NonObdDtcBlock;
    return Range(current ? block.Current : block.Historic, block.Bytes);
}

TLongWordArray TDtcLayout::ExtendedAddresses(bool current) const
{
    TLongWordArray list;
    if (!Obd) return list;
    for (int g = 0; g < DtcGroupCount; ++g) {
        if (!Groups[g]) continue;
        const TDtcGroup& group = ObdDtcGroups[g];
        const TLongWordArray part = Range(current ? group.Current : group.Historic, group.Bytes);
        list.insert(list.end(), part.begin(), part.end());
    }
    return list;
}

int TDtcLayout::ExtendedCode(int position, int bit) const
{
    for (int g = 0; g < DtcGroupCount; ++g) {
        if (!Obd || !Groups[g]) continue;
        const TDtcGroup& group = ObdDtcGroups[g];
        if (position < group.Bytes) return group.FirstCode + 8 * position + bit;
        position -= group.Bytes;
    }
    return -1;
}

QString DtcEntryText(bool obd, int code)
{
    if (obd) {
        if (code < 0 || code >= ObdCodeCount) return QString();
        const TObdCode& c = ObdCodes[size_t(code)];
        const QString text =
            c.Code.isEmpty() ? c.Description : c.Code + QLatin1Char(' ') + c.Description;
        return text.left(ObdDtcEntryLength);
    }
    if (code < 0 || code >= NonObdCodeCount) return QString();
    return NonObdCodes[size_t(code)].Text.left(NonObdDtcEntryLength);
}
