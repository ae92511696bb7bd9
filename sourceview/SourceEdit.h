#pragma once
// TSourceEdit: the source view. A plain-text editor with a gutter (line numbers, bookmark
// tags and whatever plug-ins paint there), a right-edge marker, bookmarks 0 to 9
// (Ctrl+Shift+digit sets or clears one on the caret line, Ctrl+digit jumps to it), an
// assembler highlighter, per-line colours asked for while painting, and plug-ins that hear
// about painting and about inserted and deleted lines. Lines are numbered from 1.
//
// Only the visible lines are touched when painting or scrolling, so very long listings stay
// smooth.

#include "sourceview/GutterImageList.h"
#include "sourceview/ListingText.h"

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStringList>
#include <QTextEdit>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

class QPainter;
class TKvAssemHighlighter;
class TKvMAssemSyn;
class TSourceEditPlugin;

class TSourceEdit : public QPlainTextEdit {
    Q_OBJECT
  public:
    static constexpr int BookmarkCount = 10;
    // Gutter layout: bookmark tags at x = 0, debug marks at x = 14; the line numbers sit to
    // the right of this mark column, so no image covers a number.
    static constexpr int BookmarkX = 0;
    static constexpr int MarkColumnWidth = 32;
    static constexpr int NumberRightMargin = 5;
    static constexpr int TextIndent = 3; // between the gutter and the text

    explicit TSourceEdit(QWidget* Parent = nullptr);
    ~TSourceEdit() override;

    // Text. SetLines replaces the whole text; it is not an edit of lines, so marks and
    // bookmarks keep their line numbers and plug-ins hear nothing. The byte-array form decodes
    // the listing as UTF-8 when every line is valid UTF-8 and as Latin-1 otherwise.
    void SetLines(const QList<QByteArray>& Lines);
    void SetLines(const QStringList& Lines, TTextEncoding Encoding = TTextEncoding::Utf8);
    QStringList Lines() const;
    QString LineText(int32_t Line) const; // empty outside 1..LineCount
    int32_t LineCount() const;
    TTextEncoding Encoding() const { return EncodingField; }

    // Highlighter (not owned); null switches highlighting off.
    void SetHighlighter(TKvMAssemSyn* Syn);
    TKvMAssemSyn* Highlighter() const;

    // Appearance.
    int GutterWidth() const { return GutterWidthField; } // the configured minimum
    void SetGutterWidth(int Value);
    int ActualGutterWidth() const { return ActualGutterWidthField; } // grown to fit the numbers
    int RightEdge() const { return RightEdgeField; }                 // column; 0 hides the marker
    void SetRightEdge(int Column);
    void SetBookmarkImages(TGutterImageList* Images); // not owned; images 0 to 9
    TGutterImageList* BookmarkImages() const { return BookmarkImagesField; }

    // View.
    int32_t TopLine() const;
    void SetTopLine(int32_t Line); // clamped to the valid range
    int32_t LinesInWindow() const; // fully visible lines
    int32_t LineHeight() const { return LineHeightField; }
    int32_t CharWidth() const { return CharWidthField; }
    int32_t CaretLine() const;
    void SetCaretLine(int32_t Line);
    // Repaints one line (text and gutter) if it is visible, or the whole view.
    void InvalidateLine(int32_t Line);
    void InvalidateGutterLine(int32_t Line);
    void InvalidateGutter();
    void Invalidate();

    // Bookmarks: line of bookmark Number (0 to 9), 0 when unset.
    int32_t Bookmark(int Number) const;
    void SetBookmark(int Number, int32_t Line);
    void ClearBookmark(int Number);
    void ToggleBookmark(int Number); // on the caret line
    void GotoBookmark(int Number);

    // Raised for a click in the gutter beside a text line.
    std::function<void(TSourceEdit* Sender, int X, int Y, int32_t Line)> OnGutterClick;
    // Asked for every line that is painted; Special, Foreground and Background come in with
    // the defaults and may be changed. With Special set the line is drawn in those colours.
    std::function<void(TSourceEdit* Sender, int32_t Line, bool& Special, QColor& Foreground,
                       QColor& Background)>
        OnSpecialLineColors;

    // Plug-in registry, used by TSourceEditPlugin.
    void RegisterPlugin(TSourceEditPlugin* Plugin);
    void UnregisterPlugin(TSourceEditPlugin* Plugin);
    int PluginCount() const { return static_cast<int>(PluginsField.size()); }

  protected:
    bool event(QEvent* E) override;
    void paintEvent(QPaintEvent* E) override;
    void resizeEvent(QResizeEvent* E) override;
    void keyPressEvent(QKeyEvent* E) override;
    void changeEvent(QEvent* E) override;

  private:
    class TGutter;
    friend class TGutter;

    void UpdateMetrics();
    void UpdateGutterWidth();
    void UpdateSpecialLines();
    void PaintGutter(QPainter& Painter, const QRect& Rect);
    void GutterMousePress(int X, int Y);
    void ContentsChange(int Position, int Removed, int Added);
    void NotifyLinesInserted(int32_t First, int32_t Count);
    void NotifyLinesDeleted(int32_t First, int32_t Count);
    int LineTop(int32_t Line) const; // y of a line in gutter/viewport coordinates
    static int DigitOfKey(const QKeyEvent* E);

    TGutter* Gutter = nullptr;
    TKvAssemHighlighter* HighlighterField = nullptr;
    QPointer<TGutterImageList> BookmarkImagesField;
    std::vector<TSourceEditPlugin*> PluginsField;
    std::array<int32_t, BookmarkCount> Bookmarks{};
    QList<QTextEdit::ExtraSelection> SpecialLines;
    std::vector<int32_t> SpecialLineKeys; // line, colours of SpecialLines for comparison
    TTextEncoding EncodingField = TTextEncoding::Utf8;
    int GutterWidthField = 40;
    int ActualGutterWidthField = 40;
    int RightEdgeField = 40;
    int32_t LineHeightField = 1;
    int32_t CharWidthField = 1;
    int32_t BlockCountField = 1;
    bool ReplacingText = false;
};
