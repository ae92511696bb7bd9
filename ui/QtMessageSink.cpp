#include "ui/QtMessageSink.h"

#include <QMessageBox>

TMsgResult TQtMessageSink::Show(const QString& Text, const QString& Caption, TMsgIcon Icon,
                                TMsgButtons Buttons) {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (Icon) {
    case TMsgIcon::None: break;
    case TMsgIcon::Information: icon = QMessageBox::Information; break;
    case TMsgIcon::Warning: icon = QMessageBox::Warning; break;
    case TMsgIcon::Error: icon = QMessageBox::Critical; break;
    }
    const auto buttons = Buttons == TMsgButtons::OkCancel
                             ? QMessageBox::Ok | QMessageBox::Cancel
                             : QMessageBox::StandardButtons(QMessageBox::Ok);
    QMessageBox box(icon, Caption, Text, buttons, ParentWidget);
    return box.exec() == QMessageBox::Cancel ? TMsgResult::Cancel : TMsgResult::Ok;
}
