#include "machine/FileErrorText.h"

#include <iterator>
#include <utility>

QString fileErrorText(const QIODevice& Device) {
    return fileErrorText(Device.errorString());
}

QString fileErrorText(const QString& Reason) {
    static const std::pair<const char*, const char*> known[] = {
        {"No such file or directory", "Datei oder Ordner nicht gefunden"},
        {"Permission denied", "keine Berechtigung"},
        {"Is a directory", "das ist ein Ordner"},
        {"file to open is a directory", "das ist ein Ordner"},
        {"Not a directory", "ein Teil des Pfads ist kein Ordner"},
        {"No space left on device", "kein Platz mehr auf dem Datenträger"},
        {"Read-only file system", "das Dateisystem ist schreibgeschützt"},
        {"Disk quota exceeded", "Speicherkontingent überschritten"},
        {"File name too long", "Dateiname zu lang"},
        {"Too many open files", "zu viele offene Dateien"},
        {"Input/output error", "Ein-/Ausgabefehler"},
        {"No file name specified", "kein Dateiname angegeben"},
    };
    for (const auto& [english, german] : known) {
        if (Reason.compare(QLatin1String(english), Qt::CaseInsensitive) == 0)
            return QString::fromUtf8(german);
    }
    return Reason;
}
