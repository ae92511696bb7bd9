#pragma once
// Qt's own texts in German: the file dialog with its messages, the standard buttons of message
// boxes (OK/Abbrechen), the context menus of edit fields. The window's own texts are German
// already; these come from the catalog that Qt ships for its library.

class QObject;

// Loads Qt's German catalog from Qt's translations folder and installs it into the running
// application. The translator belongs to Owner and leaves the application when Owner goes.
// False when the catalog is missing or unreadable: Qt's texts then stay English.
bool InstallGermanTranslations(QObject* Owner);
