#include "editor/GoToZoneDialog.h"

#include "platform/Text.h"

#include <QCompleter>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringListModel>
#include <QVBoxLayout>

TGoToZoneDialog::TGoToZoneDialog(QWidget* Parent) : QDialog(Parent) {
    setObjectName("dlgGoToZone");
    setWindowTitle("Go to Zone");
    auto* layout = new QVBoxLayout(this);
    auto* prompt = new QLabel("Zone &name:", this);
    edtZoneName = new QLineEdit(this);
    edtZoneName->setObjectName("edtZoneName");
    prompt->setBuddy(edtZoneName);
    lblProblem = new QLabel(this);
    lblProblem->setObjectName("lblProblem");
    lblProblem->hide();
    btnsOkCancel = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    btnsOkCancel->setObjectName("btnsOkCancel");
    btnsOkCancel->button(QDialogButtonBox::Ok)->setObjectName("btnOK");
    btnsOkCancel->button(QDialogButtonBox::Cancel)->setObjectName("btnCancel");
    layout->addWidget(prompt);
    layout->addWidget(edtZoneName);
    layout->addWidget(lblProblem);
    layout->addWidget(btnsOkCancel);

    FModel = new QStringListModel(this);
    FCompleter = new QCompleter(FModel, this);
    FCompleter->setCaseSensitivity(Qt::CaseInsensitive);
    // Names of many words are found by any of them, not only the first.
    FCompleter->setFilterMode(Qt::MatchContains);
    edtZoneName->setCompleter(FCompleter);

    connect(btnsOkCancel, &QDialogButtonBox::accepted, this, &TGoToZoneDialog::accept);
    connect(btnsOkCancel, &QDialogButtonBox::rejected, this, &TGoToZoneDialog::reject);
    connect(edtZoneName, &QLineEdit::textEdited, lblProblem, &QLabel::hide);
    setMinimumWidth(300);
}

void TGoToZoneDialog::SetNames(const std::vector<std::string>& Names) {
    FNames = Names;
    QStringList shown;
    shown.reserve(qsizetype(Names.size()));
    for (const std::string& name : Names)
        shown.append(ShownText(name));
    // Sorted and once each: the list is what the author picks from.
    shown.sort(Qt::CaseInsensitive);
    shown.removeDuplicates();
    FModel->setStringList(shown);
    FChosen = -1;
    edtZoneName->clear();
    lblProblem->hide();
}

std::string TGoToZoneDialog::ChosenName() const {
    return FChosen >= 0 && size_t(FChosen) < FNames.size() ? FNames[size_t(FChosen)]
                                                           : std::string();
}

int TGoToZoneDialog::Match(const std::vector<std::string>& Names, const QString& Text) {
    // The typed bytes themselves, then the text as shown (a name that is not UTF-8 shows
    // as Latin-1 and can be typed only so), then the one name equal ignoring case.
    const std::string typed = TypedText(Text);
    for (size_t i = 0; i < Names.size(); ++i)
        if (Names[i] == typed)
            return int(i);
    int found = -1;
    for (size_t i = 0; i < Names.size(); ++i)
        if (ShownText(Names[i]) == Text)
            return int(i);
    for (size_t i = 0; i < Names.size(); ++i) {
        if (ShownText(Names[i]).compare(Text, Qt::CaseInsensitive) != 0)
            continue;
        // The same name twice is still one choice: the first zone of that name.
        if (found >= 0 && Names[size_t(found)] != Names[i])
            return -1;
        if (found < 0)
            found = int(i);
    }
    return found;
}

void TGoToZoneDialog::accept() {
    const QString text = edtZoneName->text();
    const int index = Match(FNames, text);
    if (index < 0) {
        int similar = 0;
        for (const std::string& name : FNames)
            if (ShownText(name).compare(text, Qt::CaseInsensitive) == 0)
                ++similar;
        lblProblem->setText(similar > 1
                                ? QString("Several zones are named \"%1\" in different case; "
                                          "type the name exactly.")
                                      .arg(text)
                                : QString("No zone is named \"%1\".").arg(text));
        lblProblem->show();
        edtZoneName->setFocus();
        return;
    }
    FChosen = index;
    QDialog::accept();
}
