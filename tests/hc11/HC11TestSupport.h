#pragma once
// A real 68HC11 core with a recording message sink, and small helpers to place code and run it.

#include "cpu/CPUExternal.h"
#include "cpu/MessageSink.h"
#include "hc11/C68HC11.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

// CCR bits.
constexpr int32_t fS = 0x80, fX = 0x40, fH = 0x20, fI = 0x10, fN = 0x08, fZ = 0x04, fV = 0x02,
                  fC = 0x01;

class TRecordingSink : public TMessageSink {
  public:
    struct TBox {
        QString Text, Caption;
        TMsgIcon Icon;
        TMsgButtons Buttons;
    };
    std::vector<TBox> Boxes;
    TMsgResult Show(const QString& Text, const QString& Caption, TMsgIcon Icon,
                    TMsgButtons Buttons) override {
        Boxes.push_back({Text, Caption, Icon, Buttons});
        return TMsgResult::Ok;
    }
};

// A device that counts resets and, as the main window does, clears the reset line.
struct TResetCounter : TCPUExternal {
    int Resets = 0;
    explicit TResetCounter(TCPU_68HC11_& Cpu) {
        SetTimerClocks(1000000);
        OnReset = [this, &Cpu] {
            ++Resets;
            Cpu.SetPendingInterrupt(TCPU_68HC11_::IrqReset, false);
        };
        SetCPU(&Cpu);
    }
};

class HC11 : public ::testing::Test {
  protected:
    TCPU_68HC11_ Cpu;
    TRecordingSink Sink;

    HC11() { Cpu.MessageSink = &Sink; }
    void Put(uint32_t Address, std::initializer_list<int> Bytes) {
        for (int b : Bytes)
            Cpu.Memory[Address++ & 0xFFFF] = static_cast<uint8_t>(b);
    }
    // Places the code at Address, points PC at it and executes one step.
    int32_t Run1(uint32_t Address, std::initializer_list<int> Code) {
        Put(Address, Code);
        Cpu.PC = static_cast<int32_t>(Address);
        return Cpu.ExecuteInstruction();
    }
    void SetRegs(int32_t D, int32_t X, int32_t Y, int32_t SP, int32_t CCR) {
        Cpu.SetD(D);
        Cpu.IX = X;
        Cpu.IY = Y;
        Cpu.SP = SP;
        Cpu.SetCCR(CCR);
    }
    uint8_t Mem(uint32_t Address) const { return Cpu.Memory[Address & 0xFFFF]; }
};
