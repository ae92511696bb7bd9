#pragma once
// The 68HC11 A/D converter as the reference manual describes it: ADCTL ($30) and the result
// registers ADR1-ADR4 ($31-$34), powered by OPTION's ADPU. A write to ADCTL (with ADPU set)
// clears CCF and starts a sequence of four conversions of 32 E cycles each; conversion k puts
// its result into ADR(k mod 4 + 1), and CCF rises with the fourth. With SCAN the sequence
// repeats for ever (CCF stays set); with MULT it converts the four channels of the group CD:CC
// once each, without MULT the one channel CD:CC:CB:CA four times. Channels 0-7 are port E's
// pins; 12, 13 and 14 are the factory-test inputs VRH, VRL and VRH/2; 8-11 and 15 are reserved
// and convert to $00 here.
//
// Nothing here runs per instruction and no event is needed: the converter raises no interrupt,
// so which conversions have completed follows from the cycle count whenever a register is read.
// The input is taken at the end of each conversion; a change of an input first settles the
// conversions completed before it with the old voltage. CSEL (the RC clock) is stored in OPTION
// only: the conversions keep their 32 E cycles.

#include <array>
#include <cstdint>

class TCPU_68HC11_Environment;

class THC11Adc {
  public:
    static constexpr uint32_t RegADCTL = 0x30, RegADR1 = 0x31, RegADR4 = 0x34;
    static constexpr bool Owns(uint32_t Offset) { return Offset >= RegADCTL && Offset <= RegADR4; }

    // ADCTL bits.
    static constexpr int32_t CCF = 0x80, SCAN = 0x20, MULT = 0x10, Channel = 0x0F;
    // OPTION bits that concern the converter.
    static constexpr int32_t ADPU = 0x80, CSEL = 0x40;
    // E cycles of one conversion (12 of them sample the input, the rest approximate).
    static constexpr int64_t ConversionCycles = 32;
    // The reference voltages of the board: VRL = 0 V, VRH = 5 V.
    static constexpr double VRL = 0.0, VRH = 5.0;
    static constexpr int InputCount = 8;

    explicit THC11Adc(TCPU_68HC11_Environment& Env);

    // The result an ideal converter gives for Volts (clamped to VRL..VRH): the reference
    // manual's transfer function maps VRL to $00 and VRH to $FF on a straight line with a
    // quantization error of +-1/2 LSB, that is round((V - VRL) / (VRH - VRL) * 255), halves up.
    static int ConverterValue(double Volts);

    // A program's read (settles the conversions completed by now), a side-effect-free read and a
    // program's write of the register at Offset (one of Owns). ADR1-ADR4 are read-only.
    int32_t Read(uint32_t Offset);
    int32_t Peek(uint32_t Offset) const;
    void Write(uint32_t Offset, int32_t Value);

    // OPTION was written: clearing ADPU powers the converter down and ends a running sequence.
    void OptionChanged(int32_t Option);
    // Reset: CCF clears and no sequence runs; ADCTL's other bits and the results stay.
    void Reset();

    // The voltage at port E's pin Pin (0-7), clamped to VRL..VRH; other pins are ignored.
    void SetInput(int Pin, double Volts);
    double Input(int Pin) const;

    // Register images as of the last settle.
    int32_t ADCTL = 0;
    std::array<int32_t, 4> ADR{};

  private:
    int64_t Now() const;
    // The conversions of the running sequence completed by Cycle.
    int64_t CompletedAt(int64_t Cycle) const;
    int32_t ChannelOf(int64_t Conversion) const;
    int32_t Convert(int32_t Channel) const;
    // The registers as they are at Cycle, without changing anything.
    void StateAt(int64_t Cycle, std::array<int32_t, 4>& Results, int32_t& Control) const;
    void Settle(int64_t Cycle);

    TCPU_68HC11_Environment& Env;
    std::array<double, InputCount> Volts{};
    bool Running = false;
    int64_t Start = 0;     // cycle of the write that started the sequence
    int64_t Settled = 0;   // conversions of the sequence already in ADR and ADCTL
};
