#pragma once
// The simulation control: PLAY runs the CPU until it is stopped, SLOW executes one instruction,
// STOP ends a run. It is the only place where the window enters the CPU's run loop, and it
// tells its owner through OnFinish when a run or step has ended.

#include "cpu/CPU.h"
#include "cpu/MessageSink.h"

#include <QFrame>
#include <QPointer>
#include <functional>

class QToolButton;

class TKV68HC11SimControl : public QFrame {
    Q_OBJECT
public:
    explicit TKV68HC11SimControl(QWidget* Parent = nullptr);

    TCustomCPU* CPU() const { return FCPU; }
    // Assigning a CPU makes the control idle (PLAY and SLOW enabled); none disables all three.
    void SetCPU(TCustomCPU* Value);

    // Runs until the CPU stops (STOP, a breakpoint or an unknown opcode). Does nothing while a
    // run or step is already in progress.
    void Play();
    // Executes one instruction. Does nothing while a run or step is already in progress.
    void SingleStep();
    // Ends a run in progress after the current instruction.
    void Stop();

    // True from the start of a run or step until its end.
    bool Busy() const { return FBusy; }

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
    void RunGuarded(const std::function<void(TCustomCPU&)>& Body);
    void ReportError(const QString& Text);

    QPointer<TCustomCPU> FCPU;
    bool FBusy = false;
};
