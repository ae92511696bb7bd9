#pragma once
// Shared pieces of the widget tests: the application object, a message sink that records
// instead of showing boxes, and PNG snapshots of widgets for looking at them.

#include "cpu/MessageSink.h"

#include <QString>
#include <string>
#include <vector>

class QWidget;

struct TRecordedMessage {
    QString Text;
    QString Caption;
    TMsgIcon Icon;
};

class TRecordingSink : public TMessageSink {
public:
    TMsgResult Show(const QString& Text, const QString& Caption, TMsgIcon Icon,
                    TMsgButtons) override {
        Messages.push_back({Text, Caption, Icon});
        return TMsgResult::Ok;
    }
    std::vector<TRecordedMessage> Messages;
};

// Writes Widget as rendered into <build>/tests/ui/snapshots/<Name>.png; returns the path.
QString SaveSnapshot(QWidget& Widget, const QString& Name);

// The widgets of Widget whose text does not fit into the room they are given, described as
// "class 'text'" (labels, check boxes, line edits, group box titles).
std::vector<std::string> ClippedTexts(QWidget& Widget);
