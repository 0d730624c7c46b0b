#pragma once

// What the trouble-code reader does, without its window: which address list it reads next,
// how long each reply must be, and how the current and historic lists follow the bits of
// the replies. The lists keep their codes in the order they were first seen.

#include "DtcLayout.h"
#include "EcuTypes.h"

#include <QDateTime>
#include <QString>

#include <vector>

// One change of a list: a code added to or removed from the current or historic list.
struct TDtcChange {
    int Code;
    bool Set;
    bool Current;
    bool operator==(const TDtcChange&) const = default;
};

class TDtcReader {
  public:
    // Fills the four lists from the layout and starts over: the next read is a historic one.
    void PrepareAddressLists(const TDtcLayout& layout);
    // Moves to the next block and answers its address list.
    const TLongWordArray& ReadNextBlock();
    // The number of bytes the reply to the last list must have.
    int ExpectedLength() const;
    // The reply to the last list read: false (and nothing changed) when its length is wrong;
    // otherwise the lists follow every bit, and the changes are added to `changes`.
    bool DtcDataReceived(const TByteArray& data, std::vector<TDtcChange>* changes = nullptr);
    // Adds (set) or removes one code in one list; true when the list changed.
    bool UpdateCodeList(int code, bool set, bool current);
    void ClearLists();

    const TDtcLayout& Layout() const { return FLayout; }
    const std::vector<int>& Codes(bool current) const
    {
        return current ? CurrentCodes : HistoricCodes;
    }

    // Passes over every block read in full since the lists were started.
    int CompletePasses = 0;

    bool ReadCurrent = true;   // the last read covered the current codes
    bool StandardPhase = true; // the last read covered the standard block
    TLongWordArray StdCurrentAddrs, StdHistoricAddrs, ExtCurrentAddrs, ExtHistoricAddrs;
    std::vector<int> CurrentCodes, HistoricCodes;

  private:
    TDtcLayout FLayout;
};

// The text of a code in a list: its table entry, or, for a code the tables have no text
// for, where its bit is ("Unknown code (address 0x0000AE, bit 7)").
QString DtcCodeText(const TDtcLayout& layout, int code, bool current);

// How far reading got, for a report.
struct TDtcReadState {
    QDateTime LastPass;  // the end of the last complete pass; invalid before the first
    QString StopReason;  // why reading stopped; empty while it goes on
    QDateTime StoppedAt;
};

// The two lists as a text for a workshop: a heading with the ECU's name, its ROM id, the
// date and the time of the last complete read (and, when reading stopped, why, when and that
// the lists may be incomplete), then each list with its entries ("None" for an empty one).
// Lines end in CR LF.
QString DtcReportText(const QString& ecuName, const TByteArray& romId, const QDateTime& when,
                      const TDtcLayout& layout, const std::vector<int>& current,
                      const std::vector<int>& historic, const TDtcReadState& state = {});
