#include "ui/KvSimControl.h"

#include "ui/KvErrorBox.h"
#include "ui/KvGlyph.h"

#include <QResizeEvent>
#include <QToolButton>

#include <exception>

namespace {

constexpr int ButtonSize = 25;

} // namespace

TKV68HC11SimControl::TKV68HC11SimControl(QWidget* Parent) : QFrame(Parent) {
    resize(75, 25);
    PlayButton = AddButton(QStringLiteral(":/PLAY"), 0);
    SlowButton = AddButton(QStringLiteral(":/SLOW"), ButtonSize);
    StopButton = AddButton(QStringLiteral(":/STOP"), 2 * ButtonSize);
    PlayButton->setObjectName(QStringLiteral("PlayButton"));
    SlowButton->setObjectName(QStringLiteral("SlowButton"));
    StopButton->setObjectName(QStringLiteral("StopButton"));
    PlayButton->setToolTip(QStringLiteral("Start"));
    SlowButton->setToolTip(QStringLiteral("Einzelschritt"));
    StopButton->setToolTip(QStringLiteral("Stop"));
    connect(PlayButton, &QToolButton::clicked, this, [this] { Play(); });
    connect(SlowButton, &QToolButton::clicked, this, [this] { SingleStep(); });
    connect(StopButton, &QToolButton::clicked, this, [this] { Stop(); });
}

QToolButton* TKV68HC11SimControl::AddButton(const QString& Resource, int Left) {
    auto* button = new QToolButton(this);
    button->setGeometry(Left, 0, ButtonSize, ButtonSize);
    button->setIcon(TwoImageGlyph(Resource));
    button->setIconSize(QSize(16, 16));
    button->setEnabled(false);
    return button;
}

void TKV68HC11SimControl::resizeEvent(QResizeEvent* Event) {
    QFrame::resizeEvent(Event);
    // Any remainder of the division goes to the middle button.
    const int w = width() / 3;
    const int h = height();
    PlayButton->setGeometry(0, 0, w, h);
    SlowButton->setGeometry(w, 0, width() - 2 * w, h);
    StopButton->setGeometry(width() - w, 0, w, h);
}

void TKV68HC11SimControl::SetTarget(Machine* Value) {
    TargetField = Value;
    if (Value) {
        SetButtons(false);
    } else {
        PlayButton->setEnabled(false);
        SlowButton->setEnabled(false);
        StopButton->setEnabled(false);
    }
}

void TKV68HC11SimControl::SetButtons(bool Running) {
    PlayButton->setEnabled(!Running);
    SlowButton->setEnabled(!Running);
    StopButton->setEnabled(Running);
}

void TKV68HC11SimControl::Play() {
    RunGuarded([](Machine& M) { M.run(); });
}

void TKV68HC11SimControl::SingleStep() {
    RunGuarded([](Machine& M) { M.step(); });
}

void TKV68HC11SimControl::StepOver() {
    RunGuarded([](Machine& M) { M.stepOver(); });
}

void TKV68HC11SimControl::StepOut() {
    RunGuarded([](Machine& M) { M.stepOut(); });
}

void TKV68HC11SimControl::RunTo(uint32_t Address) {
    RunGuarded([Address](Machine& M) { M.runTo(Address); });
}

void TKV68HC11SimControl::Stop() {
    if (TargetField) TargetField->stop();
}

void TKV68HC11SimControl::RunGuarded(const std::function<void(Machine&)>& Body) {
    // A second run started from inside the first one's message processing would nest another
    // run loop on the stack with every command, and a nested step would end the outer run.
    if (!TargetField || BusyField || TargetField->isRunning()) return;
    if (OnStart && !OnStart(this)) return;
    QPointer<Machine> target = TargetField;
    BusyField = true;
    SetButtons(true);
    bool failed = false;
    QString error;
    try {
        Body(*target);
    } catch (const std::exception& e) {
        failed = true;
        error = QString::fromLocal8Bit(e.what()).trimmed();
    } catch (...) {
        failed = true;
    }
    BusyField = false;
    SetButtons(false);
    if (failed) {
        ReportError(error.isEmpty()
                        ? QStringLiteral("Die Simulation wurde wegen eines unbekannten Fehlers "
                                         "angehalten.")
                        : QStringLiteral("Die Simulation wurde wegen eines Fehlers angehalten:\n%1")
                              .arg(error));
    }
    if (OnFinish) OnFinish(this);
}

void TKV68HC11SimControl::ReportError(const QString& Text) {
    KvReportError(MessageSink, this, Text);
}
