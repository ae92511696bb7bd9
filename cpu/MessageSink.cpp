#include "cpu/MessageSink.h"

#include <cstdio>

TMsgResult TStderrMessageSink::Show(const QString& Text, const QString& Caption, TMsgIcon,
                                    TMsgButtons) {
    const QByteArray line = ("[" + Caption + "] " + Text + "\n").toUtf8();
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
    std::fflush(stderr);
    return TMsgResult::Ok;
}
