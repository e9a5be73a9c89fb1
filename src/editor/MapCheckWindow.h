#pragma once

#include "mapcheck/Finding.h"

#include <QWidget>

#include <functional>
#include <vector>

class QLabel;
class QListWidget;
class QListWidgetItem;

// A tool window listing the findings of the map check, one line each as the command-line
// tool prints them. A double click on a finding that names a zone asks for that zone.
class TMapCheckWindow : public QWidget {
    Q_OBJECT
public:
    explicit TMapCheckWindow(QWidget* Parent = nullptr);

    QListWidget* lbFindings = nullptr;
    QLabel* lblSummary = nullptr;

    void SetFindings(std::vector<TFinding> Findings, int32_t ZoneCount);
    const std::vector<TFinding>& Findings() const { return FFindings; }

    // The zone number of the first zone a double-clicked finding names.
    std::function<void(int32_t ZoneNumber)> OnZoneChosen;

private:
    void ItemActivated(QListWidgetItem* Item);

    std::vector<TFinding> FFindings;
};
