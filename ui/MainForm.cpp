#include "ui/MainForm.h"

#include "cpu/CPUExternal.h"
#include "hc11/C68HC11.h"
#include "hc11/C68HC11Env.h"
#include "hc11/ListFileLoader.h"
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

#include <QCoreApplication>
#include <QDir>
#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QPointer>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QTableWidget>
#include <QTextBlock>
#include <QToolBar>
#include <algorithm>
#include <exception>
#include <memory>

namespace {

using Env = TCPU_68HC11_Environment;

const char* const PortCaptions[5] = {"Port A", "Port B", "Port C", "Port D", "Port E"};

// A breakpoint mark that owns the CPU breakpoint of the listing line it was set on: the
// breakpoint is set while the mark lives. So a mark that goes away with its deleted line, or
// with a click, takes its breakpoint along, and lines inserted above it since do not matter.
class TListingBreakpoint : public TSynDebugBreakpoint {
public:
    TListingBreakpoint(int32_t Line, TKV_68HC11_ListFileLoader* Loader)
        : TSynDebugBreakpoint(TFormMain::BreakpointImage, Line), Loader(Loader),
          ListingLine(Line - 1) {
        Loader->SetLineBreakpoint(ListingLine, true);
    }
    ~TListingBreakpoint() override {
        if (Loader) Loader->SetLineBreakpoint(ListingLine, false);
    }

private:
    QPointer<TKV_68HC11_ListFileLoader> Loader;
    int32_t ListingLine;
};

} // namespace

TFormMain::TFormMain(QWidget* Parent) : QMainWindow(Parent) {
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(QStringLiteral("Tarvik68HC11"));
    OwnSink = std::make_unique<TQtMessageSink>(this);
    Sink = OwnSink.get();
    CreateComponents();
    WireEvents();
    FormCreate();
    resize(DefaultSize());
}

TFormMain::~TFormMain() {
    // The run loop may still hold a pump that points at us.
    CPU->MessagePump = nullptr;
    CPU->Stop();
}

// ---------------------------------------------------------------------------------------------
// The window's stored description: every component with its settings, in one place.

void TFormMain::CreateComponents() {
    CPU = new TCPU_68HC11_(this);
    CPU->setObjectName(QStringLiteral("CPU"));
    CPU->MessageSink = Sink;

    CPU_Environment = new Env(this);
    CPU_Environment->setObjectName(QStringLiteral("CPU_Environment"));
    CPU_Environment->SetFlags(Env::hc11_ModA | Env::hc11_ModB);
    CPU_Environment->SetMode(Env::hc11_Normal_Expanded);
    CPU_Environment->SetConfig({});

    CPUExternal = new TCPUExternal(this);
    CPUExternal->setObjectName(QStringLiteral("CPUExternal"));
    CPUExternal->SetTimerClocks(100000);
    CPUExternal->SetMemoryBase(0xFF00);
    CPUExternal->SetMemorySize(0);

    ListFileLoader = new TKV_68HC11_ListFileLoader(this);
    ListFileLoader->setObjectName(QStringLiteral("ListFileLoader"));

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

    CreateStatusBar();

    TimerMessage = new TKvTimerMessage(this);
    TimerMessage->setObjectName(QStringLiteral("TimerMessage"));

    CreateMenus();
    CreateToolbars();
    CreateToolWindows();

    FormAbout = new TFormAbout(this);

    // References to the CPU are resolved last, once every component holds its settings.
    CPU_Environment->SetCPU(CPU);
    CPUExternal->SetCPU(CPU);
    ListFileLoader->SetCPU(CPU);
    CPUControl->SetCPU(CPU);
    SimControl->SetCPU(CPU);
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
    emulator->addSeparator();
    MenReset = addItem(emulator, "MenReset", QStringLiteral("Rese&t"));

    QMenu* view = menuBar()->addMenu(QStringLiteral("&Ansicht"));
    view->setObjectName(QStringLiteral("MMenView"));
    MenCPURegister = addItem(view, "MenCPURegister", QStringLiteral("&CPU Register"));
    MenIOPorts = addItem(view, "MenIOPorts", QStringLiteral("IO &Ports"));
    MenToolbar = addItem(view, "MenToolbar", QStringLiteral("&Toolbar"));
    MenSymbols = addItem(view, "MenSymbols", QStringLiteral("Überwachte &Ausdrücke"));
    MenCPURegister->setCheckable(true);
    MenIOPorts->setCheckable(true);
    MenToolbar->setCheckable(true);
    MenSymbols->setCheckable(true);
    MenCPURegister->setChecked(true);
    MenIOPorts->setChecked(true);
    MenToolbar->setChecked(true);
    MenSymbols->setChecked(false);

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
        {"ToolbarButton974", ":/STOP", "Stop", &TFormMain::MenStopClick},
    };
    for (const auto& b : buttons) {
        QAction* action = ToolbarMenu->addAction(TwoImageGlyph(QString::fromLatin1(b.Glyph)),
                                                 QString::fromUtf8(b.Tip));
        action->setObjectName(QString::fromLatin1(b.Name));
        const auto handler = b.Handler;
        connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
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
    ToolbarCPU->setWidget(CPUControl);
    addDockWidget(Qt::RightDockWidgetArea, ToolbarCPU);
    ToolbarCPU->setFloating(true);

    ToolbarSymbols = new QDockWidget(QStringLiteral("Überwachte Ausdrücke"), this);
    ToolbarSymbols->setObjectName(QStringLiteral("ToolbarSymbols"));
    StringGridSymbols = new QTableWidget(19, 2, ToolbarSymbols);
    StringGridSymbols->setObjectName(QStringLiteral("StringGridSymbols"));
    // The grid's first (fixed) row is the header row.
    StringGridSymbols->setHorizontalHeaderLabels({QString(), QString()});
    StringGridSymbols->verticalHeader()->setVisible(false);
    StringGridSymbols->verticalHeader()->setSectionsMovable(true);
    StringGridSymbols->verticalHeader()->setDefaultSectionSize(18);
    StringGridSymbols->horizontalHeader()->setDefaultSectionSize(64);
    StringGridSymbols->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    StringGridSymbols->setSelectionMode(QAbstractItemView::ContiguousSelection);
    StringGridSymbols->setEditTriggers(QAbstractItemView::AllEditTriggers);
    StringGridSymbols->setMinimumSize(140, 120);
    ToolbarSymbols->setWidget(StringGridSymbols);
    addDockWidget(Qt::RightDockWidgetArea, ToolbarSymbols);
    ToolbarSymbols->setFloating(true);
}

// ---------------------------------------------------------------------------------------------
// Wiring.

void TFormMain::WireEvents() {
    connect(MenOpen, &QAction::triggered, this, [this] { MenOpenClick(); });
    connect(MenExit, &QAction::triggered, this, [this] { close(); });
    connect(MenRun, &QAction::triggered, this, [this] { MenRunClick(); });
    connect(MenSingleStep, &QAction::triggered, this, [this] { MenSingleStepClick(); });
    connect(MenStop, &QAction::triggered, this, [this] { MenStopClick(); });
    connect(MenReset, &QAction::triggered, this, [this] { MenResetClick(); });
    for (QAction* item : {MenCPURegister, MenIOPorts, MenToolbar, MenSymbols}) {
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

    CPUExternal->OnTimer = [this](int32_t magic) { return CPUExternalTimer(magic); };
    CPUExternal->OnReset = [this] { CPUExternalReset(); };
    SimControl->OnFinish = [this](QObject*) { SimControlFinish(); };
    SimControl->MessageSink = Sink;
    CPUControl->MessageSink = Sink;
    CPU_Environment->OnPortAChange = [this] { CPU_EnvironmentPortChange(Env::PortA); };
    CPU_Environment->OnPortBChange = [this] { CPU_EnvironmentPortChange(Env::PortB); };
    CPU_Environment->OnPortCChange = [this] { CPU_EnvironmentPortChange(Env::PortC); };
    CPU_Environment->OnPortDChange = [this] { CPU_EnvironmentPortChange(Env::PortD); };
    for (int p : {Env::PortA, Env::PortC, Env::PortD, Env::PortE}) {
        PortPanels[static_cast<size_t>(p)]->OnChange = [this, p](QObject*) { PortPanelChange(p); };
    }
    for (QToolBar* bar : {ToolbarMenu, ToolbarPorts}) {
        connect(bar, &QToolBar::visibilityChanged, this, [this] { ToolbarClose(); });
    }
    for (QDockWidget* dock : {ToolbarCPU, ToolbarSymbols}) {
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
    CPU->MessagePump = [this] { PumpMessages(); };
}

void TFormMain::SetMessageSink(TMessageSink* Value) {
    Sink = Value ? Value : OwnSink.get();
    CPU->MessageSink = Sink;
    SimControl->MessageSink = Sink;
    CPUControl->MessageSink = Sink;
}

void TFormMain::FormCreate() {
    StringGridSymbols->horizontalHeaderItem(0)->setText(QStringLiteral("Symbol"));
    StringGridSymbols->horizontalHeaderItem(1)->setText(QStringLiteral("Wert"));
    const QSignalBlocker quiet(StringGridSymbols);
    StringGridSymbols->setItem(0, 0, new QTableWidgetItem(QStringLiteral("Not implemen")));
    StringGridSymbols->setItem(0, 1, new QTableWidgetItem(QStringLiteral("ted yet")));
    MenViewToolbarClick(this);
    PMenPortClick(this);
    SynDebug->ExecutionMark()->ImageIndex = ExecutionImage;
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
    return {std::max(width, 1000), 700};
}

void TFormMain::showEvent(QShowEvent* Event) {
    QMainWindow::showEvent(Event);
    if (FloatingPlaced) return;
    FloatingPlaced = true;
    // The tool windows float at fixed places over the window.
    const QPoint origin = geometry().topLeft();
    ToolbarCPU->move(origin + QPoint(70, 144));
    ToolbarSymbols->move(origin + QPoint(400, 158));
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

void TFormMain::SetUpOpenDialog(QFileDialog& Dialog) const {
    Dialog.setWindowTitle(QStringLiteral("Öffnen"));
    Dialog.setAcceptMode(QFileDialog::AcceptOpen);
    Dialog.setFileMode(QFileDialog::ExistingFile);
    Dialog.setNameFilter(QStringLiteral("Listfiles (*.lst)"));
    Dialog.setDefaultSuffix(QStringLiteral("lst"));
    const bool remembered = !ListingFolder.isEmpty() && QDir(ListingFolder).exists();
    Dialog.setDirectory(remembered ? ListingFolder : QDir::currentPath());
}

bool TFormMain::OpenListing(const QString& FileName) {
    QString error;
    if (!ListFileLoader->LoadFromFile(FileName, &error)) {
        ShowError(error);
        return false;
    }
    ListingFolder = QFileInfo(FileName).absolutePath();
    ListFileLoader->LoadToMemory();
    SynEdit->SetLines(ListFileLoader->Lines());
    SynEdit->document()->setModified(false);
    TimerMessage->ShowText(QStringLiteral("File loaded."), 4000);
    MenResetClick();
    return true;
}

void TFormMain::MenResetClick() {
    CPU->SetPendingInterrupt(TCPU_68HC11_::IrqReset, true);
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

void TFormMain::SimControlFinish() {
    FlushDisplay();
    StatusPanels[1]->setText(QStringLiteral("Cycles: %1").arg(CPU->CycleCount));
    CPUControl->UpdateDisplay();
    const int32_t line = LineOfProgramCounter(static_cast<uint32_t>(CPU->PC));
    SynDebug->SetExecutionLine(line);
    if (line > 0) SynDebug->ShowLine(line);
}

int32_t TFormMain::LineOfProgramCounter(uint32_t Address) const {
    // The loader keeps an address index of its lines; it answers for the view as long as the
    // view still shows the listing unedited.
    if (!SynEdit->document()->isModified()) {
        const int32_t index = ListFileLoader->LineOfAddress(Address & 0xFFFF);
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

bool TFormMain::CPUExternalTimer(int32_t) {
    ++TimeTenths;
    TimeDirty = true;
    if (!CPU->Running) FlushDisplay();
    return true;
}

void TFormMain::CPUExternalReset() {
    CPU->SetPendingInterrupt(TCPU_68HC11_::IrqReset, false);
    TimerMessage->ShowText(QStringLiteral("Processor reset."), 4000);
}

void TFormMain::CPU_EnvironmentPortChange(int Port) {
    // During a run a program may write its ports a million times a second: the panels follow
    // at the pace of the window's message processing.
    PortDirty[static_cast<size_t>(Port)] = true;
    if (!CPU->Running) FlushDisplay();
}

void TFormMain::PortPanelChange(int Port) {
    TKVCPUPortPanel* panel = PortPanels[static_cast<size_t>(Port)];
    switch (Port) {
    case Env::PortA: CPU_Environment->SetPortAInput(panel->InputValue()); break;
    case Env::PortC: CPU_Environment->SetPortCInput(panel->InputValue()); break;
    case Env::PortD: CPU_Environment->SetPortDInput(panel->InputValue()); break;
    case Env::PortE: CPU_Environment->SetPortEInput(panel->InputValue()); break;
    default: return;
    }
    ShowPort(Port);
}

void TFormMain::ShowPort(int Port) {
    PortDirty[static_cast<size_t>(Port)] = false;
    PortPanels[static_cast<size_t>(Port)]->SetValue(
        CPU_Environment->PortPins[static_cast<size_t>(Port)]);
}

void TFormMain::PumpMessages() {
    if (PumpClock.isValid() && PumpClock.elapsed() < PumpIntervalMs) return;
    PumpClock.start();
    FlushDisplay();
    QCoreApplication::processEvents();
}

void TFormMain::FlushDisplay() {
    if (TimeDirty) {
        TimeDirty = false;
        StatusPanels[0]->setText(
            QStringLiteral("Time: %1.%2 s").arg(TimeTenths / 10).arg(TimeTenths % 10));
        StatusPanels[1]->setText(QStringLiteral("Cycles: %1").arg(CPU->CycleCount));
    }
    for (int p = 0; p < 5; ++p) {
        if (PortDirty[static_cast<size_t>(p)]) ShowPort(p);
    }
}

void TFormMain::TimerMessageTextChanged(const QString& NewText) {
    StatusPanels[2]->setText(NewText);
}

void TFormMain::SynDebugChangeBreakpoint(int32_t LineNr) {
    if (TSynDebugMark* mark = SynDebug->FindBreakpoint(LineNr)) {
        SynDebug->RemoveMark(mark); // freed here, which clears its breakpoint
    } else {
        SynDebug->AddMark(std::make_unique<TListingBreakpoint>(LineNr, ListFileLoader));
    }
}

void TFormMain::StringGridSymbolsSetEditText(int Column, int Row, const QString& Text) {
    // Row counts the fixed header row, so the grid's last row is rowCount().
    if (Column == 0 && Row == StringGridSymbols->rowCount() && !Text.isEmpty()) {
        StringGridSymbols->insertRow(StringGridSymbols->rowCount());
    }
}

void TFormMain::MenViewToolbarClick(QObject* Sender) {
    for (QAction* item : {MenCPURegister, MenIOPorts, MenToolbar, MenSymbols}) {
        if (Sender == item) item->setChecked(!item->isChecked());
    }
    SyncingToolbars = true;
    ToolbarCPU->setVisible(MenCPURegister->isChecked());
    ToolbarPorts->setVisible(MenIOPorts->isChecked());
    ToolbarMenu->setVisible(MenToolbar->isChecked());
    ToolbarSymbols->setVisible(MenSymbols->isChecked());
    SyncingToolbars = false;
}

void TFormMain::ToolbarClose() {
    // Visibility also changes while the window itself is hidden or minimised, and while the
    // View menu sets it; only a toolbar the user closed changes the check marks.
    if (SyncingToolbars || !isVisible() || isMinimized()) return;
    MenCPURegister->setChecked(ToolbarCPU->isVisible());
    MenIOPorts->setChecked(ToolbarPorts->isVisible());
    MenToolbar->setChecked(ToolbarMenu->isVisible());
    MenSymbols->setChecked(ToolbarSymbols->isVisible());
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
