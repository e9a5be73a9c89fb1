#pragma once

#include <QWidget>

#include <functional>

#include <string>
#include <vector>

class QPlainTextEdit;
class QPushButton;

// The small stay-on-top tool window whose text holds the pending points of zone editing,
// one "x,y" line each. Clicks on the map append lines; the user may type or edit them;
// the zone commands read them. Closing it only hides it.
class TfrmPointsEditor : public QWidget {
    Q_OBJECT
public:
    explicit TfrmPointsEditor(QWidget* Parent = nullptr);

    QPlainTextEdit* memoPoints = nullptr;
    QPushButton* btnClear = nullptr;
    QPushButton* btnRemove = nullptr;

    // The memo's lines; an empty memo has none, and a final line break does not start an
    // empty last line.
    std::vector<std::string> Lines() const;
    int LineCount() const;
    void AddLine(const std::string& Line);
    void SetLines(const std::vector<std::string>& Lines);
    void Clear();
    // Deletes the last line when there is one.
    void RemoveLast();

    // Lets through backspace, carriage return, commas and digits; anything else becomes
    // the null character and never reaches the text.
    void memoPointsKeyPress(QObject* Sender, char& Key);
    void btnClearClick();
    void btnRemoveClick();

    // Called whenever the text changes (the main window redraws the dots).
    std::function<void()> OnChange;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    void closeEvent(QCloseEvent* Event) override;
};
