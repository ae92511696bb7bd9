#include "ui/MemoryView.h"

#include "machine/Machine.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QtMath>
#include <algorithm>
#include <vector>

namespace {

// Character columns of a row: the address, two blanks, 16 hex bytes (one blank more after the
// eighth), a blank, the 16 ASCII characters.
constexpr int HexColumn = 6;
constexpr int AsciiColumn = HexColumn + 3 * TMemoryGrid::BytesPerRow + 2;

int HexColumnOf(int Index) {
    return HexColumn + 3 * Index + (Index >= 8 ? 1 : 0);
}

QChar AsciiOf(uint8_t Byte) {
    return Byte >= 0x20 && Byte < 0x7F ? QChar(Byte) : QChar(u'.');
}

QString Hex(uint32_t Value, int Digits) {
    return QString::number(Value, 16).rightJustified(Digits, u'0').toUpper();
}

const QColor ChangedColor(0xD0, 0x00, 0x00);
const QColor AddressColor(0x70, 0x70, 0x70);
const QColor CursorColor(0xB4, 0xD2, 0xF5);
const QColor OtherColumnColor(0xE0, 0xE8, 0xF2);

} // namespace

// ---- the grid ----

TMemoryGrid::TMemoryGrid(QWidget* Parent) : QAbstractScrollArea(Parent) {
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    verticalScrollBar()->setSingleStep(1);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, viewport(),
            [this] { viewport()->update(); });
    updateScrollRange();
}

qreal TMemoryGrid::charWidth() const {
    // Fractional, as the text of a whole row is laid out: rounded, columns drawn one by one
    // would drift away from it.
    return std::max<qreal>(1, QFontMetricsF(font()).horizontalAdvance(u'0'));
}

int TMemoryGrid::rowHeight() const {
    return std::max(1, fontMetrics().height());
}

int TMemoryGrid::topRow() const {
    return verticalScrollBar()->value();
}

int TMemoryGrid::rowsInView() const {
    return std::max(1, viewport()->height() / rowHeight());
}

void TMemoryGrid::updateScrollRange() {
    const int rows = rowsInView();
    verticalScrollBar()->setPageStep(rows);
    verticalScrollBar()->setRange(0, std::max(0, RowCount - rows));
    const int width = qCeil((AsciiColumn + BytesPerRow + 1) * charWidth());
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
}

void TMemoryGrid::resizeEvent(QResizeEvent* Event) {
    QAbstractScrollArea::resizeEvent(Event);
    updateScrollRange();
}

QString TMemoryGrid::rowText(int Row) const {
    const uint32_t base = static_cast<uint32_t>(Row) * BytesPerRow;
    QString hex, ascii;
    for (int i = 0; i < BytesPerRow; ++i) {
        const uint8_t b = System ? System->peek(base + static_cast<uint32_t>(i)) : 0;
        if (i == 8) hex += u' ';
        hex += Hex(b, 2) + u' ';
        ascii += AsciiOf(b);
    }
    return Hex(base, 4) + QStringLiteral("  ") + hex + u' ' + ascii;
}

void TMemoryGrid::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    p.setFont(font());
    p.fillRect(viewport()->rect(), palette().base());
    const qreal cw = charWidth();
    const int rh = rowHeight(), ascent = fontMetrics().ascent();
    const qreal x0 = -horizontalScrollBar()->value();
    const int first = topRow();
    const int last = std::min(RowCount - 1, first + viewport()->height() / rh + 1);
    const QColor text = palette().text().color();
    for (int row = first; row <= last; ++row) {
        const int y = (row - first) * rh;
        const uint32_t base = static_cast<uint32_t>(row) * BytesPerRow;
        p.setPen(AddressColor);
        p.drawText(QPointF(x0, y + ascent), Hex(base, 4));
        if (base <= Cursor && Cursor < base + BytesPerRow) {
            const int i = static_cast<int>(Cursor - base);
            p.fillRect(QRectF(x0 + HexColumnOf(i) * cw, y, 2 * cw, rh),
                       InAscii ? OtherColumnColor : CursorColor);
            p.fillRect(QRectF(x0 + (AsciiColumn + i) * cw, y, cw, rh),
                       InAscii ? CursorColor : OtherColumnColor);
        }
        // The row in one piece (the text shaping of a whole row costs about as much as of one
        // byte), then the changed bytes over blanks left for them, in red.
        QString line = rowText(row).mid(HexColumn);
        std::vector<int> changed;
        for (int i = 0; i < BytesPerRow; ++i) {
            if (!Image || !Image->changed(base + static_cast<uint32_t>(i))) continue;
            changed.push_back(i);
            line.replace(HexColumnOf(i) - HexColumn, 2, QStringLiteral("  "));
            line[AsciiColumn + i - HexColumn] = u' ';
        }
        p.setPen(text);
        p.drawText(QPointF(x0 + HexColumn * cw, y + ascent), line);
        p.setPen(ChangedColor);
        for (int i : changed) {
            const uint8_t b = System ? System->peek(base + static_cast<uint32_t>(i)) : 0;
            p.drawText(QPointF(x0 + HexColumnOf(i) * cw, y + ascent), Hex(b, 2));
            p.drawText(QPointF(x0 + (AsciiColumn + i) * cw, y + ascent), QString(AsciiOf(b)));
        }
    }
}

bool TMemoryGrid::hit(const QPoint& Point, uint32_t& Address, bool& Ascii) const {
    const int row = topRow() + Point.y() / rowHeight();
    const int col = static_cast<int>((Point.x() + horizontalScrollBar()->value()) / charWidth());
    if (row < 0 || row >= RowCount) return false;
    for (int i = 0; i < BytesPerRow; ++i) {
        const bool inHex = col >= HexColumnOf(i) && col < HexColumnOf(i) + 2;
        if (inHex || col == AsciiColumn + i) {
            Address = static_cast<uint32_t>(row * BytesPerRow + i);
            Ascii = !inHex;
            return true;
        }
    }
    return false;
}

void TMemoryGrid::setCursor(uint32_t Address, bool Ascii) {
    Cursor = Address & 0xFFFF;
    InAscii = Ascii;
    PendingNibble = -1;
    showAddress(Cursor);
    viewport()->update();
}

void TMemoryGrid::showAddress(uint32_t Address) {
    const int row = static_cast<int>((Address & 0xFFFF) / BytesPerRow);
    if (row < topRow() || row >= topRow() + rowsInView())
        verticalScrollBar()->setValue(std::max(0, row - 2));
}

void TMemoryGrid::mousePressEvent(QMouseEvent* Event) {
    uint32_t address = 0;
    bool ascii = false;
    if (hit(Event->position().toPoint(), address, ascii)) setCursor(address, ascii);
    QAbstractScrollArea::mousePressEvent(Event);
}

bool TMemoryGrid::type(const QString& Text) {
    if (!System || Text.size() != 1) return false;
    const char16_t c = Text[0].unicode();
    if (InAscii) {
        // Printable Latin-1 goes in as it is.
        if (c < 0x20 || c == 0x7F || c > 0xFF) return false;
        System->poke(Cursor, static_cast<uint8_t>(c));
        setCursor(Cursor + 1, true);
        return true;
    }
    const int digit = QChar(c).isDigit()         ? c - u'0'
                      : (c >= u'a' && c <= u'f') ? c - u'a' + 10
                      : (c >= u'A' && c <= u'F') ? c - u'A' + 10
                                                 : -1;
    if (digit < 0) return false;
    if (PendingNibble < 0) {
        // The first digit shows at once as the high nibble; the second completes the byte.
        PendingNibble = digit;
        System->poke(Cursor, static_cast<uint8_t>((digit << 4) | (System->peek(Cursor) & 0x0F)));
        viewport()->update();
    } else {
        System->poke(Cursor, static_cast<uint8_t>((PendingNibble << 4) | digit));
        setCursor(Cursor + 1, false);
    }
    return true;
}

void TMemoryGrid::keyPressEvent(QKeyEvent* Event) {
    const int page = rowsInView() * BytesPerRow;
    int32_t move = 0;
    switch (Event->key()) {
    case Qt::Key_Left: move = -1; break;
    case Qt::Key_Right: move = 1; break;
    case Qt::Key_Up: move = -BytesPerRow; break;
    case Qt::Key_Down: move = BytesPerRow; break;
    case Qt::Key_PageUp: move = -page; break;
    case Qt::Key_PageDown: move = page; break;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: setCursor(Cursor, !InAscii); return;
    default:
        if (type(Event->text())) return;
        QAbstractScrollArea::keyPressEvent(Event);
        return;
    }
    setCursor(static_cast<uint32_t>(std::clamp<int64_t>(int64_t{Cursor} + move, 0, 0xFFFF)),
              InAscii);
}

void TMemoryGrid::contextMenuEvent(QContextMenuEvent* Event) {
    uint32_t address = Cursor;
    bool ascii = InAscii;
    if (hit(Event->pos(), address, ascii)) setCursor(address, ascii);
    QMenu menu(this);
    QAction* data = menu.addAction(QStringLiteral("Datenhaltepunkt…"));
    data->setToolTip(QStringLiteral("Anhalten, wenn das Programm dieses Byte liest oder schreibt"));
    if (menu.exec(Event->globalPos()) == data) emit dataBreakpointRequested(Cursor, 1);
}

// ---- the view ----

TMemoryView::TMemoryView(QWidget* Parent) : QWidget(Parent) {
    AddressField = new QLineEdit(this);
    AddressField->setObjectName(QStringLiteral("MemoryAddress"));
    AddressField->setPlaceholderText(QStringLiteral("Adresse oder Symbol"));
    AddressField->setToolTip(QStringLiteral("Gehe zu: $E000, 57344, ein Symbol oder TABELLE+3"));
    FollowBox = new QComboBox(this);
    FollowBox->setObjectName(QStringLiteral("MemoryFollow"));
    FollowBox->addItem(QStringLiteral("Nicht folgen"), QString());
    for (const char* reg : {"X", "Y", "SP", "PC"})
        FollowBox->addItem(QStringLiteral("Folgen: %1").arg(QLatin1String(reg)),
                           QString::fromLatin1(reg));
    Message = new QLabel(this);
    Message->setObjectName(QStringLiteral("MemoryMessage"));
    Grid = new TMemoryGrid(this);
    Grid->setObjectName(QStringLiteral("MemoryGrid"));
    Grid->setImage(&Image);

    auto* bar = new QHBoxLayout;
    bar->addWidget(new QLabel(QStringLiteral("Gehe zu:"), this));
    bar->addWidget(AddressField, 1);
    bar->addWidget(FollowBox);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addLayout(bar);
    layout->addWidget(Message);
    layout->addWidget(Grid, 1);
    Message->hide();

    connect(AddressField, &QLineEdit::returnPressed, this, [this] { goTo(AddressField->text()); });
    connect(FollowBox, &QComboBox::currentIndexChanged, this, [this] { follow(); });
    connect(Grid, &TMemoryGrid::dataBreakpointRequested, this,
            &TMemoryView::dataBreakpointRequested);
}

void TMemoryView::setMachine(Machine* M) {
    System = M;
    Grid->setMachine(M);
    if (System) {
        Image.take(*System);
        Image.settle();
    }
    refresh();
}

bool TMemoryView::goTo(const QString& Text) {
    const auto address =
        System ? parseAddressText(Text, System->symbols()) : parseAddressText(Text, SymbolTable());
    if (!address) {
        Message->setText(QStringLiteral("Keine Adresse: „%1“ (z. B. $E000, LOOP, TABELLE+3)")
                             .arg(Text.trimmed()));
        Message->show();
        return false;
    }
    Message->hide();
    FollowBox->setCurrentIndex(0); // a jump ends following
    Grid->setCursor(*address);
    return true;
}

void TMemoryView::setFollow(const QString& Register) {
    const int index = FollowBox->findData(Register);
    FollowBox->setCurrentIndex(std::max(index, 0));
}

void TMemoryView::follow() {
    if (!System) return;
    const QString reg = FollowBox->currentData().toString();
    Machine::Register r = Machine::Register::PC;
    if (reg == u"X")
        r = Machine::Register::X;
    else if (reg == u"Y")
        r = Machine::Register::Y;
    else if (reg == u"SP")
        r = Machine::Register::SP;
    else if (reg != u"PC")
        return;
    const uint32_t address = System->registerValue(r) & 0xFFFF;
    if (address != Grid->cursor()) Grid->setCursor(address, Grid->asciiColumn());
}

void TMemoryView::stopped() {
    if (System && isVisible()) Image.take(*System);
    refresh();
}

void TMemoryView::refresh() {
    SinceRefresh.start();
    if (!isVisible()) return;
    follow();
    Grid->viewport()->update();
}

void TMemoryView::refreshAtPace() {
    if (!SinceRefresh.isValid() || SinceRefresh.elapsed() >= RunRefreshMs) refresh();
}

void TMemoryView::showEvent(QShowEvent* Event) {
    QWidget::showEvent(Event);
    // Hidden, the view took no pictures: nothing counts as changed until the next stop.
    if (System) {
        Image.take(*System);
        Image.settle();
    }
    refresh();
}
