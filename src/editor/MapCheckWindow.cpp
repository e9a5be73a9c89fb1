#include "editor/MapCheckWindow.h"

#include "platform/Text.h"

#include <QLabel>
#include <QListWidget>
#include <QTimer>
#include <QVBoxLayout>

TMapCheckWindow::TMapCheckWindow(QWidget* Parent) : QWidget(Parent, Qt::Tool) {
    setObjectName("frmMapCheck");
    setWindowTitle("Map Check");
    resize(560, 220);
    auto* Column = new QVBoxLayout(this);
    Column->setContentsMargins(4, 4, 4, 4);
    lbFindings = new QListWidget(this);
    lbFindings->setObjectName("lbFindings");
    lbFindings->setUniformItemSizes(true);
    Column->addWidget(lbFindings);
    lblSummary = new QLabel(this);
    lblSummary->setObjectName("lblSummary");
    Column->addWidget(lblSummary);
    connect(lbFindings, &QListWidget::itemActivated, this, &TMapCheckWindow::ItemActivated);
    connect(lbFindings, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* Item) {
        FDoubleClicked = true;
        // Styles that activate on a single click send no activation after it.
        QTimer::singleShot(0, this, [this] { FDoubleClicked = false; });
        Choose(Item);
    });
}

void TMapCheckWindow::SetFindings(std::vector<TFinding> Findings, int32_t ZoneCount) {
    FFindings = std::move(Findings);
    lbFindings->setUpdatesEnabled(false);
    lbFindings->clear();
    for (const TFinding& F : FFindings)
        lbFindings->addItem(ShownText(FormatFinding(F)));
    lbFindings->setUpdatesEnabled(true);
    lblSummary->setText(ShownText(FindingsSummary(ZoneCount, FFindings.size())));
}

void TMapCheckWindow::ItemActivated(QListWidgetItem* Item) {
    if (FDoubleClicked) {
        FDoubleClicked = false;
        return;
    }
    Choose(Item);
}

void TMapCheckWindow::Choose(QListWidgetItem* Item) {
    const int Row = lbFindings->row(Item);
    if (Row < 0 || size_t(Row) >= FFindings.size() || !OnZoneChosen)
        return;
    for (const TZoneRef& Zone : FFindings[size_t(Row)].Zones)
        if (Zone.Number >= 0) {
            OnZoneChosen(Zone);
            return;
        }
}
