// The simulation control: button states through real runs and steps, nested runs refused,
// errors that end a run.
#include "UiTestSupport.h"

#include "hc11/C68HC11.h"
#include "ui/KvSimControl.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

// A CPU whose third instruction fails (as a device that throws would make it) when Fail is set.
struct TTestCPU : TCPU_68HC11_ {
    int32_t ExecuteInstruction() override {
        if (++Calls == 3 && Fail) Fail();
        return TCPU_68HC11_::ExecuteInstruction();
    }
    int Calls = 0;
    std::function<void()> Fail;
};

struct SimControl : ::testing::Test {
    SimControl() {
        Cpu.Memory.fill(0x01); // NOP everywhere: a run goes on until it is stopped
        Control.MessageSink = &Sink;
        Control.OnFinish = [this](QObject* Sender) {
            Log += Sender == &Control ? "end " + Buttons() : "?";
        };
    }
    // The buttons PLAY, SLOW and STOP: their letter when enabled, else "-".
    QString Buttons() const {
        return QString(Control.PlayButton->isEnabled() ? "P" : "-") +
               (Control.SlowButton->isEnabled() ? "S" : "-") +
               (Control.StopButton->isEnabled() ? "T" : "-");
    }
    TTestCPU Cpu;
    TKV68HC11SimControl Control;
    TRecordingSink Sink;
    QString Log;
};

TEST_F(SimControl, SingleStepExecutesOneInstructionAndPlayRunsUntilAQueuedStopClick) {
    EXPECT_EQ(Buttons(), "---");
    Control.SetCPU(&Cpu);
    EXPECT_EQ(Buttons(), "PS-");
    int pumps = 0;
    Cpu.MessagePump = [&] {
        Log += Buttons() + ' ';
        // A click on STOP queued during the run reaches the control through the run loop.
        if (++pumps == 4) QTimer::singleShot(0, Control.StopButton, &QToolButton::click);
        QCoreApplication::processEvents();
    };
    Cpu.PC = 0x2000;
    Control.SlowButton->click(); // the first instruction serves the timers and so pumps once
    EXPECT_EQ(Cpu.PC, 0x2001);
    Control.PlayButton->click();
    EXPECT_TRUE(QRegularExpression("^--T end PS-(--T ){3,4}end PS-$").match(Log).hasMatch())
        << Log.toStdString();
    EXPECT_GE(Cpu.CycleCount, 2 * TCustomCPU::MessageInterval);
    EXPECT_TRUE(Sink.Messages.empty());
}

TEST_F(SimControl, PlayAndSingleStepAreRefusedWhileARunIsInProgress) {
    Control.SetCPU(&Cpu);
    int pumps = 0;
    Cpu.MessagePump = [&] {
        if (++pumps == 1)
            Control.Play(), Control.SingleStep(); // a nested step would end the run
        else
            Control.Stop();
        Log += Buttons() + (Cpu.Running ? " running " : " ");
    };
    Control.Play();
    EXPECT_EQ(Log, "--T running --T end PS-");
}

TEST_F(SimControl, AnErrorInsideARunIsReportedAndTheControlReturnsToIdle) {
    const std::pair<std::function<void()>, const char*> cases[] = {
        {[] { throw std::runtime_error("Gerät defekt"); },
         "Die Simulation wurde wegen eines Fehlers angehalten:\nGerät defekt"},
        {[] { throw 42; }, "Die Simulation wurde wegen eines unbekannten Fehlers angehalten."}};
    Control.SetCPU(&Cpu);
    for (const auto& [fail, message] : cases) {
        Log.clear(), Sink.Messages.clear();
        Cpu.Calls = 0;
        Cpu.Fail = fail;
        Control.Play();
        Control.SingleStep(); // usable again
        EXPECT_EQ(Log, "end PS-end PS-");
        EXPECT_FALSE(Cpu.Running);
        ASSERT_EQ(Sink.Messages.size(), 1u);
        EXPECT_EQ(Sink.Messages[0], std::pair(QString::fromUtf8(message), TMsgIcon::Error));
    }
}

} // namespace
