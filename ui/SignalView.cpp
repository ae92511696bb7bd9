#include "ui/SignalView.h"

#include "machine/FileErrorText.h"
#include "machine/Machine.h"
#include "ui/KvErrorBox.h"

#include <QButtonGroup>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QSaveFile>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

using namespace SignalTimeline;

namespace {

// Rows keep this order whatever order they were chosen in: per port its bus, then its pins;
// then IRQ, XIRQ and the interrupt entries.
int rowOrder(int Row) {
    if (isBusRow(Row)) return (Row - FirstBusRow) * 10;
    if (Row < SignalRecorder::PinSignals) return Row / 8 * 10 + 1 + Row % 8;
    return 50 + Row - SignalRecorder::PinSignals;
}

const QColor PinColour(0x00, 0x70, 0x00);
const QColor PinLineColour(0xB0, 0x50, 0x00);
const QColor BusColour(0x00, 0x40, 0x90);
const QColor InterruptColour(0xC0, 0x00, 0x00);
const QColor Cursor1Colour(0x00, 0x60, 0xE0);
const QColor Cursor2Colour(0xC0, 0x00, 0xC0);

} // namespace

// The painted part: row labels at the left, the time axis on top, the rows below. Its events go
// to the view, which keeps the state.
class TSignalCanvas : public QWidget {
  public:
    explicit TSignalCanvas(TSignalView* View) : QWidget(nullptr), View(View) {
        setMouseTracking(true);
        setFocusPolicy(Qt::StrongFocus);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setToolTip(QStringLiteral(
            "Klick: Cursor 1 setzen · Umschalt+Klick oder Rechtsklick: Cursor 2 setzen\n"
            "Ziehen: verschieben · Mausrad: zoomen · ←/→: vorige/nächste Flanke\n"
            "Rechtsklick auf die Namen: Zeilen wählen"));
    }
    QSize sizeHint() const override { return {800, minimumHeight()}; }

  protected:
    void paintEvent(QPaintEvent*) override {
        QElapsedTimer clock;
        clock.start();
        QPainter painter(this);
        View->paintCanvas(painter);
        View->LastPaintNs = clock.nsecsElapsed();
        View->SincePaint.start();
    }
    void mousePressEvent(QMouseEvent* Event) override {
        const QPoint pos = Event->position().toPoint();
        if (pos.x() < View->LabelWidth) {
            if (Event->button() == Qt::LeftButton) View->selectRow(View->rowAt(pos.y()));
            return; // the right button opens the row menu (contextMenuEvent)
        }
        if (Event->button() == Qt::RightButton) {
            View->setCursorCycle(2, cycleAt(pos.x()));
            return;
        }
        if (Event->button() != Qt::LeftButton) return;
        PressX = pos.x();
        PressOrigin = View->TimeScale.Origin;
        Dragging = false;
        Pressed = true;
    }
    void mouseMoveEvent(QMouseEvent* Event) override {
        const QPoint pos = Event->position().toPoint();
        View->HoverRow = View->rowAt(pos.y());
        if (!Pressed) return;
        const int dx = pos.x() - PressX;
        if (!Dragging && std::abs(dx) < 4) return;
        Dragging = true;
        View->Fit = false;
        View->Follow = false;
        View->TimeScale.Origin = PressOrigin - dx * View->TimeScale.CyclesPerPixel;
        update();
    }
    void mouseReleaseEvent(QMouseEvent* Event) override {
        if (Event->button() != Qt::LeftButton || !Pressed) return;
        Pressed = false;
        if (Dragging) {
            View->settleFollow();
            return;
        }
        const QPoint pos = Event->position().toPoint();
        const int row = View->rowAt(pos.y());
        if (row >= 0) View->selectRow(row);
        View->setCursorCycle(Event->modifiers() & Qt::ShiftModifier ? 2 : 1, cycleAt(pos.x()));
    }
    void leaveEvent(QEvent*) override { View->HoverRow = -1; }
    void wheelEvent(QWheelEvent* Event) override {
        const double steps = Event->angleDelta().y() / 120.0;
        if (steps == 0) return;
        const double x = std::max(0.0, Event->position().x() - View->LabelWidth);
        View->zoomAt(x, std::pow(1.25, -steps)); // away from the user: closer in
        Event->accept();
    }
    void contextMenuEvent(QContextMenuEvent* Event) override {
        if (Event->pos().x() < View->LabelWidth)
            View->showRowMenu(Event->globalPos(), View->rowAt(Event->pos().y()));
    }
    void keyPressEvent(QKeyEvent* Event) override {
        const int row = View->HoverRow >= 0 ? View->HoverRow : -1;
        switch (Event->key()) {
        case Qt::Key_Right: View->goToEdge(true, row); break;
        case Qt::Key_Left: View->goToEdge(false, row); break;
        case Qt::Key_Plus: View->zoomAt(View->timeAreaWidth() / 2.0, 0.5); break;
        case Qt::Key_Minus: View->zoomAt(View->timeAreaWidth() / 2.0, 2); break;
        case Qt::Key_Home: View->showWhole(); break;
        default: QWidget::keyPressEvent(Event); return;
        }
    }

  private:
    int64_t cycleAt(int X) const {
        return std::llround(View->TimeScale.cycle(X - View->LabelWidth));
    }
    TSignalView* View;
    int PressX = 0;
    double PressOrigin = 0;
    bool Pressed = false, Dragging = false;
};

TSignalView::TSignalView(QWidget* Parent) : QWidget(Parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(2);
    const auto button = [&](const char* Name, const QString& Text, const QString& Tip) {
        auto* b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(Name));
        b->setText(Text);
        b->setToolTip(Tip);
        b->setAutoRaise(true);
        buttons->addWidget(b);
        return b;
    };
    CyclesButton = button("CyclesButton", QStringLiteral("Zyklen"),
                          QStringLiteral("Zeitachse in Taktzyklen"));
    TimeButton = button("TimeButton", QStringLiteral("Zeit"),
                        QStringLiteral("Zeitachse in Zeit beim E-Takt der Maschine"));
    CyclesButton->setCheckable(true);
    TimeButton->setCheckable(true);
    CyclesButton->setChecked(true);
    auto* axisGroup = new QButtonGroup(this);
    axisGroup->addButton(CyclesButton);
    axisGroup->addButton(TimeButton);
    connect(CyclesButton, &QToolButton::clicked, this, [this] { setTimeAxis(false); });
    connect(TimeButton, &QToolButton::clicked, this, [this] { setTimeAxis(true); });
    buttons->addSpacing(8);
    QToolButton* previous = button("PreviousEdgeButton", QStringLiteral("◀ Flanke"),
                                   QStringLiteral("Vorige Flanke der gewählten Zeile (←): "
                                                  "setzt Cursor 1"));
    QToolButton* next = button("NextEdgeButton", QStringLiteral("Flanke ▶"),
                               QStringLiteral("Nächste Flanke der gewählten Zeile (→): "
                                              "setzt Cursor 1"));
    connect(previous, &QToolButton::clicked, this, [this] { goToEdge(false); });
    connect(next, &QToolButton::clicked, this, [this] { goToEdge(true); });
    buttons->addSpacing(8);
    QToolButton* whole = button("WholeButton", QStringLiteral("Ganz"),
                                QStringLiteral("Die ganze Aufzeichnung zeigen (Pos1)"));
    connect(whole, &QToolButton::clicked, this, [this] { showWhole(); });
    QToolButton* vcd = button("VcdButton", QStringLiteral("VCD exportieren…"),
                              QStringLiteral("Die Aufzeichnung als Value Change Dump speichern"));
    connect(vcd, &QToolButton::clicked, this, [this] { exportVcd(); });
    buttons->addStretch(1);
    layout->addLayout(buttons);

    Canvas = new TSignalCanvas(this);
    Canvas->setObjectName(QStringLiteral("SignalCanvas"));
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("SignalScroll"));
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setFrameShape(QFrame::StyledPanel);
    scroll->setWidget(Canvas);
    layout->addWidget(scroll, 1);

    StatusLine = new QLabel(this);
    StatusLine->setObjectName(QStringLiteral("SignalStatus"));
    StatusLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    NoteLine = new QLabel(this);
    NoteLine->setObjectName(QStringLiteral("SignalNote"));
    NoteLine->setStyleSheet(QStringLiteral("color: #A05000;"));
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(StatusLine, 1);
    bottom->addWidget(NoteLine);
    layout->addLayout(bottom);

    LabelWidth = fontMetrics().horizontalAdvance(QStringLiteral("Interrupts")) + 16;
    setRows(defaultRows());
    updateTexts();
}

void TSignalView::setMachine(const Machine* NewSystem) {
    System = NewSystem;
    refresh();
}

int64_t TSignalView::recordEnd() const {
    if (!System) return 0;
    return std::max(System->cpu().CycleCount, System->signalRecord().completeFrom());
}

void TSignalView::updateScale() {
    if (!System) return;
    const SignalRecorder& record = System->signalRecord();
    const double width = std::max(1, timeAreaWidth());
    const int64_t end = recordEnd();
    if (Fit) {
        const double span = std::max<double>(static_cast<double>(end - record.completeFrom()), 10.0);
        TimeScale.CyclesPerPixel = std::clamp(span / width, MinCyclesPerPixel, MaxCyclesPerPixel);
        TimeScale.Origin = static_cast<double>(record.completeFrom());
    } else if (Follow) {
        TimeScale.Origin = static_cast<double>(end) - width * TimeScale.CyclesPerPixel;
    }
}

void TSignalView::refresh() {
    updateScale();
    updateTexts();
    if (!isVisible()) return;
    // During a run the next paint waits 30 times as long as the last one took, so that painting
    // takes at most about 3 % of the run however dense the record is.
    if (System && System->isRunning() && SincePaint.isValid() &&
        SincePaint.nsecsElapsed() < PaintShareInverse * LastPaintNs)
        return;
    Canvas->update();
}

void TSignalView::showEvent(QShowEvent* Event) {
    QWidget::showEvent(Event);
    refresh();
}

void TSignalView::setRows(std::vector<int> NewRows) {
    std::erase_if(NewRows, [](int Row) { return !isValidRow(Row); });
    std::sort(NewRows.begin(), NewRows.end(), [](int A, int B) { return rowOrder(A) < rowOrder(B); });
    NewRows.erase(std::unique(NewRows.begin(), NewRows.end()), NewRows.end());
    Rows = std::move(NewRows);
    if (std::find(Rows.begin(), Rows.end(), Selected) == Rows.end()) Selected = -1;
    Canvas->setMinimumHeight(AxisHeight + static_cast<int>(Rows.size()) * RowHeight + 2);
    Canvas->update();
}

int TSignalView::rowAt(int Y) const {
    if (Y < AxisHeight) return -1;
    const size_t index = static_cast<size_t>((Y - AxisHeight) / RowHeight);
    return index < Rows.size() ? Rows[index] : -1;
}

int TSignalView::canvasWidth() const {
    // Laid out or not, the canvas is as wide as the view's scroll area shows it.
    return Canvas->width() > 100 ? Canvas->width() : std::max(width() - 8, 100);
}

int TSignalView::timeAreaWidth() const {
    return std::max(1, canvasWidth() - LabelWidth);
}

void TSignalView::setScale(const Scale& NewScale) {
    TimeScale = NewScale;
    TimeScale.CyclesPerPixel = std::clamp(TimeScale.CyclesPerPixel, MinCyclesPerPixel, MaxCyclesPerPixel);
    Fit = false;
    settleFollow();
}

std::pair<int64_t, int64_t> TSignalView::visibleCycles() const {
    return {static_cast<int64_t>(std::floor(TimeScale.cycle(0))),
            static_cast<int64_t>(std::ceil(TimeScale.cycle(timeAreaWidth())))};
}

std::pair<size_t, size_t> TSignalView::visibleChanges() const {
    if (!System) return {0, 0};
    const auto [first, last] = visibleCycles();
    return changesBetween(System->signalRecord(), first, last);
}

void TSignalView::zoomAt(double X, double Factor) {
    if (!(Factor > 0) || !std::isfinite(Factor)) return;
    TimeScale = TimeScale.zoomedAround(X, Factor);
    Fit = false;
    settleFollow();
}

void TSignalView::panBy(double Pixels) {
    TimeScale.Origin += Pixels * TimeScale.CyclesPerPixel;
    Fit = false;
    settleFollow();
}

void TSignalView::settleFollow() {
    Follow = System && TimeScale.cycle(timeAreaWidth()) >= static_cast<double>(recordEnd());
    Canvas->update();
}

void TSignalView::showWhole() {
    Fit = true;
    Follow = true;
    updateScale();
    Canvas->update();
}

void TSignalView::setTimeAxis(bool Time) {
    InTime = Time;
    CyclesButton->setChecked(!Time);
    TimeButton->setChecked(Time);
    updateTexts();
    Canvas->update();
}

void TSignalView::setCursorCycle(int Which, std::optional<int64_t> Cycle) {
    Cursors[Which == 2 ? 1 : 0] = Cycle;
    updateTexts();
    Canvas->update();
}

void TSignalView::selectRow(int Row) {
    Selected = std::find(Rows.begin(), Rows.end(), Row) != Rows.end() ? Row : -1;
    Canvas->update();
}

bool TSignalView::goToEdge(bool Forward, int Row) {
    if (Row < 0) Row = Selected;
    if (!System || Row < 0) return false;
    const SignalRecorder& record = System->signalRecord();
    const auto [first, last] = visibleCycles();
    const int64_t from = Cursors[0] ? *Cursors[0] : Forward ? first - 1 : last + 1;
    const std::optional<int64_t> edge = Forward ? nextEdge(record, rowSignals(Row), from)
                                                : previousEdge(record, rowSignals(Row), from);
    if (!edge) return false;
    Cursors[0] = edge;
    if (*edge < first || *edge > last) { // into the middle of the view
        TimeScale.Origin = static_cast<double>(*edge) - timeAreaWidth() / 2.0 * TimeScale.CyclesPerPixel;
        Fit = false;
        settleFollow();
    }
    updateTexts();
    Canvas->update();
    return true;
}

QString TSignalView::cursorText() const {
    const double hertz = System ? System->eClock() : 2e6;
    const auto position = [&](int64_t Cycle) {
        return InTime ? formatDuration(static_cast<double>(Cycle) / hertz)
                      : QStringLiteral("Zyklus %1").arg(Cycle);
    };
    if (!Cursors[0] && !Cursors[1])
        return QStringLiteral("Klick setzt Cursor 1, Umschalt+Klick oder Rechtsklick Cursor 2");
    QStringList parts;
    if (Cursors[0]) parts << QStringLiteral("Cursor 1: %1").arg(position(*Cursors[0]));
    if (Cursors[1]) parts << QStringLiteral("Cursor 2: %1").arg(position(*Cursors[1]));
    if (Cursors[0] && Cursors[1]) {
        const int64_t delta = std::abs(*Cursors[1] - *Cursors[0]);
        const double seconds = static_cast<double>(delta) / hertz;
        parts << QStringLiteral("Δt = %1 = %2").arg(formatCycles(delta), formatDuration(seconds));
        parts << QStringLiteral("1/Δt = %1").arg(delta > 0 ? formatFrequency(1 / seconds)
                                                           : QStringLiteral("–"));
    }
    return parts.join(QStringLiteral("   "));
}

QString TSignalView::noteText() const {
    if (!System || System->signalRecord().dropped() == 0) return {};
    return QStringLiteral("Aufzeichnung vollständig ab Zyklus %1").arg(System->signalRecord().completeFrom());
}

void TSignalView::updateTexts() {
    const QString status = cursorText();
    if (StatusLine->text() != status) StatusLine->setText(status);
    const QString note = noteText();
    if (NoteLine->text() != note) NoteLine->setText(note);
    NoteLine->setVisible(!note.isEmpty());
}

void TSignalView::exportVcd() {
    if (!System) return;
    QString name;
    if (AskSaveFileName) {
        name = AskSaveFileName();
    } else {
        QFileDialog dialog(this, QStringLiteral("Signale als VCD speichern"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilter(QStringLiteral("Value Change Dump (*.vcd)"));
        dialog.setDefaultSuffix(QStringLiteral("vcd"));
        if (dialog.exec() == QDialog::Accepted) name = dialog.selectedFiles().value(0);
    }
    if (!name.isEmpty()) exportVcdTo(name);
}

bool TSignalView::exportVcdTo(const QString& FileName) {
    if (!System) return false;
    QSaveFile file(FileName);
    if (!file.open(QIODevice::WriteOnly)) {
        KvReportError(MessageSink, this,
                      QStringLiteral("Die Datei „%1“ kann nicht geschrieben werden: %2")
                          .arg(FileName, fileErrorText(file)));
        return false;
    }
    QString error;
    if (!System->signalRecord().writeVcd(file, System->eClock(), &error)) {
        file.cancelWriting();
        KvReportError(MessageSink, this, error);
        return false;
    }
    if (!file.commit()) {
        KvReportError(MessageSink, this,
                      QStringLiteral("Die Datei „%1“ kann nicht geschrieben werden: %2")
                          .arg(FileName, fileErrorText(file)));
        return false;
    }
    return true;
}

void TSignalView::showRowMenu(const QPoint& Global, int Row) {
    QMenu menu(this);
    const auto toggle = [this](QMenu* Menu, const QString& Text, int Shown) {
        QAction* item = Menu->addAction(Text);
        item->setCheckable(true);
        item->setChecked(std::find(Rows.begin(), Rows.end(), Shown) != Rows.end());
        connect(item, &QAction::toggled, this, [this, Shown](bool On) {
            std::vector<int> rows = Rows;
            if (On) rows.push_back(Shown);
            else std::erase(rows, Shown);
            setRows(std::move(rows));
        });
    };
    for (int p = 0; p < 5; ++p) {
        QMenu* port = menu.addMenu(rowLabel(busRow(p)));
        toggle(port, QStringLiteral("Als Bus (hex)"), busRow(p));
        port->addSeparator();
        for (int b = 0; b < PinsOfPort[p]; ++b) toggle(port, rowLabel(p * 8 + b), p * 8 + b);
    }
    toggle(&menu, QStringLiteral("IRQ"), IrqRow);
    toggle(&menu, QStringLiteral("XIRQ"), XirqRow);
    toggle(&menu, QStringLiteral("Interrupts"), InterruptRow);
    menu.addSeparator();
    if (Row >= 0) {
        menu.addAction(QStringLiteral("„%1“ ausblenden").arg(rowLabel(Row)), this, [this, Row] {
            std::vector<int> rows = Rows;
            std::erase(rows, Row);
            setRows(std::move(rows));
        });
    }
    menu.addAction(QStringLiteral("Standardauswahl"), this, [this] { setRows(defaultRows()); });
    menu.exec(Global);
}

// ---------------------------------------------------------------------------------------------
// Painting.

void TSignalView::paintCanvas(QPainter& Painter) {
    updateScale();
    const int width = Canvas->width();
    const int height = Canvas->height();
    Painter.fillRect(0, 0, width, height, Qt::white);
    Painter.fillRect(0, 0, LabelWidth, height, palette().window());
    Painter.setPen(palette().mid().color());
    Painter.drawLine(LabelWidth - 1, 0, LabelWidth - 1, height);
    Painter.drawLine(0, AxisHeight - 1, width, AxisHeight - 1);
    for (size_t r = 0; r < Rows.size(); ++r) {
        const int top = AxisHeight + static_cast<int>(r) * RowHeight;
        if (Rows[r] == Selected)
            Painter.fillRect(0, top, width, RowHeight, QColor(0xE4, 0xEE, 0xFF));
        Painter.setPen(palette().windowText().color());
        Painter.drawText(QRect(6, top, LabelWidth - 10, RowHeight), Qt::AlignVCenter | Qt::AlignLeft,
                         rowLabel(Rows[r]));
        Painter.setPen(QColor(0xEE, 0xEE, 0xEE));
        Painter.drawLine(LabelWidth, top + RowHeight - 1, width, top + RowHeight - 1);
    }
    if (!System) return;
    const int areaWidth = std::max(1, width - LabelWidth);
    Painter.save();
    Painter.translate(LabelWidth, 0);
    Painter.setClipRect(0, 0, areaWidth, height);
    // Before the record and after the newest cycle nothing is known.
    const double startX = TimeScale.x(static_cast<double>(System->signalRecord().completeFrom()));
    const double endX = TimeScale.x(static_cast<double>(recordEnd()));
    const QColor unknown(0xF0, 0xF0, 0xF0);
    if (startX > 0) Painter.fillRect(QRectF(0, AxisHeight, std::min<double>(startX, areaWidth), height), unknown);
    if (endX < areaWidth)
        Painter.fillRect(QRectF(std::max(0.0, endX), AxisHeight, areaWidth, height), unknown);
    paintAxis(Painter, areaWidth);
    paintRows(Painter, areaWidth);
    for (int c = 0; c < 2; ++c) {
        if (!Cursors[c]) continue;
        const double x = TimeScale.x(static_cast<double>(*Cursors[c]));
        if (x < -1 || x > areaWidth + 1) continue;
        const QColor colour = c == 0 ? Cursor1Colour : Cursor2Colour;
        Painter.setPen(QPen(colour, 1, c == 0 ? Qt::SolidLine : Qt::DashLine));
        Painter.drawLine(QPointF(x + 0.5, AxisHeight - 6), QPointF(x + 0.5, height));
        Painter.fillRect(QRectF(x - 5, 0, 11, 12), colour);
        Painter.setPen(Qt::white);
        Painter.drawText(QRectF(x - 5, 0, 11, 12), Qt::AlignCenter, QString::number(c + 1));
    }
    Painter.restore();
}

void TSignalView::paintAxis(QPainter& Painter, int Width) {
    const double hertz = System->eClock();
    const double minimumPixels = InTime ? 90 : 80;
    // A step of 1, 2 or 5 units in cycles or in seconds, at least minimumPixels wide.
    const double cyclesPerUnit = InTime ? hertz : 1;
    const double step = std::max(niceStep(minimumPixels * TimeScale.CyclesPerPixel / cyclesPerUnit),
                                 InTime ? 1 / hertz : 1.0);
    const double first = std::floor(TimeScale.cycle(0) / cyclesPerUnit / step);
    const double last = std::ceil(TimeScale.cycle(Width) / cyclesPerUnit / step);
    QFont small = Painter.font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    Painter.setFont(small);
    for (double k = first; k <= last && k - first < 1000; ++k) {
        const double unitValue = k * step;
        const double x = TimeScale.x(unitValue * cyclesPerUnit);
        Painter.setPen(QColor(0xE0, 0xE0, 0xE0));
        Painter.drawLine(QPointF(x, AxisHeight), QPointF(x, Canvas->height()));
        Painter.setPen(palette().windowText().color());
        Painter.drawLine(QPointF(x, AxisHeight - 6), QPointF(x, AxisHeight - 1));
        if (x < 0) continue; // a label cut off at the left would be misread
        const QString label = InTime ? formatTimeTick(unitValue, step)
                                     : QString::number(static_cast<qint64>(std::llround(unitValue)));
        Painter.drawText(QRectF(x + 3, 0, minimumPixels, AxisHeight - 4), Qt::AlignLeft | Qt::AlignBottom,
                         label);
    }
    Painter.setFont(font());
}

void TSignalView::paintRows(QPainter& Painter, int Width) {
    const SignalRecorder& record = System->signalRecord();
    const int64_t recordStart = record.completeFrom();
    const int64_t end = recordEnd();
    const auto [viewFirst, viewLast] = visibleCycles();
    const int64_t from = std::max(viewFirst, recordStart);
    const int64_t to = std::min(viewLast, end);
    if (to < from || Rows.empty()) return;

    // Each row's state while the pass over the visible changes goes on.
    struct RowState {
        int Row;
        int Top;
        int Value;          // level, bus value
        double SegmentX;    // where the current stretch began
        int LastEdgeX;      // the pixel of the last edge drawn: changes within it are coalesced
    };
    size_t index = 0;
    const Levels levels = levelsBefore(record, from, &index);
    const auto portValue = [](const Levels& Of, int Port) {
        int value = 0;
        for (int b = 0; b < PinsOfPort[Port]; ++b) value |= Of[static_cast<size_t>(Port * 8 + b)] << b;
        return value;
    };
    const double startX = std::max(0.0, TimeScale.x(static_cast<double>(from)));
    const double endX = std::min<double>(Width, TimeScale.x(static_cast<double>(end)));
    std::vector<RowState> states;
    // The rows a signal's change concerns: its own row, and its port's bus row.
    std::array<std::array<int, 2>, SignalRecorder::SignalCount> rowsOf;
    for (auto& r : rowsOf) r = {-1, -1};
    for (size_t r = 0; r < Rows.size(); ++r) {
        const int row = Rows[r];
        RowState state{row, AxisHeight + static_cast<int>(r) * RowHeight, 0, startX, INT32_MIN};
        if (isBusRow(row)) {
            const int port = row - FirstBusRow;
            state.Value = portValue(levels, port);
            for (int b = 0; b < PinsOfPort[port]; ++b) rowsOf[static_cast<size_t>(port * 8 + b)][1] = static_cast<int>(r);
        } else {
            state.Value = row == InterruptRow ? 0 : levels[static_cast<size_t>(row)];
            rowsOf[static_cast<size_t>(row)][0] = static_cast<int>(r);
        }
        states.push_back(state);
    }
    Levels now = levels;
    const QFontMetrics metrics(font());
    const int hexWidth = metrics.horizontalAdvance(QStringLiteral("FF"));

    const auto levelY = [](const RowState& S, int Level) { return S.Top + (Level ? 4 : RowHeight - 5); };
    const auto closeStretch = [&](RowState& S, double X) {
        if (X <= S.SegmentX) return;
        if (isBusRow(S.Row)) {
            Painter.setPen(BusColour);
            Painter.drawLine(QPointF(S.SegmentX, S.Top + 4), QPointF(X, S.Top + 4));
            Painter.drawLine(QPointF(S.SegmentX, S.Top + RowHeight - 5), QPointF(X, S.Top + RowHeight - 5));
            if (X - S.SegmentX >= hexWidth + 6) {
                Painter.setPen(Qt::black);
                Painter.drawText(QRectF(S.SegmentX, S.Top, X - S.SegmentX, RowHeight), Qt::AlignCenter,
                                 QStringLiteral("%1").arg(S.Value, 2, 16, QChar(u'0')).toUpper());
            }
        } else if (S.Row != InterruptRow) {
            Painter.setPen(S.Row < SignalRecorder::PinSignals ? PinColour : PinLineColour);
            const double y = levelY(S, S.Value);
            Painter.drawLine(QPointF(S.SegmentX, y), QPointF(X, y));
        }
    };

    const auto [begin, stop] = changesBetween(record, from, to);
    for (size_t i = std::max(begin, index); i < stop; ++i) {
        const SignalRecorder::Change& c = record.at(i);
        now[c.Signal] = c.Value;
        const auto& targets = rowsOf[c.Signal];
        const bool interrupt = c.Signal == SignalRecorder::InterruptSignal;
        if (targets[0] < 0 && targets[1] < 0) continue;
        // Whole pixels: aliased lines at whole coordinates fill exactly that pixel column.
        const double x = std::floor(TimeScale.x(static_cast<double>(c.Cycle)));
        const int pixel = static_cast<int>(x);
        for (int t : targets) {
            if (t < 0) continue;
            RowState& s = states[static_cast<size_t>(t)];
            const int value = isBusRow(s.Row) ? portValue(now, s.Row - FirstBusRow) : c.Value;
            if (pixel == s.LastEdgeX) { // within a pixel of the last edge: one mark for both
                s.Value = value;
                continue;
            }
            closeStretch(s, x);
            if (interrupt) {
                Painter.setPen(QPen(InterruptColour, 1));
                Painter.drawLine(QPointF(x, s.Top + 3), QPointF(x, s.Top + RowHeight - 4));
                const QPointF head[3] = {{x - 4, double(s.Top + 3)}, {x + 4, double(s.Top + 3)}, {x, double(s.Top + 9)}};
                Painter.setBrush(InterruptColour);
                Painter.drawPolygon(head, 3);
                Painter.setBrush(Qt::NoBrush);
            } else if (isBusRow(s.Row)) {
                Painter.setPen(BusColour);
                Painter.drawLine(QPointF(x - 2, s.Top + 4), QPointF(x + 2, s.Top + RowHeight - 5));
                Painter.drawLine(QPointF(x - 2, s.Top + RowHeight - 5), QPointF(x + 2, s.Top + 4));
            } else {
                Painter.setPen(s.Row < SignalRecorder::PinSignals ? PinColour : PinLineColour);
                Painter.drawLine(QPointF(x, levelY(s, 1)), QPointF(x, levelY(s, 0)));
            }
            s.Value = value;
            s.SegmentX = x;
            s.LastEdgeX = pixel;
        }
    }
    for (RowState& s : states) closeStretch(s, endX);
}
