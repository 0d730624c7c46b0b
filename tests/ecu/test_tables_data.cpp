// Contents of the definition tables: what other parts of the program rely on, and what
// keeps the data self-consistent when someone edits the files by hand.
#include "EcuConstData.h"
#include "EcuConstFuncs.h"

#include <QRegularExpression>
#include <QStringList>

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>

namespace {

// The identifier column of a table file, in row order.
QStringList IdColumn(const char* file)
{
    QStringList ids;
    bool header = true;
    for (const QString& line :
         QString::fromUtf8(ReadBuiltInTable(QString::fromLatin1(file))).split('\n')) {
        if (line.trimmed().isEmpty() || line.startsWith('#')) continue;
        if (!std::exchange(header, false)) ids << line.section('\t', 0, 0);
    }
    return ids;
}

// Addresses of the memory variable area that belong to the registers and code bitmaps.
bool FixedRole(int a)
{
    return a == 0x000 || a == 0x060 || a == 0x061 || (a >= 0x06F && a <= 0x071) ||
           (a >= 0x076 && a <= 0x07F) || (a >= 0x08E && a <= 0x0CD) || (a >= 0x0F0 && a <= 0x0F7) ||
           (a >= 0x123 && a <= 0x132) || (a >= 0x150 && a <= 0x159) || (a >= 0x160 && a <= 0x169) ||
           (a >= 0x174 && a <= 0x181);
}

struct TDtcFlags {
    bool Obd, G4, G8, G5a, G5b, G7;
};

// The trouble-code layout flags the link derives from an identification payload.
TDtcFlags DtcFlags(const TByteArray& p)
{
    auto bit = [&](int pos, int b) { return int(p.size()) >= pos && (p[pos - 1] >> b & 1); };
    const bool at48 = p.size() >= 48;
    return {bit(38, 4) || bit(38, 6), bit(37, 0),         at48 && bit(48, 7),
            at48 && bit(48, 6),       at48 && bit(48, 5), at48 && bit(48, 4)};
}

TParamSet CapabilityParams(const TByteArray& p)
{
    TParamSet s;
    for (int i = 0; i < EcuParamCount; ++i) {
        const TParamDef& d = ParamDefs[i];
        if (d.CapPosition != -1 && int(p.size()) >= d.CapPosition &&
            (p[d.CapPosition - 1] >> d.CapBit & 1))
            s.set(i);
    }
    return s;
}

} // namespace

TEST(TableFiles, IdentifierColumnsFollowTheEnumerationsAndNamesHintAtCapabilityBits)
{
    const QStringList params = IdColumn("params.tsv");
    const QStringList switches = IdColumn("switches.tsv");
    ASSERT_EQ(params.size(), EcuParamCount);
    ASSERT_EQ(switches.size(), EcuSwitchCount);
    EXPECT_EQ(params.first(), "epEngload");
    EXPECT_EQ(params[epEngspd], "epEngspd");
    EXPECT_EQ(params.last(), "epDiagVVTAdd");
    EXPECT_EQ(switches[esTestMode], "esTestMode");
    EXPECT_EQ(switches.last(), "esValet");

    const QRegularExpression hint("^e[ps](\\d+)_(\\d)$");
    int hinted = 0;
    for (int i = 0; i < EcuParamCount; ++i)
        if (auto m = hint.match(params[i]); m.hasMatch()) {
            ++hinted;
            EXPECT_EQ(ParamDefs[i].CapPosition, m.captured(1).toInt()) << params[i].toStdString();
            EXPECT_EQ(ParamDefs[i].CapBit, m.captured(2).toInt()) << params[i].toStdString();
        }
    for (int i = 0; i < EcuSwitchCount; ++i)
        if (auto m = hint.match(switches[i]); m.hasMatch()) {
            ++hinted;
            EXPECT_EQ(SwitchDefs[i].CapPosition, m.captured(1).toInt())
                << switches[i].toStdString();
            EXPECT_EQ(SwitchDefs[i].Bit, m.captured(2).toInt()) << switches[i].toStdString();
        }
    EXPECT_GT(hinted, 30); // the pattern did match the placeholder names
}

TEST(TableContents, CapabilityBitsAreUniqueAndAvoidTheTroubleCodeFlags)
{
    std::set<std::pair<int, int>> used;
    auto claim = [&](int pos, int bit, const QString& who) {
        if (pos == -1) return;
        EXPECT_TRUE(pos >= 9 && pos != 37 && pos != 38 && pos != 48) << who.toStdString();
        EXPECT_TRUE(used.insert({pos, bit}).second)
            << who.toStdString() << " reuses " << pos << "." << bit;
    };
    for (const TParamDef& d : ParamDefs)
        claim(d.CapPosition, d.CapBit, d.Name);
    for (const TSwitchDef& d : SwitchDefs)
        claim(d.CapPosition, d.Bit, d.Name);
}

TEST(TableContents, PolledParametersLiveInTheVariableAreaOffTheFixedRoleAddresses)
{
    std::set<int> switchBytes;
    std::map<int, int> byteOfPosition;
    for (const TSwitchDef& s : SwitchDefs) {
        EXPECT_TRUE(s.ByteAddress >= 0x61 && s.ByteAddress <= 0x121) << s.Name.toStdString();
        EXPECT_TRUE(!FixedRole(s.ByteAddress) || s.ByteAddress == 0x61 || s.ByteAddress == 0x78)
            << s.Name.toStdString();
        switchBytes.insert(s.ByteAddress);
        if (s.CapPosition != -1) {
            auto [it, fresh] = byteOfPosition.emplace(s.CapPosition, s.ByteAddress);
            EXPECT_EQ(it->second, s.ByteAddress)
                << "switches of one capability byte share one switch byte";
        }
    }
    std::set<int> taken;
    for (const TParamDef& d : ParamDefs) {
        if (d.CapPosition == -1) continue;
        std::vector<int> addrs{d.LowAddress};
        if (d.Size == 2) addrs.push_back(d.HighAddress);
        for (int a : addrs) {
            EXPECT_TRUE(a >= 0 && a <= 0x1FF) << d.Name.toStdString();
            EXPECT_FALSE(FixedRole(a)) << d.Name.toStdString() << " at " << a;
            EXPECT_FALSE(switchBytes.count(a)) << d.Name.toStdString() << " on a switch byte";
            EXPECT_TRUE(taken.insert(a).second) << d.Name.toStdString() << " shares address " << a;
        }
    }
}

TEST(TableContents, DriftRangeOfEveryVariableAreaParameterFitsItsBytes)
{
    for (const TParamDef& d : ParamDefs) {
        if (d.Size == 4 || d.LowAddress > 0x1FF) continue;
        const double lo = std::nearbyint(d.Minimum / d.Multiplier - d.Offset);
        const double hi = std::nearbyint(d.Maximum / d.Multiplier - d.Offset);
        EXPECT_GE(lo, 0) << d.Name.toStdString();
        EXPECT_LE(hi, d.Size == 1 ? 255 : 65535) << d.Name.toStdString();
        EXPECT_LT(lo, hi) << d.Name.toStdString();
    }
}

// Addresses and scalings that the tool windows and the emulator use directly.
TEST(TableContents, ParametersSharedWithTheToolWindowsHaveTheirAddressesAndScaling)
{
    struct {
        TEcuParam p;
        int low;
        uint32_t raw;
        double value;
    } cases[] = {
        {epEngspd, 0x0F, 0x5DC0, 6000}, // road dyno reads 0x0E (high), 0x0F (low), div 4
        {epAirTemp, 0x12, 0x3C, 20},    // byte - 40
        {epApres, 0x23, 0xFF, 37},      // 2.55 bar in psi
        {epMap, 0x0D, 0xFF, 37},
        {epIgntim, 0x11, 100, -14}, // (raw - 128) / 2
        {epKnockcor, 0x22, 130, 1},
        {epPrictrl, 0x30, 255, 100}, // raw / 2.55
        {epFinjpw, 0x20, 100, 25.6}, // raw * 0.256
        {epVVTAAAL, 0x3D, 50, 0},    // raw - 50
        {epignret, 0x6F, 3, 3},      // retard is the raw byte
        {epidle, 0x70, 140, 300},    // (raw - 128) * 25
        {epidleac, 0x71, 116, -300},
        {epDiagCtrlBits, 0x78, 0xE0, 224},
        {epDiagIgnAdd, 0x79, 131, 1.0546875},
        {epDiagIgnLearnScale, 0x7A, 192, 150},
        {epDiagBoostAdd, 0x7B, 132, 4 * 0.155 / 4}, // psi; the window shows bar
        {epDiagDutyScale, 0x7C, 128, 100},
        {epDiagRevLimAdd, 0x7D, 48, -4000},
        {epDiagFuelScale, 0x7E, 64, 50},
        {epDiagVVTAdd, 0x7F, 128 + 23, 23 * 180.0 / 256 / 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ParamDefs[c.p].Name.toStdString());
        EXPECT_EQ(ParamDefs[c.p].LowAddress, c.low);
        EXPECT_NEAR(ScaleParam(c.p, c.raw), c.value, 1e-9);
    }
    EXPECT_EQ(ParamDefs[epEngspd].Size, 2);
    EXPECT_EQ(ParamDefs[epEngspd].HighAddress, 0x0E);
    for (TEcuParam p : {epMap, epMrp, epApres, epPresDiff})
        EXPECT_EQ(ParamDefs[p].Units, "psi");
    for (TEcuParam p : {epCooltemp, epAirTemp, epEGT, epFuelTemp, epOilTemp}) {
        EXPECT_EQ(ParamDefs[p].Units, QString::fromUtf8("°C"));
        EXPECT_EQ(ParamDefs[p].Decimals, 1);
    }

    const TSwitchDef& test = SwitchDefs[esTestMode];
    EXPECT_EQ(test.ByteAddress, 0x61);
    struct {
        TEcuSwitch s;
        int bit;
    } tuning[] = {{esDutySw, 7}, {esBoostSw, 6}, {esValet, 5}};
    for (const auto& t : tuning) {
        EXPECT_EQ(SwitchDefs[t.s].ByteAddress, 0x78);
        EXPECT_EQ(SwitchDefs[t.s].Bit, t.bit);
    }
}

TEST(TableContents, EveryDemoEcuCanBePlayedAndIsFoundByItsRomId)
{
    std::set<TByteArray> seen;
    for (int i = 0; i < EcuIdCount; ++i)
        if (!EcuIds[i].Description.isEmpty()) {
            EXPECT_TRUE(seen.insert(EcuIds[i].RomId).second) << "duplicate ROM id at " << i;
        }

    for (int e : DemoEcuTypes) {
        SCOPED_TRACE(e);
        const TByteArray& reply = EcuInitReplies[e];
        ASSERT_GE(reply.size(), 8u);
        EXPECT_LE(reply.size(), 64u);
        EXPECT_FALSE(EcuIds[e].Description.isEmpty());
        EXPECT_FALSE(EcuIds[e].ShortName.isEmpty());
        EXPECT_EQ(TByteArray(reply.begin() + 3, reply.begin() + 8), EcuIds[e].RomId);
        int found = -1;
        EXPECT_TRUE(FindEcu(EcuIds[e].RomId, found));
        EXPECT_EQ(found, e);
        // every demo ECU shows engine speed, the one value every window starts with
        EXPECT_TRUE(CapabilityParams(reply).test(epEngspd));
    }
    EXPECT_NE(std::find(DemoEcuTypes.begin(), DemoEcuTypes.end(), DefaultDemoEcu),
              DemoEcuTypes.end());
    for (int e : UnlistedEcuTypes)
        EXPECT_FALSE(EcuIds[e].Description.isEmpty());

    // any other playable ECU must answer with its own ROM id as well
    for (int i = 0; i < EcuIdCount; ++i)
        if (EcuInitReplies[i].size() >= 8) {
            EXPECT_EQ(TByteArray(EcuInitReplies[i].begin() + 3, EcuInitReplies[i].begin() + 8),
                      EcuIds[i].RomId)
                << i;
        }
}

TEST(TableContents, CamTimingEcusReportTheirCamAngles)
{
    for (int e : {58, 79}) {
        const TParamSet s = CapabilityParams(EcuInitReplies[e]);
        EXPECT_TRUE(s.test(epVVTAAAL) && s.test(epVVTAAAR)) << e;
    }
}

// The demo ECUs between them must let the trouble-code reader walk every path.
TEST(TableContents, DemoEcusCoverEveryTroubleCodeLayout)
{
    bool nonObd = false, nonObdWithFlags = false, obdNoGroups = false, obdShort = false,
         onlyGroup8 = false;
    bool g4 = false, g8 = false, g5a = false, g5b = false, g7 = false;
    for (int e : DemoEcuTypes) {
        const TByteArray& p = EcuInitReplies[e];
        const TDtcFlags f = DtcFlags(p);
        if (!f.Obd) {
            nonObd = true;
            nonObdWithFlags |= f.G4 || f.G8;
            continue;
        }
        obdNoGroups |= !(f.G4 || f.G8 || f.G5a || f.G5b || f.G7);
        obdShort |= p.size() < 48;
        onlyGroup8 |= f.G8 && !(f.G4 || f.G5a || f.G5b || f.G7);
        g4 |= f.G4, g8 |= f.G8, g5a |= f.G5a, g5b |= f.G5b, g7 |= f.G7;
    }
    EXPECT_TRUE(nonObd);
    EXPECT_TRUE(nonObdWithFlags);
    EXPECT_TRUE(obdNoGroups);
    EXPECT_TRUE(obdShort);
    EXPECT_TRUE(onlyGroup8);
    EXPECT_TRUE(g4 && g8 && g5a && g5b && g7);
}

TEST(TableContents, TroubleCodeTexts)
{
    // codes 0 and 2 are the ones the emulator sets at start
    for (int k : {0, 2, 11})
        EXPECT_TRUE(NonObdCodes[k].Text.at(0).isDigit()) << k;
    for (const TNonObdCode& c : NonObdCodes)
        if (!c.Text.isEmpty()) {
            EXPECT_TRUE(c.Text.at(0).isDigit()) << c.Text.toStdString();
        }

    const QRegularExpression code("^[PBCU][0-9A-F]{4}$");
    std::set<QString> seen;
    const int firstOfGroup[] = {0, 256, 288, 352, 392, 432, 488};
    int byteBase = 0;
    for (int g = 0; g < 6; ++g) {
        for (int k = firstOfGroup[g]; k < firstOfGroup[g + 1]; ++k) {
            const TObdCode& c = ObdCodes[k];
            EXPECT_TRUE(code.match(c.Code).hasMatch()) << k;
            EXPECT_TRUE(seen.insert(c.Code).second) << c.Code.toStdString();
            EXPECT_FALSE(c.Description.isEmpty()) << k;
            const int j = k - firstOfGroup[g];
            EXPECT_EQ(c.Field1, byteBase + j / 8) << k;
            EXPECT_EQ(c.Field2, j % 8) << k;
        }
        byteBase += (firstOfGroup[g + 1] - firstOfGroup[g]) / 8;
    }
    EXPECT_EQ(byteBase, 61);
}

TEST(TableContents, AddressOverridesCoverOnlyTheFamilyParameters)
{
    for (const TAddressOverride& o : AddressOverrides) {
        const bool family = (o.Param >= epEngLoad99 && o.Param <= epIgnMergeK) ||
                            (o.Param >= epWgTDProp2002 && o.Param <= epFuelLookup2002);
        EXPECT_TRUE(family) << ParamDefs[o.Param].Name.toStdString();
        EXPECT_FALSE(o.EcuIndices.empty());
        if (ParamDefs[o.Param].Size == 4) {
            EXPECT_EQ(o.Address % 4, 0) << "floats are word aligned";
        }
        for (int e : o.EcuIndices)
            EXPECT_FALSE(EcuIds[e].Description.isEmpty()) << e;
    }
}
