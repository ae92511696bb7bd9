// Loading a 64 KiB program as the window's Open does, from S-records, Intel HEX and ELF: the
// whole file is read and checked, written into memory, and disassembled for the source view.

#include "bench/BenchSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>

namespace {

// 64 KiB of bytes from a xorshift sequence: every kind of instruction and data byte.
QByteArray programBytes() {
    QByteArray bytes(0x10000, Qt::Uninitialized);
    uint32_t x = 2463534242u;
    for (char& b : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<char>(x & 0xFF);
    }
    return bytes;
}

QByteArray hexByte(uint32_t Value) {
    return QByteArray::number(Value & 0xFF, 16).toUpper().rightJustified(2, '0');
}

// S1 records of 32 bytes each, as m68hc11-objcopy --srec-len=32 writes them, and S9.
QByteArray sRecords(const QByteArray& Bytes) {
    QByteArray out = "S00600006D656DBA\n";
    for (qsizetype a = 0; a < Bytes.size(); a += 32) {
        const qsizetype n = std::min<qsizetype>(32, Bytes.size() - a);
        uint32_t sum = static_cast<uint32_t>(n + 3) + ((a >> 8) & 0xFF) + (a & 0xFF);
        QByteArray line =
            "S1" + hexByte(static_cast<uint32_t>(n + 3)) + hexByte(a >> 8) + hexByte(a);
        for (qsizetype k = 0; k < n; ++k) {
            const auto b = static_cast<uint8_t>(Bytes[a + k]);
            sum += b;
            line += hexByte(b);
        }
        out += line + hexByte(~sum) + '\n';
    }
    return out + "S9030000FC\n";
}

QByteArray intelHex(const QByteArray& Bytes) {
    QByteArray out;
    for (qsizetype a = 0; a < Bytes.size(); a += 32) {
        const qsizetype n = std::min<qsizetype>(32, Bytes.size() - a);
        uint32_t sum = static_cast<uint32_t>(n) + ((a >> 8) & 0xFF) + (a & 0xFF);
        QByteArray line =
            ":" + hexByte(static_cast<uint32_t>(n)) + hexByte(a >> 8) + hexByte(a) + "00";
        for (qsizetype k = 0; k < n; ++k) {
            const auto b = static_cast<uint8_t>(Bytes[a + k]);
            sum += b;
            line += hexByte(b);
        }
        out += line + hexByte(0x100 - (sum & 0xFF)) + '\n';
    }
    return out + ":00000001FF\n";
}

// The smallest ELF executable of the 68HC11 that holds Bytes at address 0: the header and one
// loadable segment (big-endian, as m68hc11-ld writes).
QByteArray elf(const QByteArray& Bytes) {
    QByteArray out = QByteArray::fromHex("7F454C46010201000000000000000000"); // 32-bit, MSB
    auto h16 = [&out](uint32_t V) {
        out += static_cast<char>((V >> 8) & 0xFF);
        out += static_cast<char>(V & 0xFF);
    };
    auto h32 = [&h16](uint32_t V) {
        h16(V >> 16);
        h16(V & 0xFFFF);
    };
    h16(2);      // ET_EXEC
    h16(70);     // EM_68HC11
    h32(1);      // EV_CURRENT
    h32(0xE000); // entry
    h32(52);     // program headers right after this header
    h32(0);      // no sections
    h32(0);      // flags
    h16(52);     // header size
    h16(32);     // program header size
    h16(1);      // one of them
    h16(40);     // section header size
    h16(0);
    h16(0);
    // PT_LOAD: offset, vaddr, paddr, filesz, memsz, flags (R+X), align.
    for (uint32_t v : {1u, 84u, 0u, 0u, 0x10000u, 0x10000u, 5u, 1u})
        h32(v);
    return out + Bytes;
}

void loadBench(benchmark::State& State, const char* Name, const QByteArray& Data) {
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QString::fromLatin1(Name));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(Data) < 0) {
            State.SkipWithError("cannot write the file");
            return;
        }
    }
    Machine machine;
    TCountingSink sink;
    machine.setMessageSink(&sink);
    QString error;
    for (auto _ : State) {
        if (!machine.load(path, &error)) {
            State.SkipWithError(error.toStdString().c_str());
            return;
        }
    }
    State.counters["lines"] = static_cast<double>(machine.program().LineCount());
    State.SetBytesProcessed(State.iterations() * 0x10000);
}

void BM_LoadS19_64KiB(benchmark::State& State) {
    loadBench(State, "large.s19", sRecords(programBytes()));
}
void BM_LoadIntelHex_64KiB(benchmark::State& State) {
    loadBench(State, "large.hex", intelHex(programBytes()));
}
void BM_LoadElf_64KiB(benchmark::State& State) {
    loadBench(State, "large.elf", elf(programBytes()));
}

BENCHMARK(BM_LoadS19_64KiB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadIntelHex_64KiB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadElf_64KiB)->Unit(benchmark::kMillisecond);

} // namespace
