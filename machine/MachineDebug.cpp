// The machine's debugger services: stepping over and out of routines, running to an address,
// breakpoints with conditions and hit counts, data breakpoints, the call stack and the recent
// PCs.
#include "machine/BreakpointCondition.h"
#include "machine/Machine.h"

#include <algorithm>

std::optional<uint32_t> Machine::returnAddressOfCall(uint32_t Address) const {
    switch (peek(Address)) {
    case 0x3F: return (Address + 1) & 0xFFFF; // SWI
    case 0x8D:                                // BSR
    case 0x9D:                                // JSR direct
    case 0xAD: return (Address + 2) & 0xFFFF; // JSR indexed X
    case 0xBD: return (Address + 3) & 0xFFFF; // JSR extended
    case 0x18:                                // JSR indexed Y
        if (peek(Address + 1) == 0xAD) return (Address + 3) & 0xFFFF;
        return std::nullopt;
    default: return std::nullopt;
    }
}

StopReason Machine::stepOver() {
    if (Core.IsRunning()) return StopReason::None;
    // A pending reset moves PC before anything executes: the step is a plain one then.
    if (Core.PendingInterrupt(TCPU_68HC11_::IrqReset)) return step();
    const auto pc = static_cast<uint32_t>(Core.PC) & 0xFFFF;
    const auto back = returnAddressOfCall(pc);
    if (!back) return step();
    return runToTarget(*back, static_cast<uint32_t>(Core.SP) & 0xFFFF);
}

StopReason Machine::runTo(uint32_t Address) {
    if (Core.IsRunning()) return StopReason::None;
    return runToTarget(Address & 0xFFFF, std::nullopt);
}

StopReason Machine::runToTarget(uint32_t Address, std::optional<uint32_t> StackPointer) {
    // A breakpoint of the run's own at the target; the user's stays as it was.
    bool& mark = Core.Breakpoints[Address];
    Target = RunTarget{Address, StackPointer, mark};
    mark = true;
    struct TRestore {
        Machine& M;
        ~TRestore() {
            M.Core.Breakpoints[M.Target->Address] = M.Target->UserBreakpoint;
            M.Target.reset();
        }
    } restore{*this};
    Pacer.start(Core.CycleCount);
    return runFiltered({});
}

StopReason Machine::stepOut() {
    if (Core.IsRunning()) return StopReason::None;
    StepOutStack = static_cast<uint32_t>(Core.SP) & 0xFFFF;
    StepOutDone = false;
    updateAfterStep();
    struct TRestore {
        Machine& M;
        ~TRestore() {
            M.StepOutStack.reset();
            M.updateAfterStep();
        }
    } restore{*this};
    Pacer.start(Core.CycleCount);
    const StopReason reason = runFiltered({});
    return StepOutDone && reason == StopReason::User ? StopReason::None : reason;
}

void Machine::markBreakpoint(uint32_t Address, bool Active) {
    if (Target && Target->Address == Address)
        Target->UserBreakpoint = Active; // the core's mark comes back when the run ends
    else
        Core.SetBreakpoint(Address, Active);
}

bool Machine::hasBreakpoint(uint32_t Address) const {
    Address &= 0xFFFF;
    // During a run to an address the core's mark there is the run's own.
    if (Target && Target->Address == Address) return Target->UserBreakpoint;
    return Core.Breakpoints[Address];
}

void Machine::setBreakpoint(uint32_t Address, bool Active) {
    Address &= 0xFFFF;
    markBreakpoint(Address, Active);
    if (!Active)
        BreakpointExtras.erase(Address);
    else if (auto it = BreakpointExtras.find(Address); it != BreakpointExtras.end())
        it->second.Enabled = true;
}

bool Machine::toggleBreakpoint(uint32_t Address) {
    const bool set = !hasBreakpoint(Address);
    setBreakpoint(Address, set);
    return set;
}

void Machine::clearBreakpoints() {
    Core.Breakpoints.fill(false);
    BreakpointExtras.clear();
    if (Target) {
        Target->UserBreakpoint = false;
        Core.Breakpoints[Target->Address] = true; // the run's own mark stays
    }
}

std::vector<uint32_t> Machine::breakpoints() const {
    std::vector<uint32_t> result;
    for (uint32_t a = 0; a < 0x10000; ++a)
        if (Core.Breakpoints[a] && hasBreakpoint(a)) result.push_back(a);
    return result;
}

std::vector<Machine::BreakpointInfo> Machine::breakpointList() const {
    std::map<uint32_t, BreakpointInfo> all;
    for (uint32_t a : breakpoints())
        all[a] = BreakpointInfo{a, true, {}, 0, 0};
    for (const auto& [a, x] : BreakpointExtras)
        all[a] = BreakpointInfo{a, x.Enabled, x.ConditionText, x.HitTarget, x.Hits};
    std::vector<BreakpointInfo> list;
    for (const auto& entry : all)
        list.push_back(entry.second);
    return list;
}

void Machine::setBreakpointEnabled(uint32_t Address, bool Enabled) {
    Address &= 0xFFFF;
    auto it = BreakpointExtras.find(Address);
    if (it == BreakpointExtras.end()) {
        if (!hasBreakpoint(Address)) return; // no breakpoint there
        it = BreakpointExtras.emplace(Address, BreakpointSettings{}).first;
    }
    it->second.Enabled = Enabled;
    markBreakpoint(Address, Enabled);
}

bool Machine::setBreakpointCondition(uint32_t Address, const QString& Condition, QString* Error) {
    Address &= 0xFFFF;
    std::shared_ptr<const BreakpointCondition> parsed;
    if (!Condition.trimmed().isEmpty()) {
        auto c = parseCondition(Condition, Symbols, Error);
        if (!c) return false;
        parsed = std::make_shared<const BreakpointCondition>(std::move(*c));
    }
    if (!hasBreakpoint(Address) && !BreakpointExtras.count(Address)) setBreakpoint(Address, true);
    BreakpointSettings& x = BreakpointExtras[Address];
    x.ConditionText = parsed ? Condition.trimmed() : QString();
    x.Condition = std::move(parsed);
    x.Hits = 0;
    return true;
}

void Machine::setBreakpointHitTarget(uint32_t Address, uint32_t Passes) {
    Address &= 0xFFFF;
    if (!hasBreakpoint(Address) && !BreakpointExtras.count(Address)) setBreakpoint(Address, true);
    BreakpointSettings& x = BreakpointExtras[Address];
    x.HitTarget = Passes;
    x.Hits = 0;
}

bool Machine::breakpointStops(uint32_t Address) {
    BreakpointSettings& x = BreakpointExtras[Address & 0xFFFF];
    if (x.Condition && !x.Condition->holds(*this)) return false;
    ++x.Hits;
    return x.HitTarget <= 1 || x.Hits >= x.HitTarget;
}

bool Machine::addDataBreakpoint(uint32_t Address, uint32_t Length, Access Kind, QString* Error) {
    if (Length == 0 || Address > 0xFFFF || Length > 0x10000 - Address) {
        if (Error)
            *Error = Length == 0
                         ? QStringLiteral("Ein Datenhaltepunkt braucht mindestens ein Byte.")
                         : QStringLiteral("Der Bereich reicht über $FFFF hinaus.");
        return false;
    }
    DataBreakpoints.push_back({Address, Length, Kind});
    applyWatches();
    return true;
}

void Machine::removeDataBreakpoint(size_t Index) {
    if (Index >= DataBreakpoints.size()) return;
    DataBreakpoints.erase(DataBreakpoints.begin() + static_cast<std::ptrdiff_t>(Index));
    applyWatches();
}

void Machine::clearDataBreakpoints() {
    DataBreakpoints.clear();
    applyWatches();
}

void Machine::applyWatches() {
    std::array<uint8_t, 0x10000> kinds{};
    for (const DataBreakpoint& d : DataBreakpoints)
        for (uint32_t a = d.Address; a < d.Address + d.Length; ++a)
            kinds[a] |= static_cast<uint8_t>(d.Kind);
    for (uint32_t a = 0; a < 0x10000; ++a)
        if (Core.Watch(a) != kinds[a]) Core.SetWatch(a, kinds[a]);
}

QString Machine::nearSymbolFor(uint32_t Address) const {
    const QString name = symbolFor(Address);
    const auto plus = name.lastIndexOf(u'+');
    if (plus > 0 && name.mid(plus + 1).toUInt() > 255) return {};
    return name;
}

QString Machine::watchHitText() const {
    const TCPU_68HC11_::TWatchHit& hit = Core.LastWatchHit;
    const auto place = [this](uint32_t Address) {
        const QString name = nearSymbolFor(Address);
        const QString hex = QStringLiteral("$%1").arg(Address, 4, 16, QLatin1Char('0')).toUpper();
        return name.isEmpty() ? hex : QStringLiteral("%1 (%2)").arg(hex, name);
    };
    const QString value = QStringLiteral("$%1").arg(hit.Value, 2, 16, QLatin1Char('0')).toUpper();
    const QString who = hit.InterruptEntry
                            ? QStringLiteral("Interrupt-Eintritt bei %1").arg(place(hit.PC))
                            : place(hit.PC);
    return hit.Write ? QStringLiteral("%1 schrieb %2 nach %3").arg(who, value, place(hit.Address))
                     : QStringLiteral("%1 las %2 von %3").arg(who, value, place(hit.Address));
}

void Machine::setCallTracking(bool On) {
    if (On && !Core.TrackCalls) Core.CallFrames.clear();
    Core.TrackCalls = On;
}

std::vector<TCPU_68HC11_::TCallFrame> Machine::callStack() const {
    std::vector<TCPU_68HC11_::TCallFrame> frames = Core.CallFrames;
    while (!frames.empty() && static_cast<uint32_t>(Core.SP) > frames.back().StackTop)
        frames.pop_back();
    return frames;
}

std::vector<uint32_t> Machine::recentPCs() const {
    const auto count = static_cast<int>(std::min<uint64_t>(Core.InstructionCount, 16));
    std::vector<uint32_t> pcs;
    for (int k = 16 - count + 1; k <= 16; ++k)
        pcs.push_back(Core.PCHistory[static_cast<size_t>((Core.PCHistoryIndex + k) & 15)] & 0xFFFF);
    return pcs;
}
