#pragma once

#include <QDialog>

#include <set>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Asks how a picture is brought into the map: the name of the 8-bit bitmap written for it
// in the program's directory (a free name is offered) and whether the conversion dithers
// (off: map art is flat colour). OK refuses, with a message, a name that is taken or that
// a map set cannot hold.
class TdlgAddPicture : public QDialog {
    Q_OBJECT
public:
    // Picture: the chosen file; Directory: where the bitmap goes; Names: the map's bitmap
    // names; MapColours: the map has bitmaps, whose palette the picture will take.
    TdlgAddPicture(const std::string& Picture, const std::string& Directory,
                   std::set<std::string> Names, bool MapColours, QWidget* Parent = nullptr);

    QLabel* lblPicture = nullptr;
    QLineEdit* edtBitmapName = nullptr;
    QLabel* lblNameNote = nullptr;
    QLabel* lblColours = nullptr;
    QCheckBox* cbDither = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    // The bitmap's bare file name, as accepted.
    std::string BitmapName() const;
    bool Dither() const;
    // The first of NAME.bmp, NAME-2.bmp, NAME-3.bmp, ... that is neither a file of the
    // directory nor a bitmap of the map.
    std::string FreeName(const std::string& Base) const;

    void accept() override;

private:
    bool Taken(const std::string& Name) const;

    std::string FDirectory;
    std::set<std::string> FNames;
};
