#pragma once

#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;
class TSpinEdit;

// The modal dialog in which the user picks the source bitmap and the top-left position of
// a new background element. Left and Top keep their values from one use to the next.
class TdlgNewElement : public QDialog {
    Q_OBJECT
public:
    explicit TdlgNewElement(QWidget* Parent = nullptr);

    QLabel* Label1 = nullptr;
    QListWidget* lbBitmaps = nullptr;
    QLabel* Label2 = nullptr;
    TSpinEdit* spinLeft = nullptr;
    QLabel* Label3 = nullptr;
    TSpinEdit* spinTop = nullptr;
    QPushButton* BitBtn1 = nullptr; // OK, the default button
    QPushButton* BitBtn2 = nullptr; // Cancel

    // OK: refused with a message while no source bitmap is chosen.
    void BitBtn1Click();
};
