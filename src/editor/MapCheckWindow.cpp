#include "editor/MapCheckWindow.h"

#include "platform/Text.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
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

    actMendBorder = new QAction("Mend Border", this);
    actMendBorder->setObjectName("actMendBorder");
    actMendBorder->setEnabled(false);
    connect(actMendBorder, &QAction::triggered, this, [this] {
        if (const TFinding* Finding = CurrentSplitBorder(); Finding && OnMendBorder)
            OnMendBorder(Finding->Zones[0], Finding->Zones[1]);
    });
    connect(lbFindings, &QListWidget::currentRowChanged, this,
            [this] { actMendBorder->setEnabled(CurrentSplitBorder() != nullptr); });
    lbFindings->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lbFindings, &QWidget::customContextMenuRequested, this, [this](const QPoint& At) {
        QListWidgetItem* Item = lbFindings->itemAt(At);
        if (!Item)
            return;
        lbFindings->setCurrentItem(Item);
        if (!CurrentSplitBorder())
            return;
        QMenu Menu(this);
        Menu.addAction(actMendBorder);
        Menu.exec(lbFindings->viewport()->mapToGlobal(At));
    });
}

const TFinding* TMapCheckWindow::CurrentSplitBorder() const {
    // The file's findings come first and name no zones.
    const int Row = lbFindings->currentRow() - int(FTextFindings.size());
    if (Row < 0 || size_t(Row) >= FFindings.size())
        return nullptr;
    const TFinding& Finding = FFindings[size_t(Row)];
    return Finding.Kind == "split-border" && Finding.Zones.size() == 2 ? &Finding : nullptr;
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
    actMendBorder->setEnabled(CurrentSplitBorder() != nullptr);
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
