#pragma once
// Shows the simulation's reports as modal message boxes over the window.

#include "cpu/MessageSink.h"

class QWidget;

class TQtMessageSink : public TMessageSink {
public:
    explicit TQtMessageSink(QWidget* Parent = nullptr) : ParentWidget(Parent) {}
    TMsgResult Show(const QString& Text, const QString& Caption, TMsgIcon Icon,
                    TMsgButtons Buttons) override;

private:
    QWidget* ParentWidget;
};
