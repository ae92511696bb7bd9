#include "ui/ProfileView.h"

#include "machine/Machine.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

TProfileView::TProfileView(QWidget* Parent) : QWidget(Parent) {
    RecordBox = new QCheckBox(QStringLiteral("Profil aufzeichnen"), this);
    RecordBox->setObjectName(QStringLiteral("ProfileRecord"));
    ClearButton = new QPushButton(QStringLiteral("Zurücksetzen"), this);
    ClearButton->setObjectName(QStringLiteral("ProfileClear"));
    TotalLabel = new QLabel(this);
    TotalLabel->setObjectName(QStringLiteral("ProfileTotal"));

    Table = new QTableWidget(0, ColumnCount, this);
    Table->setObjectName(QStringLiteral("ProfileTable"));
    Table->setHorizontalHeaderLabels({QStringLiteral("Adresse"), QStringLiteral("Symbol"),
                                      QStringLiteral("Zeile"), QStringLiteral("Ausführungen"),
                                      QStringLiteral("Zyklen"), QStringLiteral("Anteil")});
    Table->verticalHeader()->setVisible(false);
    Table->verticalHeader()->setDefaultSectionSize(18);
    Table->horizontalHeader()->setStretchLastSection(true);
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table->setSelectionMode(QAbstractItemView::SingleSelection);
    Table->setMinimumSize(360, 120);

    RangeTable = new QTableWidget(0, 3, this);
    RangeTable->setObjectName(QStringLiteral("ProfileRanges"));
    RangeTable->setHorizontalHeaderLabels(
        {QStringLiteral("Marke"), QStringLiteral("Zyklen"), QStringLiteral("Anteil")});
    RangeTable->verticalHeader()->setVisible(false);
    RangeTable->verticalHeader()->setDefaultSectionSize(18);
    RangeTable->horizontalHeader()->setStretchLastSection(true);
    RangeTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* pages = new QTabWidget(this);
    pages->addTab(Table, QStringLiteral("Befehle"));
    pages->addTab(RangeTable, QStringLiteral("Bereiche (Marken)"));

    auto* bar = new QHBoxLayout;
    bar->addWidget(RecordBox);
    bar->addWidget(ClearButton);
    bar->addStretch(1);
    bar->addWidget(TotalLabel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(bar);
    layout->addWidget(pages, 1);

    connect(RecordBox, &QCheckBox::toggled, this, [this](bool On) {
        if (System) System->setProfiling(On);
        refresh();
        if (OnProfileChanged) OnProfileChanged();
    });
    connect(ClearButton, &QPushButton::clicked, this, [this] {
        if (System) System->clearProfile();
        refresh();
        if (OnProfileChanged) OnProfileChanged();
    });
    connect(Table, &QTableWidget::cellDoubleClicked, this, [this](int Row, int) {
        const QTableWidgetItem* line = Table->item(Row, ColLine);
        if (OnShowLine && line && !line->text().isEmpty()) OnShowLine(line->text().toInt());
    });
}

void TProfileView::setMachine(Machine* NewSystem) {
    System = NewSystem;
    refresh();
}

QString TProfileView::formatShare(uint64_t Cycles, uint64_t Total) {
    const double percent =
        Total ? 100.0 * static_cast<double>(Cycles) / static_cast<double>(Total) : 0.0;
    return QString::number(percent, 'f', 1).replace(u'.', u',') + QStringLiteral(" %");
}

void TProfileView::setCell(int Row, int Column, const QString& Text) {
    QTableWidgetItem* item = Table->item(Row, Column);
    if (!item) {
        item = new QTableWidgetItem;
        // Numbers line up at the right; the symbol reads from the left.
        item->setTextAlignment(Column == ColSymbol ? Qt::AlignLeft | Qt::AlignVCenter
                                                   : Qt::AlignRight | Qt::AlignVCenter);
        Table->setItem(Row, Column, item);
    }
    if (item->text() != Text) item->setText(Text);
}

void TProfileView::refresh() {
    SinceRefresh.start();
    {
        const QSignalBlocker quiet(RecordBox);
        RecordBox->setChecked(System && System->profiling());
    }
    const CycleProfile* profile = System ? System->profile() : nullptr;
    const std::vector<uint32_t> hottest =
        profile ? profile->hottest(RowLimit) : std::vector<uint32_t>{};
    const uint64_t total = profile ? profile->totalCycles() : 0;
    TotalLabel->setText(QStringLiteral("Zyklen gesamt: %1").arg(total));
    Table->setRowCount(static_cast<int>(hottest.size()));
    for (size_t i = 0; i < hottest.size(); ++i) {
        const int row = static_cast<int>(i);
        const uint32_t address = hottest[i];
        const CycleProfile::Entry& entry = profile->at(address);
        const int32_t line = System->program().LineOfAddress(address);
        setCell(row, ColAddress, QStringLiteral("$%1").arg(address, 4, 16, QChar(u'0')).toUpper());
        setCell(row, ColSymbol, System->symbolFor(address));
        setCell(row, ColLine, line >= 0 ? QString::number(line + 1) : QString());
        setCell(row, ColExecutions, QString::number(entry.Executions));
        setCell(row, ColCycles, QString::number(entry.Cycles));
        setCell(row, ColShare, formatShare(entry.Cycles, total));
    }
    // Cycles per label range: a subroutine or loop from its label up to the next one.
    const auto ranges = System ? System->profileByLabel()
                               : std::vector<std::pair<QString, uint64_t>>{};
    const int rangeRows = static_cast<int>(std::min(ranges.size(), RowLimit));
    RangeTable->setRowCount(rangeRows);
    for (int row = 0; row < rangeRows; ++row) {
        const auto& [label, cycles] = ranges[static_cast<size_t>(row)];
        const QString cells[] = {label.isEmpty() ? QStringLiteral("(vor der ersten Marke)") : label,
                                 QString::number(cycles), formatShare(cycles, total)};
        for (int column = 0; column < 3; ++column) {
            QTableWidgetItem* item = RangeTable->item(row, column);
            if (!item) {
                item = new QTableWidgetItem;
                item->setTextAlignment(column == 0 ? Qt::AlignLeft | Qt::AlignVCenter
                                                   : Qt::AlignRight | Qt::AlignVCenter);
                RangeTable->setItem(row, column, item);
            }
            if (item->text() != cells[column]) item->setText(cells[column]);
        }
    }
}

void TProfileView::refreshAtPace() {
    if (!SinceRefresh.isValid() || SinceRefresh.elapsed() >= RunRefreshMs) refresh();
}

void TProfileView::showEvent(QShowEvent* Event) {
    QWidget::showEvent(Event);
    refresh();
}
