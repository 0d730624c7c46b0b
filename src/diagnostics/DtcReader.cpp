#include "DtcReader.h"

#include "GenFuncs.h"

#include <algorithm>

void TDtcReader::PrepareAddressLists(const TDtcLayout& layout)
{
    FLayout = layout;
    StdCurrentAddrs = layout.StandardAddresses(true);
    StdHistoricAddrs = layout.StandardAddresses(false);
    ExtCurrentAddrs = layout.ExtendedAddresses(true);
    ExtHistoricAddrs = layout.ExtendedAddresses(false);
    ReadCurrent = true;
    StandardPhase = true;
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
}

QString DtcReportText(const QString& ecuName, const TByteArray& romId, const QDateTime& when,
                      bool obd, const std::vector<int>& current, const std::vector<int>& historic)
{
    const QString eol = QStringLiteral("\r\n");
    QString text = QStringLiteral("Diagnostic Trouble Codes") + eol;
    text += QStringLiteral("ECU: ") + ecuName + eol;
    text += QStringLiteral("ROM ID: ") + HexDump(romId).trimmed() + eol;
    text += QStringLiteral("Date: ") + when.toString(QStringLiteral("yyyy-MM-dd HH:mm")) + eol;
    auto list = [&](const QString& heading, const std::vector<int>& codes) {
        text += eol + heading + eol;
        if (codes.empty()) text += QStringLiteral("None") + eol;
        for (int code : codes)
            text += DtcEntryText(obd, code) + eol;
    };
    list(QStringLiteral("Current Trouble Codes"), current);
    list(QStringLiteral("Historic Trouble Codes"), historic);
    return text;
}
