#pragma once
// The main window: owns the simulated machine, the source view with its debug marks, the
// register panel, the port panels, the watch grid and the status bar, and wires menu and
// toolbar commands to them.

#include "cpu/MessageSink.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

class QAction;
class QDockWidget;
class QFileDialog;
class QLabel;
class QMenu;
class QTableWidget;
class QToolBar;
class Machine;
class TCPU_68HC11_;
class TCPU_68HC11_Environment;
class TFormAbout;
class TGutterImageList;
class TKV68HC11Control;
class TKV68HC11SimControl;
class TKVCPUPortPanel;
class TKvMAssemSyn;
class TKvTimerMessage;
class TSignalView;
class TProfileGutter;
class TProfileView;
class TAnalogInputsView;
class TMemoryView;
class TTerminalView;
class TSourceEdit;
class TSpeedControl;
class TInterruptPinsBar;
class TSynDebug;
class TRecentFiles;
class TProgramWatcher;
class TWatchView;
class TBreakpointsView;
class TCallStackView;

class TFormMain : public QMainWindow {
    Q_OBJECT
public:
    // Gutter images the window uses: the breakpoint dot and the execution arrow.
    static constexpr int BreakpointImage = 12;
    static constexpr int ExecutionImage = 13;
    // Shortest wall time between two passes of the window's message processing during a run.
    static constexpr int PumpIntervalMs = 15;

    explicit TFormMain(QWidget* Parent = nullptr);
    ~TFormMain() override;

    // Opens a program file (listing, S-records, Intel HEX, ELF) exactly as the Open command
    // does after its dialog. False (with a message box) when the file cannot be read, is
    // malformed or holds no code; the previous program then stays. The breakpoints and marks
    // of the previous program go. The file joins Zuletzt geöffnet and is watched for changes.
    bool OpenListing(const QString& FileName);
    // Loads the open file again, keeping the breakpoints that still have their line or label;
    // the status bar says how many could not be kept.
    void ReloadProgram();
    // The open file changed on disk: asks "Die Datei wurde geändert. Neu laden?" (or reloads at
    // once after "immer" was ticked).
    void ProgramFileChanged();

    // The address that line Line (1-based) of the source view shows, or -1 for a line that is
    // no code line.
    int32_t AddressOfLine(int32_t Line) const;

    // The source-view line (1-based) whose address column shows Address, or -1.
    int32_t LineOfProgramCounter(uint32_t Address) const;

    // Handlers.
    void FormCreate();
    void MenOpenClick();
    void MenResetClick();
    void MenRunClick();
    void MenSingleStepClick();
    void MenStopClick();
    void SimControlFinish();
    void MachineClockTick();
    void MachineReset();
    void CPU_EnvironmentPortChange(int Port);
    void PortPanelChange(int Port);
    void ToolbarClose();
    void SynDebugChangeBreakpoint(int32_t LineNr);
    void TimerMessageTextChanged(const QString& NewText);
    void StringGridSymbolsSetEditText(int Column, int Row, const QString& Text);
    void MenViewToolbarClick(QObject* Sender);
    void PMenPortClick(QObject* Sender);
    void Info1Click();
    void MenNoSubroutinesClick();
    void MenStepOutClick();
    void MenRunToCursorClick();
    void MenGoToPCClick();
    // Puts the tool windows back where they are at first start, in the default size.
    void MenDefaultLayoutClick();

    // Asked for the listing to open; empty means cancelled. Unset: the file-open dialog.
    std::function<QString()> AskOpenFileName;
    // Asked whether to reload the changed file: No, Yes, or YesAlways (the "immer" tick).
    // Unset: a message box.
    enum class TReloadAnswer { No, Yes, YesAlways };
    std::function<TReloadAnswer()> AskReload;
    // Whether a changed file is reloaded without asking (kept in the user's settings).
    bool ReloadAlways() const;
    void SetReloadAlways(bool Value);
    // Sets up Dialog as the Open command shows it: listings only, a name typed without extension
    // gets ".lst", and it starts in the folder of the last listing opened (the current folder
    // before the first one, or when that folder is gone).
    void SetUpOpenDialog(QFileDialog& Dialog) const;
    // Where errors inside commands and the simulation's reports go; the window's own boxes
    // unless replaced (tests record them).
    TMessageSink* MessageSink() const { return Sink; }
    void SetMessageSink(TMessageSink* Value);

    // Components. CPU and CPU_Environment are the machine's own, named for short.
    Machine* System = nullptr;
    TCPU_68HC11_* CPU = nullptr;
    TCPU_68HC11_Environment* CPU_Environment = nullptr;
    TKvMAssemSyn* AssemblerSyntax = nullptr;
    TSourceEdit* SynEdit = nullptr;
    TSynDebug* SynDebug = nullptr;
    TGutterImageList* ImageList = nullptr;
    std::array<QLabel*, 3> StatusPanels{};
    TKvTimerMessage* TimerMessage = nullptr;
    QToolBar* ToolbarMenu = nullptr;
    QToolBar* ToolbarPorts = nullptr;
    QDockWidget* ToolbarCPU = nullptr;
    QDockWidget* ToolbarSymbols = nullptr;
    QDockWidget* ToolbarSignals = nullptr; // "Signale": the signal record as a timeline
    TSignalView* SignalView = nullptr;
    QDockWidget* ToolbarProfile = nullptr; // "Profil": where the cycles go
    TProfileView* ProfileView = nullptr;
    TProfileGutter* ProfileGutter = nullptr; // the profile's heat shade in the source view
    QDockWidget* ToolbarAnalog = nullptr; // "Analogeingänge": the voltages at PE0-PE7
    TAnalogInputsView* AnalogView = nullptr;
    QDockWidget* ToolbarTerminal = nullptr; // "Terminal": the SCI's bytes and the keys typed
    TTerminalView* TerminalView = nullptr;
    QDockWidget* ToolbarMemory = nullptr; // "Speicher": the address space in hex and ASCII
    TMemoryView* MemoryView = nullptr;
    TWatchView* WatchView = nullptr;              // the watch grid's rows and values
    QDockWidget* ToolbarBreakpoints = nullptr;    // "Haltepunkte"
    TBreakpointsView* BreakpointsView = nullptr;
    QDockWidget* ToolbarCalls = nullptr;          // "Aufrufe": call stack and Verlauf
    TCallStackView* CallStackView = nullptr;
    QLabel* StatusPC = nullptr;                   // "PC: $E012 (LOOP+3)"
    TKV68HC11Control* CPUControl = nullptr;
    TKV68HC11SimControl* SimControl = nullptr;
    QTableWidget* StringGridSymbols = nullptr;
    QMenu* PopupMenuPorts = nullptr;
    std::array<TKVCPUPortPanel*, 5> PortPanels{};      // A to E
    std::array<QAction*, 5> PortPanelActions{};        // their places on the ports toolbar
    std::array<QAction*, 4> ToolbarSepPorts{};         // after A to D
    std::array<QAction*, 5> PMenPorts{};               // "Port A" to "Port E"
    TFormAbout* FormAbout = nullptr;
    // Speed: the toolbar's combo and the Emulator menu's "Geschwindigkeit" and "E-Takt".
    TSpeedControl* SpeedControl = nullptr;
    // The IRQ and XIRQ pin buttons, and the COP watchdog switch of the Emulator menu.
    TInterruptPinsBar* InterruptPins = nullptr;
    QAction* MenCop = nullptr;

    // Menu items.
    QAction* MenOpen = nullptr;
    QMenu* MenRecent = nullptr; // "Zuletzt geöffnet"
    TRecentFiles* RecentFiles = nullptr;
    TProgramWatcher* ProgramWatcher = nullptr;
    QAction* MenPrint = nullptr;
    QAction* MenPrinterSettings = nullptr;
    QAction* MenExit = nullptr;
    QAction* MenRun = nullptr;
    QAction* MenNoSubroutines = nullptr;
    QAction* MenSingleStep = nullptr;
    QAction* MenStop = nullptr;
    QAction* MenReset = nullptr;
    QAction* MenCPURegister = nullptr;
    QAction* MenIOPorts = nullptr;
    QAction* MenToolbar = nullptr;
    QAction* MenSymbols = nullptr;
    QAction* MenSignals = nullptr;
    QAction* MenProfile = nullptr;
    QAction* MenAnalog = nullptr;
    QAction* MenTerminal = nullptr;
    QAction* MenMemory = nullptr;
    QAction* MenBreakpoints = nullptr;
    QAction* MenCalls = nullptr;
    QAction* MenDefaultLayout = nullptr; // Ansicht > Standardanordnung
    QAction* MenStepOut = nullptr;       // Bis Rücksprung (Umschalt+F8)
    QAction* MenRunToCursor = nullptr;   // Bis Cursor (F4)
    QAction* MenGoToPC = nullptr;        // Gehe zu PC
    QAction* Inhalt1 = nullptr;
    QAction* Suchen1 = nullptr;
    QAction* Hilfebenutzen1 = nullptr;
    QAction* Info1 = nullptr;
    // The toolbar's Start, Einzelschritt and Stop buttons.
    QAction* ToolbarRun = nullptr;
    QAction* ToolbarSingleStep = nullptr;
    QAction* ToolbarStop = nullptr;

    // The status text while a run is in progress.
    static QString RunningText() { return QStringLiteral("Läuft…"); }

protected:
    void showEvent(QShowEvent* Event) override;
    // Closing the window ends a run in progress, so that the program can end.
    void closeEvent(QCloseEvent* Event) override;
    // A file dropped onto the window (the source view too) is opened.
    void dragEnterEvent(QDragEnterEvent* Event) override;
    void dropEvent(QDropEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void CreateComponents();
    void CreateMenus();
    void CreateToolbars();
    void CreateToolWindows();
    void CreateStatusBar();
    void WireEvents();
    void ShowError(const QString& Text);
    // Runs a command; anything it throws is shown in a message box and the window goes on.
    void Guarded(const std::function<void()>& Command);
    // Called by the CPU's run loop every 10000 cycles or so.
    void PumpMessages();
    // Writes what changed during a run (time, cycles, ports, the profile at its own slower
    // pace) to the widgets.
    void FlushDisplay();
    void ShowPort(int Port);
    // The window's size before the user changes it: room for the ports toolbar with all five
    // panels shown, and at least 1000x700.
    QSize DefaultSize() const;
    int32_t ScanViewForAddress(uint32_t Address) const;
    // Before a run or step: takes pending register edits, switches commands to the running state.
    bool SimControlStart();
    // Start and Einzelschritt while idle, Stop while running.
    void ShowRunState(bool Running);
    // Puts a breakpoint mark on every line of the view that shows Address when it has a
    // breakpoint, and takes the marks away when it has none.
    void ShowBreakpointMarks(uint32_t Address);
    // Shows the program's current text (a listing, a source file, a disassembly) with the marks
    // of every breakpoint on it.
    void ShowProgramText();
    // The debugger's tool windows and commands (MainFormDebug.cpp).
    void CreateDebugWindows();
    void WireDebugEvents();
    // After every stop: watches, breakpoints, calls and the PC in the status bar.
    void ShowDebugState();
    // The View menu's check marks from the tool windows' visibility.
    void SyncViewMenu();
    // The dock arrangement and window geometry: saved when the window closes.
    void SaveLayout() const;
    void RestoreLayout();
    QByteArray DefaultLayout; // saveState() of the arrangement the window starts with

    std::unique_ptr<TMessageSink> OwnSink;
    TMessageSink* Sink = nullptr;
    QElapsedTimer PumpClock;
    QElapsedTimer SpeedClock; // paces the achieved-speed text in the status bar
    QElapsedTimer RegisterClock; // paces the register panel during a run
    static constexpr int RegisterIntervalMs = 100;
    bool TimeDirty = false;
    bool RegistersDirty = false;
    std::array<bool, 5> PortDirty{};
    bool SyncingToolbars = false;
    QString ListingFolder; // of the last listing opened; empty before the first
    bool AskingReload = false; // a second change while the question is open asks nothing more
};
