#pragma once
// The seam through which the simulation core reports to the user. The core, the environment
// and the list-file loader reach it through their CPU; the window installs one that shows a
// modal QMessageBox, the headless runner one that prints, tests one that records.

#include <QString>

enum class TMsgIcon { None, Information, Warning, Error };
enum class TMsgButtons { Ok, OkCancel };
enum class TMsgResult { Ok, Cancel };

class TMessageSink {
public:
    virtual ~TMessageSink() = default;
    // Shows Text under Caption and waits for the user's answer.
    virtual TMsgResult Show(const QString& Text, const QString& Caption, TMsgIcon Icon,
                            TMsgButtons Buttons) = 0;
};

// Prints every box as one line "[CAPTION] TEXT" on stderr and answers OK.
class TStderrMessageSink : public TMessageSink {
public:
    TMsgResult Show(const QString& Text, const QString& Caption, TMsgIcon Icon,
                    TMsgButtons Buttons) override;
};
