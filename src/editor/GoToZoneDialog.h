#pragma once

#include <QDialog>

#include <string>
#include <vector>

class QCompleter;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QStringListModel;

// Asks for a zone by name, completing over every name given (land and sea alike,
// ignoring case). OK closes the dialog only when the text names a zone: a name typed
// exactly wins; otherwise the one name that equals it ignoring case. The caller finds,
// selects and centres the zone.
class TGoToZoneDialog : public QDialog {
    Q_OBJECT
public:
    explicit TGoToZoneDialog(QWidget* Parent = nullptr);

    // The zones' names as stored (8-bit), in zone order.
    void SetNames(const std::vector<std::string>& Names);
    const std::vector<std::string>& Names() const { return FNames; }

    // After OK: the position in Names of the zone chosen, or -1; and its name.
    int ChosenIndex() const { return FChosen; }
    std::string ChosenName() const;

    // The position in Names that Text picks under the rules above, or -1 when it names
    // no zone or several zones differing only in case.
    static int Match(const std::vector<std::string>& Names, const QString& Text);

    QLineEdit* edtZoneName;
    QLabel* lblProblem;
    QDialogButtonBox* btnsOkCancel;

    void accept() override;

private:
    std::vector<std::string> FNames;
    QStringListModel* FModel;
    QCompleter* FCompleter;
    int FChosen = -1;
};
