#include "ui/GermanTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool InstallGermanTranslations(QObject* Owner) {
    auto* translator = new QTranslator(Owner);
    // qtbase holds the texts of Qt's widgets and dialogs.
    if (!translator->load(QStringLiteral("qtbase_de"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    return true;
}
