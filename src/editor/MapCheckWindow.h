#pragma once

#include "mapcheck/Finding.h"

#include <QWidget>

#include <functional>
#include <vector>

class QAction;
class QLabel;
class QListWidget;
class QListWidgetItem;

// A tool window listing the findings of the map check, one line each as the command-line
// tool prints them: first what the text of the file last loaded or saved shows, then the
// live findings of the map set as it is. A double click (or Enter) on a finding that names
// a zone asks for that zone, once.
class TMapCheckWindow : public QWidget {
    Q_OBJECT
public:
    explicit TMapCheckWindow(QWidget* Parent = nullptr);

    QListWidget* lbFindings = nullptr;
    QLabel* lblSummary = nullptr;

    void SetFindings(std::vector<TFinding> Findings, int32_t ZoneCount);
    const std::vector<TFinding>& Findings() const { return FFindings; }
    void SetTextFindings(std::vector<TFinding> Findings);
    const std::vector<TFinding>& TextFindings() const { return FTextFindings; }

    // The first zone a chosen finding names, as the check saw it: its number and name then.
    std::function<void(const TZoneRef& Zone)> OnZoneChosen;

    // "Mend Border", offered on a split-border finding (its context menu); enabled while
    // the current finding is one.
    QAction* actMendBorder = nullptr;
    // The two zones of the split border to mend, as the check saw them.
    std::function<void(const TZoneRef& Zone1, const TZoneRef& Zone2)> OnMendBorder;

private:
    void ItemActivated(QListWidgetItem* Item);
    void Choose(QListWidgetItem* Item);
    // The current finding when it is a split border of two zones, else none.
    const TFinding* CurrentSplitBorder() const;
    void Refill();

    std::vector<TFinding> FFindings;
    std::vector<TFinding> FTextFindings;
    int32_t FZoneCount = 0;
    // A double click also activates the item; the activation that follows it is the same
    // choice.
    bool FDoubleClicked = false;
};
