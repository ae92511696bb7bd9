#pragma once
// Shared pieces of the environment and loader tests: a 68HC11 core wired with its environment
// and the listing loader as the window wires them, recording every message box it shows.
#include "hc11/C68HC11.h"
#include "hc11/C68HC11Env.h"
#include "hc11/ListFileLoader.h"

#include <gtest/gtest.h>

// A message box as one line: "caption|text|icon|buttons".
inline std::string Box(const QString& Caption, const QString& Text, TMsgIcon Icon,
                       TMsgButtons Buttons) {
    const QString icon = QString::number(int(Icon)), buttons = QString::number(int(Buttons));
    return (Caption + '|' + Text + '|' + icon + '|' + buttons + '\n').toStdString();
}

// A test takes every box it expects with TakeBoxes; a box left over fails the test.
struct TSystem : TMessageSink {
    TCPU_68HC11_ Cpu;
    TCPU_68HC11_Enviroment Env;
    TKV_68HC11_ListFileLoader Loader;
    TCPUExternal ResetDevice; // clears the reset request, as the window's timer device does
    std::string Shown;
    TMsgResult Answer = TMsgResult::Ok;

    TSystem() {
        Cpu.MessageSink = this;
        Env.SetCPU(&Cpu);
        Loader.SetCPU(&Cpu);
    }
    ~TSystem() override { EXPECT_EQ(Shown, "") << "unexpected box"; }
    TMsgResult Show(const QString& Text, const QString& Caption, TMsgIcon Icon,
                    TMsgButtons Buttons) override {
        Shown += Box(Caption, Text, Icon, Buttons);
        return Answer;
    }
    std::string TakeBoxes() { return std::exchange(Shown, {}); }

    // Bytes read from each span (address, count) as upper-case hex, spans separated by blanks.
    std::string Hex(std::initializer_list<std::pair<uint32_t, int>> Spans) {
        QByteArrayList spans;
        for (const auto& [address, count] : Spans) {
            QByteArray bytes;
            for (uint32_t i = 0; i < static_cast<uint32_t>(count); ++i)
                bytes += static_cast<char>(Cpu.ReadByte((address + i) & 0xFFFF));
            spans += bytes.toHex().toUpper();
        }
        return spans.join(' ').toStdString();
    }
    long NonZeroBytes() const {
        return 65536 - std::count(Cpu.Memory.begin(), Cpu.Memory.end(), 0);
    }

    // Raises the reset line and runs the CPU's own loop until PC reaches Done or MaxSteps.
    void RunFromReset(uint32_t Done, int32_t MaxSteps) {
        ResetDevice.OnReset = [this] { Cpu.SetPendingInterrupt(TCPU_68HC11_::IrqReset, false); };
        ResetDevice.SetCPU(&Cpu);
        Cpu.SetBreakpoint(Done, true);
        Cpu.SetPendingInterrupt(TCPU_68HC11_::IrqReset, true);
        Cpu.Step(MaxSteps);
    }
};

// A code line as the assembler writes it (address in columns 14-17, byte fields from column 21,
// source from column 41), and a continuation line (20 blanks, then byte fields).
inline const auto Code = [](const char* Address, const char* Bytes, const char* Source) {
    return QString::asprintf("%8d/    %4s : %-20s%s", 1, Address, Bytes, Source).toLatin1();
};
inline const auto Cont = [](const char* Bytes) { return QByteArray(20, ' ') + Bytes; };
