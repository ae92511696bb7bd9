#include "sourceview/SourceEdit.h"

#include "sourceview/GutterImageList.h"
#include "sourceview/KvAssemHighlighter.h"
#include "sourceview/KvMAssemSyn.h"
#include "sourceview/SourceEditPlugin.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <algorithm>

namespace {

const QColor GutterColor(0xEE, 0xEE, 0xEE);
const QColor GutterBorderColor(0xC8, 0xC8, 0xC8);
const QColor LineNumberColor(0x80, 0x80, 0x80);
const QColor RightEdgeColor(0xC0, 0xC0, 0xC0);

// "Courier New" 13 pixels, or a font with the same metrics where it is not installed.
QFont EditorFont() {
    QString Family = QStringLiteral("Courier New");
    if (!QFontDatabase::hasFamily(Family))
        Family = QFontDatabase::hasFamily(QStringLiteral("Liberation Mono"))
                     ? QStringLiteral("Liberation Mono")
                     : QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
    QFont F(Family);
    F.setPixelSize(13);
    F.setStyleHint(QFont::TypeWriter);
    F.setFixedPitch(true);
    return F;
}

int DigitCount(int32_t N) {
    int Digits = 1;
    while (N >= 10) {
        N /= 10;
        ++Digits;
    }
    return Digits;
}

} // namespace

// The gutter: a strip left of the text that the editor paints and whose clicks it reports.
class TSourceEdit::TGutter : public QWidget {
  public:
    explicit TGutter(TSourceEdit* Editor) : QWidget(Editor), Editor(Editor) {}

  protected:
    void paintEvent(QPaintEvent* E) override {
        QPainter P(this);
        Editor->PaintGutter(P, E->rect());
    }
    void mousePressEvent(QMouseEvent* E) override {
        if (E->button() == Qt::LeftButton)
            Editor->GutterMousePress(qRound(E->position().x()), qRound(E->position().y()));
    }
    void wheelEvent(QWheelEvent* E) override { Editor->wheelEvent(E); }

  private:
    TSourceEdit* Editor;
};

TSourceEdit::TSourceEdit(QWidget* Parent) : QPlainTextEdit(Parent) {
    Gutter = new TGutter(this);
    document()->setDocumentMargin(0);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setFont(EditorFont());
    UpdateMetrics();
    BlockCountField = document()->blockCount();
    connect(document(), &QTextDocument::contentsChange, this, &TSourceEdit::ContentsChange);
    connect(this, &QPlainTextEdit::blockCountChanged, this, [this] { UpdateGutterWidth(); });
    connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect& R, int Dy) {
        if (Dy != 0)
            Gutter->scroll(0, Dy);
        else
            Gutter->update(0, R.y(), Gutter->width(), R.height());
    });
    UpdateGutterWidth();
}

TSourceEdit::~TSourceEdit() {
    // No line notifications or gutter updates while the parts go away.
    disconnect(document(), nullptr, this, nullptr);
    disconnect(this, nullptr, this, nullptr);
    delete HighlighterField;
    HighlighterField = nullptr;
    std::vector<TSourceEditPlugin*> Plugins;
    Plugins.swap(PluginsField);
    for (TSourceEditPlugin* P : Plugins) {
        P->EditorField = nullptr;
        delete P;
    }
}

// ---------------------------------------------------------------------------------------------
// Text

void TSourceEdit::SetLines(const QList<QByteArray>& Lines) {
    TTextEncoding Used = TTextEncoding::Utf8;
    const QStringList Decoded = DecodeListingLines(Lines, Used);
    SetLines(Decoded, Used);
}

void TSourceEdit::SetLines(const QStringList& Lines, TTextEncoding Encoding) {
    EncodingField = Encoding;
    if (HighlighterField) HighlighterField->SetEncoding(Encoding, false);
    ReplacingText = true;
    setPlainText(Lines.join(QLatin1Char('\n')));
    ReplacingText = false;
    BlockCountField = document()->blockCount();
    UpdateGutterWidth();
    Invalidate();
}

QStringList TSourceEdit::Lines() const {
    QStringList Result;
    Result.reserve(document()->blockCount());
    for (QTextBlock B = document()->firstBlock(); B.isValid(); B = B.next())
        Result.append(B.text());
    return Result;
}

QString TSourceEdit::LineText(int32_t Line) const {
    const QTextBlock B = document()->findBlockByNumber(Line - 1);
    return B.isValid() ? B.text() : QString();
}

int32_t TSourceEdit::LineCount() const {
    return document()->blockCount();
}

void TSourceEdit::SetHighlighter(TKvMAssemSyn* Syn) {
    if (Syn == Highlighter()) return;
    delete HighlighterField;
    HighlighterField = nullptr;
    if (Syn) {
        HighlighterField = new TKvAssemHighlighter(Syn, nullptr);
        HighlighterField->setParent(this);
        HighlighterField->SetEncoding(EncodingField, false);
        HighlighterField->setDocument(document());
        HighlighterField->rehighlight();
    }
}

TKvMAssemSyn* TSourceEdit::Highlighter() const {
    return HighlighterField ? HighlighterField->Syn() : nullptr;
}

// ---------------------------------------------------------------------------------------------
// Appearance and view

void TSourceEdit::SetGutterWidth(int Value) {
    GutterWidthField = std::max(0, Value);
    UpdateGutterWidth();
}

void TSourceEdit::SetRightEdge(int Column) {
    RightEdgeField = std::max(0, Column);
    viewport()->update();
}

void TSourceEdit::SetBookmarkImages(TGutterImageList* Images) {
    BookmarkImagesField = Images;
    Gutter->update();
}

void TSourceEdit::UpdateMetrics() {
    const QFontMetrics FM(font());
    CharWidthField = std::max(1, FM.horizontalAdvance(QLatin1Char('0')));
    setTabStopDistance(8 * QFontMetricsF(font()).horizontalAdvance(QLatin1Char(' ')));
    // The height the document layout gives a line of this font.
    const QTextBlock First = document()->firstBlock();
    const qreal H = document()->documentLayout()->blockBoundingRect(First).height();
    LineHeightField = std::max(1, H > 0 ? qRound(H) : FM.lineSpacing());
}

void TSourceEdit::UpdateGutterWidth() {
    const int Digits = std::max(2, DigitCount(LineCount()));
    ActualGutterWidthField =
        std::max(GutterWidthField, MarkColumnWidth + Digits * CharWidthField + NumberRightMargin);
    setViewportMargins(ActualGutterWidthField + TextIndent, 0, 0, 0);
    const QRect CR = contentsRect();
    Gutter->setGeometry(CR.left(), CR.top(), ActualGutterWidthField + TextIndent, CR.height());
    Gutter->update();
}

void TSourceEdit::resizeEvent(QResizeEvent* E) {
    QPlainTextEdit::resizeEvent(E);
    const QRect CR = contentsRect();
    Gutter->setGeometry(CR.left(), CR.top(), ActualGutterWidthField + TextIndent, CR.height());
}

void TSourceEdit::changeEvent(QEvent* E) {
    QPlainTextEdit::changeEvent(E);
    if (E->type() == QEvent::FontChange) {
        UpdateMetrics();
        UpdateGutterWidth();
    }
}

int32_t TSourceEdit::TopLine() const {
    return firstVisibleBlock().blockNumber() + 1;
}

void TSourceEdit::SetTopLine(int32_t Line) {
    // Without line wrapping the scroll bar counts lines: its value is the top line's index.
    verticalScrollBar()->setValue(std::max(0, Line - 1));
}

int32_t TSourceEdit::LinesInWindow() const {
    return viewport()->height() / LineHeightField;
}

int32_t TSourceEdit::CaretLine() const {
    return textCursor().blockNumber() + 1;
}

void TSourceEdit::SetCaretLine(int32_t Line) {
    const QTextBlock B = document()->findBlockByNumber(std::clamp(Line, 1, LineCount()) - 1);
    setTextCursor(QTextCursor(B));
}

int TSourceEdit::LineTop(int32_t Line) const {
    return (Line - TopLine()) * LineHeightField;
}

void TSourceEdit::InvalidateLine(int32_t Line) {
    const int32_t Top = TopLine();
    if (Line < Top || Line > Top + LinesInWindow() + 1) return;
    const int Y = LineTop(Line);
    viewport()->update(0, Y, viewport()->width(), LineHeightField);
    Gutter->update(0, Y, Gutter->width(), LineHeightField);
}

void TSourceEdit::InvalidateGutter() {
    Gutter->update();
}

void TSourceEdit::InvalidateGutterLine(int32_t Line) {
    const int32_t Top = TopLine();
    if (Line < Top || Line > Top + LinesInWindow() + 1) return;
    Gutter->update(0, LineTop(Line), Gutter->width(), LineHeightField);
}

void TSourceEdit::Invalidate() {
    viewport()->update();
    Gutter->update();
}

// ---------------------------------------------------------------------------------------------
// Painting

void TSourceEdit::UpdateSpecialLines() {
    QList<QTextEdit::ExtraSelection> Selections;
    std::vector<int32_t> Keys;
    if (OnSpecialLineColors) {
        const QColor DefaultFG = palette().text().color();
        const QColor DefaultBG = palette().base().color();
        const int Height = viewport()->height();
        QTextBlock B = firstVisibleBlock();
        qreal Top = blockBoundingGeometry(B).translated(contentOffset()).top();
        while (B.isValid() && Top < Height) {
            bool Special = false;
            QColor FG = DefaultFG;
            QColor BG = DefaultBG;
            const int32_t Line = B.blockNumber() + 1;
            OnSpecialLineColors(this, Line, Special, FG, BG);
            if (Special) {
                QTextEdit::ExtraSelection S;
                S.cursor = QTextCursor(B);
                S.format.setProperty(QTextFormat::FullWidthSelection, true);
                S.format.setForeground(FG);
                S.format.setBackground(BG);
                Selections.append(S);
                Keys.insert(Keys.end(), {Line, static_cast<int32_t>(FG.rgba()),
                                         static_cast<int32_t>(BG.rgba())});
            }
            Top += blockBoundingRect(B).height();
            B = B.next();
        }
    }
    if (Keys != SpecialLineKeys) {
        SpecialLineKeys = std::move(Keys);
        SpecialLines = Selections;
        setExtraSelections(SpecialLines);
    }
}

void TSourceEdit::paintEvent(QPaintEvent* E) {
    // Line colours are asked for the visible lines only, just before they are drawn.
    UpdateSpecialLines();
    QPlainTextEdit::paintEvent(E);
    if (RightEdgeField > 0) {
        QPainter P(viewport());
        const int X = qRound(contentOffset().x()) + RightEdgeField * CharWidthField;
        P.setPen(RightEdgeColor);
        P.drawLine(X, E->rect().top(), X, E->rect().bottom());
    }
}

void TSourceEdit::PaintGutter(QPainter& Painter, const QRect& Rect) {
    const int W = ActualGutterWidthField;
    Painter.fillRect(Rect.intersected(QRect(0, 0, W, Gutter->height())), GutterColor);
    Painter.fillRect(Rect.intersected(QRect(W, 0, TextIndent, Gutter->height())), palette().base());
    Painter.setPen(GutterBorderColor);
    Painter.drawLine(W - 1, Rect.top(), W - 1, Rect.bottom());

    const QFontMetrics FM(font());
    Painter.setFont(font());
    const int NumberRight = W - NumberRightMargin;
    int32_t First = 0;
    int32_t Last = 0;
    QTextBlock B = firstVisibleBlock();
    int Top = qRound(blockBoundingGeometry(B).translated(contentOffset()).top());
    while (B.isValid() && Top <= Rect.bottom()) {
        const int Bottom = Top + qRound(blockBoundingRect(B).height());
        if (Bottom > Rect.top()) {
            const int32_t Line = B.blockNumber() + 1;
            if (First == 0) First = Line;
            Last = Line;
            const QString Number = QString::number(Line);
            Painter.setPen(LineNumberColor);
            Painter.drawText(NumberRight - FM.horizontalAdvance(Number), Top + FM.ascent(), Number);
            if (BookmarkImagesField) {
                const int Y = Top + (LineHeightField - BookmarkImagesField->Height()) / 2;
                for (int N = 0; N < BookmarkCount; ++N)
                    if (Bookmarks[static_cast<size_t>(N)] == Line)
                        BookmarkImagesField->Draw(Painter, BookmarkX, Y,
                                                  TGutterImageList::FirstBookmarkImage + N);
            }
        }
        Top = Bottom;
        B = B.next();
    }
    if (First == 0) return;
    const std::vector<TSourceEditPlugin*> Plugins = PluginsField;
    for (TSourceEditPlugin* P : Plugins) {
        Painter.save();
        P->AfterPaint(Painter, Rect, First, Last);
        Painter.restore();
    }
}

void TSourceEdit::GutterMousePress(int X, int Y) {
    const int32_t Line = TopLine() + Y / LineHeightField;
    if (Y < 0 || Line > LineCount()) return;
    if (OnGutterClick) OnGutterClick(this, X, Y, Line);
}

// ---------------------------------------------------------------------------------------------
// Lines inserted and deleted

// The document reports a change as (position, characters removed, characters added). The
// number of lines that appeared or vanished is the change of the line count; they sit at the
// line of the position, or after it when the change starts inside the line (a line that
// keeps its start keeps its number and its marks).
void TSourceEdit::ContentsChange(int Position, int /*Removed*/, int /*Added*/) {
    const int32_t Count = document()->blockCount();
    const int32_t Delta = Count - BlockCountField;
    BlockCountField = Count;
    if (ReplacingText || Delta == 0) return;
    const QTextBlock B = document()->findBlock(Position);
    if (!B.isValid()) return;
    const int32_t First = B.blockNumber() + 1 + (Position == B.position() ? 0 : 1);
    if (Delta > 0)
        NotifyLinesInserted(First, Delta);
    else
        NotifyLinesDeleted(First, -Delta);
}

void TSourceEdit::NotifyLinesInserted(int32_t First, int32_t Count) {
    for (int32_t& Line : Bookmarks)
        if (Line >= First) Line += Count;
    const std::vector<TSourceEditPlugin*> Plugins = PluginsField;
    for (TSourceEditPlugin* P : Plugins)
        P->LinesInserted(First, Count);
    Gutter->update();
}

void TSourceEdit::NotifyLinesDeleted(int32_t First, int32_t Count) {
    for (int32_t& Line : Bookmarks) {
        if (Line >= First + Count)
            Line -= Count;
        else if (Line >= First)
            Line = 0; // its line is gone
    }
    const std::vector<TSourceEditPlugin*> Plugins = PluginsField;
    for (TSourceEditPlugin* P : Plugins)
        P->LinesDeleted(First, Count);
    Gutter->update();
}

void TSourceEdit::RegisterPlugin(TSourceEditPlugin* Plugin) {
    if (Plugin && std::find(PluginsField.begin(), PluginsField.end(), Plugin) == PluginsField.end())
        PluginsField.push_back(Plugin);
}

void TSourceEdit::UnregisterPlugin(TSourceEditPlugin* Plugin) {
    PluginsField.erase(std::remove(PluginsField.begin(), PluginsField.end(), Plugin),
                       PluginsField.end());
}

// ---------------------------------------------------------------------------------------------
// Bookmarks and keys

int32_t TSourceEdit::Bookmark(int Number) const {
    return Number >= 0 && Number < BookmarkCount ? Bookmarks[static_cast<size_t>(Number)] : 0;
}

void TSourceEdit::SetBookmark(int Number, int32_t Line) {
    if (Number < 0 || Number >= BookmarkCount) return;
    int32_t& Slot = Bookmarks[static_cast<size_t>(Number)];
    const int32_t Old = Slot;
    Slot = Line > 0 ? Line : 0;
    InvalidateGutterLine(Old);
    InvalidateGutterLine(Slot);
}

void TSourceEdit::ClearBookmark(int Number) {
    SetBookmark(Number, 0);
}

void TSourceEdit::ToggleBookmark(int Number) {
    const int32_t Line = CaretLine();
    SetBookmark(Number, Bookmark(Number) == Line ? 0 : Line);
}

void TSourceEdit::GotoBookmark(int Number) {
    const int32_t Line = Bookmark(Number);
    if (Line <= 0 || Line > LineCount()) return;
    SetCaretLine(Line);
    ensureCursorVisible();
}

// The digit of a Ctrl+digit or Ctrl+Shift+digit key. With Shift most layouts report the
// shifted character, so the position of the key on the digit row decides there.
int TSourceEdit::DigitOfKey(const QKeyEvent* E) {
    const Qt::KeyboardModifiers Mods = E->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier |
                                                         Qt::AltModifier | Qt::MetaModifier);
    if (Mods != Qt::ControlModifier && Mods != (Qt::ControlModifier | Qt::ShiftModifier)) return -1;
    const int Key = E->key();
    if (Key >= Qt::Key_0 && Key <= Qt::Key_9) return Key - Qt::Key_0;
    const QString Platform = QGuiApplication::platformName();
    if (Platform == QLatin1String("xcb") || Platform.startsWith(QLatin1String("wayland"))) {
        const quint32 Code = E->nativeScanCode(); // evdev code + 8: '1' is 10, '0' is 19
        if (Code >= 10 && Code <= 19) return Code == 19 ? 0 : static_cast<int>(Code - 9);
    } else if (Platform == QLatin1String("windows")) {
        const quint32 VKey = E->nativeVirtualKey(); // unshifted: '0' to '9'
        if (VKey >= '0' && VKey <= '9') return static_cast<int>(VKey - '0');
    }
    return -1;
}

bool TSourceEdit::event(QEvent* E) {
    // Take Ctrl+digit before any window shortcut can.
    if (E->type() == QEvent::ShortcutOverride && DigitOfKey(static_cast<QKeyEvent*>(E)) >= 0) {
        E->accept();
        return true;
    }
    return QPlainTextEdit::event(E);
}

void TSourceEdit::keyPressEvent(QKeyEvent* E) {
    const int Digit = DigitOfKey(E);
    if (Digit >= 0) {
        if (E->modifiers() & Qt::ShiftModifier)
            ToggleBookmark(Digit);
        else
            GotoBookmark(Digit);
        E->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(E);
}
