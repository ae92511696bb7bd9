// libFuzzer target: any byte string as a listing file, read with LoadFromFile and written with
// LoadToMemory into a core with its on-chip environment. Checks that nothing reaches memory
// from a listing without code lines and that the line index stays consistent. Then the machine
// loads the same file and runs whatever it holds for a few thousand instructions. Last, the
// same bytes go through the S-record, Intel HEX and ELF readers (as a file of each name, whose
// content may say otherwise): a refused file must leave the machine's memory, breakpoints and
// program as they were; a loaded one runs, follows its PC and reloads.
#include "cpu/MessageSink.h"
#include "hc11/C68HC11.h"
#include "hc11/C68HC11Env.h"
#include "hc11/ListFileLoader.h"
#include "loaders/ElfLoader.h"
#include "loaders/IntelHexLoader.h"
#include "loaders/SRecordLoader.h"
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

QTemporaryDir& FuzzDir() {
    static QTemporaryDir dir;
    return dir;
}

const QString& ListingPath() {
    static const QString path = FuzzDir().filePath("fuzz.lst");
    return path;
}

void Write(const QString& Path, const uint8_t* Data, size_t Size) {
    QFile file(Path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
    file.write(reinterpret_cast<const char*>(Data), static_cast<qint64>(Size));
}

QByteArray Memory(const Machine& M) {
    QByteArray bytes(0x10000, Qt::Uninitialized);
    for (uint32_t a = 0; a < 0x10000; ++a)
        bytes[a] = static_cast<char>(M.peek(a));
    return bytes;
}

// Loads the bytes as a file of each other format's name into the machine, which holds a
// program (or none) and a breakpoint.
void LoadAsEveryFormat(Machine& M, const uint8_t* Data, size_t Size) {
    for (const char* name : {"fuzz.s19", "fuzz.hex", "fuzz.elf"}) {
        const QString path = FuzzDir().filePath(QString::fromLatin1(name));
        Write(path, Data, Size);
        M.setBreakpoint(0x1234, true);
        const QByteArray before = Memory(M);
        const QString program = M.programFile();
        const std::vector<uint32_t> breakpoints = M.breakpoints();
        QString error;
        if (!M.load(path, &error)) {
            if (error.isEmpty() || Memory(M) != before || M.programFile() != program ||
                M.breakpoints() != breakpoints)
                std::abort();
            continue;
        }
        M.run({2000, {}});
        M.followProgramCounter();
        if (M.program().LineCount() <= 0) std::abort();
        int lost = -1;
        if (!M.reload(&error, &lost) || lost < 0) std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    Write(ListingPath(), Data, Size);

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
    // Refused exactly without code, unless the content makes it a file of another format.
    const QByteArray bytes(reinterpret_cast<const char*>(Data), static_cast<qsizetype>(Size));
    const bool otherFormat = ElfLoader::looksLike(bytes) || SRecordLoader::looksLike(bytes) ||
                             IntelHexLoader::looksLike(bytes);
    const bool loaded = machine.load(ListingPath());
    if (!otherFormat && loaded != anyCode) std::abort();
    if (loaded) machine.run({5000, {}});
    LoadAsEveryFormat(machine, Data, Size);
    return 0;
}
