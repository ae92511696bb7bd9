#include "ui/ProfileGutter.h"

#include "hc11/ListFileLoader.h"
#include "machine/Machine.h"
#include "sourceview/SourceEdit.h"

#include <QTextBlock>
#include <algorithm>

TProfileGutter::TProfileGutter(Machine* M, TSourceEdit* E)
    : QObject(E), System(M), Edit(E), Plugin(new TProfileHeatPlugin(E)) {}

uint64_t TProfileGutter::hottest(const CycleProfile& Profile) {
    uint64_t most = 0;
    for (uint32_t a = 0; a < 0x10000; ++a)
        most = std::max(most, Profile.at(a).Cycles);
    return most;
}

TProfileHeatPlugin::TLineCounts TProfileGutter::countsOf(int32_t Line) const {
    const CycleProfile* profile = System->profile();
    const QTextBlock block = Edit->document()->findBlockByNumber(Line - 1);
    if (!profile || !block.isValid()) return {};
    const QByteArray text = block.text().toLatin1();
    const int32_t address = TKV_68HC11_ListFileLoader::LineTextAddress(text);
    if (address < 0) return {};
    const CycleProfile::Entry& e = profile->at(static_cast<uint32_t>(address));
    return {e.Executions, e.Cycles};
}

void TProfileGutter::refresh() {
    SinceRefresh.start();
    const CycleProfile* profile = System->profiling() ? System->profile() : nullptr;
    if (!profile) {
        if (Plugin->Showing()) Plugin->Show({}, 0);
        return;
    }
    Plugin->Show([this](int32_t Line) { return countsOf(Line); }, hottest(*profile));
}

void TProfileGutter::refreshAtPace() {
    if (!SinceRefresh.isValid() || SinceRefresh.elapsed() >= RunRefreshMs) refresh();
}
