#include "ui/TerminalView.h"

#include "machine/Machine.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

// ---- the screen ----

void TTerminalScreen::clear() {
    Lines = QStringList{QString()};
    Column = 0;
    Bells = 0;
    FirstChanged = 0;
    Dropped = -1;
}

int TTerminalScreen::takeFirstChanged(int* DroppedLines) {
    if (DroppedLines) *DroppedLines = Dropped;
    Dropped = 0;
    return std::exchange(FirstChanged, static_cast<int>(Lines.size()));
}

void TTerminalScreen::put(const QString& Text) {
    // Written at the cursor, over what stands there; a line shorter than the cursor is filled
    // with blanks.
    QString& line = Lines.last();
    if (line.size() < Column) line.append(QString(Column - line.size(), u' '));
    line.replace(Column, Text.size(), Text);
    Column += static_cast<int>(Text.size());
    FirstChanged = std::min(FirstChanged, static_cast<int>(Lines.size()) - 1);
}

void TTerminalScreen::feed(const QByteArray& Bytes) {
    for (const char c : Bytes) {
        const auto b = static_cast<uint8_t>(c);
        switch (b) {
        case '\r': Column = 0; break;
        case '\n':
            Lines.append(QString());
            Column = 0;
            if (Lines.size() > MaxLines) {
                Lines.removeFirst();
                if (Dropped >= 0) ++Dropped;
                FirstChanged = std::max(FirstChanged - 1, 0);
            }
            FirstChanged = std::min(FirstChanged, static_cast<int>(Lines.size()) - 1);
            break;
        case '\b':
            if (Column > 0) --Column;
            break;
        case '\a': ++Bells; break;
        case '\t': put(QString(8 - Column % 8, u' ')); break;
        default:
            if (b < 0x20 || b == 0x7F)
                put(QStringLiteral("<%1>").arg(b, 2, 16, QChar(u'0')).toUpper());
            else
                put(QString(QChar(b))); // Latin-1
            break;
        }
    }
}

// ---- the view ----

TTerminalView::TTerminalView(QWidget* Parent) : QWidget(Parent) {
    Display = new QPlainTextEdit(this);
    Display->setObjectName(QStringLiteral("TerminalDisplay"));
    Display->setReadOnly(true);
    Display->setUndoRedoEnabled(false);
    Display->setLineWrapMode(QPlainTextEdit::NoWrap);
    Display->setFont(QFont(QStringLiteral("Monospace")));
    Display->setToolTip(
        QStringLiteral("Tasten hier werden an die serielle Schnittstelle gesendet"));
    Display->installEventFilter(this);
    HexButton = new QToolButton(this);
    HexButton->setObjectName(QStringLiteral("TerminalHex"));
    HexButton->setText(QStringLiteral("Hex"));
    HexButton->setCheckable(true);
    HexButton->setToolTip(QStringLiteral("Empfangene Bytes hexadezimal zeigen"));
    ClearButton = new QPushButton(QStringLiteral("Löschen"), this);
    ClearButton->setObjectName(QStringLiteral("TerminalClear"));
    BreakButton = new QPushButton(QStringLiteral("Break"), this);
    BreakButton->setObjectName(QStringLiteral("TerminalBreak"));
    BreakButton->setToolTip(
        QStringLiteral("Ein Break-Zeichen (nur Nullen) an den Empfänger senden: er meldet FE"));
    FormatLabel = new QLabel(this);
    FormatLabel->setObjectName(QStringLiteral("TerminalFormat"));
    PendingLabel = new QLabel(this);
    PendingLabel->setObjectName(QStringLiteral("TerminalPending"));

    auto* status = new QHBoxLayout;
    status->addWidget(FormatLabel);
    status->addWidget(PendingLabel);
    status->addStretch(1);
    status->addWidget(BreakButton);
    status->addWidget(HexButton);
    status->addWidget(ClearButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(Display, 1);
    layout->addLayout(status);

    connect(HexButton, &QToolButton::toggled, this, [this](bool On) { setHex(On); });
    connect(ClearButton, &QPushButton::clicked, this, [this] { clearScreen(); });
    connect(BreakButton, &QPushButton::clicked, this, [this] { sendBreak(); });
    setFocusProxy(Display);
    refresh();
}

void TTerminalView::setMachine(Machine* M) {
    System = M;
    if (System) System->OnSciTransmit = [this](uint8_t Byte) { receive(Byte); };
    refresh();
}

QByteArray TTerminalView::keyBytes(int Key, const QString& Text) {
    switch (Key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return QByteArray("\r");
    case Qt::Key_Backspace: return QByteArray("\b");
    case Qt::Key_Tab: return QByteArray("\t");
    case Qt::Key_Escape: return QByteArray("\x1B");
    case Qt::Key_Delete: return QByteArray("\x7F");
    default: break;
    }
    QByteArray bytes;
    for (const QChar c : Text)
        if (c.unicode() <= 0xFF) bytes.append(static_cast<char>(c.unicode()));
    return bytes;
}

void TTerminalView::sendBreak() {
    if (!System) return;
    System->sciBreak();
    PendingLabel->setText(pendingText());
}

void TTerminalView::type(const QByteArray& Bytes) {
    if (!System || Bytes.isEmpty()) return;
    System->sciType(Bytes);
    PendingLabel->setText(pendingText());
}

bool TTerminalView::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched == Display && Event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(Event);
        // Copying the screen stays possible.
        if (key->matches(QKeySequence::Copy) || key->matches(QKeySequence::SelectAll)) return false;
        const QByteArray bytes = keyBytes(key->key(), key->text());
        if (bytes.isEmpty()) return false; // arrows, page keys: scroll the screen
        type(bytes);
        return true;
    }
    return QWidget::eventFilter(Watched, Event);
}

void TTerminalView::setHex(bool On) {
    if (HexButton->isChecked() != On) {
        HexButton->setChecked(On); // comes back here through toggled
        return;
    }
    showText(true);
}

bool TTerminalView::hex() const {
    return HexButton->isChecked();
}

void TTerminalView::clearScreen() {
    Screen.clear();
    Log.clear();
    Incoming.clear();
    showText(true);
}

QString TTerminalView::hexText() const {
    QString text;
    text.reserve(Log.size() * 3);
    for (qsizetype i = 0; i < Log.size(); ++i) {
        text +=
            QStringLiteral("%1").arg(static_cast<uint8_t>(Log[i]), 2, 16, QChar(u'0')).toUpper();
        text += (i % 16 == 15) ? u'\n' : u' ';
    }
    return text.trimmed();
}

void TTerminalView::showText(bool Full) {
    int dropped = 0;
    const int first = Screen.takeFirstChanged(&dropped);
    QScrollBar* bar = Display->verticalScrollBar();
    const bool atEnd = bar->value() >= bar->maximum() - 1;
    if (hex()) {
        Display->setPlainText(hexText());
    } else if (Full || dropped < 0 || dropped >= Display->blockCount()) {
        Display->setPlainText(Screen.text());
    } else {
        // A program that prints without end scrolls lines away at every refresh: they leave the
        // top of the display, so that only the new lines are laid out, not the whole screen.
        if (dropped > 0) {
            QTextCursor top(Display->document());
            top.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, dropped);
            top.removeSelectedText();
        }
        // Only the lines from the first changed one on are drawn again (the display holds the
        // screen's lines up to the last refresh: a line added since starts after its last).
        const int from = std::min(first, Display->blockCount() - 1);
        QTextCursor cursor(Display->document()->findBlockByNumber(from));
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        const QStringList& lines = Screen.lines();
        cursor.insertText(lines.mid(from).join(u'\n'));
    }
    if (atEnd) bar->setValue(bar->maximum());
}

void TTerminalView::refresh() {
    if (!Incoming.isEmpty()) {
        Screen.feed(Incoming);
        Log.append(Incoming);
        if (Log.size() > MaxHexBytes) Log.remove(0, Log.size() - MaxHexBytes);
        Incoming.clear();
        showText(false);
        for (int n = Screen.takeBells(); n > 0; --n)
            QApplication::beep();
    }
    // The status line only matters on screen; it changes seldom, and setting a label's text
    // relayouts it even when the text is the same.
    if (!isVisible()) return;
    if (const QString format = formatText(); FormatLabel->text() != format)
        FormatLabel->setText(format);
    if (const QString pending = pendingText(); PendingLabel->text() != pending)
        PendingLabel->setText(pending);
}

QString TTerminalView::shownText() const {
    return Display->toPlainText();
}

QString TTerminalView::formatText() const {
    return System ? System->sciFormat() : QString();
}

QString TTerminalView::pendingText() const {
    const int n = System ? System->sciPending() : 0;
    return n == 1 ? QStringLiteral("Warteschlange: 1 Byte")
                  : QStringLiteral("Warteschlange: %1 Bytes").arg(n);
}
