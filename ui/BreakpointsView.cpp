#include "ui/BreakpointsView.h"

#include "machine/Machine.h"
#include "machine/NumberParser.h"
#include "machine/WatchExpression.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QString hex4(uint32_t Value) {
    return QStringLiteral("$%1").arg(Value & 0xFFFF, 4, 16, QLatin1Char('0')).toUpper();
}

QTableWidget* makeTable(QWidget* Parent, const QStringList& Headers, const char* Name) {
    auto* table = new QTableWidget(0, static_cast<int>(Headers.size()), Parent);
    table->setObjectName(QString::fromLatin1(Name));
    table->setHorizontalHeaderLabels(Headers);
    table->verticalHeader()->setVisible(false);
    table->verticalHeader()->setDefaultSectionSize(18);
    table->horizontalHeader()->setStretchLastSection(true);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setMinimumHeight(40); // the dock shares the height below the source view
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    return table;
}

} // namespace

TBreakpointsView::TBreakpointsView(QWidget* Parent) : QWidget(Parent) {
    Table = makeTable(this,
                      {QStringLiteral("Aktiv"), QStringLiteral("Adresse"), QStringLiteral("Symbol"),
                       QStringLiteral("Zeile"), QStringLiteral("Bedingung"),
                       QStringLiteral("Nach N Durchläufen"), QStringLiteral("Treffer")},
                      "BreakpointTable");
    Table->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::AnyKeyPressed);
    RemoveButton = new QPushButton(QStringLiteral("Entfernen"), this);
    RemoveButton->setObjectName(QStringLiteral("BreakpointRemove"));
    ClearButton = new QPushButton(QStringLiteral("Alle löschen"), this);
    ClearButton->setObjectName(QStringLiteral("BreakpointClear"));

    DataTable = makeTable(this, {QStringLiteral("Bereich"), QStringLiteral("Zugriff")},
                          "DataBreakpointTable");
    DataTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DataRange = new QLineEdit(this);
    DataRange->setObjectName(QStringLiteral("DataBreakpointRange"));
    DataRange->setPlaceholderText(QStringLiteral("Adresse, Symbol, $40:4, COUNT,w"));
    DataKind = new QComboBox(this);
    DataKind->setObjectName(QStringLiteral("DataBreakpointKind"));
    DataKind->addItem(QStringLiteral("Schreiben"), static_cast<int>(Machine::Access::Write));
    DataKind->addItem(QStringLiteral("Lesen"), static_cast<int>(Machine::Access::Read));
    DataKind->addItem(QStringLiteral("Lesen oder Schreiben"),
                      static_cast<int>(Machine::Access::Either));
    AddDataButton = new QPushButton(QStringLiteral("Hinzufügen"), this);
    AddDataButton->setObjectName(QStringLiteral("DataBreakpointAdd"));
    RemoveDataButton = new QPushButton(QStringLiteral("Entfernen"), this);
    RemoveDataButton->setObjectName(QStringLiteral("DataBreakpointRemove"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(RemoveButton);
    buttons->addWidget(ClearButton);
    buttons->addStretch(1);
    auto* dataBar = new QHBoxLayout;
    dataBar->addWidget(DataRange, 1);
    dataBar->addWidget(DataKind);
    dataBar->addWidget(AddDataButton);
    dataBar->addWidget(RemoveDataButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(Table, 2);
    layout->addLayout(buttons);
    layout->addWidget(new QLabel(QStringLiteral("Datenhaltepunkte"), this));
    layout->addWidget(DataTable, 1);
    layout->addLayout(dataBar);

    connect(Table, &QTableWidget::itemChanged, this,
            [this](QTableWidgetItem* i) { itemChanged(i); });
    connect(Table, &QTableWidget::cellDoubleClicked, this, [this](int Row, int Column) {
        if (Column != ColCondition && Column != ColPasses && Column != ColEnabled && OnShowLine &&
            Table->item(Row, ColLine) && Table->item(Row, ColLine)->text().toInt() > 0)
            OnShowLine(Table->item(Row, ColLine)->text().toInt());
    });
    connect(RemoveButton, &QPushButton::clicked, this, [this] { removeSelected(); });
    connect(ClearButton, &QPushButton::clicked, this, [this] { clearAll(); });
    connect(AddDataButton, &QPushButton::clicked, this, [this] { addDataBreakpoint(); });
    connect(DataRange, &QLineEdit::returnPressed, this, [this] { addDataBreakpoint(); });
    connect(RemoveDataButton, &QPushButton::clicked, this, [this] {
        if (!System || DataTable->currentRow() < 0) return;
        System->removeDataBreakpoint(static_cast<size_t>(DataTable->currentRow()));
        refresh();
    });
}

void TBreakpointsView::setMachine(Machine* Value) {
    System = Value;
    refresh();
}

uint32_t TBreakpointsView::addressOfRow(int Row) const {
    return Table->item(Row, ColAddress)->data(Qt::UserRole).toUInt();
}

void TBreakpointsView::refresh() {
    if (!System) return;
    // Cells are updated in place: refresh runs inside the table's own itemChanged as well.
    Filling = true;
    const auto cell = [](QTableWidget* Table, int Row, int Column, const QString& Text,
                         bool Editable) {
        QTableWidgetItem* item = Table->item(Row, Column);
        if (!item) {
            item = new QTableWidgetItem;
            if (!Editable) item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            Table->setItem(Row, Column, item);
        }
        if (item->text() != Text) item->setText(Text);
        return item;
    };
    const auto list = System->breakpointList();
    Table->setRowCount(static_cast<int>(list.size()));
    for (int r = 0; r < static_cast<int>(list.size()); ++r) {
        const Machine::BreakpointInfo& b = list[static_cast<size_t>(r)];
        QTableWidgetItem* enabled = cell(Table, r, ColEnabled, QString(), false);
        enabled->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        enabled->setCheckState(b.Enabled ? Qt::Checked : Qt::Unchecked);
        cell(Table, r, ColAddress, hex4(b.Address), false)->setData(Qt::UserRole, b.Address);
        cell(Table, r, ColSymbol, System->symbolFor(b.Address), false);
        const int32_t line = System->program().LineOfAddress(b.Address);
        cell(Table, r, ColLine, line >= 0 ? QString::number(line + 1) : QString(), false);
        cell(Table, r, ColCondition, b.Condition, true);
        cell(Table, r, ColPasses, b.HitTarget > 1 ? QString::number(b.HitTarget) : QString(), true);
        cell(Table, r, ColHits, QString::number(b.Hits), false);
    }
    const auto& data = System->dataBreakpoints();
    DataTable->setRowCount(static_cast<int>(data.size()));
    for (int r = 0; r < static_cast<int>(data.size()); ++r) {
        const Machine::DataBreakpoint& d = data[static_cast<size_t>(r)];
        QString range = hex4(d.Address);
        if (d.Length > 1) range += QStringLiteral("–") + hex4(d.Address + d.Length - 1);
        const QString name = System->nearSymbolFor(d.Address);
        if (!name.isEmpty()) range += QStringLiteral(" (%1)").arg(name);
        cell(DataTable, r, 0, range, false);
        cell(DataTable, r, 1, DataKind->itemText(DataKind->findData(static_cast<int>(d.Kind))),
             false);
    }
    Filling = false;
}

void TBreakpointsView::itemChanged(QTableWidgetItem* Item) {
    if (Filling || !System) return;
    const uint32_t address = addressOfRow(Item->row());
    QString error;
    switch (Item->column()) {
    case ColEnabled:
        System->setBreakpointEnabled(address, Item->checkState() == Qt::Checked);
        if (OnBreakpointChanged) OnBreakpointChanged(address);
        break;
    case ColCondition:
        if (!System->setBreakpointCondition(address, Item->text(), &error) && OnMessage)
            OnMessage(QStringLiteral("Bedingung nicht übernommen: %1").arg(error));
        break;
    case ColPasses: {
        const QString text = Item->text().trimmed();
        const QByteArray bytes = text.toLatin1();
        const auto n = text.isEmpty()
                           ? std::optional<uint64_t>(0)
                           : parseNumber(std::string_view(bytes.constData(), size_t(bytes.size())),
                                         0xFFFFFFFF);
        if (n)
            System->setBreakpointHitTarget(address, static_cast<uint32_t>(*n));
        else if (OnMessage)
            OnMessage(QStringLiteral("Ungültige Zahl der Durchläufe: %1").arg(text));
        break;
    }
    default: break;
    }
    refresh();
}

void TBreakpointsView::removeSelected() {
    const int row = Table->currentRow();
    if (!System || row < 0) return;
    const uint32_t address = addressOfRow(row);
    System->setBreakpoint(address, false);
    refresh();
    if (OnBreakpointChanged) OnBreakpointChanged(address);
}

void TBreakpointsView::clearAll() {
    if (!System) return;
    const auto list = System->breakpointList();
    System->clearBreakpoints();
    System->clearDataBreakpoints();
    refresh();
    if (OnBreakpointChanged)
        for (const auto& b : list)
            OnBreakpointChanged(b.Address);
}

bool TBreakpointsView::addDataBreakpoint() {
    if (!System) return false;
    // "ADDR:LEN", or a watch expression whose size is the range.
    QString text = DataRange->text().trimmed();
    uint32_t length = 0;
    QString error;
    if (const int colon = text.lastIndexOf(u':'); colon > 0) {
        const QByteArray len = text.mid(colon + 1).trimmed().toLatin1();
        const auto n = parseNumber(std::string_view(len.constData(), size_t(len.size())), 0x10000);
        if (!n || *n == 0)
            error = QStringLiteral("Ungültige Länge „%1“").arg(QString::fromLatin1(len));
        length = n ? static_cast<uint32_t>(*n) : 0;
        text = text.left(colon);
    }
    const auto e = error.isEmpty() ? parseWatch(text, System->symbols(), &error) : std::nullopt;
    if (e && e->IsRegister) error = QStringLiteral("Ein Register ist keine Speicherstelle");
    const auto kind = static_cast<Machine::Access>(DataKind->currentData().toInt());
    if (!e || e->IsRegister ||
        !System->addDataBreakpoint(
            e->address(*System), length ? length : static_cast<uint32_t>(e->Size), kind, &error)) {
        if (OnMessage) OnMessage(QStringLiteral("Kein Datenhaltepunkt: %1").arg(error));
        return false;
    }
    DataRange->clear();
    refresh();
    return true;
}
