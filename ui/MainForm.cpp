#include "ui/MainForm.h"

#include "ui/BreakpointsView.h"
#include "ui/WatchView.h"

#include "hc11/C68HC11.h"
#include "hc11/C68HC11Env.h"
#include "hc11/ListFileLoader.h"
#include "machine/Machine.h"
#include "sourceview/GutterImageList.h"
#include "sourceview/KvMAssemSyn.h"
#include "sourceview/SourceEdit.h"
#include "sourceview/SynDebug.h"
#include "ui/AboutForm.h"
#include "ui/KVCPUPortPanel.h"
#include "ui/Kv68HC11Control.h"
#include "ui/KvSimControl.h"
#include "ui/KvGlyph.h"
#include "ui/KvTimerMessage.h"
#include "ui/QtMessageSink.h"
#include "ui/InterruptPinsBar.h"
#include "ui/MemoryView.h"
#include "ui/ProfileGutter.h"
#include "ui/ProfileView.h"
#include "ui/ProgramWatcher.h"
#include "ui/RecentFiles.h"
#include "ui/AnalogInputsView.h"
#include "ui/SignalView.h"
#include "ui/TerminalView.h"
#include "ui/SpeedControl.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QPointer>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QTableWidget>
#include <QTextBlock>
#include <QTimer>
#include <QUrl>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>
#include <memory>

namespace {

using Env = TCPU_68HC11_Environment;

const char* const PortCaptions[5] = {"Port A", "Port B", "Port C", "Port D", "Port E"};

} // namespace

TFormMain::TFormMain(QWidget* Parent) : QMainWindow(Parent) {
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(QStringLiteral("Tarvik68HC11"));
    OwnSink = std::make_unique<TQtMessageSink>(this);
    Sink = OwnSink.get();
    CreateComponents();
    WireEvents();
    FormCreate();
    // The minimum size the layout computed with every tool window in it is out of date now
    // that the hidden ones are gone; recomputed, the default size fits.
    layout()->activate();
    resize(DefaultSize());
    DefaultLayout = saveState();
    RestoreLayout();
}

TFormMain::~TFormMain() {
    // The run loop may still hold a pump that points at us.
    System->setMessagePump(nullptr);
    System->stop();
    // Hidden now, while this object is whole: QWidget's destructor would otherwise hide the
    // tool windows and call our visibility handlers on a half-destroyed window.
    hide();
    for (QObject* child : children()) child->disconnect(this);
}

// ---------------------------------------------------------------------------------------------
// The window's stored description: every component with its settings, in one place.

void TFormMain::CreateComponents() {
    // The core, the on-chip environment, the clock device and the loaded program.
    System = new Machine(this);
    System->setObjectName(QStringLiteral("System"));
    System->setMessageSink(Sink);
    CPU = &System->cpu();
    CPU_Environment = &System->environment();

    AssemblerSyntax = new TKvMAssemSyn(this);
    AssemblerSyntax->setObjectName(QStringLiteral("AssemblerSyntax"));
    AssemblerSyntax->SetListMode(true);
    AssemblerSyntax->SetCPUType(TKvCPUType::KvCPU_6811);
    AssemblerSyntax->SetCPUTypeString(QStringLiteral("6811"));
    AssemblerSyntax->SetNumberFormat(TKvNumberFormat::KvNF_CMode);
    AssemblerSyntax->CommentAttri()->SetForeground(Qt::red);
    AssemblerSyntax->DirecAttri()->SetForeground(QColor(0x00, 0x00, 0x80));
    AssemblerSyntax->NumberAttri()->SetForeground(QColor(0x00, 0x80, 0x80));
    AssemblerSyntax->StringAttri()->SetForeground(QColor(0x00, 0x80, 0x00));
    AssemblerSyntax->SetDefaultFilter(
        QStringLiteral("68HC11 Assembler files (*.hc11,*.asm,*.asc)|*.HC11;*.ASM;*.ASC"));

    ImageList = new TGutterImageList(this);
    ImageList->setObjectName(QStringLiteral("ImageList"));
    ImageList->LoadGutterImages();

    SynEdit = new TSourceEdit(this);
    SynEdit->setObjectName(QStringLiteral("SynEdit"));
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(13);
    SynEdit->setFont(font);
    SynEdit->SetGutterWidth(40);
    SynEdit->SetRightEdge(40);
    SynEdit->SetHighlighter(AssemblerSyntax);
    SynEdit->SetBookmarkImages(ImageList);
    SynEdit->setReadOnly(false);
    setCentralWidget(SynEdit);

    SynDebug = new TSynDebug(this);
    SynDebug->setObjectName(QStringLiteral("SynDebug"));
    SynDebug->SetSynEdit(SynEdit);
    SynDebug->SetImageList(ImageList);
    ProfileGutter = new TProfileGutter(System, SynEdit);

    CreateStatusBar();

    TimerMessage = new TKvTimerMessage(this);
    TimerMessage->setObjectName(QStringLiteral("TimerMessage"));

    CreateMenus();
    CreateToolbars();
    CreateToolWindows();
    CreateDebugWindows();

    FormAbout = new TFormAbout(this);

    auto* emulator = menuBar()->findChild<QMenu*>(QStringLiteral("MMenEmulator"));
    emulator->addSeparator();
    SpeedControl = new TSpeedControl(System, ToolbarMenu, emulator);
    SpeedControl->setObjectName(QStringLiteral("SpeedControl"));
    ToolbarMenu->addSeparator();
    ToolbarMenu->addWidget(SpeedControl->Combo());
    MenCop = emulator->addAction(QStringLiteral("&COP-Watchdog"));
    MenCop->setObjectName(QStringLiteral("MenCop"));
    MenCop->setCheckable(true);
    MenCop->setToolTip(QStringLiteral("Ohne Neustart durch $55/$AA an COPRST setzt der "
                                      "Watchdog den Prozessor zurück"));
    connect(MenCop, &QAction::toggled, this, [this](bool On) { System->setCopEnabled(On); });
    InterruptPins = new TInterruptPinsBar(System, this);
    addToolBar(Qt::TopToolBarArea, InterruptPins);

    // References to the machine are resolved last, once every component holds its settings.
    CPUControl->SetCPU(CPU);
    SimControl->SetTarget(System);
}

void TFormMain::CreateStatusBar() {
    const int widths[3] = {100, 100, 50};
    const QString texts[3] = {QStringLiteral("Time: 0.0 s"), QStringLiteral("Cycles: 0"), {}};
    for (int i = 0; i < 3; ++i) {
        auto* panel = new QLabel(texts[i], this);
        panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        panel->setMinimumWidth(widths[i]);
        panel->setContentsMargins(4, 0, 4, 0);
        // The time and cycle panels grow with their numbers; the message panel takes the rest.
        statusBar()->addWidget(panel, i == 2 ? 1 : 0);
        StatusPanels[static_cast<size_t>(i)] = panel;
    }
}

void TFormMain::CreateMenus() {
    auto addItem = [this](QMenu* menu, const char* name, const QString& caption) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };

    QMenu* file = menuBar()->addMenu(QStringLiteral("&Datei"));
    file->setObjectName(QStringLiteral("MMenFile"));
    MenOpen = addItem(file, "MenOpen", QStringLiteral("Ö&ffnen..."));
    MenRecent = file->addMenu(QStringLiteral("&Zuletzt geöffnet"));
    MenRecent->setObjectName(QStringLiteral("MenRecent"));
    RecentFiles = new TRecentFiles(MenRecent, this);
    file->addSeparator();
    MenPrint = addItem(file, "MenPrint", QStringLiteral("&Drucken..."));
    MenPrinterSettings = addItem(file, "MenPrinterSettings", QStringLiteral("Drucker&einrichtung..."));
    file->addSeparator();
    MenExit = addItem(file, "MenExit", QStringLiteral("&Beenden"));
    MenPrint->setEnabled(false);
    MenPrinterSettings->setEnabled(false);

    QMenu* emulator = menuBar()->addMenu(QStringLiteral("&Emulator"));
    emulator->setObjectName(QStringLiteral("MMenEmulator"));
    MenRun = addItem(emulator, "MenRun", QStringLiteral("&Start"));
    MenRun->setShortcut(QKeySequence(Qt::Key_F9));
    MenNoSubroutines = addItem(emulator, "MenNoSubroutines", QStringLiteral("&Unterprogramme komplett"));
    MenNoSubroutines->setShortcut(QKeySequence(Qt::Key_F8));
    MenNoSubroutines->setEnabled(false);
    MenSingleStep = addItem(emulator, "MenSingleStep", QStringLiteral("&Einzelschritt"));
    MenSingleStep->setShortcut(QKeySequence(Qt::Key_F7));
    MenStop = addItem(emulator, "MenStop", QStringLiteral("Sto&p"));
    // A runaway program must be stoppable from the keyboard.
    MenStop->setShortcuts({QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_F2)});
    emulator->addSeparator();
    MenReset = addItem(emulator, "MenReset", QStringLiteral("Rese&t"));

    QMenu* view = menuBar()->addMenu(QStringLiteral("&Ansicht"));
    view->setObjectName(QStringLiteral("MMenView"));
    MenCPURegister = addItem(view, "MenCPURegister", QStringLiteral("&CPU Register"));
    MenIOPorts = addItem(view, "MenIOPorts", QStringLiteral("IO &Ports"));
    MenToolbar = addItem(view, "MenToolbar", QStringLiteral("&Toolbar"));
    MenSymbols = addItem(view, "MenSymbols", QStringLiteral("Überwachte &Ausdrücke"));
    MenSignals = addItem(view, "MenSignals", QStringLiteral("&Signale"));
    MenSignals->setCheckable(true);
    MenProfile = addItem(view, "MenProfile", QStringLiteral("P&rofil"));
    MenProfile->setCheckable(true);
    MenAnalog = addItem(view, "MenAnalog", QStringLiteral("Analog&eingänge"));
    MenAnalog->setCheckable(true);
    MenTerminal = addItem(view, "MenTerminal", QStringLiteral("Te&rminal"));
    MenTerminal->setCheckable(true);
    MenMemory = addItem(view, "MenMemory", QStringLiteral("Speic&her"));
    MenMemory->setCheckable(true);
    MenCPURegister->setCheckable(true);
    MenIOPorts->setCheckable(true);
    MenToolbar->setCheckable(true);
    MenSymbols->setCheckable(true);
    MenCPURegister->setChecked(true);
    MenIOPorts->setChecked(true);
    MenToolbar->setChecked(true);
    MenSymbols->setChecked(true);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Hilfe"));
    help->setObjectName(QStringLiteral("Hilfe1"));
    Inhalt1 = addItem(help, "Inhalt1", QStringLiteral("&Inhalt"));
    Suchen1 = addItem(help, "Suchen1", QStringLiteral("&Suchen..."));
    Hilfebenutzen1 = addItem(help, "Hilfebenutzen1", QStringLiteral("&Hilfe benutzen"));
    Info1 = addItem(help, "Info1", QStringLiteral("In&fo..."));
    Inhalt1->setEnabled(false);
    Suchen1->setEnabled(false);
    Hilfebenutzen1->setEnabled(false);
}

void TFormMain::CreateToolbars() {
    ToolbarMenu = new QToolBar(QStringLiteral("Toolbar"), this);
    ToolbarMenu->setObjectName(QStringLiteral("ToolbarMenu"));
    ToolbarMenu->setIconSize(QSize(16, 16));
    addToolBar(Qt::TopToolBarArea, ToolbarMenu);
    QAction* open = ToolbarMenu->addAction(style()->standardIcon(QStyle::SP_DialogOpenButton),
                                           QStringLiteral("Öffnen"));
    open->setObjectName(QStringLiteral("ToolbarButton971"));
    connect(open, &QAction::triggered, this, [this] { MenOpenClick(); });
    ToolbarMenu->addSeparator()->setObjectName(QStringLiteral("ToolbarSep971"));
    const struct {
        const char* Name;
        const char* Glyph;
        const char* Tip;
        void (TFormMain::*Handler)();
    } buttons[] = {
        {"ToolbarButton972", ":/PLAY", "Start (F9)", &TFormMain::MenRunClick},
        {"ToolbarButton973", ":/SLOW", "Einzelschritt (F7)", &TFormMain::MenSingleStepClick},
        {"ToolbarButton974", ":/STOP", "Stop (Esc)", &TFormMain::MenStopClick},
    };
    QAction** const places[] = {&ToolbarRun, &ToolbarSingleStep, &ToolbarStop};
    for (size_t i = 0; i < std::size(buttons); ++i) {
        const auto& b = buttons[i];
        QAction* action = ToolbarMenu->addAction(TwoImageGlyph(QString::fromLatin1(b.Glyph)),
                                                 QString::fromUtf8(b.Tip));
        action->setObjectName(QString::fromLatin1(b.Name));
        const auto handler = b.Handler;
        connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
        *places[i] = action;
    }

    ToolbarPorts = new QToolBar(QStringLiteral("Ports"), this);
    ToolbarPorts->setObjectName(QStringLiteral("ToolbarPorts"));
    addToolBar(Qt::BottomToolBarArea, ToolbarPorts);
    const int bitCounts[5] = {8, 8, 8, 6, 8};
    const bool inputs[5] = {true, false, true, true, true};
    const bool outputs[5] = {true, true, true, true, false};
    for (int p = 0; p < 5; ++p) {
        auto* panel = new TKVCPUPortPanel(ToolbarPorts);
        panel->setObjectName(QStringLiteral("Port%1Panel").arg(QChar(u'A' + p)));
        panel->SetCaption(QString::fromLatin1(PortCaptions[p]));
        panel->SetBitCount(bitCounts[p]);
        panel->SetInputPort(inputs[p]);
        panel->SetOutputPort(outputs[p]);
        panel->setFixedSize(panel->size()); // the toolbar lays it out by its hint
        PortPanels[static_cast<size_t>(p)] = panel;
        PortPanelActions[static_cast<size_t>(p)] = ToolbarPorts->addWidget(panel);
        if (p < 4) {
            QAction* sep = ToolbarPorts->addSeparator();
            sep->setObjectName(QStringLiteral("ToolbarSepPort%1").arg(QChar(u'A' + p)));
            ToolbarSepPorts[static_cast<size_t>(p)] = sep;
        }
    }

    PopupMenuPorts = new QMenu(this);
    PopupMenuPorts->setObjectName(QStringLiteral("PopupMenuPorts"));
    const bool shown[5] = {true, false, false, true, true};
    for (int p = 0; p < 5; ++p) {
        QAction* item = PopupMenuPorts->addAction(QString::fromLatin1(PortCaptions[p]));
        item->setObjectName(QStringLiteral("PMenPort%1").arg(QChar(u'A' + p)));
        item->setCheckable(true);
        item->setChecked(shown[p]);
        PMenPorts[static_cast<size_t>(p)] = item;
    }
    ToolbarPorts->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ToolbarPorts, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenuPorts->popup(ToolbarPorts->mapToGlobal(pos)); });
}

void TFormMain::CreateToolWindows() {
    ToolbarCPU = new QDockWidget(QStringLiteral("CPU Register"), this);
    ToolbarCPU->setObjectName(QStringLiteral("ToolbarCPU"));
    ToolbarCPU->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                            QDockWidget::DockWidgetFloatable);
    CPUControl = new TKV68HC11Control(ToolbarCPU);
    CPUControl->setObjectName(QStringLiteral("CPUControl"));
    CPUControl->setTitle(QStringLiteral("CPU Register"));
    CPUControl->setFixedSize(227, 197);
    SimControl = new TKV68HC11SimControl(CPUControl);
    SimControl->setObjectName(QStringLiteral("SimControl"));
    SimControl->setVisible(false);
    // In a frame of its own: the panel keeps its size while the docked column grows wider.
    auto* cpuFrame = new QWidget(ToolbarCPU);
    auto* cpuLayout = new QVBoxLayout(cpuFrame);
    cpuLayout->setContentsMargins(0, 0, 0, 0);
    cpuLayout->addWidget(CPUControl, 0, Qt::AlignLeft | Qt::AlignTop);
    CPUControl->setParent(cpuFrame);
    ToolbarCPU->setWidget(cpuFrame);
    addDockWidget(Qt::RightDockWidgetArea, ToolbarCPU);

    ToolbarSymbols = new QDockWidget(QStringLiteral("Überwachte Ausdrücke"), this);
    ToolbarSymbols->setObjectName(QStringLiteral("ToolbarSymbols"));
    WatchView = new TWatchView(ToolbarSymbols);
    WatchView->setObjectName(QStringLiteral("WatchView"));
    StringGridSymbols = WatchView->table();
    WatchView->setMachine(System);
    ToolbarSymbols->setWidget(WatchView);
    addDockWidget(Qt::RightDockWidgetArea, ToolbarSymbols);

    ToolbarSignals = new QDockWidget(QStringLiteral("Signale"), this);
    ToolbarSignals->setObjectName(QStringLiteral("ToolbarSignals"));
    SignalView = new TSignalView(ToolbarSignals);
    SignalView->setObjectName(QStringLiteral("SignalView"));
    SignalView->setMachine(System);
    ToolbarSignals->setWidget(SignalView);
    addDockWidget(Qt::BottomDockWidgetArea, ToolbarSignals);

    ToolbarProfile = new QDockWidget(QStringLiteral("Profil"), this);
    ToolbarProfile->setObjectName(QStringLiteral("ToolbarProfile"));
    ProfileView = new TProfileView(ToolbarProfile);
    ProfileView->setObjectName(QStringLiteral("ProfileView"));
    ProfileView->setMachine(System);
    ToolbarProfile->setWidget(ProfileView);
    addDockWidget(Qt::RightDockWidgetArea, ToolbarProfile);
    ToolbarAnalog = new QDockWidget(QStringLiteral("Analogeingänge"), this);
    ToolbarAnalog->setObjectName(QStringLiteral("ToolbarAnalog"));
    AnalogView = new TAnalogInputsView(ToolbarAnalog);
    AnalogView->setObjectName(QStringLiteral("AnalogView"));
    AnalogView->setMachine(System);
    ToolbarAnalog->setWidget(AnalogView);
    addDockWidget(Qt::RightDockWidgetArea, ToolbarAnalog);
    ToolbarTerminal = new QDockWidget(QStringLiteral("Terminal"), this);
    ToolbarTerminal->setObjectName(QStringLiteral("ToolbarTerminal"));
    TerminalView = new TTerminalView(ToolbarTerminal);
    TerminalView->setObjectName(QStringLiteral("TerminalView"));
    TerminalView->setMachine(System);
    ToolbarTerminal->setWidget(TerminalView);
    addDockWidget(Qt::BottomDockWidgetArea, ToolbarTerminal);
    ToolbarMemory = new QDockWidget(QStringLiteral("Speicher"), this);
    ToolbarMemory->setObjectName(QStringLiteral("ToolbarMemory"));
    MemoryView = new TMemoryView(ToolbarMemory);
    MemoryView->setObjectName(QStringLiteral("MemoryView"));
    MemoryView->setMachine(System);
    ToolbarMemory->setWidget(MemoryView);
    addDockWidget(Qt::BottomDockWidgetArea, ToolbarMemory);
    tabifyDockWidget(ToolbarTerminal, ToolbarMemory);
}

// ---------------------------------------------------------------------------------------------
// Wiring.

void TFormMain::WireEvents() {
    connect(MenOpen, &QAction::triggered, this, [this] { MenOpenClick(); });
    RecentFiles->OnOpen = [this](const QString& File) {
        Guarded([this, File] { OpenListing(File); });
    };
    ProgramWatcher = new TProgramWatcher(this);
    ProgramWatcher->OnChanged = [this] { Guarded([this] { ProgramFileChanged(); }); };
    setAcceptDrops(true);
    SynEdit->viewport()->installEventFilter(this);
    connect(MenExit, &QAction::triggered, this, [this] { close(); });
    connect(MenRun, &QAction::triggered, this, [this] { MenRunClick(); });
    connect(MenSingleStep, &QAction::triggered, this, [this] { MenSingleStepClick(); });
    connect(MenStop, &QAction::triggered, this, [this] { MenStopClick(); });
    connect(MenReset, &QAction::triggered, this, [this] { MenResetClick(); });
    for (QAction* item : {MenCPURegister, MenIOPorts, MenToolbar, MenSymbols, MenSignals,
                          MenProfile, MenAnalog, MenTerminal, MenMemory,
                          MenBreakpoints, MenCalls}) {
        // QAction has already inverted the check mark; undo that, the handler inverts it.
        connect(item, &QAction::triggered, this, [this, item] {
            item->setChecked(!item->isChecked());
            MenViewToolbarClick(item);
        });
    }
    for (QAction* item : PMenPorts) {
        connect(item, &QAction::triggered, this, [this, item] {
            item->setChecked(!item->isChecked());
            PMenPortClick(item);
        });
    }
    connect(Info1, &QAction::triggered, this, [this] { Info1Click(); });

    System->OnClockTick = [this] { MachineClockTick(); };
    System->OnReset = [this] { MachineReset(); };
    System->OnPortChange = [this](Env::TPort port) { CPU_EnvironmentPortChange(port); };
    SimControl->OnStart = [this](QObject*) { return SimControlStart(); };
    SimControl->OnFinish = [this](QObject*) { SimControlFinish(); };
    ProfileView->OnShowLine = [this](int32_t Line) { SynDebug->ShowLine(Line); };
    ProfileView->OnProfileChanged = [this] { ProfileGutter->refresh(); };
    SimControl->MessageSink = Sink;
    CPUControl->MessageSink = Sink;
    SignalView->MessageSink = Sink;
    for (int p : {Env::PortA, Env::PortC, Env::PortD, Env::PortE}) {
        PortPanels[static_cast<size_t>(p)]->OnChange = [this, p](QObject*) { PortPanelChange(p); };
    }
    for (QToolBar* bar : {ToolbarMenu, ToolbarPorts}) {
        connect(bar, &QToolBar::visibilityChanged, this, [this] { ToolbarClose(); });
    }
    for (QDockWidget* dock : {ToolbarCPU, ToolbarSymbols, ToolbarSignals, ToolbarProfile,
                              ToolbarAnalog, ToolbarTerminal, ToolbarMemory,
                              ToolbarBreakpoints, ToolbarCalls}) {
        connect(dock, &QDockWidget::visibilityChanged, this, [this] { ToolbarClose(); });
    }
    SynDebug->OnChangeBreakpoint = [this](TSynDebug*, int32_t line) {
        SynDebugChangeBreakpoint(line);
    };
    TimerMessage->OnTextChanged = [this](const QString& text) { TimerMessageTextChanged(text); };
    connect(StringGridSymbols, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        // Grid rows count the fixed header row as row 0.
        StringGridSymbolsSetEditText(item->column(), item->row() + 1, item->text());
    });
    System->setMessagePump([this] { PumpMessages(); });
    WireDebugEvents();
}

void TFormMain::SetMessageSink(TMessageSink* Value) {
    Sink = Value ? Value : OwnSink.get();
    System->setMessageSink(Sink);
    SimControl->MessageSink = Sink;
    CPUControl->MessageSink = Sink;
    SignalView->MessageSink = Sink;
}

void TFormMain::FormCreate() {
    MenViewToolbarClick(this);
    PMenPortClick(this);
    SynDebug->ExecutionMark()->ImageIndex = ExecutionImage;
    ShowRunState(false);
}

QSize TFormMain::DefaultSize() const {
    // The toolbar lines its items up at their size hints with spacing between them, after its
    // handle and within its margins; an item that does not fit goes behind the extension button.
    // Counted over every item, shown or not, so that the user can show all five ports.
    const QLayout* layout = ToolbarPorts->layout();
    const QMargins margins = layout->contentsMargins();
    int width = margins.left() + margins.right() - layout->spacing();
    if (ToolbarPorts->isMovable())
        width += style()->pixelMetric(QStyle::PM_ToolBarHandleExtent, nullptr, ToolbarPorts);
    for (QAction* action : ToolbarPorts->actions()) {
        const QWidget* item = ToolbarPorts->widgetForAction(action);
        width += layout->spacing() +
                 qBound(item->minimumWidth(), item->sizeHint().width(), item->maximumWidth());
    }
    // Wide enough for the source view between the docks, and within a 1366x768 screen.
    return {std::max(width, 1340), 700};
}

void TFormMain::showEvent(QShowEvent* Event) {
    QMainWindow::showEvent(Event);
}

// ---------------------------------------------------------------------------------------------
// Commands.

void TFormMain::ShowError(const QString& Text) {
    Sink->Show(Text, QStringLiteral("Tarvik68HC11"), TMsgIcon::Error, TMsgButtons::Ok);
}

void TFormMain::Guarded(const std::function<void()>& Command) {
    try {
        Command();
    } catch (const std::exception& e) {
        ShowError(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        ShowError(QStringLiteral("Unbekannter Fehler."));
    }
}

void TFormMain::MenOpenClick() {
    Guarded([this] {
        QString name;
        if (AskOpenFileName) {
            name = AskOpenFileName();
        } else {
            QFileDialog dialog(this);
            SetUpOpenDialog(dialog);
            if (dialog.exec() == QDialog::Accepted) name = dialog.selectedFiles().value(0);
        }
        if (name.isEmpty()) return;
        OpenListing(name);
    });
}

void TFormMain::closeEvent(QCloseEvent* Event) {
    // Left running, the run loop would keep the hidden window's process alive for ever.
    System->stop();
    SaveLayout();
    QMainWindow::closeEvent(Event);
}

void TFormMain::SetUpOpenDialog(QFileDialog& Dialog) const {
    Dialog.setWindowTitle(QStringLiteral("Öffnen"));
    Dialog.setAcceptMode(QFileDialog::AcceptOpen);
    Dialog.setFileMode(QFileDialog::ExistingFile);
    // A name typed without extension gets the chosen filter's; "Alle Dateien" adds none, so
    // that an ELF file without extension can be chosen.
    struct Filter {
        QString Text, Suffix;
    };
    static const Filter filters[] = {
        {QStringLiteral("Listfiles (*.lst)"), QStringLiteral("lst")},
        {QStringLiteral("Programmdateien (*.lst *.s19 *.s28 *.s37 *.hex *.elf)"),
         QStringLiteral("lst")},
        {QStringLiteral("Motorola S-Records (*.s19 *.s28 *.s37)"), QStringLiteral("s19")},
        {QStringLiteral("Intel HEX (*.hex)"), QStringLiteral("hex")},
        {QStringLiteral("ELF-Programme (*.elf)"), QStringLiteral("elf")},
        {QStringLiteral("Alle Dateien (*)"), QString()},
    };
    QStringList names;
    for (const Filter& f : filters)
        names << f.Text;
    Dialog.setNameFilters(names);
    Dialog.setDefaultSuffix(QStringLiteral("lst"));
    QObject::connect(&Dialog, &QFileDialog::filterSelected, &Dialog,
                     [&Dialog](const QString& Name) {
                         for (const Filter& f : filters)
                             if (f.Text == Name) Dialog.setDefaultSuffix(f.Suffix);
                     });
    const bool remembered = !ListingFolder.isEmpty() && QDir(ListingFolder).exists();
    Dialog.setDirectory(remembered ? ListingFolder : QDir::currentPath());
}

bool TFormMain::OpenListing(const QString& FileName) {
    // A listing opened from inside a run would pull the program from under it.
    System->stop();
    QString error;
    if (!System->load(FileName, &error)) { // the machine requests the reset
        ShowError(error);
        return false;
    }
    ListingFolder = QFileInfo(FileName).absolutePath();
    SynDebug->SetExecutionLine(-1);
    ShowProgramText(); // the machine has dropped the old program's breakpoints
    RecentFiles->add(FileName);
    ProgramWatcher->watch(FileName);
    WatchView->loadFor(FileName);
    ShowDebugState();
    TimerMessage->ShowText(QStringLiteral("File loaded."), 4000);
    return true;
}

void TFormMain::ShowProgramText() {
    SynDebug->ClearBreakpoints();
    SynEdit->SetLines(System->program().Lines());
    SynEdit->document()->setModified(false);
    for (uint32_t address : System->breakpoints())
        ShowBreakpointMarks(address);
}

bool TFormMain::ReloadAlways() const {
    return QSettings().value(QStringLiteral("reloadAlways"), false).toBool();
}

void TFormMain::SetReloadAlways(bool Value) {
    QSettings().setValue(QStringLiteral("reloadAlways"), Value);
}

void TFormMain::ProgramFileChanged() {
    if (System->programFile().isEmpty() || AskingReload) return;
    if (!ReloadAlways()) {
        AskingReload = true;
        struct Done {
            bool& Flag;
            ~Done() { Flag = false; }
        } done{AskingReload};
        TReloadAnswer answer = TReloadAnswer::No;
        if (AskReload) {
            answer = AskReload();
        } else {
            QMessageBox box(QMessageBox::Question, QStringLiteral("Datei geändert"),
                            QStringLiteral("Die Datei wurde geändert. Neu laden?"),
                            QMessageBox::Yes | QMessageBox::No, this);
            box.setInformativeText(QDir::toNativeSeparators(System->programFile()));
            auto* always = new QCheckBox(QStringLiteral("immer"), &box);
            box.setCheckBox(always);
            if (box.exec() == QMessageBox::Yes)
                answer = always->isChecked() ? TReloadAnswer::YesAlways : TReloadAnswer::Yes;
        }
        if (answer == TReloadAnswer::No) return;
        if (answer == TReloadAnswer::YesAlways) SetReloadAlways(true);
    }
    ReloadProgram();
}

void TFormMain::ReloadProgram() {
    System->stop();
    QString error;
    int lost = 0;
    if (!System->reload(&error, &lost)) {
        ShowError(error);
        return;
    }
    SynDebug->SetExecutionLine(-1);
    ShowProgramText();
    TimerMessage->ShowText(
        lost == 0   ? QStringLiteral("Neu geladen.")
        : lost == 1 ? QStringLiteral("Neu geladen; 1 Haltepunkt konnte nicht übernommen werden.")
                    : QStringLiteral("Neu geladen; %1 Haltepunkte konnten nicht übernommen werden.")
                          .arg(lost),
        6000);
}

namespace {

// The first local file of a drag, or empty.
QString droppedFile(const QMimeData* Data) {
    if (!Data || !Data->hasUrls()) return {};
    for (const QUrl& url : Data->urls())
        if (url.isLocalFile()) return url.toLocalFile();
    return {};
}

} // namespace

void TFormMain::dragEnterEvent(QDragEnterEvent* Event) {
    if (!droppedFile(Event->mimeData()).isEmpty()) Event->acceptProposedAction();
}

void TFormMain::dropEvent(QDropEvent* Event) {
    const QString file = droppedFile(Event->mimeData());
    if (file.isEmpty()) return;
    Event->acceptProposedAction();
    // Opened after the drop has finished: a message box inside the drop would block the source.
    QTimer::singleShot(0, this, [this, file] { Guarded([this, file] { OpenListing(file); }); });
}

bool TFormMain::eventFilter(QObject* Watched, QEvent* Event) {
    // The source view would take a dropped file as text: the window opens it instead.
    if (Watched == SynEdit->viewport() &&
        (Event->type() == QEvent::DragEnter || Event->type() == QEvent::DragMove ||
         Event->type() == QEvent::Drop)) {
        auto* drop = static_cast<QDropEvent*>(Event);
        if (droppedFile(drop->mimeData()).isEmpty()) return false;
        if (Event->type() == QEvent::Drop)
            dropEvent(drop);
        else
            drop->acceptProposedAction();
        return true;
    }
    return QMainWindow::eventFilter(Watched, Event);
}

void TFormMain::MenResetClick() {
    System->requestReset();
}

void TFormMain::MenRunClick() {
    Guarded([this] { SimControl->Play(); });
}

void TFormMain::MenSingleStepClick() {
    Guarded([this] { SimControl->SingleStep(); });
}

void TFormMain::MenStopClick() {
    SimControl->Stop();
}

bool TFormMain::SimControlStart() {
    // A value typed into a register field but not yet confirmed counts before the step.
    if (!CPUControl->CommitPendingEdits()) return false;
    ShowRunState(true);
    TimerMessage->SetDefaultText(RunningText());
    TimerMessageTextChanged(RunningText());
    return true;
}

void TFormMain::ShowRunState(bool Running) {
    for (QAction* action : {MenRun, MenSingleStep, ToolbarRun, ToolbarSingleStep,
                            MenNoSubroutines, MenStepOut, MenRunToCursor})
        action->setEnabled(!Running);
    for (QAction* action : {MenStop, ToolbarStop})
        action->setEnabled(Running);
}

void TFormMain::SimControlFinish() {
    ShowRunState(false);
    TimerMessage->SetDefaultText(QString());
    switch (System->lastStopReason()) {
    case StopReason::Breakpoint:
        TimerMessage->ShowText(QStringLiteral("Haltepunkt erreicht."), 4000);
        break;
    case StopReason::User: TimerMessage->ShowText(QStringLiteral("Angehalten."), 4000); break;
    case StopReason::Watch:
        TimerMessage->ShowText(QStringLiteral("Datenhaltepunkt: %1").arg(System->watchHitText()),
                               10000);
        break;
    case StopReason::Halt:
        TimerMessage->ShowText(QStringLiteral("STOP-Befehl: Takt angehalten"), 4000);
        break;
    default:
        // The errors that stop a run have shown their box; a message of the step stays.
        if (StatusPanels[2]->text() == RunningText()) TimerMessageTextChanged(QString());
        break;
    }
    TimeDirty = true;
    MemoryView->stopped();
    FlushDisplay();
    StatusPanels[1]->setText(QStringLiteral("Cycles: %1").arg(CPU->CycleCount));
    CPUControl->UpdateDisplay();
    // The source file the PC is in, or code that no text showed yet.
    if (System->followProgramCounter()) ShowProgramText();
    const int32_t line = LineOfProgramCounter(static_cast<uint32_t>(CPU->PC));
    SynDebug->SetExecutionLine(line);
    if (line > 0) SynDebug->ShowLine(line);
    ShowDebugState();
}

int32_t TFormMain::LineOfProgramCounter(uint32_t Address) const {
    // The loader keeps an address index of its lines; it answers for the view as long as the
    // view still shows the listing unedited.
    if (!SynEdit->document()->isModified()) {
        const int32_t index = System->program().LineOfAddress(Address & 0xFFFF);
        return index >= 0 ? index + 1 : -1;
    }
    return ScanViewForAddress(Address);
}

int32_t TFormMain::ScanViewForAddress(uint32_t Address) const {
    const QString wanted = QStringLiteral("%1").arg(Address & 0xFFFF, 4, 16, QChar(u'0')).toUpper();
    int32_t found = -1;
    int32_t line = 1;
    for (QTextBlock b = SynEdit->document()->begin(); b.isValid(); b = b.next(), ++line) {
        // Columns 14 to 17 (1-based) hold the address of a code line.
        if (b.text().mid(13, 4).toUpper() == wanted) found = line;
    }
    return found;
}

void TFormMain::MachineClockTick() {
    TimeDirty = true;
    if (!System->isRunning()) FlushDisplay();
}

void TFormMain::MachineReset() {
    TimerMessage->ShowText(QStringLiteral("Processor reset."), 4000);
}

void TFormMain::CPU_EnvironmentPortChange(int Port) {
    // During a run a program may write its ports a million times a second: the panels follow
    // at the pace of the window's message processing.
    PortDirty[static_cast<size_t>(Port)] = true;
    if (!System->isRunning()) FlushDisplay();
}

void TFormMain::PortPanelChange(int Port) {
    if (Port == Env::PortB || Port < 0 || Port >= Env::PortCount) return; // B has no inputs
    System->setPortInput(static_cast<Env::TPort>(Port),
                         PortPanels[static_cast<size_t>(Port)]->InputValue());
    ShowPort(Port);
}

void TFormMain::ShowPort(int Port) {
    PortDirty[static_cast<size_t>(Port)] = false;
    PortPanels[static_cast<size_t>(Port)]->SetValue(
        System->portPins(static_cast<Env::TPort>(Port)));
}

void TFormMain::PumpMessages() {
    if (PumpClock.isValid() && PumpClock.elapsed() < PumpIntervalMs) return;
    PumpClock.start();
    // Sixteen fields repaint for every change of the registers: ten times a second is lively
    // enough and keeps the run's speed.
    if (!RegisterClock.isValid() || RegisterClock.elapsed() >= RegisterIntervalMs) {
        RegisterClock.start();
        RegistersDirty = true;
    }
    FlushDisplay();
    if (System->speed() > 0 && (!SpeedClock.isValid() || SpeedClock.elapsed() >= 500)) {
        // A paced run says how close it keeps to its pace.
        SpeedClock.start();
        const QString achieved =
            QString::number(System->achievedSpeed(), 'f', 2).replace(u'.', u',');
        TimerMessage->SetDefaultText(RunningText() + QStringLiteral(" (%1× Echtzeit)").arg(achieved));
        if (StatusPanels[2]->text().startsWith(RunningText()))
            TimerMessageTextChanged(TimerMessage->DefaultText());
    }
    QCoreApplication::processEvents();
}

void TFormMain::FlushDisplay() {
    if (TimeDirty) {
        TimeDirty = false;
        const int32_t tenths = System->timeTenths();
        StatusPanels[0]->setText(QStringLiteral("Time: %1.%2 s").arg(tenths / 10).arg(tenths % 10));
        StatusPanels[1]->setText(QStringLiteral("Cycles: %1").arg(CPU->CycleCount));
    }
    if (RegistersDirty) {
        RegistersDirty = false;
        CPUControl->UpdateDisplay();
        if (ToolbarSymbols->isVisible()) WatchView->refresh(false);
    }
    for (int p = 0; p < 5; ++p) {
        if (PortDirty[static_cast<size_t>(p)]) ShowPort(p);
    }
    if (ToolbarSignals->isVisible()) SignalView->refresh();
    if (ToolbarProfile->isVisible()) {
        // The table scans the whole address space: during a run twice a second is enough.
        if (System->isRunning())
            ProfileView->refreshAtPace();
        else
            ProfileView->refresh();
    }
    if (System->isRunning())
        ProfileGutter->refreshAtPace();
    else
        ProfileGutter->refresh();
    if (ToolbarAnalog->isVisible()) AnalogView->refresh();
    if (System->isRunning())
        MemoryView->refreshAtPace();
    else
        MemoryView->refresh();
    // Also while hidden: the bytes sent meanwhile are there when the window opens.
    TerminalView->refresh();
}

void TFormMain::TimerMessageTextChanged(const QString& NewText) {
    StatusPanels[2]->setText(NewText);
}

int32_t TFormMain::AddressOfLine(int32_t Line) const {
    const QTextBlock block = SynEdit->document()->findBlockByNumber(Line - 1);
    if (!block.isValid()) return -1;
    // The address columns hold ASCII in every code line, whatever the rest is encoded in.
    return TKV_68HC11_ListFileLoader::LineTextAddress(block.text().toLatin1());
}

void TFormMain::SynDebugChangeBreakpoint(int32_t LineNr) {
    // The line's own address, as the view shows it now: the core's table is the only record.
    const int32_t address = AddressOfLine(LineNr);
    if (address < 0) return;
    System->toggleBreakpoint(static_cast<uint32_t>(address));
    ShowBreakpointMarks(static_cast<uint32_t>(address));
    BreakpointsView->refresh();
}

void TFormMain::ShowBreakpointMarks(uint32_t Address) {
    const bool active = System->hasBreakpoint(Address);
    int32_t line = 1;
    for (QTextBlock b = SynEdit->document()->begin(); b.isValid(); b = b.next(), ++line) {
        if (TKV_68HC11_ListFileLoader::LineTextAddress(b.text().toLatin1()) !=
            static_cast<int32_t>(Address))
            continue;
        TSynDebugMark* mark = SynDebug->FindBreakpoint(line);
        if (active && !mark)
            SynDebug->AddMark(std::make_unique<TSynDebugBreakpoint>(BreakpointImage, line));
        else if (!active && mark)
            SynDebug->RemoveMark(mark); // the returned mark is freed here
    }
}

void TFormMain::StringGridSymbolsSetEditText(int Column, int Row, const QString& Text) {
    // Row counts the fixed header row, so the grid's last row is rowCount().
    if (Column == 0 && Row == StringGridSymbols->rowCount() && !Text.isEmpty()) {
        StringGridSymbols->insertRow(StringGridSymbols->rowCount());
    }
}

void TFormMain::MenViewToolbarClick(QObject* Sender) {
    for (QAction* item : {MenCPURegister, MenIOPorts, MenToolbar, MenSymbols, MenSignals,
                          MenProfile, MenAnalog, MenTerminal, MenMemory,
                          MenBreakpoints, MenCalls}) {
        if (Sender == item) item->setChecked(!item->isChecked());
    }
    SyncingToolbars = true;
    ToolbarCPU->setVisible(MenCPURegister->isChecked());
    ToolbarPorts->setVisible(MenIOPorts->isChecked());
    ToolbarMenu->setVisible(MenToolbar->isChecked());
    ToolbarSymbols->setVisible(MenSymbols->isChecked());
    ToolbarSignals->setVisible(MenSignals->isChecked());
    ToolbarProfile->setVisible(MenProfile->isChecked());
    ToolbarAnalog->setVisible(MenAnalog->isChecked());
    ToolbarTerminal->setVisible(MenTerminal->isChecked());
    ToolbarMemory->setVisible(MenMemory->isChecked());
    ToolbarBreakpoints->setVisible(MenBreakpoints->isChecked());
    ToolbarCalls->setVisible(MenCalls->isChecked());
    // A tool window just shown comes to the front of its tab group.
    const std::pair<QAction*, QDockWidget*> docks[] = {
        {MenCPURegister, ToolbarCPU},   {MenSymbols, ToolbarSymbols},
        {MenSignals, ToolbarSignals},   {MenProfile, ToolbarProfile},
        {MenAnalog, ToolbarAnalog},     {MenTerminal, ToolbarTerminal},
        {MenMemory, ToolbarMemory},     {MenBreakpoints, ToolbarBreakpoints},
        {MenCalls, ToolbarCalls}};
    for (const auto& [item, dock] : docks)
        if (Sender == item && item->isChecked()) dock->raise();
    SyncingToolbars = false;
}

void TFormMain::ToolbarClose() {
    // Visibility also changes while the window itself is hidden or minimised, and while the
    // View menu sets it; only a toolbar the user closed changes the check marks.
    if (SyncingToolbars || !isVisible() || isMinimized()) return;
    SyncViewMenu();
}

void TFormMain::SyncViewMenu() {
    MenCPURegister->setChecked(ToolbarCPU->isVisible());
    MenIOPorts->setChecked(ToolbarPorts->isVisible());
    MenToolbar->setChecked(ToolbarMenu->isVisible());
    MenSymbols->setChecked(ToolbarSymbols->isVisible());
    MenSignals->setChecked(ToolbarSignals->isVisible());
    MenProfile->setChecked(ToolbarProfile->isVisible());
    MenAnalog->setChecked(ToolbarAnalog->isVisible());
    MenTerminal->setChecked(ToolbarTerminal->isVisible());
    MenMemory->setChecked(ToolbarMemory->isVisible());
    MenBreakpoints->setChecked(ToolbarBreakpoints->isVisible());
    MenCalls->setChecked(ToolbarCalls->isVisible());
}

void TFormMain::PMenPortClick(QObject* Sender) {
    for (QAction* item : PMenPorts) {
        if (Sender == item) item->setChecked(!item->isChecked());
    }
    for (size_t p = 0; p < 5; ++p) {
        const bool shown = PMenPorts[p]->isChecked();
        PortPanelActions[p]->setVisible(shown);
        if (p < 4) ToolbarSepPorts[p]->setVisible(shown);
    }
}

void TFormMain::Info1Click() {
    FormAbout->exec();
}
