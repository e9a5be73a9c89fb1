#include "editor/NewElementForm.h"

#include "editor/SpinEdit.h"
#include "platform/Application.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

TdlgNewElement::TdlgNewElement(QWidget* Parent) : QDialog(Parent) {
    setObjectName("dlgNewElement");
    setWindowTitle("New Element");
    setFixedSize(344, 167);
    setModal(true);

    Label1 = new QLabel("Source Bitmap:", this);
    Label1->setObjectName("Label1");
    Label1->setGeometry(8, 6, 161, 16);

    lbBitmaps = new QListWidget(this);
    lbBitmaps->setObjectName("lbBitmaps");
    lbBitmaps->setGeometry(8, 24, 161, 137);

    Label2 = new QLabel("Left:", this);
    Label2->setObjectName("Label2");
    Label2->setGeometry(184, 24, 38, 22);
    spinLeft = new TSpinEdit(this);
    spinLeft->setObjectName("spinLeft");
    spinLeft->setGeometry(224, 24, 65, 22);

    Label3 = new QLabel("Top:", this);
    Label3->setObjectName("Label3");
    Label3->setGeometry(184, 48, 38, 22);
    spinTop = new TSpinEdit(this);
    spinTop->setObjectName("spinTop");
    spinTop->setGeometry(224, 48, 65, 22);

    BitBtn1 = new QPushButton("OK", this);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setGeometry(184, 132, 75, 25);
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });

    BitBtn2 = new QPushButton("Cancel", this);
    BitBtn2->setObjectName("BitBtn2");
    BitBtn2->setGeometry(264, 132, 75, 25);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

void TdlgNewElement::BitBtn1Click() {
    if (!lbBitmaps->currentItem() || !lbBitmaps->currentItem()->isSelected()) {
        ShowMessage("Please Select a Source Bitmap");
        return;
    }
    accept();
}
