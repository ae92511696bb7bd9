// The main window's debugger: the Haltepunkte and Aufrufe tool windows, the stepping commands
// (Unterprogramme komplett, Bis Rücksprung, Bis Cursor, Gehe zu PC), the PC with its symbol in
// the status bar, and the dock arrangement that is saved and restored.
#include "ui/MainForm.h"

#include "hc11/C68HC11.h"
#include "machine/Machine.h"
#include "sourceview/SourceEdit.h"
#include "sourceview/SynDebug.h"
#include "ui/BreakpointsView.h"
#include "ui/CallStackView.h"
#include "ui/Kv68HC11Control.h"
#include "ui/KvSimControl.h"
#include "ui/KvTimerMessage.h"
#include "ui/MemoryView.h"
#include "ui/WatchView.h"

#include <QDockWidget>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>
#include <QTextBlock>

namespace {

QSettings settings() {
    return QSettings(QStringLiteral("Tarvik"), QStringLiteral("Tarvik68HC11"));
}

// Bumped when the docks change, so that an arrangement saved by an older window is not used.
constexpr int LayoutVersion = 1;

} // namespace

void TFormMain::CreateDebugWindows() {
    ToolbarBreakpoints = new QDockWidget(QStringLiteral("Haltepunkte"), this);
    ToolbarBreakpoints->setObjectName(QStringLiteral("ToolbarBreakpoints"));
    BreakpointsView = new TBreakpointsView(ToolbarBreakpoints);
    BreakpointsView->setObjectName(QStringLiteral("BreakpointsView"));
    BreakpointsView->setMachine(System);
    ToolbarBreakpoints->setWidget(BreakpointsView);
    addDockWidget(Qt::BottomDockWidgetArea, ToolbarBreakpoints);

    ToolbarCalls = new QDockWidget(QStringLiteral("Aufrufe"), this);
    ToolbarCalls->setObjectName(QStringLiteral("ToolbarCalls"));
    CallStackView = new TCallStackView(ToolbarCalls);
    CallStackView->setObjectName(QStringLiteral("CallStackView"));
    CallStackView->setMachine(System);
    ToolbarCalls->setWidget(CallStackView);
    addDockWidget(Qt::BottomDockWidgetArea, ToolbarCalls);
    // Default arrangement: registers and watches right of the source view, breakpoints and
    // calls side by side below it; the other tool windows as tabs beside them when shown.
    splitDockWidget(ToolbarBreakpoints, ToolbarCalls, Qt::Horizontal);
    setCorner(Qt::BottomRightCorner, Qt::RightDockWidgetArea); // the right column full height
    tabifyDockWidget(ToolbarBreakpoints, ToolbarSignals);
    tabifyDockWidget(ToolbarCalls, ToolbarTerminal);
    tabifyDockWidget(ToolbarBreakpoints, ToolbarMemory); // wide enough for 16 bytes a row
    tabifyDockWidget(ToolbarSymbols, ToolbarProfile);
    tabifyDockWidget(ToolbarSymbols, ToolbarAnalog);
    ToolbarBreakpoints->raise();
    ToolbarCalls->raise();
    ToolbarSymbols->raise();
    resizeDocks({ToolbarBreakpoints}, {190}, Qt::Vertical);
    resizeDocks({ToolbarSymbols}, {330}, Qt::Horizontal); // room for values with their symbols
    resizeDocks({ToolbarBreakpoints, ToolbarCalls}, {560, 400}, Qt::Horizontal);

    auto* emulator = menuBar()->findChild<QMenu*>(QStringLiteral("MMenEmulator"));
    auto* view = menuBar()->findChild<QMenu*>(QStringLiteral("MMenView"));
    const auto add = [](QMenu* Menu, QAction* Before, const char* Name, const QString& Caption,
                        const QKeySequence& Key) {
        auto* action = new QAction(Caption, Menu);
        action->setObjectName(QString::fromLatin1(Name));
        action->setShortcut(Key);
        Menu->insertAction(Before, action);
        return action;
    };
    QAction* afterStep = emulator->actions().value(emulator->actions().indexOf(MenSingleStep) + 1);
    MenStepOut = add(emulator, afterStep, "MenStepOut", QStringLiteral("Bis &Rücksprung"),
                     QKeySequence(Qt::SHIFT | Qt::Key_F8));
    MenRunToCursor = add(emulator, afterStep, "MenRunToCursor", QStringLiteral("Bis &Cursor"),
                         QKeySequence(Qt::Key_F4));
    MenGoToPC = add(emulator, afterStep, "MenGoToPC", QStringLiteral("&Gehe zu PC"), {});
    MenNoSubroutines->setEnabled(true);

    MenBreakpoints = add(view, nullptr, "MenBreakpoints", QStringLiteral("&Haltepunkte"), {});
    MenCalls = add(view, nullptr, "MenCalls", QStringLiteral("A&ufrufe"), {});
    for (QAction* item : {MenBreakpoints, MenCalls}) {
        item->setCheckable(true);
        item->setChecked(true);
    }
    view->addSeparator();
    MenDefaultLayout =
        add(view, nullptr, "MenDefaultLayout", QStringLiteral("Standard&anordnung"), {});

    StatusPC = new QLabel(QStringLiteral("PC: –"), this);
    StatusPC->setObjectName(QStringLiteral("StatusPC"));
    StatusPC->setContentsMargins(4, 0, 4, 0);
    statusBar()->insertWidget(2, StatusPC);
}

void TFormMain::WireDebugEvents() {
    connect(MenNoSubroutines, &QAction::triggered, this, [this] { MenNoSubroutinesClick(); });
    connect(MenStepOut, &QAction::triggered, this, [this] { MenStepOutClick(); });
    connect(MenRunToCursor, &QAction::triggered, this, [this] { MenRunToCursorClick(); });
    connect(MenGoToPC, &QAction::triggered, this, [this] { MenGoToPCClick(); });
    connect(MenDefaultLayout, &QAction::triggered, this, [this] { MenDefaultLayoutClick(); });
    const auto showLine = [this](int32_t Line) { SynDebug->ShowLine(Line); };
    const auto message = [this](const QString& Text) { TimerMessage->ShowText(Text, 6000); };
    BreakpointsView->OnShowLine = showLine;
    BreakpointsView->OnMessage = message;
    BreakpointsView->OnBreakpointChanged = [this](uint32_t Address) {
        ShowBreakpointMarks(Address);
    };
    CallStackView->OnShowLine = showLine;
    WatchView->OnMessage = message;
    WatchView->OnValueWritten = [this] {
        CPUControl->UpdateDisplay();
        for (int p = 0; p < 5; ++p)
            CPU_EnvironmentPortChange(p);
    };
    WatchView->OnDataBreakpointsChanged = [this] { BreakpointsView->refresh(); };
    connect(MemoryView, &TMemoryView::dataBreakpointRequested, this,
            [this, message](uint32_t Address, uint32_t Length) {
                QString error;
                if (System->addDataBreakpoint(Address, Length, Machine::Access::Either, &error)) {
                    const QString symbol = System->symbolFor(Address);
                    message(QStringLiteral("Datenhaltepunkt auf $%1%2 gesetzt")
                                .arg(QString::number(Address, 16).toUpper().rightJustified(4, u'0'),
                                     symbol.isEmpty() ? QString()
                                                      : QStringLiteral(" (%1)").arg(symbol)));
                } else
                    message(QStringLiteral("Kein Datenhaltepunkt: %1").arg(error));
                BreakpointsView->refresh();
            });
}

void TFormMain::MenNoSubroutinesClick() {
    Guarded([this] { SimControl->StepOver(); });
}

void TFormMain::MenStepOutClick() {
    Guarded([this] { SimControl->StepOut(); });
}

void TFormMain::MenRunToCursorClick() {
    const int32_t address = AddressOfLine(SynEdit->textCursor().blockNumber() + 1);
    if (address < 0) {
        TimerMessage->ShowText(QStringLiteral("Die Zeile mit dem Cursor ist keine Codezeile."),
                               4000);
        return;
    }
    Guarded([this, address] { SimControl->RunTo(static_cast<uint32_t>(address)); });
}

void TFormMain::MenGoToPCClick() {
    const int32_t line = LineOfProgramCounter(static_cast<uint32_t>(CPU->PC));
    if (line > 0)
        SynDebug->ShowLine(line);
    else
        TimerMessage->ShowText(QStringLiteral("Der PC steht auf keiner Zeile des Listings."), 4000);
}

void TFormMain::ShowDebugState() {
    const uint32_t pc = System->registerValue(Machine::Register::PC);
    const QString name = System->symbolFor(pc);
    QString text = QStringLiteral("PC: $%1").arg(pc, 4, 16, QLatin1Char('0')).toUpper();
    if (!name.isEmpty()) text += QStringLiteral(" (%1)").arg(name);
    StatusPC->setText(text);
    WatchView->refresh(true);
    BreakpointsView->refresh();
    CallStackView->refresh();
}

void TFormMain::SaveLayout() const {
    QSettings s = settings();
    s.setValue(QStringLiteral("Window/Version"), LayoutVersion);
    s.setValue(QStringLiteral("Window/Geometry"), saveGeometry());
    s.setValue(QStringLiteral("Window/State"), saveState(LayoutVersion));
}

void TFormMain::RestoreLayout() {
    QSettings s = settings();
    if (s.value(QStringLiteral("Window/Version")).toInt() != LayoutVersion) return;
    restoreGeometry(s.value(QStringLiteral("Window/Geometry")).toByteArray());
    restoreState(s.value(QStringLiteral("Window/State")).toByteArray(), LayoutVersion);
    SyncViewMenu();
}

void TFormMain::MenDefaultLayoutClick() {
    for (QDockWidget* dock : findChildren<QDockWidget*>())
        dock->setFloating(false);
    restoreState(DefaultLayout);
    showNormal();
    resize(DefaultSize());
    SyncViewMenu();
}
