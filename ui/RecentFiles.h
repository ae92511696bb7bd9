#pragma once
// Datei › Zuletzt geöffnet: the program files opened last, newest first, kept in the user's
// settings between sessions. Choosing an entry calls OnOpen with its path.

#include <QObject>
#include <QStringList>
#include <functional>

class QMenu;

class TRecentFiles : public QObject {
    Q_OBJECT
  public:
    static constexpr int MaxCount = 8;

    // Fills Menu (owned by the caller) with the stored list.
    TRecentFiles(QMenu* Menu, QObject* Parent);

    // Puts File first (absolute path; once in the list) and stores the list.
    void add(const QString& File);
    QStringList files() const { return Files; }

    std::function<void(const QString& File)> OnOpen;

  private:
    void rebuild();
    QMenu* Menu;
    QStringList Files;
};
