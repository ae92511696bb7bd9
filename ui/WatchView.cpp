#include "ui/WatchView.h"

#include "machine/Machine.h"
#include "machine/WatchExpression.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QHeaderView>
#include <QMenu>
#include <QSettings>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QSettings settings() {
    return QSettings(QStringLiteral("Tarvik"), QStringLiteral("Tarvik68HC11"));
}

} // namespace

TWatchView::TWatchView(QWidget* Parent) : QWidget(Parent) {
    Table = new QTableWidget(InitialRows, 2, this);
    Table->setObjectName(QStringLiteral("StringGridSymbols"));
    Table->setHorizontalHeaderLabels({QStringLiteral("Symbol"), QStringLiteral("Wert")});
    Table->verticalHeader()->setVisible(false);
    Table->verticalHeader()->setDefaultSectionSize(18);
    Table->horizontalHeader()->setDefaultSectionSize(90);
    Table->horizontalHeader()->setStretchLastSection(true);
    Table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    Table->setSelectionMode(QAbstractItemView::ContiguousSelection);
    Table->setEditTriggers(QAbstractItemView::AllEditTriggers);
    Table->setMinimumSize(180, 120);
    Table->setContextMenuPolicy(Qt::CustomContextMenu);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Table);
    connect(Table, &QTableWidget::itemChanged, this,
            [this](QTableWidgetItem* i) { itemChanged(i); });
    connect(Table, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { contextMenu(p); });
}

void TWatchView::setMachine(Machine* Value) {
    System = Value;
    refresh(true);
}

QStringList TWatchView::expressions() const {
    QStringList list;
    for (int r = 0; r < Table->rowCount(); ++r) {
        const QTableWidgetItem* item = Table->item(r, 0);
        if (item && !item->text().trimmed().isEmpty()) list << item->text().trimmed();
    }
    return list;
}

void TWatchView::setExpressions(const QStringList& Expressions) {
    Filling = true;
    Table->clearContents();
    Table->setRowCount(std::max<int>(InitialRows, static_cast<int>(Expressions.size()) + 1));
    for (int r = 0; r < Expressions.size(); ++r)
        Table->setItem(r, 0, new QTableWidgetItem(Expressions[r]));
    Filling = false;
    ValuesAtStop.clear();
    refresh(true);
}

void TWatchView::loadFor(const QString& ListingFile) {
    const QByteArray path = QFileInfo(ListingFile).absoluteFilePath().toUtf8();
    SettingsKey =
        QStringLiteral("Watches/") +
        QString::fromLatin1(QCryptographicHash::hash(path, QCryptographicHash::Md5).toHex());
    setExpressions(settings().value(SettingsKey).toStringList());
}

void TWatchView::save() const {
    if (SettingsKey.isEmpty()) return;
    settings().setValue(SettingsKey, expressions());
}

void TWatchView::refresh(bool AtStop) {
    if (!System) return;
    ValuesAtStop.resize(static_cast<size_t>(Table->rowCount()));
    Filling = true;
    for (int r = 0; r < Table->rowCount(); ++r)
        showRow(r, AtStop);
    Filling = false;
}

void TWatchView::showRow(int Row, bool AtStop) {
    const QTableWidgetItem* name = Table->item(Row, 0);
    const QString expression = name ? name->text().trimmed() : QString();
    QString& before = ValuesAtStop[static_cast<size_t>(Row)];
    QTableWidgetItem* value = Table->item(Row, 1);
    if (expression.isEmpty()) {
        if (value) value->setText(QString());
        before.clear();
        return;
    }
    if (!value) {
        value = new QTableWidgetItem;
        Table->setItem(Row, 1, value);
    }
    const QString text = evaluateWatch(expression, *System);
    if (value->text() != text) value->setText(text);
    const bool changed = !before.isEmpty() && before != text;
    value->setForeground(changed ? QColor(Qt::red) : palette().color(QPalette::Text));
    if (AtStop) before = text;
}

void TWatchView::itemChanged(QTableWidgetItem* Item) {
    if (Filling || !System) return;
    const int row = Item->row();
    ValuesAtStop.resize(static_cast<size_t>(Table->rowCount()));
    if (Item->column() == 0) {
        ValuesAtStop[static_cast<size_t>(row)].clear();
        Filling = true;
        showRow(row, true);
        Filling = false;
        save();
        return;
    }
    const QTableWidgetItem* name = Table->item(row, 0);
    QString error;
    const auto e = name ? parseWatch(name->text(), System->symbols(), &error) : std::nullopt;
    if (e && e->write(*System, Item->text(), &error)) {
        if (OnValueWritten) OnValueWritten();
    } else if (OnMessage) {
        OnMessage(QStringLiteral("Nicht geschrieben: %1").arg(error));
    }
    refresh(false);
}

bool TWatchView::addDataBreakpoint(int Row, int Kind) {
    const QTableWidgetItem* name = Table->item(Row, 0);
    if (!System || !name) return false;
    QString error;
    const auto e = parseWatch(name->text(), System->symbols(), &error);
    if (e && e->IsRegister) error = QStringLiteral("Ein Register ist keine Speicherstelle");
    if (!e || e->IsRegister ||
        !System->addDataBreakpoint(e->address(*System), static_cast<uint32_t>(e->Size),
                                   static_cast<Machine::Access>(Kind), &error)) {
        if (OnMessage) OnMessage(QStringLiteral("Kein Datenhaltepunkt: %1").arg(error));
        return false;
    }
    if (OnDataBreakpointsChanged) OnDataBreakpointsChanged();
    return true;
}

void TWatchView::contextMenu(const QPoint& Position) {
    const int row = Table->rowAt(Position.y());
    if (row < 0 || !Table->item(row, 0) || Table->item(row, 0)->text().trimmed().isEmpty()) return;
    QMenu menu(this);
    const std::pair<const char*, Machine::Access> kinds[] = {
        {"Datenhaltepunkt: Schreiben", Machine::Access::Write},
        {"Datenhaltepunkt: Lesen", Machine::Access::Read},
        {"Datenhaltepunkt: Lesen oder Schreiben", Machine::Access::Either},
    };
    for (const auto& [caption, kind] : kinds) {
        const int k = static_cast<int>(kind);
        menu.addAction(QString::fromUtf8(caption), this,
                       [this, row, k] { addDataBreakpoint(row, k); });
    }
    menu.exec(Table->viewport()->mapToGlobal(Position));
}
