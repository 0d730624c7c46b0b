// Definition tables: restored from the tab-separated files in data/, which are compiled
// into the program as a resource. The files are the source form of the tables; this unit
// only parses and checks them, so a wrong edit fails loudly at start-up with the file and
// line, instead of turning into a wrong value somewhere in a window.
#include "EcuConstData.h"

#include "Errors.h"

#include <QFile>
#include <QStringList>

#include <cmath>
#include <iterator>
#include <memory>
#include <optional>

std::array<TParamDef, EcuParamCount> ParamDefs;
std::array<TSwitchDef, EcuSwitchCount> SwitchDefs;
std::array<TEcuIdent, EcuIdCount> EcuIds;
std::array<TByteArray, EcuIdCount> EcuInitReplies;
std::array<TNonObdCode, NonObdCodeCount> NonObdCodes;
std::array<TObdCode, ObdCodeCount> ObdCodes;
std::vector<TAddressOverride> AddressOverrides;

const std::vector<int> DemoEcuTypes{1,   4,   6,   8,   15,  21,  29,  58, 84,
                                    129, 136, 197, 207, 213, 226, 227, 228};
const std::vector<int> UnlistedEcuTypes{72, 73};
const std::vector<int> MapThrotAnEcus{0, 1, 2, 3, 4, 5, 6, 13, 28, 32, 33, 39, 46, 47, 65, 75, 86};
const std::vector<int> TimeStampEcus{59, 79, 81, 118};

namespace {

// The identifier column of params.tsv and switches.tsv must name the enumerator of its
// row; these lists tie the names to the enumerators (checked at compile time below).
struct TIdName {
    int Index;
    const char* Name;
};
// clang-format off
#define ID(n) TIdName{n, #n}
// clang-format on

constexpr TIdName ParamIds[] = {
    ID(epEngload),
    ID(epCooltemp),
    ID(epAfc),
    ID(epAFLearn),
    ID(epAfc2),
    ID(epAFLearn2),
    ID(epMap),
    ID(epEngspd),
    ID(epVehspd),
    ID(epIgntim),
    ID(epAirTemp),
    ID(epMafGS),
    ID(epThrotAn),
    ID(epFrnto21),
    ID(epRearO21),
    ID(epFrnto22),
    ID(epBatvolt),
    ID(epMaf),
    ID(epThrot),
    ID(epDiffPSV),
    ID(epFinjpw),
    ID(epFinjpw2),
    ID(epKnockcor),
    ID(epApres),
    ID(epMrp),
    ID(epPresDiff),
    ID(epFTPress),
    ID(epCOAdjust),
    ID(epLIgnTim),
    ID(epAccOpAng),
    ID(epFuelTemp),
    ID(epFo2H1Cur),
    ID(epRo2HCur),
    ID(epFo2H2Cur),
    ID(epFuelLvl),
    ID(ep13_4),
    ID(epPrictrl),
    ID(epSecCtrl),
    ID(epCPCDuty),
    ID(epTGNPosR),
    ID(epTGNPosL),
    ID(epISCVDuty),
    ID(epAFLeanCo),
    ID(epAFHDuty),
    ID(epIscvstep),
    ID(epEGRSteps),
    ID(epAltDuty),
    ID(epFPDuty),
    ID(epVVTAAAR),
    ID(epVVTAAAL),
    ID(epOCVDutyR),
    ID(epOCVDutyL),
    ID(epOCVCurR),
    ID(epOCVCurL),
    ID(epAFS1Cur),
    ID(epAFS2Cur),
    ID(epAFS1Res),
    ID(epAFS2Res),
    ID(epAFS1),
    ID(epAFS2),
    ID(epAFC3),
    ID(epAFL3),
    ID(epRo2HeatV),
    ID(epAFAdjV),
    ID(ep17_7),
    ID(ep17_6),
    ID(epGearPos),
    ID(ep17_4),
    ID(ep17_3),
    ID(ep17_2),
    ID(ep17_1),
    ID(ep17_0),
    ID(ep18_7),
    ID(ep18_6),
    ID(ep18_5),
    ID(epAFHCur1),
    ID(epAFHCur2),
    ID(ep18_2),
    ID(ep18_1),
    ID(ep18_0),
    ID(ep19_7),
    ID(ep19_6),
    ID(epThrMoDu),
    ID(epThrMotV),
    ID(ep19_3),
    ID(ep19_2),
    ID(ep19_1),
    ID(ep19_0),
    ID(epSubThrot),
    ID(epMainThrot),
    ID(epSubAcc),
    ID(epMainAcc),
    ID(epBrkBoost),
    ID(epFlPressHi),
    ID(epEGT),
    ID(ep41_0),
    ID(epColdStIj),
    ID(epSCVstep),
    ID(epMemCruSpd),
    ID(epAFC4),
    ID(epAFL4),
    ID(epFuelLvlR),
    ID(epOdo),
    ID(epFTAPress),
    ID(ep43_7),
    ID(ep43_6),
    ID(ep43_5),
    ID(epOilTemp),
    ID(epOsvDutyR),
    ID(epOsvDutyL),
    ID(epOSVCurR),
    ID(epOSVCurL),
    ID(epeVVTAAAR),
    ID(epeVVTAAAL),
    ID(epeOCVDutyR),
    ID(epeOCVDutyL),
    ID(epeOCVCurR),
    ID(epeOCVCurL),
    ID(epVvlLiftMd),
    ID(epRoughMon1),
    ID(epRoughMon2),
    ID(epRoughMon3),
    ID(epRoughMon4),
    ID(epRoughMon5),
    ID(epRoughMon6),
    ID(epignret),
    ID(epidle),
    ID(epidleac),
    ID(epv1RPMdiv25),
    ID(epv2v3RPMdiv25),
    ID(epv1AccDutyCompMult),
    ID(epv2v3AccDutyCompMult),
    ID(epv1PosNegAcc),
    ID(epv2v3PosNegAcc),
    ID(epv1PosAcc),
    ID(epv2v3PosAcc),
    ID(epv1DesiredBoost),
    ID(epv2v3DesiredBoost),
    ID(epv1BoostMapVal),
    ID(epv2v3BoostMapVal),
    ID(epv1v2v3ManAbsPressure),
    ID(epv1MaxDutyMapVal),
    ID(epv2v3MaxDutyMapVal),
    ID(epv1AtmPressBoostCompMult),
    ID(epv2v3AtmPressBoostCompMult),
    ID(epv1AirTempDutyCompMult),
    ID(epv2v3AirTempDutyCompMult),
    ID(epv1AtmPressDutyCompMult),
    ID(epv2v3AtmPressDutyCompMult),
    ID(epv1AirTempBoostCompMult),
    ID(epv2v3AirTempBoostCompMult),
    ID(epv1VehSpdDiv2),
    ID(epv2VehSpdDiv2),
    ID(epv1v2v3UnscaledMAP),
    ID(epEngLoad99),
    ID(epAdvMult99),
    ID(epEngLoad2002),
    ID(epAdvMult2002),
    ID(epFuelLookupFinal2002),
    ID(epAdvMult2004),
    ID(epEngLoad2004),
    ID(epFuelLookupIntermediate2004),
    ID(epFuelLookupFinal2004),
    ID(epTDBoostErr2002),
    ID(epIgnAP2002),
    ID(epIgnAP2004),
    ID(epIgnAK2002),
    ID(epIgnAK2004),
    ID(epIgnAT2002),
    ID(epIgnAT2004),
    ID(epWgInitial2002),
    ID(epWgInitial2004),
    ID(epWgMax2002),
    ID(epWgMax2004),
    ID(epWgIntSum2002),
    ID(epBoostErr2002),
    ID(epBoostErr2004),
    ID(epIgnMergeK),
    ID(epGearManTS),
    ID(epRawRPMTS),
    ID(epRawVehSpdTS),
    ID(epUC1TS),
    ID(epUC2TS),
    ID(epUC3TS),
    ID(epUC4TS),
    ID(epWgTDProp2002),
    ID(epWgTDIntNeg2002),
    ID(epWgTDIntPos2002),
    ID(epFuelLookup2002),
    ID(epDiagCtrlBits),
    ID(epDiagIgnAdd),
    ID(epDiagIgnLearnScale),
    ID(epDiagBoostAdd),
    ID(epDiagDutyScale),
    ID(epDiagRevLimAdd),
    ID(epDiagFuelScale),
    ID(epDiagVVTAdd),
};

constexpr TIdName SwitchIds[] = {
    ID(es20_7),       ID(esATVehID), ID(esTestMode), ID(esReadMem),  ID(es20_3),    ID(es20_2),
    ID(es20_1),       ID(es20_0),    ID(esNeutral),  ID(esIdle),     ID(es21_5),    ID(esICAWSw),
    ID(esIgnSw),      ID(esPSSw),    ID(esACsw),     ID(es21_0),     ID(esHandle),  ID(esStartSw),
    ID(esFo2Rich),    ID(esRo2Rich), ID(esFO22Rich), ID(esKnock1),   ID(esKnock2),  ID(esElLoad),
    ID(esCrank),      ID(esCam),     ID(esDefogSw),  ID(esBlowSw),   ID(esLtSw),    ID(esWiper),
    ID(esAcLock),     ID(esAcMPSw),  ID(esACComp),   ID(esRadFan3),  ID(esRadFan1), ID(esRadFan2),
    ID(esFPRel),      ID(esICAWRel), ID(esCPCVlv),   ID(esBlowBy),   ID(esPCVVlv),  ID(esTGVout),
    ID(esTGVDrv),     ID(esVIASol),  ID(esPrSrcCh),  ID(esVentVlv),  ID(esPSVlv),   ID(esAssAVlv),
    ID(esTnkCtrl),    ID(esRelVlv1), ID(esRelVlv2),  ID(esTCSRel),   ID(esEGPosP),  ID(esEGNegP),
    ID(esInAirSV),    ID(esMuffCon), ID(es27_7),     ID(es27_6),     ID(es27_5),    ID(es27_4),
    ID(esATRet),      ID(esATFCut),  ID(esBanTqDn),  ID(esRqTqDn),   ID(esTrqCon1), ID(esTrqCon2),
    ID(esTrqPerm),    ID(esEAM),     ID(esATCLkUp),  ID(esATCLean),  ID(esATCRich), ID(esAET),
    ID(esETCMR),      ID(esClutch),  ID(esStopLt),   ID(esSetCoast), ID(esResAcc),  ID(esBrake),
    ID(esAccel),      ID(es55_7),    ID(es55_6),     ID(es55_5),     ID(es55_4),    ID(es55_3),
    ID(esSACombiVR1), ID(es55_1),    ID(esCCCancel), ID(esDutySw),   ID(esBoostSw), ID(esValet),
};
#undef ID

constexpr bool InIndexOrder(const TIdName* ids, int n)
{
    for (int i = 0; i < n; ++i)
        if (ids[i].Index != i) return false;
    return true;
}
static_assert(std::size(ParamIds) == EcuParamCount && InIndexOrder(ParamIds, EcuParamCount));
static_assert(std::size(SwitchIds) == EcuSwitchCount && InIndexOrder(SwitchIds, EcuSwitchCount));

// One data file split into rows of cells, with the line number of each row for messages.
class TTable {
  public:
    TTable(const QString& fileName, const QByteArray& text, const QStringList& header)
        : File(fileName)
    {
        const QStringList lines = QString::fromUtf8(text).split(QLatin1Char('\n'));
        bool haveHeader = false;
        for (int i = 0; i < lines.size(); ++i) {
            QString line = lines[i];
            if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
            if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
            QStringList cells = line.split(QLatin1Char('\t'));
            for (QString& c : cells)
                c = c.trimmed();
            if (!haveHeader) {
                if (cells != header)
                    Fail(i + 1, QStringLiteral("header must be \"%1\"")
                                    .arg(header.join(QLatin1String(" | "))));
                haveHeader = true;
                continue;
            }
            if (cells.size() != header.size())
                Fail(i + 1, QStringLiteral("%1 columns expected, %2 found")
                                .arg(header.size())
                                .arg(cells.size()));
            Rows.push_back({i + 1, cells});
        }
        if (!haveHeader) Fail(lines.size(), QStringLiteral("no header row"));
    }

    void ExpectRows(int count) const
    {
        if (int(Rows.size()) != count)
            Fail(Rows.empty() ? 0 : Rows.back().Line,
                 QStringLiteral("%1 rows expected, %2 found").arg(count).arg(Rows.size()));
    }

    [[noreturn]] void Fail(int line, const QString& what) const
    {
        throw Exception(
            QStringLiteral("Definition table %1, line %2: %3").arg(File).arg(line).arg(what));
    }

    struct TRow {
        int Line;
        QStringList Cells;
    };
    QString File;
    std::vector<TRow> Rows;
};

// Reads the cells of one row, reporting the row's line and the column on a bad cell.
class TCells {
  public:
    TCells(const TTable& table, const TTable::TRow& row) : Table(table), Row(row) {}

    [[noreturn]] void Fail(const QString& what) const { Table.Fail(Row.Line, what); }

    QString Text(int col, int maxLength = -1) const
    {
        const QString& s = Row.Cells[col];
        if (maxLength >= 0 && s.size() > maxLength)
            Fail(QStringLiteral("\"%1\" is longer than %2 characters").arg(s).arg(maxLength));
        return s;
    }

    // Decimal, or hex with "0x"; "-" gives the default when one is allowed.
    int Int(int col, std::optional<int> dashValue = std::nullopt) const
    {
        const QString& s = Row.Cells[col];
        if (dashValue && s == QLatin1String("-")) return *dashValue;
        bool ok = false;
        int v = 0;
        if (s.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
            v = s.mid(2).toInt(&ok, 16);
        else
            v = s.toInt(&ok, 10);
        if (!ok) Fail(QStringLiteral("\"%1\" is not a valid integer").arg(s));
        return v;
    }

    int IntIn(int col, int lo, int hi, std::optional<int> dashValue = std::nullopt) const
    {
        const int v = Int(col, dashValue);
        if ((!dashValue || v != *dashValue) && (v < lo || v > hi))
            Fail(QStringLiteral("%1 is outside %2..%3").arg(Row.Cells[col]).arg(lo).arg(hi));
        return v;
    }

    // A number with "." as decimal point, or a fraction "a/b" of two such numbers.
    double Real(int col) const
    {
        const QString& s = Row.Cells[col];
        const QStringList parts = s.split(QLatin1Char('/'));
        double v = 0;
        bool good = parts.size() <= 2;
        for (int i = 0; good && i < parts.size(); ++i) {
            bool ok = false;
            const double x =
                parts[i].trimmed().toDouble(&ok); // QString::toDouble is locale-independent
            good = ok && std::isfinite(x) && !(i == 1 && x == 0);
            v = i == 0 ? x : v / x;
        }
        if (!good) Fail(QStringLiteral("\"%1\" is not a valid number").arg(s));
        return v;
    }

    // Hex digits, optionally separated by blanks; exactly `count` bytes unless count is -1.
    TByteArray Bytes(int col, int count, int maxCount = -1) const
    {
        QString s = Row.Cells[col];
        s.remove(QLatin1Char(' '));
        TByteArray bytes;
        bool ok = s.size() % 2 == 0;
        for (int i = 0; ok && i < s.size(); i += 2)
            bytes.push_back(uint8_t(s.mid(i, 2).toUInt(&ok, 16)));
        if (!ok) Fail(QStringLiteral("\"%1\" is not a string of hex bytes").arg(Row.Cells[col]));
        if (count >= 0 && int(bytes.size()) != count)
            Fail(QStringLiteral("%1 bytes expected, %2 found").arg(count).arg(bytes.size()));
        if (maxCount >= 0 && int(bytes.size()) > maxCount)
            Fail(QStringLiteral("more than %1 bytes").arg(maxCount));
        return bytes;
    }

    void ExpectIndex(int col, int index) const
    {
        if (Int(col) != index)
            Fail(QStringLiteral("index %1 expected, %2 found").arg(index).arg(Row.Cells[col]));
    }

    void ExpectId(int col, const char* id) const
    {
        if (Row.Cells[col] != QLatin1String(id))
            Fail(QStringLiteral("identifier %1 expected, %2 found")
                     .arg(QLatin1String(id), Row.Cells[col]));
    }

  private:
    const TTable& Table;
    const TTable::TRow& Row;
};

QStringList Columns(const char* header)
{
    return QString::fromLatin1(header).split(QLatin1Char('\t'));
}

void ReadParams(const TTable& t, std::array<TParamDef, EcuParamCount>& defs)
{
    t.ExpectRows(EcuParamCount);
    for (int i = 0; i < EcuParamCount; ++i) {
        const TCells c(t, t.Rows[i]);
        c.ExpectId(0, ParamIds[i].Name);
        TParamDef& d = defs[i];
        d = TParamDef{};
        d.Name = c.Text(1, 48);
        d.RawName = c.Text(2, 32);
        d.Units = c.Text(3, 8);
        d.Decimals = c.IntIn(4, 0, 8);
        d.Offset = c.Int(5);
        d.Multiplier = c.Real(6);
        d.Size = c.Int(7);
        if (d.Size != 1 && d.Size != 2 && d.Size != 4)
            c.Fail(QStringLiteral("size must be 1, 2 or 4"));
        d.HighAddress = c.IntIn(8, 0, 0xFFFFFF, 0);
        if ((d.Size == 2) != (t.Rows[i].Cells[8] != QLatin1String("-")))
            c.Fail(QStringLiteral("a high-byte address belongs to 2-byte values only"));
        d.LowAddress = c.IntIn(9, 0, 0xFFFFFF);
        d.CapPosition = c.IntIn(10, 1, 64, -1);
        d.CapBit = c.IntIn(11, 0, 7, 0);
        d.Minimum = c.Real(12);
        d.Maximum = c.Real(13);
        if (!(d.Minimum < d.Maximum)) c.Fail(QStringLiteral("minimum must be below maximum"));
    }
}

void ReadSwitches(const TTable& t, std::array<TSwitchDef, EcuSwitchCount>& defs)
{
    t.ExpectRows(EcuSwitchCount);
    for (int i = 0; i < EcuSwitchCount; ++i) {
        const TCells c(t, t.Rows[i]);
        c.ExpectId(0, SwitchIds[i].Name);
        TSwitchDef& d = defs[i];
        d.Name = c.Text(1, 32);
        d.Extra1 = c.Text(2, 16);
        d.Extra2 = c.Text(3, 8);
        d.Extra3 = c.Text(4, 8);
        d.ByteAddress = c.IntIn(5, 0x61, 0x121);
        d.CapPosition = c.IntIn(6, 1, 64, -1);
        d.Bit = c.IntIn(7, 0, 7);
    }
}

void ReadEcuIds(const TTable& t, std::array<TEcuIdent, EcuIdCount>& ids)
{
    t.ExpectRows(EcuIdCount);
    for (int i = 0; i < EcuIdCount; ++i) {
        const TCells c(t, t.Rows[i]);
        c.ExpectIndex(0, i);
        TEcuIdent& e = ids[i];
        e.Description = c.Text(4, 80);
        e.RomId = c.Bytes(1, e.Description.isEmpty() ? 0 : 5);
        e.ShortName = c.Text(2, 16);
        if (e.ShortName.contains(QLatin1Char(' ')) || e.ShortName.contains(QLatin1Char('/')) ||
            e.ShortName.contains(QLatin1Char('\\')))
            c.Fail(QStringLiteral("a short name goes into file names: no blanks or slashes"));
        const TByteArray spare = c.Bytes(3, 8);
        std::copy(spare.begin(), spare.end(), e.Spare.begin());
    }
}

void ReadEcuInit(const TTable& t, std::array<TByteArray, EcuIdCount>& replies)
{
    t.ExpectRows(EcuIdCount);
    for (int i = 0; i < EcuIdCount; ++i) {
        const TCells c(t, t.Rows[i]);
        c.ExpectIndex(0, i);
        replies[i] = c.Bytes(1, -1, 64);
    }
}

void ReadNonObdCodes(const TTable& t, std::array<TNonObdCode, NonObdCodeCount>& codes)
{
    t.ExpectRows(NonObdCodeCount);
    for (int k = 0; k < NonObdCodeCount; ++k) {
        const TCells c(t, t.Rows[k]);
        c.ExpectIndex(0, k);
        TNonObdCode& d = codes[k];
        d.ByteIndex = c.Int(1);
        d.Bit = c.Int(2);
        if (d.ByteIndex != k / 8 || d.Bit != k % 8)
            c.Fail(QStringLiteral("code %1 sits in byte %2 bit %3").arg(k).arg(k / 8).arg(k % 8));
        d.Text = c.Text(3, 64);
    }
}

void ReadObdCodes(const TTable& t, std::array<TObdCode, ObdCodeCount>& codes)
{
    t.ExpectRows(ObdCodeCount);
    for (int k = 0; k < ObdCodeCount; ++k) {
        const TCells c(t, t.Rows[k]);
        c.ExpectIndex(0, k);
        TObdCode& d = codes[k];
        d.Code = c.Text(1, 8);
        d.Field1 = c.Int(2);
        d.Field2 = c.Int(3);
        d.Description = c.Text(4, 80);
    }
}

int ParamByName(const TCells& c, const QString& name)
{
    for (const TIdName& id : ParamIds)
        if (name == QLatin1String(id.Name)) return id.Index;
    c.Fail(QStringLiteral("unknown parameter %1").arg(name));
}

std::vector<int> EcuIndexList(const TCells& c, int col)
{
    std::vector<int> list;
    for (const QString& item : c.Text(col).split(QLatin1Char(','))) {
        const QStringList ends = item.split(QLatin1Char('-'));
        bool ok1 = false, ok2 = true;
        const int from = ends[0].trimmed().toInt(&ok1);
        const int to = ends.size() == 2 ? ends[1].trimmed().toInt(&ok2) : from;
        if (!ok1 || !ok2 || ends.size() > 2 || from < 0 || to >= EcuIdCount || from > to)
            c.Fail(QStringLiteral("\"%1\" is not an ECU index or range of indices").arg(item));
        for (int e = from; e <= to; ++e)
            list.push_back(e);
    }
    return list;
}

std::vector<TAddressOverride> ReadAdjustments(const TTable& t,
                                              const std::array<TParamDef, EcuParamCount>& defs)
{
    std::vector<TAddressOverride> rows;
    for (const TTable::TRow& row : t.Rows) {
        const TCells c(t, row);
        TAddressOverride o;
        o.EcuIndices = EcuIndexList(c, 0);
        o.Param = TEcuParam(ParamByName(c, c.Text(1)));
        const QString kind = c.Text(2);
        if (kind != QLatin1String("low") && kind != QLatin1String("pair"))
            c.Fail(QStringLiteral("kind must be low or pair"));
        o.TwoBytes = kind == QLatin1String("pair");
        if (o.TwoBytes != (defs[o.Param].Size == 2))
            c.Fail(QStringLiteral("kind pair belongs to 2-byte parameters, low to the others"));
        o.Address = c.IntIn(3, 0, 0xFFFFFF - 1);
        rows.push_back(std::move(o));
    }
    return rows;
}

} // namespace

QByteArray ReadBuiltInTable(const QString& fileName)
{
    QFile f(QStringLiteral(":/data/") + fileName);
    if (!f.open(QIODevice::ReadOnly))
        throw Exception(
            QStringLiteral("Definition table %1 is missing from the program").arg(fileName));
    return f.readAll();
}

void RestoreDefinitionTables()
{
    RestoreDefinitionTables(ReadBuiltInTable);
}

void RestoreDefinitionTables(const TTableReader& readFile)
{
    auto table = [&](const char* name, const char* header) {
        const QString file = QString::fromLatin1(name);
        return TTable(file, readFile(file), Columns(header));
    };
    // Everything is read into copies first, so a bad file leaves the tables as they were.
    auto params = std::make_unique<std::array<TParamDef, EcuParamCount>>();
    auto switches = std::make_unique<std::array<TSwitchDef, EcuSwitchCount>>();
    auto ids = std::make_unique<std::array<TEcuIdent, EcuIdCount>>();
    auto replies = std::make_unique<std::array<TByteArray, EcuIdCount>>();
    auto nonObd = std::make_unique<std::array<TNonObdCode, NonObdCodeCount>>();
    auto obd = std::make_unique<std::array<TObdCode, ObdCodeCount>>();

    ReadParams(table("params.tsv",
                     "Id\tName\tRawName\tUnits\tDecimals\tOffset\tMultiplier\tSize\tHighAddress\t"
                     "LowAddress\tCapPosition\tCapBit\tMinimum\tMaximum"),
               *params);
    ReadSwitches(table("switches.tsv",
                       "Id\tName\tShortName\tOnText\tOffText\tByteAddress\tCapPosition\tBit"),
                 *switches);
    ReadEcuIds(table("ecuids.tsv", "Index\tRomId\tShortName\tSpare\tDescription"), *ids);
    ReadEcuInit(table("ecuinit.tsv", "Index\tPayload"), *replies);
    ReadNonObdCodes(table("nonobdcodes.tsv", "Index\tByteIndex\tBit\tText"), *nonObd);
    ReadObdCodes(table("obdcodes.tsv", "Index\tCode\tByteIndex\tBit\tDescription"), *obd);
    std::vector<TAddressOverride> overrides =
        ReadAdjustments(table("adjustments.tsv", "EcuIndices\tParameter\tKind\tAddress"), *params);

    ParamDefs = *params;
    SwitchDefs = *switches;
    EcuIds = *ids;
    EcuInitReplies = *replies;
    NonObdCodes = *nonObd;
    ObdCodes = *obd;
    AddressOverrides = std::move(overrides);
}

QString EcuParamIdent(int param)
{
    if (param < 0 || param >= EcuParamCount) return {};
    return QLatin1String(ParamIds[param].Name);
}

int EcuParamFromIdent(const QString& ident)
{
    for (const TIdName& id : ParamIds)
        if (ident == QLatin1String(id.Name)) return id.Index;
    return -1;
}

QString EcuSwitchIdent(int sw)
{
    if (sw < 0 || sw >= EcuSwitchCount) return {};
    return QLatin1String(SwitchIds[sw].Name);
}

int EcuSwitchFromIdent(const QString& ident)
{
    for (const TIdName& id : SwitchIds)
        if (ident == QLatin1String(id.Name)) return id.Index;
    return -1;
}
