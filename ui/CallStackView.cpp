#include "ui/CallStackView.h"

#include "machine/Machine.h"

#include <QHeaderView>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <iterator>

namespace {

QTableWidget* makeTable(QWidget* Parent, const char* Name) {
    auto* table = new QTableWidget(0, 4, Parent);
    table->setObjectName(QString::fromLatin1(Name));
    table->setHorizontalHeaderLabels({QStringLiteral("Art"), QStringLiteral("Adresse"),
                                      QStringLiteral("Symbol"), QStringLiteral("Zeile")});
    table->verticalHeader()->setVisible(false);
    table->verticalHeader()->setDefaultSectionSize(18);
    table->horizontalHeader()->setStretchLastSection(true);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    return table;
}

// How a frame was entered.
QString entryKind(int Line) {
    if (Line < 0) return QStringLiteral("JSR/BSR");
    if (Line == TCPU_68HC11_::SwiLine) return QStringLiteral("SWI");
    if (Line == TCPU_68HC11_::IrqXIRQ) return QStringLiteral("XIRQ");
    if (Line == TCPU_68HC11_::IrqIRQ) return QStringLiteral("IRQ");
    // The maskable sources by their vector, $FFD6 (SCI) up to $FFF0 (RTI): line n uses the
    // vector at $FFC0 + 2n.
    static const char* const sources[] = {"SCI",  "SPI",  "PAI",  "PAOV", "TOF",  "IC4/OC5", "TOC4",
                                          "TOC3", "TOC2", "TOC1", "TIC3", "TIC2", "TIC1",    "RTI"};
    const int index = Line - TCPU_68HC11_::IrqSCI;
    if (index >= 0 && index < static_cast<int>(std::size(sources)))
        return QStringLiteral("Interrupt %1").arg(QLatin1String(sources[index]));
    return QStringLiteral("Interrupt %1").arg(Line);
}

} // namespace

TCallStackView::TCallStackView(QWidget* Parent) : QWidget(Parent) {
    Calls = makeTable(this, "CallTable");
    History = makeTable(this, "HistoryTable");
    auto* pages = new QTabWidget(this);
    pages->addTab(Calls, QStringLiteral("Aufrufe"));
    pages->addTab(History, QStringLiteral("Verlauf"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pages);
    for (QTableWidget* table : {Calls, History}) {
        connect(table, &QTableWidget::cellDoubleClicked, this, [this, table](int Row, int) {
            const QTableWidgetItem* line = table->item(Row, 3);
            if (OnShowLine && line && line->text().toInt() > 0) OnShowLine(line->text().toInt());
        });
    }
}

void TCallStackView::setMachine(Machine* Value) {
    System = Value;
    if (System && isVisible()) System->setCallTracking(true);
    refresh();
}

void TCallStackView::showEvent(QShowEvent* Event) {
    QWidget::showEvent(Event);
    if (System) System->setCallTracking(true);
    refresh();
}

void TCallStackView::hideEvent(QHideEvent* Event) {
    QWidget::hideEvent(Event);
    if (System) System->setCallTracking(false);
}

void TCallStackView::addRow(QTableWidget* Table, const QString& What, uint32_t Address) {
    const int row = Table->rowCount();
    Table->insertRow(row);
    const int32_t line = System->program().LineOfAddress(Address);
    const QString cells[4] = {
        What, QStringLiteral("$%1").arg(Address & 0xFFFF, 4, 16, QLatin1Char('0')).toUpper(),
        System->symbolFor(Address), line >= 0 ? QString::number(line + 1) : QString()};
    for (int c = 0; c < 4; ++c)
        Table->setItem(row, c, new QTableWidgetItem(cells[c]));
}

void TCallStackView::refresh() {
    if (!System || !isVisible()) return;
    Calls->setRowCount(0);
    addRow(Calls, QStringLiteral("PC"), System->registerValue(Machine::Register::PC));
    const auto frames = System->callStack();
    for (auto f = frames.rbegin(); f != frames.rend(); ++f)
        addRow(Calls, entryKind(f->Line), f->CallPC);
    History->setRowCount(0);
    const auto pcs = System->recentPCs();
    for (auto pc = pcs.rbegin(); pc != pcs.rend(); ++pc)
        addRow(History, QString(), *pc);
    Calls->resizeColumnsToContents();
    History->resizeColumnsToContents();
}
