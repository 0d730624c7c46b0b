#include "GraphModel.h"

#include "DisplayOrder.h"

#include <algorithm>

namespace {

void MakeFree(TGraphTrace& t)
{
    if (!t.IsFree()) t.Clear = true;
    t.Source = FreeSource;
}

int NormalCode(int code)
{
    return TGraphModel::IsParamSource(code) || TGraphModel::IsChannelSource(code) ? code
                                                                                  : FreeSource;
}

} // namespace

bool TGraphModel::IsValidSource(int code) const
{
    if (IsParamSource(code)) return Supported.test(code);
    if (IsChannelSource(code)) return Available.test(code - ChannelSourceBase);
    return false;
}

std::vector<int> TGraphModel::MenuCodes() const
{
    std::vector<int> codes;
    for (TEcuParam p : DisplayOrder)
        if (Supported.test(p)) codes.push_back(p);
    for (int ch = 0; ch < SensorChannelCount; ++ch)
        if (Available.test(ch)) codes.push_back(ChannelSourceBase + ch);
    return codes;
}

bool TGraphModel::MenuColumnBreak(int itemNumber1Based)
{
    return itemNumber1Based > 1 && (itemNumber1Based - 1) % 16 == 0;
}

bool TGraphModel::MenuItemChecked(int graph, int code) const
{
    if (graph < 0 || graph >= GraphCount || code == FreeSource) return false;
    const TGraphSources& g = Graphs[graph];
    return g.A.Source == code || g.B.Source == code;
}

bool TGraphModel::MenuItemEnabled(int code, const TParamSet& analogueSet) const
{
    if (IsParamSource(code)) return analogueSet.test(code);
    if (IsChannelSource(code)) return Available.test(code - ChannelSourceBase);
    return false;
}

void TGraphModel::MenuItemClick(int graph, int code)
{
    if (graph < 0 || graph >= GraphCount) return;
    TGraphSources& g = Graphs[graph];
    const std::vector<int> menu = MenuCodes();

    // The check marks as the menu showed them: this graph's sources.
    std::vector<int> checked;
    for (int c : menu)
        if (MenuItemChecked(graph, c)) checked.push_back(c);

    auto isChecked = [&](int c) {
        return std::find(checked.begin(), checked.end(), c) != checked.end();
    };
    if (isChecked(code)) {
        if (g.A.Source == code) g.A.Clear = true;
        if (g.B.Source == code) g.B.Clear = true;
        checked.erase(std::find(checked.begin(), checked.end(), code));
    } else {
        if (checked.size() >= 2) checked.erase(checked.begin());
        // Keep menu order: the new item goes where the menu has it.
        auto pos = std::find(menu.begin(), menu.end(), code);
        if (pos == menu.end()) return; // not an item of this menu
        std::vector<int> ordered;
        for (int c : menu)
            if (c == code || isChecked(c)) ordered.push_back(c);
        checked = std::move(ordered);
    }

    bool foundA = !g.A.IsFree() && isChecked(g.A.Source);
    // Both traces on one source (a hand-edited setting) count as one.
    bool foundB = !g.B.IsFree() && g.B.Source != g.A.Source && isChecked(g.B.Source);
    if (!(foundA && foundB)) {
        for (int c : checked) {
            if (c == g.A.Source || c == g.B.Source) continue;
            if (!foundA) {
                g.A.Source = c;
                g.A.Clear = true;
                foundA = true;
            } else if (!foundB) {
                g.B.Source = c;
                g.B.Clear = true;
                foundB = true;
            }
        }
        if (!foundA) MakeFree(g.A);
        if (!foundB) MakeFree(g.B);
    }
}

void TGraphModel::FreeParam(int p, std::vector<int>* changedGraphs)
{
    if (!IsParamSource(p)) return;
    for (int i = 0; i < GraphCount; ++i) {
        bool changed = false;
        for (TGraphTrace* t : {&Graphs[i].A, &Graphs[i].B})
            if (t->Source == p) {
                t->Source = FreeSource;
                t->Clear = true;
                changed = true;
            }
        if (changed && changedGraphs) changedGraphs->push_back(i);
    }
}

void TGraphModel::FreeChannel(int ch, std::vector<int>* changedGraphs)
{
    if (ch < 0 || ch >= SensorChannelCount) return;
    const int code = ChannelSourceBase + ch;
    for (int i = 0; i < GraphCount; ++i) {
        bool changed = false;
        for (TGraphTrace* t : {&Graphs[i].A, &Graphs[i].B})
            if (t->Source == code) {
                t->Source = FreeSource;
                t->Clear = true;
                changed = true;
            }
        if (changed && changedGraphs) changedGraphs->push_back(i);
    }
}

void TGraphModel::InitialAssign(const TParamSet& tickedSupported)
{
    auto take = [](TGraphSources& g, int p) {
        g.A.Source = p;
        g.A.Clear = true;
        MakeFree(g.B);
    };
    for (int p = 0; p < EcuParamCount; ++p) {
        if (!tickedSupported.test(p) || !Supported.test(p)) continue;
        bool placed = false;
        for (TGraphSources& g : Graphs) {
            if (g.A.IsFree()) {
                take(g, p);
                placed = true;
                break;
            }
            if (!IsValidSource(g.A.Source)) MakeFree(g.A);
            if (!IsValidSource(g.B.Source)) MakeFree(g.B);
            if (g.A.IsFree() && g.B.IsFree()) {
                take(g, p);
                placed = true;
                break;
            }
            // A stored graph whose trace A is gone still shows its trace B: move it to A so
            // that the next parameter does not take this graph and drop the stored trace.
            if (g.A.IsFree()) {
                g.A = g.B;
                g.A.Clear = true;
                MakeFree(g.B);
            }
        }
        if (!placed) return; // every graph shows something valid
    }
}

QString TGraphModel::TraceText(const TGraphTrace& trace, const TDisplayUnits& units,
                               const TChannelText& channelName,
                               const TChannelText& channelUnits) const
{
    if (!IsValidSource(trace.Source)) return QString();
    if (IsParamSource(trace.Source))
        return units.ParamName(trace.Source) + QStringLiteral(" (") +
               units.ParamUnits(trace.Source) + QLatin1Char(')');
    const int ch = trace.Source - ChannelSourceBase;
    return (channelName ? channelName(ch) : QString()) + QStringLiteral(" (") +
           (channelUnits ? channelUnits(ch) : QString()) + QLatin1Char(')');
}

QString TGraphModel::Caption(int graph, const TDisplayUnits& units, const TChannelText& channelName,
                             const TChannelText& channelUnits)
{
    if (graph < 0 || graph >= GraphCount) return QString();
    TGraphSources& g = Graphs[graph];
    const QString a = TraceText(g.A, units, channelName, channelUnits);
    const QString b = TraceText(g.B, units, channelName, channelUnits);
    if (a.isEmpty()) MakeFree(g.A);
    if (b.isEmpty()) MakeFree(g.B);
    if (!a.isEmpty() && !b.isEmpty()) return a + QStringLiteral(" and ") + b;
    if (!a.isEmpty()) return a;
    if (!b.isEmpty()) return b;
    return QStringLiteral("<Unused Graph>");
}

int TGraphModel::Encode(const TGraphSources& g)
{
    int a = NormalCode(g.A.Source);
    int b = NormalCode(g.B.Source);
    if (a == FreeSource) std::swap(a, b);
    return a | (b << 8);
}

TGraphSources TGraphModel::Decode(int value)
{
    TGraphSources g;
    g.A.Source = NormalCode(value & 0xFF);
    g.B.Source = NormalCode((value >> 8) & 0xFF);
    if (g.A.IsFree()) std::swap(g.A.Source, g.B.Source);
    if (g.B.Source == g.A.Source) g.B.Source = FreeSource;
    return g;
}

void TGraphModel::MarkAllClear()
{
    for (TGraphSources& g : Graphs) {
        g.A.Clear = true;
        g.B.Clear = true;
    }
}

double TimeAxisMinimum(double t, const std::vector<double>& oldestTimes)
{
    double m = t - 10.0;
    for (double o : oldestTimes)
        m = std::min(m, o);
    return m;
}
