#pragma once
// What every widget test includes: Qt's widgets, GoogleTest, a message sink that records instead
// of showing boxes, and the check that every text of a widget fits into the room it is given.

#include "cpu/MessageSink.h"

#include <QtWidgets>
#include <gtest/gtest.h> // with <string> and <vector>

// GoogleTest prints QStrings as text.
inline void PrintTo(const QString& Text, std::ostream* Out) { *Out << '"' << Text.toStdString() << '"'; }

struct TRecordingSink : TMessageSink {
    TMsgResult Show(const QString& Text, const QString&, TMsgIcon Icon, TMsgButtons) override {
        Messages.push_back({Text, Icon});
        return TMsgResult::Ok;
    }
    std::vector<std::pair<QString, TMsgIcon>> Messages;
};

// The labels, check boxes, line edits and group box titles of Widget (and Widget itself) whose
// text is cut off, as "class 'text'".
std::vector<std::string> ClippedTexts(QWidget& Widget);
