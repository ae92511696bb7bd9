#include "ui/KvTimerMessage.h"

#include <QTimer>

#include <algorithm>

TKvTimerMessage::TKvTimerMessage(QObject* Owner) : QObject(Owner), Timer(new QTimer(this)) {
    Timer->setSingleShot(true);
    connect(Timer, &QTimer::timeout, this, &TKvTimerMessage::Expire);
    Expire();
}

void TKvTimerMessage::ShowText(const QString& Text, int Milliseconds) {
    if (OnTextChanged) OnTextChanged(Text);
    Timer->stop();
    Timer->setInterval(std::max(0, Milliseconds));
    Timer->start();
}

void TKvTimerMessage::Expire() {
    if (OnTextChanged) OnTextChanged(DefaultTextField);
    Timer->stop();
}
