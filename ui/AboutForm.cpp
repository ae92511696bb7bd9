#include "ui/AboutForm.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TFormAbout::TFormAbout(QWidget* Parent) : QDialog(Parent) {
    setObjectName(QStringLiteral("FormAbout"));
    setWindowTitle(QStringLiteral("Info zu Tarvik68HC11"));
    setModal(true);

    ProductName = new QLabel(QStringLiteral("Tarvik68HC11 - Version 0.1 (05.02.2001)"), this);
    ProductName->setObjectName(QStringLiteral("ProductName"));
    QFont bold = ProductName->font();
    bold.setBold(true);
    ProductName->setFont(bold);

    auto* blurb = new QLabel(QStringLiteral("Simulator für den Mikrocontroller Motorola 68HC11"), this);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 16);
    layout->setSpacing(10);
    layout->addWidget(ProductName);
    layout->addWidget(blurb);
    layout->addSpacing(6);
    layout->addWidget(buttons);
    setFixedSize(sizeHint());
}
