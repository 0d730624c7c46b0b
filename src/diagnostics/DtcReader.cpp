#include "DtcReader.h"

#include "GenFuncs.h"

#include <algorithm>
#include <optional>

void TDtcReader::PrepareAddressLists(const TDtcLayout& layout)
{
    FLayout = layout;
    StdCurrentAddrs = layout.StandardAddresses(true);
    StdHistoricAddrs = layout.StandardAddresses(false);
    ExtCurrentAddrs = layout.ExtendedAddresses(true);
    ExtHistoricAddrs = layout.ExtendedAddresses(false);
    ReadCurrent = true;
    StandardPhase = true;
    CompletePasses = 0;
}

const TLongWordArray& TDtcReader::ReadNextBlock()
{
    ReadCurrent = !ReadCurrent;
    if (!FLayout.Obd) return ReadCurrent ? StdCurrentAddrs : StdHistoricAddrs;
    // A pass is historic then current, the extra groups' pass first when there are any.
    if (StandardPhase && !ReadCurrent && !ExtCurrentAddrs.empty())
        StandardPhase = false;
    else if (!StandardPhase && !ReadCurrent)
        StandardPhase = true;
    if (StandardPhase) return ReadCurrent ? StdCurrentAddrs : StdHistoricAddrs;
    return ReadCurrent ? ExtCurrentAddrs : ExtHistoricAddrs;
}

int TDtcReader::ExpectedLength() const
{
    if (!FLayout.Obd || StandardPhase) return static_cast<int>(StdCurrentAddrs.size());
    return static_cast<int>(ExtCurrentAddrs.size());
}

bool TDtcReader::DtcDataReceived(const TByteArray& data, std::vector<TDtcChange>* changes)
{
    if (static_cast<int>(data.size()) != ExpectedLength()) return false;
    const bool standard = !FLayout.Obd || StandardPhase;
    for (size_t i = 0; i < data.size(); ++i) {
        for (int bit = 0; bit < 8; ++bit) {
            const int position = static_cast<int>(i);
            const int code = standard ? FLayout.StandardCode(position, bit)
                                      : FLayout.ExtendedCode(position, bit);
            const bool set = BitTest(data[i], bit);
            if (UpdateCodeList(code, set, ReadCurrent) && changes)
                changes->push_back({code, set, ReadCurrent});
        }
    }
    // Every pass ends with the standard block's current codes.
    if (standard && ReadCurrent) ++CompletePasses;
    return true;
}

bool TDtcReader::UpdateCodeList(int code, bool set, bool current)
{
    std::vector<int>& list = current ? CurrentCodes : HistoricCodes;
    const auto it = std::find(list.begin(), list.end(), code);
    if (set && it == list.end()) {
        list.push_back(code);
        return true;
    }
    if (!set && it != list.end()) {
        list.erase(it);
        return true;
    }
    return false;
}

void TDtcReader::ClearLists()
{
    CurrentCodes.clear();
    HistoricCodes.clear();
    CompletePasses = 0;
}

QString DtcCodeText(const TDtcLayout& layout, int code, bool current)
{
    const QString text = DtcEntryText(layout.Obd, code);
    if (!text.isEmpty()) return text;
    // Where the code's bit is: the standard block, else the extra group that holds it.
    const TDtcGroup standard = layout.Obd ? ObdDtcBlock : NonObdDtcBlock;
    std::optional<TDtcGroup> block;
    if (code >= 0 && code < standard.Bytes * 8) block = standard;
    for (int g = 0; g < DtcGroupCount && !block && layout.Obd; ++g) {
        const TDtcGroup& group = ObdDtcGroups[size_t(g)];
        if (code >= group.FirstCode && code < group.FirstCode + group.Bytes * 8) block = group;
    }
    if (!block) return QStringLiteral("Unknown code %1").arg(code);
    const int offset = code - block->FirstCode;
    const uint32_t address = (current ? block->Current : block->Historic) + uint32_t(offset / 8);
    return QStringLiteral("Unknown code (address 0x%1, bit %2)")
        .arg(QString::number(address, 16).toUpper().rightJustified(6, QLatin1Char('0')))
        .arg(offset % 8);
}

QString DtcReportText(const QString& ecuName, const TByteArray& romId, const QDateTime& when,
                      const TDtcLayout& layout, const std::vector<int>& current,
                      const std::vector<int>& historic, const TDtcReadState& state)
{
    const QString eol = QStringLiteral("\r\n");
    const QString time = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    QString text = QStringLiteral("Diagnostic Trouble Codes") + eol;
    text += QStringLiteral("ECU: ") + ecuName + eol;
    text += QStringLiteral("ROM ID: ") + HexDump(romId).trimmed() + eol;
    text += QStringLiteral("Date: ") + when.toString(QStringLiteral("yyyy-MM-dd HH:mm")) + eol;
    if (state.LastPass.isValid())
        text += QStringLiteral("Last complete read: ") + state.LastPass.toString(time) + eol;
    if (!state.StopReason.isEmpty()) {
        text += state.StopReason + QStringLiteral(" at ") + state.StoppedAt.toString(time) +
                QStringLiteral(".") + eol;
        text += QStringLiteral("The lists below may be incomplete.") + eol;
    }
    auto list = [&](const QString& heading, const std::vector<int>& codes, bool isCurrent) {
        text += eol + heading + eol;
        if (codes.empty()) text += QStringLiteral("None") + eol;
        for (int code : codes)
            text += DtcCodeText(layout, code, isCurrent) + eol;
    };
    list(QStringLiteral("Current Trouble Codes"), current, true);
    list(QStringLiteral("Historic Trouble Codes"), historic, false);
    return text;
}
