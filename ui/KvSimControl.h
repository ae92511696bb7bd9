#pragma once
// The simulation control: PLAY runs the machine until it stops, SLOW executes one instruction,
// STOP ends a run. It is the only place where the window enters the run loop, and it tells its
// owner through OnStart and OnFinish when a run or step begins and ends.

#include "cpu/MessageSink.h"
#include "machine/Machine.h"

#include <QFrame>
#include <QPointer>
#include <functional>

class QToolButton;

class TKV68HC11SimControl : public QFrame {
    Q_OBJECT
public:
    explicit TKV68HC11SimControl(QWidget* Parent = nullptr);

    Machine* Target() const { return TargetField; }
    // Assigning a machine makes the control idle (PLAY and SLOW enabled); none disables all three.
    void SetTarget(Machine* Value);

    // Runs until the CPU stops (STOP, a breakpoint or an unknown opcode). Does nothing while a
    // run or step is already in progress.
    void Play();
    // Executes one instruction. Does nothing while a run or step is already in progress.
    void SingleStep();
    // Ends a run in progress after the current instruction.
    void Stop();
    // The debugger's runs (see Machine): over a subroutine call, out of the current routine,
    // to an address. Each does nothing while a run or step is in progress.
    void StepOver();
    void StepOut();
    void RunTo(uint32_t Address);

    // True from the start of a run or step until its end.
    bool Busy() const { return BusyField; }

    // Fired before every run or step that this control starts; a handler that returns false
    // cancels it (the window does when a register field holds text it cannot take).
    std::function<bool(QObject* Sender)> OnStart;
    // Fired after every run or step that this control started.
    std::function<void(QObject* Sender)> OnFinish;
    // Where an error that ends a run is reported; not owned. Unset: a modal message box.
    TMessageSink* MessageSink = nullptr;

    QToolButton* PlayButton = nullptr;
    QToolButton* SlowButton = nullptr;
    QToolButton* StopButton = nullptr;

protected:
    void resizeEvent(QResizeEvent* Event) override;

private:
    QToolButton* AddButton(const QString& Resource, int Left);
    void SetButtons(bool Running);
    // Runs Body with the buttons in the running state, then restores them and fires OnFinish.
    // Anything Body throws ends the run and is reported.
    void RunGuarded(const std::function<void(Machine&)>& Body);
    void ReportError(const QString& Text);

    QPointer<Machine> TargetField;
    bool BusyField = false;
};
