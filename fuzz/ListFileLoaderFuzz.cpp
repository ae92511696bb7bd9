// libFuzzer target: any byte string as a listing file, read with LoadFromFile and written with
// LoadToMemory into a core with its on-chip environment. Checks that nothing reaches memory
// from a listing without code lines and that the line index stays consistent. Then the machine
// loads the same file and runs whatever it holds for a few thousand instructions.
#include "cpu/MessageSink.h"
#include "hc11/C68HC11.h"
#include "hc11/C68HC11Env.h"
#include "hc11/ListFileLoader.h"
#include "machine/Machine.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

class TSilentSink : public TMessageSink {
  public:
    TMsgResult Show(const QString&, const QString&, TMsgIcon, TMsgButtons) override {
        // Alternate the answers so that both paths of the error boxes are exercised.
        Answer = !Answer;
        return Answer ? TMsgResult::Ok : TMsgResult::Cancel;
    }
    bool Answer = false;
};

const QString& ListingPath() {
    static QTemporaryDir dir;
    static const QString path = dir.filePath("fuzz.lst");
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    QFile file(ListingPath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
    file.write(reinterpret_cast<const char*>(Data), static_cast<qint64>(Size));
    file.close();

    TSilentSink sink;
    TCPU_68HC11_ cpu;
    cpu.MessageSink = &sink;
    TCPU_68HC11_Environment env;
    env.SetCPU(&cpu);
    TKV_68HC11_ListFileLoader loader;
    loader.SetCPU(&cpu);

    QString error;
    if (!loader.LoadFromFile(ListingPath(), &error)) std::abort(); // a plain file always reads
    loader.LoadToMemory();

    bool anyCode = false;
    for (int32_t i = 0; i < loader.LineCount(); ++i) {
        if (loader.IsCodeLine(i)) {
            anyCode = true;
            const int32_t address = loader.LineAddress(i);
            if (address > 0xFFFF) std::abort();
            if (loader.SetLineBreakpoint(i, true) != (address >= 0)) std::abort();
        }
        loader.IsContinuationLine(i);
    }
    static const std::array<uint8_t, 0x10000> zero{};
    if (!anyCode && std::memcmp(cpu.Memory.data(), zero.data(), zero.size()) != 0) std::abort();
    for (uint32_t a = 0; a < 0x10000; a += 0x101) {
        const int32_t line = loader.LineOfAddress(a);
        if (line >= loader.LineCount()) std::abort();
    }
    loader.LoadToMemory(); // a second load writes the same bytes again
    env.SetCPU(nullptr);

    Machine machine;
    machine.setMessageSink(&sink);
    if (machine.load(ListingPath()) != anyCode) std::abort(); // refused exactly without code
    if (anyCode) machine.run({5000, {}});
    return 0;
}
