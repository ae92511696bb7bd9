// The simulation control: button states through a real step and run, nested runs refused,
// errors that end a run.
#include "UiTestSupport.h"

#include "machine/Machine.h"
#include "ui/KvSimControl.h"

#include <stdexcept>

struct SimControl : ::testing::Test {
    void SetUp() override {
        Cpu.Memory.fill(0x01); // NOP everywhere: a run goes on until it is stopped
        Control.OnStart = [this](QObject*) { return Log += "start" + Buttons(), Starts; };
        Control.MessageSink = &Sink;
        Control.OnFinish = [this](QObject* S) { Log += (S == &Control ? "end" : "?") + Buttons(); };
    }
    QString Buttons() const { // PLAY, SLOW and STOP: 1 enabled, 0 disabled
        return QStringLiteral(" %1%2%3 ")
            .arg(int(Control.PlayButton->isEnabled()))
            .arg(int(Control.SlowButton->isEnabled()))
            .arg(int(Control.StopButton->isEnabled()));
    }
    Machine System;
    TCPU_68HC11_& Cpu = System.cpu();
    bool Starts = true; // what OnStart answers
    TKV68HC11SimControl Control;
    TRecordingSink Sink;
    QString Log;
};

TEST_F(SimControl, StepAndRunSwitchTheButtonsAndNestedRunsAreRefused) {
    EXPECT_EQ(Buttons(), " 000 ");
    Control.SetTarget(&System);
    int pumps = 0;
    Cpu.MessagePump = [&] {
        Log += "pump" + Buttons();
        // Refused: a nested run would grow the stack, a nested step would end the outer run.
        if (++pumps == 2) Control.Play(), Control.SingleStep();
        // A click on STOP queued during the run reaches the control through the run loop.
        if (pumps == 4) QTimer::singleShot(0, Control.StopButton, &QToolButton::click);
        QCoreApplication::processEvents();
    };
    Cpu.PC = 0x2000;
    Control.SlowButton->click(); // the first instruction serves the timers and so pumps once
    EXPECT_EQ(Cpu.PC, 0x2001);
    Control.PlayButton->click();
    EXPECT_EQ(Log, "start 110 pump 001 end 110 start 110 pump 001 pump 001 pump 001 end 110 ");
    EXPECT_EQ(System.lastStopReason(), StopReason::User);
    Starts = false; // the owner refuses: nothing runs, nothing ends
    Log.clear();
    Control.SlowButton->click();
    EXPECT_EQ(Log, "start 110 ");
    EXPECT_FALSE(Control.Busy());
}

TEST_F(SimControl, AnErrorInsideARunIsReportedAndTheControlReturnsToIdle) {
    Control.SetTarget(&System);
    // Whatever the run loop calls may throw, as a failing device does.
    Cpu.MessagePump = [] { throw std::runtime_error("Gerät defekt"); };
    Control.Play();
    Cpu.MessagePump = [] { throw 42; };
    Control.Play();
    Cpu.MessagePump = nullptr;
    Control.SingleStep(); // usable again
    EXPECT_EQ(Log, "start 110 end 110 start 110 end 110 start 110 end 110 ");
    EXPECT_FALSE(System.isRunning());
    const std::vector<std::pair<QString, TMsgIcon>> reported{
        {"Die Simulation wurde wegen eines Fehlers angehalten:\nGerät defekt", TMsgIcon::Error},
        {"Die Simulation wurde wegen eines unbekannten Fehlers angehalten.", TMsgIcon::Error}};
    EXPECT_EQ(Sink.Messages, reported);
}
