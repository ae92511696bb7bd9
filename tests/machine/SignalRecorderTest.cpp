// The signal record: one change per pin that changes, the ring that drops the oldest changes
// but keeps every level known, the value change dump, and the machine recording a real run.
#include "machine/Machine.h"
#include "machine/SignalRecorder.h"

#include <QBuffer>
#include <random>
#include <gtest/gtest.h>

namespace {

std::string Changes(const SignalRecorder& R) {
    std::string out;
    for (size_t i = 0; i < R.size(); ++i) {
        const auto& c = R.at(i);
        out += std::to_string(c.Cycle) + ':' + SignalRecorder::signalName(c.Signal).toStdString() +
               '=' + std::to_string(c.Value) + ' ';
    }
    return out;
}

TEST(SignalRecorder, OneChangePerPinThatChangesAndTheRingKeepsTheLevelsKnown) {
    SignalRecorder r(4);
    r.restart(100, {0x01, 0, 0, 0, 0});
    r.port(110, 0, 0x01);            // nothing changed
    r.port(120, 0, 0x82);            // PA0 falls, PA1 and PA7 rise
    EXPECT_EQ(Changes(r), "120:PA0=0 120:PA1=1 120:PA7=1 ");
    r.port(130, 3, 0xE1);            // port D has six pins: the ring drops PA0
    EXPECT_EQ(Changes(r), "120:PA1=1 120:PA7=1 130:PD0=1 130:PD5=1 ");
    r.pin(140, SignalRecorder::IrqSignal, false);
    r.pin(150, SignalRecorder::IrqSignal, false); // no change
    r.interrupt(160, 25);
    EXPECT_EQ(Changes(r), "130:PD0=1 130:PD5=1 140:IRQ=0 160:Interrupt=25 ");
    EXPECT_EQ(r.completeFrom(), 130);
    // The dropped changes became the levels at the start of the record.
    EXPECT_EQ(std::vector<int>({r.levelAtStart(0), r.levelAtStart(1), r.levelAtStart(7),
                                r.levelAtStart(24), r.levelAtStart(SignalRecorder::IrqSignal)}),
              std::vector<int>({0, 1, 1, 0, 1}));
    EXPECT_EQ(r.level(SignalRecorder::IrqSignal), 0);
}

// The levels before every change held, against a replay of every change ever made: while the
// ring grows, after it has dropped thousands (the checkpoints before the oldest change are
// gone), and after a restart with other levels.
TEST(SignalRecorder, LevelsBeforeEveryChangeAgreeWithAReplayThroughDropsAndRestarts) {
    SignalRecorder r(3000);
    std::mt19937 random(7);
    std::vector<SignalRecorder::Levels> before; // levels before each change since the restart
    SignalRecorder::Levels levels{};
    int64_t cycle = 100;
    const auto grow = [&](int Calls) {
        for (int k = 0; k < Calls; ++k) {
            cycle += 1 + random() % 3;
            const int port = static_cast<int>(random() % 5);
            const int32_t pins = static_cast<int32_t>(random() & 0xFF);
            for (int b = 0; b < (port == 3 ? 6 : 8); ++b) {
                const uint8_t level = (pins >> b) & 1;
                if (levels[static_cast<size_t>(port * 8 + b)] == level) continue;
                before.push_back(levels);
                levels[static_cast<size_t>(port * 8 + b)] = level;
            }
            r.port(cycle, port, pins);
            if (k % 7 == 0) {
                before.push_back(levels);
                r.interrupt(cycle, 24); // an entry changes no level
            }
        }
        before.push_back(levels); // at the end
    };
    const auto check = [&](const char* When) {
        ASSERT_EQ(before.size(), r.dropped() + r.size() + 1) << When;
        for (size_t i = 0; i <= r.size(); ++i) {
            SignalRecorder::Levels got = r.levelsBefore(i), want = before[r.dropped() + i];
            got[SignalRecorder::InterruptSignal] = want[SignalRecorder::InterruptSignal] = 0;
            ASSERT_EQ(got, want) << When << ": before change " << i;
        }
    };
    levels[SignalRecorder::IrqSignal] = levels[SignalRecorder::XirqSignal] = 1; // idle high
    r.restart(cycle, {});
    grow(300);
    EXPECT_EQ(r.dropped(), 0u);
    check("growing");
    before.pop_back();
    grow(2000);
    EXPECT_GT(r.dropped(), 4u * SignalRecorder::CheckpointSpacing);
    check("after drops");
    levels = {};
    levels[3] = levels[SignalRecorder::IrqSignal] = levels[SignalRecorder::XirqSignal] = 1;
    before.clear();
    r.restart(cycle, {0x08, 0, 0, 0, 0});
    EXPECT_EQ(r.dropped(), 0u);
    grow(1500);
    check("after a restart");
}

TEST(SignalRecorder, TheValueChangeDumpHasATimeScaleOfTheEClock) {
    SignalRecorder r;
    r.restart(1000, {0, 0, 0, 0, 0x80});
    r.port(1004, 1, 0x03);
    r.interrupt(1010, 24);
    r.port(1010, 1, 0x01);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    ASSERT_TRUE(r.writeVcd(out, 2e6));
    const QByteArray vcd = out.data();
    EXPECT_TRUE(vcd.contains("$timescale 1 ns $end\n"));
    EXPECT_TRUE(vcd.contains("$var wire 1 ) PB0 $end\n"));
    EXPECT_TRUE(vcd.contains("$var wire 8 b PORTB [7:0] $end\n"));
    EXPECT_TRUE(vcd.contains("1H\n"));           // PE7 starts high
    EXPECT_TRUE(vcd.endsWith("$end\n#2000\n1)\n1*\nb00000011 b\n#5000\nb11000 K\n0*\nb00000001 b\n"))
        << vcd.toStdString();
    QBuffer odd;
    odd.open(QIODevice::WriteOnly);
    ASSERT_TRUE(r.writeVcd(odd, 3e6)); // 333.3 ns a cycle: picoseconds
    EXPECT_TRUE(odd.data().contains("$timescale 1 ps $end\n"));
    EXPECT_TRUE(odd.data().contains("$end\n#1333333\n"));
}

TEST(SignalRecorder, TheMachineRecordsPortsAndInterruptEntriesOfARun) {
    Machine m;
    ASSERT_TRUE(m.load(TARVIK_EXAMPLES_DIR "/demo.lst"));
    m.run({{}, 100000});
    // The demo's real-time interrupt every 8192 cycles, and port B counting them.
    std::vector<int64_t> entries;
    int portB0 = 0;
    const SignalRecorder& r = m.signalRecord();
    for (size_t i = 0; i < r.size(); ++i) {
        if (r.at(i).Signal == SignalRecorder::InterruptSignal) entries.push_back(r.at(i).Cycle);
        portB0 += r.at(i).Signal == 8;
    }
    ASSERT_EQ(entries.size(), 12u);
    // Taken at the instruction boundary after the flag rose: 8192 apart, give or take that.
    for (size_t k = 1; k < entries.size(); ++k) EXPECT_NEAR(entries[k] - entries[k - 1], 8192, 6);
    EXPECT_EQ(portB0, 12); // PB0 toggles with every interrupt
}

} // namespace
