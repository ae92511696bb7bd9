#pragma once
// Shared pieces of the environment and loader tests: a 68HC11 core wired with its environment
// and the listing loader as the window wires them, recording every message box it shows.
#include "hc11/C68HC11.h"
#include "hc11/C68HC11Env.h"
#include "hc11/ListFileLoader.h"

#include <gtest/gtest.h>

// A message box as one line: "caption|text|icon|buttons".
inline std::string Box(QString Caption, QString Text, TMsgIcon Icon, TMsgButtons Buttons) {
    const QString icon = QString::number(int(Icon)), buttons = QString::number(int(Buttons));
    return (Caption + '|' + Text + '|' + icon + '|' + buttons + '\n').toStdString();
}

// A test takes every box it expects with TakeBoxes; a box left over fails the test.
struct TSystem : TMessageSink {
    TCPU_68HC11_ Cpu;
    TCPU_68HC11_Environment Env;
    TKV_68HC11_ListFileLoader Loader;
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

    // Count bytes read from Address on as upper-case hex, followed by a blank.
    std::string Hex(uint32_t Address, int Count) {
        QByteArray bytes;
        for (uint32_t i = 0; i < static_cast<uint32_t>(Count); ++i)
            bytes += static_cast<char>(Cpu.ReadByte((Address + i) & 0xFFFF));
        return bytes.toHex().toUpper().toStdString() + ' ';
    }
    long NonZero() const { return 65536 - std::count(Cpu.Memory.begin(), Cpu.Memory.end(), 0); }
};

// A code line as the assembler writes it (address in columns 14-17, byte fields from column 21,
// source from column 41), and a continuation line (20 blanks, then byte fields).
inline const auto Code = [](const char* Address, const char* Bytes, const char* Source) {
    return QString::asprintf("%8d/    %4s : %-20s%s", 1, Address, Bytes, Source).toLatin1();
};
inline const auto Cont = [](const char* Bytes) { return QByteArray(20, ' ') + Bytes; };
