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
    FZoneCount = ZoneCount;
    Refill();
}

void TMapCheckWindow::SetTextFindings(std::vector<TFinding> Findings) {
    FTextFindings = std::move(Findings);
    Refill();
}

void TMapCheckWindow::Refill() {
    lbFindings->setUpdatesEnabled(false);
    lbFindings->clear();
    for (const TFinding& F : FTextFindings)
        lbFindings->addItem(ShownText(FormatFinding(F)));
    for (const TFinding& F : FFindings)
        lbFindings->addItem(ShownText(FormatFinding(F)));
    lbFindings->setUpdatesEnabled(true);
    QString Summary = ShownText(FindingsSummary(FZoneCount, FFindings.size()));
    if (!FTextFindings.empty())
        Summary += QString("; the file's text: %1 finding%2")
                       .arg(FTextFindings.size())
                       .arg(FTextFindings.size() == 1 ? "" : "s");
    lblSummary->setText(Summary);
}

void TMapCheckWindow::ItemActivated(QListWidgetItem* Item) {
    if (FDoubleClicked) {
        FDoubleClicked = false;
        return;
    }
    Choose(Item);
}

void TMapCheckWindow::Choose(QListWidgetItem* Item) {
    // The file's findings name lines, not zones.
    const int Row = lbFindings->row(Item) - int(FTextFindings.size());
    if (Row < 0 || size_t(Row) >= FFindings.size() || !OnZoneChosen)
        return;
    for (const TZoneRef& Zone : FFindings[size_t(Row)].Zones)
        if (Zone.Number >= 0) {
            OnZoneChosen(Zone);
            return;
        }
}
