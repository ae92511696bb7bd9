#include "ui/KvErrorBox.h"

#include "ui/QtMessageSink.h"

#include <QWidget>

void KvReportError(TMessageSink* Sink, QWidget* Parent, const QString& Text) {
    TQtMessageSink box(Parent ? Parent->window() : nullptr);
    (Sink ? *Sink : box).Show(Text, QStringLiteral("Tarvik68HC11"), TMsgIcon::Error,
                              TMsgButtons::Ok);
}
