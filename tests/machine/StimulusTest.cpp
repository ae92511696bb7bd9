// Stimulus files: what a line may say, what a bad line reports, and when a change takes effect.
#include "machine/Machine.h"
#include "machine/Stimulus.h"

#include <gtest/gtest.h>

namespace {

using T = StimulusEvent::Target;

TEST(Stimulus, LinesNameACyclePinsPortsAndTheInterruptPins) {
    const auto events = parseStimulus("; a comment\n"
                                      "  300  PA0=1   # trailing comment\n"
                                      "$10 porte=$A5\n"
                                      "0x20 IRQ=0\r\n"
                                      "300 XIRQ=1\n"
                                      "\n"
                                      "100 PD5=0\n"
                                      "200 sci=break\n",
                                      "s.stim");
    ASSERT_TRUE(events);
    std::vector<std::tuple<int64_t, T, int, int, int>> got;
    for (const StimulusEvent& e : *events) got.emplace_back(e.cycle, e.target, e.port, e.bit, e.value);
    const std::vector<std::tuple<int64_t, T, int, int, int>> expected{
        {0x10, T::Port, 4, 0, 0xA5}, {0x20, T::IrqPin, 0, 0, 0},
        {100, T::PortPin, 3, 5, 0},  {200, T::SciBreak, 0, 0, 0},
        {300, T::PortPin, 0, 0, 1},  {300, T::XirqPin, 0, 0, 1}}; // same cycle: file order
    EXPECT_EQ(got, expected);
}

TEST(Stimulus, ABadLineNamesTheFileTheLineAndTheReason) {
    const std::pair<const char*, const char*> bad[] = {
        {"10 PA0", "erwartet PIN=PEGEL oder PORTX=WERT"},
        {"10 PA0=1 PA1=1", "erwartet \"ZYKLUS PIN=PEGEL\" oder \"ZYKLUS PORTX=WERT\""},
        {"-5 PA0=1", "ungültige Zyklenzahl \"-5\""},
        {"10 PB0=1", "unbekannter Pin \"PB0\""},
        {"10 PD6=1", "unbekannter Pin \"PD6\""},
        {"10 PORTB=1", "unbekannter Pin \"PORTB\""},
        {"10 PA0=2", "ungültiger Pegel \"2\" für PA0 (0 oder 1)"},
        {"10 PORTC=$100", "ungültiger Wert \"$100\" für PORTC (0 bis $FF)"},
        {"10 SCI=$41", "ungültiger Wert \"$41\" für SCI (nur BREAK)"},
    };
    for (const auto& [line, why] : bad) {
        QString error;
        EXPECT_FALSE(parseStimulus(QByteArray("1 PA0=1\n") + line, "in.stim", &error)) << line;
        EXPECT_TRUE(error.startsWith("Fehler in der Stimulusdatei \"in.stim\", Zeile 2: "))
            << error.toStdString();
        EXPECT_TRUE(error.contains(QString::fromUtf8(why))) << error.toStdString();
    }
}

TEST(Stimulus, ChangesTakeEffectAtTheFirstInstructionBoundaryAtTheirCycle) {
    Machine m;
    for (uint32_t a = 0x2000; a < 0x2100; ++a) m.poke(a, 0x01); // NOPs, 2 cycles each
    m.setRegister(Machine::Register::PC, 0x2000);
    m.setStimulus(*parseStimulus("0 PE0=1\n5 PORTE=$F0\n6 PE1=1\n", "s"));
    EXPECT_EQ(m.portPins(Machine::Port::PortE), 0x01); // due at once
    m.step(), m.step();                                  // cycle 4
    EXPECT_EQ(m.portPins(Machine::Port::PortE), 0x01);
    m.step();                                            // cycle 6: both are due
    EXPECT_EQ(m.portPins(Machine::Port::PortE), 0xF2);
}

} // namespace
