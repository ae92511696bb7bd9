// The simulation control: button states through real runs and steps, the guard against
// nested runs, errors that end a run, and the layout of its three buttons.
#include "UiTestSupport.h"

#include "hc11/C68HC11.h"
#include "ui/KvSimControl.h"

#include <QCoreApplication>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

namespace {

struct TButtonStates {
    bool Play, Slow, Stop;
    bool operator==(const TButtonStates&) const = default;
};

void PrintTo(const TButtonStates& S, std::ostream* Out) {
    *Out << "PLAY " << S.Play << ", SLOW " << S.Slow << ", STOP " << S.Stop;
}

constexpr TButtonStates NoCpu{false, false, false};
constexpr TButtonStates Idle{true, true, false};
constexpr TButtonStates Running{false, false, true};

class SimControl : public ::testing::Test {
  protected:
    SimControl() {
        // NOP everywhere: the program runs until it is stopped.
        Cpu.Memory.fill(0x01);
        Control.MessageSink = &Sink;
        Control.OnFinish = [this](QObject* Sender) {
            EXPECT_EQ(Sender, &Control);
            ++Finished;
        };
    }

    TButtonStates Buttons() const {
        return {Control.PlayButton->isEnabled(), Control.SlowButton->isEnabled(),
                Control.StopButton->isEnabled()};
    }

    TCPU_68HC11_ Cpu;
    TKV68HC11SimControl Control;
    TRecordingSink Sink;
    int Finished = 0;
};

TEST_F(SimControl, ButtonsFollowTheCPUAssignment) {
    EXPECT_EQ(Buttons(), NoCpu);
    Control.SetCPU(&Cpu);
    EXPECT_EQ(Buttons(), Idle);
    Control.SetCPU(nullptr);
    EXPECT_EQ(Buttons(), NoCpu);
}

TEST_F(SimControl, PlayRunsUntilAQueuedStopClickEndsIt) {
    Control.SetCPU(&Cpu);
    std::vector<TButtonStates> seen;
    Cpu.MessagePump = [&] {
        seen.push_back(Buttons());
        // A few message rounds into the run, a click on STOP is queued; it reaches the control
        // from inside the run loop, the way a user's click does.
        if (seen.size() == 3) QTimer::singleShot(0, Control.StopButton, &QToolButton::click);
        QCoreApplication::processEvents();
    };
    Control.PlayButton->click();

    EXPECT_FALSE(Cpu.Running);
    EXPECT_GE(Cpu.CycleCount, 2 * TCustomCPU::MessageInterval);
    ASSERT_GE(seen.size(), 3u);
    EXPECT_LE(seen.size(), 4u);
    for (const TButtonStates& s : seen)
        EXPECT_EQ(s, Running);
    EXPECT_EQ(Buttons(), Idle);
    EXPECT_EQ(Finished, 1);
    EXPECT_TRUE(Sink.Messages.empty());
}

TEST_F(SimControl, SingleStepExecutesOneInstructionAndFinishesOnce) {
    Control.SetCPU(&Cpu);
    Cpu.PC = 0x2000;
    std::vector<TButtonStates> seen;
    Control.OnFinish = [&](QObject*) {
        seen.push_back(Buttons());
        ++Finished;
    };
    Cpu.MessagePump = [&] { seen.push_back(Buttons()); };
    Control.SlowButton->click();

    EXPECT_EQ(Cpu.PC, 0x2001);
    EXPECT_FALSE(Cpu.Running);
    EXPECT_EQ(Finished, 1);
    // The first instruction serves the timers and so pumps the messages with the step in
    // progress; the finish event sees the idle buttons.
    EXPECT_EQ(seen, (std::vector<TButtonStates>{Running, Idle}));
}

TEST_F(SimControl, PlayAndSingleStepAreRefusedWhileARunIsInProgress) {
    Control.SetCPU(&Cpu);
    int pumps = 0;
    bool stillRunningAfterNestedStep = false;
    Cpu.MessagePump = [&] {
        if (++pumps == 1) {
            Control.Play();
            Control.SingleStep();
            // A nested step would have cleared the running flag and so ended the outer run.
            stillRunningAfterNestedStep = Cpu.Running;
            EXPECT_EQ(Buttons(), Running);
        } else {
            Control.Stop();
        }
    };
    Control.Play();
    EXPECT_TRUE(stillRunningAfterNestedStep);
    EXPECT_EQ(pumps, 2);
    EXPECT_EQ(Finished, 1);
    EXPECT_EQ(Buttons(), Idle);
}

// A processor whose executor fails, as a device that throws would make it.
class TFailingCPU : public TCPU_68HC11_ {
  public:
    int Calls = 0;
    bool ThrowStd = true;
    int32_t ExecuteInstruction() override {
        if (++Calls == 3) {
            if (ThrowStd) throw std::runtime_error("Gerät defekt");
            throw 42;
        }
        return 2;
    }
};

TEST_F(SimControl, AnErrorInsideARunIsReportedAndTheControlReturnsToIdle) {
    const struct {
        bool ThrowStd;
        bool Step;
        const char* Message;
    } cases[] = {
        {true, false, "Die Simulation wurde wegen eines Fehlers angehalten:\nGerät defekt"},
        {false, false, "Die Simulation wurde wegen eines unbekannten Fehlers angehalten."},
        {true, true, "Die Simulation wurde wegen eines Fehlers angehalten:\nGerät defekt"},
    };
    for (const auto& c : cases) {
        TFailingCPU cpu;
        cpu.ThrowStd = c.ThrowStd;
        Control.SetCPU(&cpu);
        Sink.Messages.clear();
        Finished = 0;
        if (c.Step) {
            // The step's first instruction leaves the error to the third one.
            cpu.Calls = 2;
            Control.SingleStep();
        } else {
            Control.Play();
        }
        ASSERT_EQ(Sink.Messages.size(), 1u);
        EXPECT_EQ(Sink.Messages[0].Text, QString::fromUtf8(c.Message));
        EXPECT_EQ(Sink.Messages[0].Icon, TMsgIcon::Error);
        EXPECT_FALSE(cpu.Running);
        EXPECT_EQ(Buttons(), Idle);
        EXPECT_EQ(Finished, 1);

        // The control is usable again.
        Control.SingleStep();
        EXPECT_EQ(Finished, 2);
        EXPECT_EQ(Buttons(), Idle);
    }
}

TEST_F(SimControl, AFreedCPUIsDroppedAndLeavesTheButtonsAlone) {
    auto cpu = std::make_unique<TCPU_68HC11_>();
    Control.SetCPU(cpu.get());
    cpu.reset();
    EXPECT_EQ(Control.CPU(), nullptr);
    EXPECT_EQ(Buttons(), Idle);
    Control.Play();
    Control.SingleStep();
    Control.Stop();
    EXPECT_EQ(Finished, 0);
}

TEST_F(SimControl, ButtonsShareTheWidthWithTheRemainderInTheMiddle) {
    EXPECT_EQ(Control.size(), QSize(75, 25));
    Control.show();
    const struct {
        int Width, Height;
        int Play, Slow, Stop;
    } cases[] = {{75, 25, 25, 25, 25}, {80, 30, 26, 28, 26}, {81, 20, 27, 27, 27}};
    for (const auto& c : cases) {
        Control.resize(c.Width, c.Height);
        EXPECT_EQ(Control.PlayButton->geometry(), QRect(0, 0, c.Play, c.Height));
        EXPECT_EQ(Control.SlowButton->geometry(), QRect(c.Play, 0, c.Slow, c.Height));
        EXPECT_EQ(Control.StopButton->geometry(), QRect(c.Width - c.Stop, 0, c.Stop, c.Height));
    }
}

TEST_F(SimControl, GlyphsHaveNormalAndDisabledImages) {
    for (QToolButton* button : {Control.PlayButton, Control.SlowButton, Control.StopButton}) {
        const QIcon icon = button->icon();
        const QImage normal = icon.pixmap(16, 16, QIcon::Normal).toImage();
        const QImage disabled = icon.pixmap(16, 16, QIcon::Disabled).toImage();
        ASSERT_FALSE(normal.isNull());
        EXPECT_EQ(normal.size(), QSize(16, 16));
        EXPECT_NE(normal, disabled);
        // The normal glyph is coloured, the disabled one grey.
        const QColor centre = normal.pixelColor(7, 8);
        EXPECT_GT(centre.alpha(), 200);
        EXPECT_GT(centre.saturation(), 100);
        EXPECT_LT(disabled.pixelColor(7, 8).saturation(), 10);
    }
    Control.SetCPU(&Cpu);
    SaveSnapshot(Control, QStringLiteral("SimControlIdle"));
    Control.SetCPU(nullptr);
    SaveSnapshot(Control, QStringLiteral("SimControlNoCPU"));
}

} // namespace
