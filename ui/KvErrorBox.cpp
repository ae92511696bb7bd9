#include "ui/KvErrorBox.h"

#include <QMessageBox>
#include <QWidget>

void KvReportError(TMessageSink* Sink, QWidget* Parent, const QString& Text) {
    const QString caption = QStringLiteral("Tarvik68HC11");
    if (Sink) {
        Sink->Show(Text, caption, TMsgIcon::Error, TMsgButtons::Ok);
        return;
    }
    QMessageBox::critical(Parent ? Parent->window() : nullptr, caption, Text);
}
