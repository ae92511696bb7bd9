#pragma once
// Where the cycles go: executions and cycles per instruction address, counted while profiling
// is on (the machine turns the counting on and off; off, it costs nothing).

#include <QIODevice>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class CycleProfile {
  public:
    struct Entry {
        uint64_t Executions = 0;
        uint64_t Cycles = 0;
    };

    CycleProfile() : Entries(std::make_unique<Entry[]>(0x10000)) {}

    void record(uint32_t Address, int32_t Cycles) {
        Entry& e = Entries[Address & 0xFFFF];
        ++e.Executions;
        e.Cycles += static_cast<uint64_t>(Cycles);
    }
    const Entry& at(uint32_t Address) const { return Entries[Address & 0xFFFF]; }
    void clear();
    // The addresses with the most cycles, most first (at most Count of them).
    std::vector<uint32_t> hottest(size_t Count) const;
    uint64_t totalCycles() const;

    // CSV, one row per executed address in address order: address,symbol,line,executions,cycles
    // (hex address, the symbol and 1-based listing line the callbacks give, empty when none).
    bool writeCsv(QIODevice& Out, const std::function<QString(uint32_t)>& Symbol,
                  const std::function<int32_t(uint32_t)>& Line, QString* Error = nullptr) const;

  private:
    std::unique_ptr<Entry[]> Entries;
};
