#pragma once
// Debugger decorations of the source view: breakpoint and error marks tied to editor lines,
// and the execution line. TSynDebug paints each mark's image in the editor's gutter,
// recolours the marked lines, keeps marks on their lines while lines are inserted or deleted,
// and reports gutter clicks through OnChangeBreakpoint. It decides nothing about breakpoints
// itself: the window reacts to the click (ToggleBreakpoint does what it needs).

#include "sourceview/GutterImageList.h"
#include "sourceview/SourceEdit.h"
#include "sourceview/SourceEditPlugin.h"

#include <QColor>
#include <QObject>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QPainter;
class TSynDebug;

class TSynDebugMark {
  public:
    TSynDebugMark(int32_t ImageIndex, int32_t Line) : ImageIndex(ImageIndex), Line(Line) {}
    virtual ~TSynDebugMark() = default;

    bool Visible = true;
    int32_t ImageIndex;
    int32_t Line; // 1-based editor line
    bool SpecialColors = true;
    QColor Foreground = Qt::white;
    QColor Background = Qt::red;
};

class TSynDebugError : public TSynDebugMark {
  public:
    using TSynDebugMark::TSynDebugMark;
};

class TSynDebugBreakpoint : public TSynDebugMark {
  public:
    using TSynDebugMark::TSynDebugMark;
};

// Forwards the editor's gutter painting and line changes to its TSynDebug.
class TDebugSupportPlugin : public TSourceEditPlugin {
  public:
    TDebugSupportPlugin(TSourceEdit* Editor, TSynDebug* Debug);
    ~TDebugSupportPlugin() override;

    void AfterPaint(QPainter& Painter, const QRect& ClipRect, int32_t FirstLine,
                    int32_t LastLine) override;
    void LinesInserted(int32_t FirstLine, int32_t Count) override;
    void LinesDeleted(int32_t FirstLine, int32_t Count) override;

  private:
    TSynDebug* Debug;
};

using TSynDebugChangeBPEvent = std::function<void(TSynDebug* Sender, int32_t LineNr)>;

class TSynDebug : public QObject {
    Q_OBJECT
  public:
    // Where the mark images are drawn, from the editor's left edge.
    static constexpr int ImageX = 14;

    explicit TSynDebug(QObject* Owner = nullptr);
    ~TSynDebug() override;

    // The decorated editor (not owned). Assigning one registers a plug-in with it and installs
    // this component's gutter-click and line-colour handlers where the editor has none yet.
    TSourceEdit* SynEdit() const { return SynEditField; }
    void SetSynEdit(TSourceEdit* Value);
    // Source of the gutter images (not owned).
    TGutterImageList* ImageList() const { return ImageListField; }
    void SetImageList(TGutterImageList* Value) { ImageListField = Value; }

    // Image and colours of the execution line (white on navy); its own line is not used.
    TSynDebugMark* ExecutionMark() const { return ExecutionMarkField.get(); }
    // Line of the execution point; 0 or less means none.
    int32_t ExecutionLine() const { return ExecutionLineField; }
    void SetExecutionLine(int32_t Value);
    // Scrolls so that Line is visible with two lines of context above it.
    void ShowLine(int32_t Line);

    // The first mark of the list on Line, hidden or not; null if none.
    TSynDebugBreakpoint* FindBreakpoint(int32_t Line) const;
    TSynDebugError* FindError(int32_t Line) const;
    // Takes the mark into the list of its kind (a mark of neither kind is discarded).
    void AddMark(std::unique_ptr<TSynDebugMark> Mark);
    // Takes the mark out of its list and hands it back.
    std::unique_ptr<TSynDebugMark> RemoveMark(TSynDebugMark* Mark);
    void ClearErrors();
    void ClearBreakpoints();
    const std::vector<std::unique_ptr<TSynDebugMark>>& Errors() const { return ErrorsField; }
    const std::vector<std::unique_ptr<TSynDebugMark>>& Breakpoints() const {
        return BreakpointsField;
    }

    // What the window does on a gutter click: removes the breakpoint mark on Line, or adds
    // one with the breakpoint image. Returns true when Line has a breakpoint mark afterwards.
    bool ToggleBreakpoint(int32_t Line);

    // Fired by a click in the gutter beside a text line.
    TSynDebugChangeBPEvent OnChangeBreakpoint;

    // The editor-side handlers: public so that a window that installs its own editor handlers
    // can still call them.
    void GutterClick(TSourceEdit* Sender, int X, int Y, int32_t Line);
    void SpecialLineColors(TSourceEdit* Sender, int32_t Line, bool& Special, QColor& Foreground,
                           QColor& Background);

  private:
    friend class TDebugSupportPlugin;
    using TMarkList = std::vector<std::unique_ptr<TSynDebugMark>>;

    void PaintGutter(QPainter& Painter, int32_t FirstLine, int32_t LastLine);
    void LinesInserted(int32_t FirstLine, int32_t Count);
    void LinesDeleted(int32_t FirstLine, int32_t Count);
    void InvalidateLine(int32_t Line);
    void DetachEditor();
    static TSynDebugMark* Find(const TMarkList& List, int32_t Line);

    TDebugSupportPlugin* Plugin = nullptr;
    TMarkList ErrorsField;
    TMarkList BreakpointsField;
    std::unique_ptr<TSynDebugMark> ExecutionMarkField;
    int32_t ExecutionLineField = -1;
    QPointer<TGutterImageList> ImageListField;
    QPointer<TSourceEdit> SynEditField;
};
