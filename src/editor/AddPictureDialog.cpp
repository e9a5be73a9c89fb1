#include "editor/AddPictureDialog.h"

#include "platform/Application.h"
#include "platform/Text.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// What a map set cannot hold in a bitmap name, or what would put the file elsewhere.
bool Unfit(char C) {
    return C == ':' || C == '/' || C == '\r' || C == '\n';
}

} // namespace

TdlgAddPicture::TdlgAddPicture(const std::string& Picture, const std::string& Directory,
                               std::set<std::string> Names, bool MapColours, QWidget* Parent)
    : QDialog(Parent), FDirectory(Directory), FNames(std::move(Names)) {
    setObjectName("dlgAddPicture");
    setWindowTitle("Add Picture");
    auto* Form = new QFormLayout(this);
    const QFileInfo Info(QtFileName(Picture));
    const QSize Size = QImageReader(QtFileName(Picture)).size();
    lblPicture = new QLabel(
        Info.fileName() +
            (Size.isValid() ? QString(": %1x%2").arg(Size.width()).arg(Size.height()) : QString()),
        this);
    lblPicture->setObjectName("lblPicture");
    Form->addRow("Picture:", lblPicture);

    std::string Base = TypedText(Info.completeBaseName());
    for (char& C : Base)
        if (Unfit(C))
            C = '_';
    if (Base.empty())
        Base = "picture";
    const std::string Name = FreeName(Base);
    edtBitmapName = new QLineEdit(ShownText(Name), this);
    edtBitmapName->setObjectName("edtBitmapName");
    Form->addRow("Save as:", edtBitmapName);
    lblNameNote = new QLabel(this);
    lblNameNote->setObjectName("lblNameNote");
    if (Name != Base + ".bmp")
        lblNameNote->setText(ShownText(Base + ".bmp is taken: " + Name + " is free."));
    else
        lblNameNote->hide();
    Form->addRow("", lblNameNote);
    lblColours =
        new QLabel(MapColours ? "The map's palette, so that no other bitmap changes colour."
                              : "Its own, up to 236 (the map has no bitmaps yet).",
                   this);
    lblColours->setObjectName("lblColours");
    Form->addRow("Colours:", lblColours);
    cbDither = new QCheckBox("Dither (for photos; map art is flat colour)", this);
    cbDither->setObjectName("cbDither");
    Form->addRow("", cbDither);

    auto* Buttons = new QDialogButtonBox(this);
    btnOK = Buttons->addButton(QDialogButtonBox::Ok);
    btnOK->setObjectName("btnOK");
    btnCancel = Buttons->addButton(QDialogButtonBox::Cancel);
    btnCancel->setObjectName("btnCancel");
    connect(Buttons, &QDialogButtonBox::accepted, this, &TdlgAddPicture::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &TdlgAddPicture::reject);
    Form->addRow(Buttons);
}

std::string TdlgAddPicture::BitmapName() const {
    std::string Name = TypedText(edtBitmapName->text().trimmed());
    if (!QFileInfo(QtFileName(Name)).fileName().contains('.'))
        Name += ".bmp";
    return Name;
}

bool TdlgAddPicture::Dither() const {
    return cbDither->isChecked();
}

bool TdlgAddPicture::Taken(const std::string& Name) const {
    return FNames.contains(Name) || QFileInfo::exists(QtFileName(FDirectory + "/" + Name));
}

std::string TdlgAddPicture::FreeName(const std::string& Base) const {
    std::string Name = Base + ".bmp";
    for (int N = 2; Taken(Name); ++N)
        Name = Base + "-" + std::to_string(N) + ".bmp";
    return Name;
}

void TdlgAddPicture::accept() {
    const std::string Name = BitmapName();
    if (Name == ".bmp" || std::any_of(Name.begin(), Name.end(), Unfit)) {
        ShowMessage("A bitmap name must not be empty or hold \":\", \"/\" or a line break.");
        return;
    }
    if (Taken(Name)) {
        ShowMessage(Name + " already exists. Choose another name.");
        return;
    }
    QDialog::accept();
}
