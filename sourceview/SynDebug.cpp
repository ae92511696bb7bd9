#include "sourceview/SynDebug.h"

#include "sourceview/GutterImageList.h"
#include "sourceview/SourceEdit.h"

#include <QPainter>
#include <algorithm>

namespace {

// The handlers that TSynDebug installs into an editor. Named types, so that detaching can
// recognise its own handler and leave one that someone else installed alone.
struct TGutterClickHook {
    TSynDebug* Owner;
    void operator()(TSourceEdit* Sender, int X, int Y, int32_t Line) const {
        Owner->GutterClick(Sender, X, Y, Line);
    }
};

struct TLineColorsHook {
    TSynDebug* Owner;
    void operator()(TSourceEdit* Sender, int32_t Line, bool& Special, QColor& Foreground,
                    QColor& Background) const {
        Owner->SpecialLineColors(Sender, Line, Special, Foreground, Background);
    }
};

} // namespace

// ---------------------------------------------------------------------------------------------
// TDebugSupportPlugin

TDebugSupportPlugin::TDebugSupportPlugin(TSourceEdit* Editor, TSynDebug* Debug)
    : TSourceEditPlugin(Editor), Debug(Debug) {}

TDebugSupportPlugin::~TDebugSupportPlugin() {
    // Freed by a dying editor: the component must not keep a dangling plug-in.
    if (Debug && Debug->Plugin == this) Debug->Plugin = nullptr;
}

void TDebugSupportPlugin::AfterPaint(QPainter& Painter, const QRect& /*ClipRect*/,
                                     int32_t FirstLine, int32_t LastLine) {
    Debug->PaintGutter(Painter, FirstLine, LastLine);
}

void TDebugSupportPlugin::LinesInserted(int32_t FirstLine, int32_t Count) {
    Debug->LinesInserted(FirstLine, Count);
}

void TDebugSupportPlugin::LinesDeleted(int32_t FirstLine, int32_t Count) {
    Debug->LinesDeleted(FirstLine, Count);
}

// ---------------------------------------------------------------------------------------------
// TSynDebug

TSynDebug::TSynDebug(QObject* Owner)
    : QObject(Owner), ExecutionMarkField(std::make_unique<TSynDebugMark>(0, 0)) {
    ExecutionMarkField->Foreground = Qt::white;
    ExecutionMarkField->Background = QColor(0x00, 0x00, 0x80); // navy
}

TSynDebug::~TSynDebug() {
    ClearErrors();
    ClearBreakpoints();
    DetachEditor();
}

void TSynDebug::SetSynEdit(TSourceEdit* Value) {
    if (Value == SynEditField) return;
    DetachEditor();
    SynEditField = Value;
    if (!Value) return;
    Plugin = new TDebugSupportPlugin(Value, this);
    if (!Value->OnGutterClick) Value->OnGutterClick = TGutterClickHook{this};
    if (!Value->OnSpecialLineColors) Value->OnSpecialLineColors = TLineColorsHook{this};
    Value->Invalidate();
}

// Frees the plug-in and takes this component's handlers out of the editor.
void TSynDebug::DetachEditor() {
    delete Plugin;
    Plugin = nullptr;
    TSourceEdit* Editor = SynEditField;
    SynEditField = nullptr;
    if (!Editor) return;
    if (const auto* H = Editor->OnGutterClick.target<TGutterClickHook>(); H && H->Owner == this)
        Editor->OnGutterClick = nullptr;
    if (const auto* H = Editor->OnSpecialLineColors.target<TLineColorsHook>();
        H && H->Owner == this)
        Editor->OnSpecialLineColors = nullptr;
    Editor->Invalidate();
}

void TSynDebug::InvalidateLine(int32_t Line) {
    if (SynEditField) SynEditField->InvalidateLine(Line);
}

void TSynDebug::SetExecutionLine(int32_t Value) {
    if (Value == ExecutionLineField) return;
    if (SynEditField && ExecutionLineField >= 1) SynEditField->InvalidateLine(ExecutionLineField);
    ExecutionLineField = Value;
    if (SynEditField && Value > 0) SynEditField->InvalidateLine(Value);
}

void TSynDebug::ShowLine(int32_t Line) {
    if (!SynEditField) return;
    const int32_t Top = SynEditField->TopLine();
    const int32_t Visible = SynEditField->LinesInWindow();
    if (Line < Top + 2 || Line > Top + Visible - 2) SynEditField->SetTopLine(Line - 2);
}

TSynDebugMark* TSynDebug::Find(const TMarkList& List, int32_t Line) {
    for (const auto& Mark : List)
        if (Mark->Line == Line) return Mark.get();
    return nullptr;
}

TSynDebugBreakpoint* TSynDebug::FindBreakpoint(int32_t Line) const {
    return static_cast<TSynDebugBreakpoint*>(Find(BreakpointsField, Line));
}

TSynDebugError* TSynDebug::FindError(int32_t Line) const {
    return static_cast<TSynDebugError*>(Find(ErrorsField, Line));
}

void TSynDebug::AddMark(std::unique_ptr<TSynDebugMark> Mark) {
    if (!Mark) return;
    const int32_t Line = Mark->Line;
    if (dynamic_cast<TSynDebugError*>(Mark.get()))
        ErrorsField.push_back(std::move(Mark));
    else if (dynamic_cast<TSynDebugBreakpoint*>(Mark.get()))
        BreakpointsField.push_back(std::move(Mark));
    InvalidateLine(Line);
}

std::unique_ptr<TSynDebugMark> TSynDebug::RemoveMark(TSynDebugMark* Mark) {
    std::unique_ptr<TSynDebugMark> Result;
    for (TMarkList* List : {&ErrorsField, &BreakpointsField}) {
        const auto It = std::find_if(List->begin(), List->end(),
                                     [Mark](const auto& M) { return M.get() == Mark; });
        if (It != List->end()) {
            Result = std::move(*It);
            List->erase(It);
            break;
        }
    }
    if (Result) InvalidateLine(Result->Line);
    return Result;
}

void TSynDebug::ClearErrors() {
    ErrorsField.clear();
    if (SynEditField) SynEditField->Invalidate();
}

void TSynDebug::ClearBreakpoints() {
    BreakpointsField.clear();
    if (SynEditField) SynEditField->Invalidate();
}

bool TSynDebug::ToggleBreakpoint(int32_t Line) {
    if (TSynDebugBreakpoint* Mark = FindBreakpoint(Line)) {
        RemoveMark(Mark); // the returned mark is freed here
        return false;
    }
    AddMark(std::make_unique<TSynDebugBreakpoint>(TGutterImageList::BreakpointImage, Line));
    return true;
}

void TSynDebug::GutterClick(TSourceEdit* /*Sender*/, int /*X*/, int /*Y*/, int32_t Line) {
    if (OnChangeBreakpoint) OnChangeBreakpoint(this, Line);
}

// The execution line wins over an error mark, which wins over a breakpoint mark.
void TSynDebug::SpecialLineColors(TSourceEdit* /*Sender*/, int32_t Line, bool& Special,
                                  QColor& Foreground, QColor& Background) {
    const TSynDebugMark* Mark = nullptr;
    if (Line == ExecutionLineField) {
        Mark = ExecutionMarkField.get();
    } else if (const TSynDebugMark* E = FindError(Line); E && E->Visible) {
        Mark = E;
    } else if (const TSynDebugMark* B = FindBreakpoint(Line); B && B->Visible) {
        Mark = B;
    }
    if (!Mark) return;
    Foreground = Mark->Foreground;
    Background = Mark->Background;
    Special = Mark->SpecialColors;
}

// Later images cover earlier ones: errors, then breakpoints, then the execution point.
void TSynDebug::PaintGutter(QPainter& Painter, int32_t FirstLine, int32_t LastLine) {
    if (!SynEditField || !ImageListField) return;
    const int32_t H = SynEditField->LineHeight();
    const int32_t Top = SynEditField->TopLine();
    const int32_t Offset = (H - ImageListField->Height()) / 2;
    auto Draw = [&](const TSynDebugMark& Mark, int32_t Line) {
        ImageListField->Draw(Painter, ImageX, (Line - Top) * H + Offset, Mark.ImageIndex);
    };
    for (const TMarkList* List : {&ErrorsField, &BreakpointsField})
        for (const auto& Mark : *List)
            if (Mark->Visible && Mark->Line >= FirstLine && Mark->Line <= LastLine)
                Draw(*Mark, Mark->Line);
    if (ExecutionLineField >= FirstLine && ExecutionLineField <= LastLine)
        Draw(*ExecutionMarkField, ExecutionLineField);
}

void TSynDebug::LinesInserted(int32_t FirstLine, int32_t Count) {
    for (TMarkList* List : {&ErrorsField, &BreakpointsField})
        for (const auto& Mark : *List)
            if (Mark->Line >= FirstLine) {
                InvalidateLine(Mark->Line);
                Mark->Line += Count;
                InvalidateLine(Mark->Line);
            }
    if (ExecutionLineField >= FirstLine) ExecutionLineField += Count;
}

// A mark whose line was deleted is dropped: left hidden in its list it would still be found
// at a shifted line number, so that a later click there would silently remove it instead of
// setting a breakpoint.
void TSynDebug::LinesDeleted(int32_t FirstLine, int32_t Count) {
    for (TMarkList* List : {&ErrorsField, &BreakpointsField}) {
        for (auto It = List->begin(); It != List->end();) {
            TSynDebugMark& Mark = **It;
            if (Mark.Line >= FirstLine) {
                InvalidateLine(Mark.Line);
                if (Mark.Line < FirstLine + Count) {
                    It = List->erase(It);
                    continue;
                }
                Mark.Line -= Count;
                InvalidateLine(Mark.Line);
            }
            ++It;
        }
    }
    if (ExecutionLineField >= FirstLine)
        ExecutionLineField =
            ExecutionLineField < FirstLine + Count ? -1 : ExecutionLineField - Count;
}
