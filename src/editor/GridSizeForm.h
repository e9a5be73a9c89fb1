#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class TSpinEdit;

// The modal dialog that sets the cell size of the grid template (50 to 1000 pixels).
class TdlgGridSize : public QDialog {
    Q_OBJECT
public:
    explicit TdlgGridSize(QWidget* Parent = nullptr);

    QLabel* Label1 = nullptr;
    TSpinEdit* spinGridSize = nullptr;
    QPushButton* BitBtn2 = nullptr; // OK, the default button
    QPushButton* BitBtn1 = nullptr; // Cancel
};
