// Qt's own texts in the window's dialogs: German once the catalog is installed, English again
// once its owner is gone.
#include "UiTestSupport.h"

#include "ui/GermanTranslations.h"

#include <memory>

namespace {

struct TQtText {
    const char* Context;
    const char* English;
    const char* German;
};

// Texts of the dialogs the window shows: the message boxes' buttons, the file dialog's labels,
// buttons and its error for a name that does not exist.
const TQtText QtTexts[] = {
    {"QPlatformTheme", "Cancel", "Abbrechen"},
    {"QPlatformTheme", "Open", "Öffnen"},
    {"QFileDialog", "Look in:", "Suchen in:"},
    {"QFileDialog", "File &name:", "Datei&name:"},
    {"QFileDialog", "Files of type:", "Dateien des Typs:"},
    {"QFileDialog", "%1\nFile not found.\nPlease verify the correct file name was given.",
     "%1\nDie Datei konnte nicht gefunden werden.\nStellen Sie sicher, dass der Dateiname richtig "
     "ist."},
};

QString Translated(const TQtText& Text) {
    return QCoreApplication::translate(Text.Context, Text.English);
}

TEST(GermanTranslations, QtsDialogTextsAreGermanWhileInstalledAndEnglishAfterwards) {
    auto owner = std::make_unique<QObject>();
    ASSERT_TRUE(InstallGermanTranslations(owner.get()));
    for (const TQtText& text : QtTexts)
        EXPECT_EQ(Translated(text).toStdString(), text.German) << text.Context;
    QMessageBox box(QMessageBox::Question, "Frage", "Fortfahren?",
                    QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text().toStdString(), "Abbrechen");

    owner.reset(); // the catalog leaves with its owner: the other tests see Qt's own texts
    for (const TQtText& text : QtTexts)
        EXPECT_EQ(Translated(text).toStdString(), text.English) << text.Context;
}

} // namespace
