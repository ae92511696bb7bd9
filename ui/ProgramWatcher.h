#pragma once
// Watches the open program file and tells when it changed on disk, once the file has been
// quiet for QuietMs: an assembler or linker writes it in several steps, and some tools replace
// the file (a new inode), which the watcher follows.

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

class TProgramWatcher : public QObject {
    Q_OBJECT
  public:
    static constexpr int QuietMs = 300;

    explicit TProgramWatcher(QObject* Parent = nullptr);
    // Watches File from now on instead of the one before (empty: none).
    void watch(const QString& File);
    QString file() const { return File; }

    std::function<void()> OnChanged;

  private:
    void changed();
    void settled();

    QFileSystemWatcher Watcher;
    QTimer Quiet;
    QString File;
    int Waits = 0; // quiet periods waited for a replaced file to appear again
};
