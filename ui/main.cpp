// tarvik68hc11 [LISTING]: the simulator's window; opens LISTING (a listing, S-records, Intel HEX
// or ELF) at start as Open would.
//
// For automated checks: --screenshot FILE [--run-ms N] starts a run, lets it go for N
// milliseconds (default 1500), stops it, saves a picture of the window to FILE and quits;
// --close-ms N starts a run and closes the window after N milliseconds, as its close button
// does (the program must then end by itself); --show-signals shows the "Signale" window from the
// start, --show W1,W2 the tool windows of those Ansicht menu items, --type TEXT queues TEXT
// for the serial receiver, --profile records the cycle profile from the start;
// --break ADDR (an address or a symbol, repeatable) sets a breakpoint and --watch EXPR
// (repeatable) fills the watch grid after the program is opened.

#include "ui/AboutForm.h"
#include "ui/GermanTranslations.h"
#include "machine/Machine.h"
#include "machine/MemoryImage.h"
#include "ui/MainForm.h"
#include "ui/WatchView.h"

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarvik68HC11"));
    if (!InstallGermanTranslations(&app))
        qWarning("Die deutschen Übersetzungen von Qt fehlen (Paket qt6-translations-l10n): "
                 "Datei- und Meldungsdialoge bleiben englisch.");

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Simulator für den Mikrocontroller 68HC11"));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("LISTING"),
                                 QStringLiteral("Programmdatei, die beim Start geöffnet wird: "
                                                "Listfile (*.lst), S-Records, Intel HEX oder ELF"));
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("Bildschirmfoto nach kurzem Lauf speichern"),
                                        QStringLiteral("FILE"));
    const QCommandLineOption runMs(QStringLiteral("run-ms"),
                                   QStringLiteral("Laufzeit vor dem Bildschirmfoto (ms)"),
                                   QStringLiteral("N"), QStringLiteral("1500"));
    const QCommandLineOption closeMs(QStringLiteral("close-ms"),
                                     QStringLiteral("Lauf starten und das Fenster nach N ms "
                                                    "schließen"),
                                     QStringLiteral("N"));
    const QCommandLineOption showSignals(QStringLiteral("show-signals"),
                                         QStringLiteral("Das Fenster „Signale“ gleich zeigen"));
    const QCommandLineOption showWindows(
        QStringLiteral("show"),
        QStringLiteral("Werkzeugfenster gleich zeigen, durch Kommas getrennt (z. B. Terminal,Analogeingänge)"),
        QStringLiteral("FENSTER"));
    const QCommandLineOption typeText(QStringLiteral("type"),
                                      QStringLiteral("Text, der gleich an die serielle Schnittstelle geht"),
                                      QStringLiteral("TEXT"));
    const QCommandLineOption profile(QStringLiteral("profile"),
                                     QStringLiteral("Das Zyklenprofil von Anfang an aufzeichnen"));
    const QCommandLineOption breakAt(QStringLiteral("break"),
                                     QStringLiteral("Haltepunkt bei ADR (Adresse oder Symbol)"),
                                     QStringLiteral("ADR"));
    const QCommandLineOption watch(QStringLiteral("watch"),
                                   QStringLiteral("Ausdruck in „Überwachte Ausdrücke“"),
                                   QStringLiteral("AUSDRUCK"));
    parser.addOption(breakAt);
    parser.addOption(watch);
    parser.addOption(showSignals);
    parser.addOption(showWindows);
    parser.addOption(profile);
    parser.addOption(typeText);
    parser.addOption(screenshot);
    parser.addOption(runMs);
    parser.addOption(closeMs);
    parser.process(app);

    TFormMain window;
    window.show();
    if (parser.isSet(showSignals) && !window.MenSignals->isChecked()) window.MenSignals->trigger();
    // Tool windows by the captions of their Ansicht menu items (without the accelerator mark).
    for (const QString& name : parser.value(showWindows).split(u',', Qt::SkipEmptyParts)) {
        const auto* view = window.menuBar()->findChild<QMenu*>(QStringLiteral("MMenView"));
        for (QAction* item : view->actions()) {
            if (item->text().remove(u'&') == name.trimmed() && !item->isChecked()) item->trigger();
        }
    }
    if (parser.isSet(typeText)) window.System->sciType(parser.value(typeText).toUtf8());
    if (parser.isSet(profile)) window.System->setProfiling(true);
    const QStringList args = parser.positionalArguments();
    if (!args.isEmpty() && window.OpenListing(args.first())) {
        for (const QString& at : parser.values(breakAt)) {
            const auto address = parseAddressText(at, window.System->symbols());
            const int32_t line = address ? window.LineOfProgramCounter(*address) : -1;
            if (line > 0) window.SynDebugChangeBreakpoint(line);
        }
        if (parser.isSet(watch)) window.WatchView->setExpressions(parser.values(watch));
    }

    if (parser.isSet(screenshot)) {
        const QString file = parser.value(screenshot);
        const int ms = parser.value(runMs).toInt();
        QTimer::singleShot(200, &window, [&window] { window.MenRunClick(); });
        QTimer::singleShot(200 + ms, &window, [&window] { window.MenStopClick(); });
        QTimer::singleShot(400 + ms, &window, [&window, file] {
            // The window's part of the screen (with the tool windows floating over it).
            const QRect area = window.frameGeometry();
            const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(
                0, area.x(), area.y(), area.width(), area.height());
            QApplication::exit(shot.save(file) ? 0 : 1);
        });
    }
    if (parser.isSet(closeMs)) {
        QTimer::singleShot(200, &window, [&window] { window.MenRunClick(); });
        QTimer::singleShot(200 + parser.value(closeMs).toInt(), &window, [&window] { window.close(); });
    }
    return app.exec();
}
