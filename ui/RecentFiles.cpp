#include "ui/RecentFiles.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>

namespace {

const QString SettingsKey = QStringLiteral("recentFiles");

} // namespace

TRecentFiles::TRecentFiles(QMenu* Menu, QObject* Parent) : QObject(Parent), Menu(Menu) {
    Files = QSettings().value(SettingsKey).toStringList().mid(0, MaxCount);
    rebuild();
}

void TRecentFiles::add(const QString& File) {
    const QString path = QFileInfo(File).absoluteFilePath();
    Files.removeAll(path);
    Files.prepend(path);
    while (Files.size() > MaxCount)
        Files.removeLast();
    QSettings().setValue(SettingsKey, Files);
    rebuild();
}

void TRecentFiles::rebuild() {
    Menu->clear();
    for (qsizetype i = 0; i < Files.size(); ++i) {
        const QString file = Files[i];
        QAction* item = Menu->addAction(
            QStringLiteral("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(file)));
        connect(item, &QAction::triggered, this, [this, file] {
            if (OnOpen) OnOpen(file);
        });
    }
    Menu->setEnabled(!Files.isEmpty());
}
