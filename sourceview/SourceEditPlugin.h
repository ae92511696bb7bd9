#pragma once
// TSourceEditPlugin: an extension of a TSourceEdit. Constructing one registers it with its
// editor, which then calls it after painting the gutter and after lines were inserted or
// deleted; destroying it unregisters it. An editor that is destroyed destroys the plug-ins
// still registered with it.

#include <QRect>
#include <cstdint>

class QPainter;
class TSourceEdit;

class TSourceEditPlugin {
  public:
    explicit TSourceEditPlugin(TSourceEdit* Editor);
    virtual ~TSourceEditPlugin();
    TSourceEditPlugin(const TSourceEditPlugin&) = delete;
    TSourceEditPlugin& operator=(const TSourceEditPlugin&) = delete;

    TSourceEdit* Editor() const { return EditorField; }

    // After the gutter of lines FirstLine..LastLine (1-based) was painted. The painter's
    // origin is the editor's left edge at the top of the text area; ClipRect is the painted
    // region in those coordinates.
    virtual void AfterPaint(QPainter& Painter, const QRect& ClipRect, int32_t FirstLine,
                            int32_t LastLine);
    // Count lines were inserted; the first new line has number FirstLine.
    virtual void LinesInserted(int32_t FirstLine, int32_t Count);
    // Count lines from FirstLine on were deleted; the line after them now has number FirstLine.
    virtual void LinesDeleted(int32_t FirstLine, int32_t Count);

  private:
    friend class TSourceEdit;
    TSourceEdit* EditorField;
};
