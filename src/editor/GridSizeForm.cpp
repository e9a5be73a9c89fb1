#include "editor/GridSizeForm.h"

#include "editor/SpinEdit.h"

#include <QLabel>
#include <QPushButton>

TdlgGridSize::TdlgGridSize(QWidget* Parent) : QDialog(Parent) {
    setObjectName("dlgGridSize");
    setWindowTitle("Grid Template Size");
    setFixedSize(218, 90);
    setModal(true);

    Label1 = new QLabel("Size of Grid Termplate:", this);
    Label1->setObjectName("Label1");
    Label1->setGeometry(8, 16, 126, 22);

    spinGridSize = new TSpinEdit(this);
    spinGridSize->setObjectName("spinGridSize");
    spinGridSize->setGeometry(136, 16, 65, 22);
    spinGridSize->SetLimits(50, 1000);
    spinGridSize->SetIncrement(10);
    spinGridSize->SetValue(120);

    BitBtn2 = new QPushButton("OK", this);
    BitBtn2->setObjectName("BitBtn2");
    BitBtn2->setGeometry(40, 56, 75, 25);
    BitBtn2->setDefault(true);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::accept);

    BitBtn1 = new QPushButton("Cancel", this);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setGeometry(128, 56, 75, 25);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::reject);
}
