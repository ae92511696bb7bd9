#pragma once
// Shared pieces of the environment and loader tests: a message sink that records every box,
// and a 68HC11 core with its on-chip environment attached.

#include "cpu/MessageSink.h"
#include "hc11/C68HC11.h"
#include "hc11/C68HC11Env.h"

#include <QByteArray>
#include <QString>
#include <deque>
#include <initializer_list>
#include <vector>

struct TShownMessage {
    QString Text;
    QString Caption;
    TMsgIcon Icon;
    TMsgButtons Buttons;
};

class TRecordingSink : public TMessageSink {
  public:
    std::vector<TShownMessage> Shown;
    // Answers given in turn; OK once they are used up.
    std::deque<TMsgResult> Answers;

    TMsgResult Show(const QString& Text, const QString& Caption, TMsgIcon Icon,
                    TMsgButtons Buttons) override {
        Shown.push_back({Text, Caption, Icon, Buttons});
        if (Answers.empty()) return TMsgResult::Ok;
        const TMsgResult answer = Answers.front();
        Answers.pop_front();
        return answer;
    }
};

// A core with the environment attached, as the window wires them.
struct TEnvSystem {
    TCPU_68HC11_ Cpu;
    TCPU_68HC11_Enviroment Env;
    TRecordingSink Sink;

    TEnvSystem() {
        Cpu.MessageSink = &Sink;
        Env.SetCPU(&Cpu);
    }
    ~TEnvSystem() { Env.SetCPU(nullptr); }

    int32_t Read(uint32_t Address) { return Cpu.ReadByte(Address); }
    void Write(uint32_t Address, int32_t Value) { Cpu.WriteByte(Address, Value); }
};

// A code line as the assembler writes it: line number, address, byte fields, source text from
// column 41.
inline QByteArray Code(int Number, const char* Address, const char* Bytes, const char* Source) {
    return QByteArray(
        QString::asprintf("%8d/    %4s : %-20s%s", Number, Address, Bytes, Source).toLatin1());
}

// A continuation line: 20 blanks, then the byte fields.
inline QByteArray Cont(const char* Bytes) {
    return QByteArray(20, ' ') + Bytes;
}

inline QByteArray Join(std::initializer_list<QByteArray> Lines, const char* End = "\n") {
    QByteArray text;
    for (const QByteArray& line : Lines)
        text += line + End;
    return text;
}
