#pragma once
// The About dialog, shown modally from the Help menu.

#include <QDialog>

class QLabel;

class TFormAbout : public QDialog {
    Q_OBJECT
public:
    explicit TFormAbout(QWidget* Parent = nullptr);

    QLabel* ProductName = nullptr;
};
