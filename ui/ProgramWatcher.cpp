#include "ui/ProgramWatcher.h"

#include <QFileInfo>

TProgramWatcher::TProgramWatcher(QObject* Parent) : QObject(Parent) {
    Quiet.setSingleShot(true);
    Quiet.setInterval(QuietMs);
    connect(&Watcher, &QFileSystemWatcher::fileChanged, this, [this] { changed(); });
    connect(&Quiet, &QTimer::timeout, this, [this] { settled(); });
}

void TProgramWatcher::watch(const QString& NewFile) {
    if (!Watcher.files().isEmpty()) Watcher.removePaths(Watcher.files());
    Quiet.stop();
    File = NewFile;
    if (!File.isEmpty()) Watcher.addPath(File);
}

void TProgramWatcher::changed() {
    Waits = 0;
    Quiet.start();
}

void TProgramWatcher::settled() {
    // A replaced file drops out of the watch: take it up again once it is back.
    if (!QFileInfo::exists(File)) {
        if (++Waits < 20) Quiet.start();
        return;
    }
    if (!Watcher.files().contains(File)) Watcher.addPath(File);
    if (OnChanged) OnChanged();
}
