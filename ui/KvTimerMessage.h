#pragma once
// A status text that lasts a given time: ShowText reports its text at once and DefaultText
// when the time is up. It draws nothing; the owner shows what OnTextChanged reports.

#include <QObject>
#include <QString>
#include <functional>

class QTimer;

class TKvTimerMessage : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString DefaultText READ DefaultText WRITE SetDefaultText)
public:
    explicit TKvTimerMessage(QObject* Owner = nullptr);

    // Reports Text now and DefaultText after Milliseconds; a later call restarts the time.
    void ShowText(const QString& Text, int Milliseconds);

    QString DefaultText() const { return DefaultTextField; }
    void SetDefaultText(const QString& Value) { DefaultTextField = Value; }

    // Receives every text to be shown.
    std::function<void(const QString& NewText)> OnTextChanged;

private:
    void Expire();

    QTimer* Timer = nullptr;
    QString DefaultTextField;
};
