#include "editor/TraceAllDialog.h"

#include "editor/TraceWorker.h"
#include "trace/TracePicture.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>

namespace {

constexpr int PreviewWidth = 560, PreviewHeight = 420;
enum { ColColor, ColPixels, ColBorder, ColSea };

QTableWidgetItem* CheckItem(bool Checked) {
    auto* Item = new QTableWidgetItem;
    Item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    Item->setCheckState(Checked ? Qt::Checked : Qt::Unchecked);
    return Item;
}

bool Contains(const std::vector<uint8_t>& List, uint8_t Index) {
    return std::find(List.begin(), List.end(), Index) != List.end();
}

QString Indices(const std::vector<uint8_t>& List) {
    QStringList Parts;
    for (uint8_t I : List)
        Parts << QString::number(I);
    return Parts.isEmpty() ? QString("none") : Parts.join(", ");
}

} // namespace

TdlgTraceAll::TdlgTraceAll(TTracePicture Whole, std::optional<TTracePicture> InView,
                           QVector<QRgb> Colors, const TTraceSettings& Initial,
                           std::function<bool(TPoint)> Covered, QWidget* Parent)
    : QDialog(Parent), FWhole(std::move(Whole)), FInView(std::move(InView)),
      FColors(std::move(Colors)), FCovered(std::move(Covered)), FWorker(new TTraceWorker(this)),
      FDelay(new QTimer(this)) {
    setObjectName("dlgTraceAll");
    setWindowTitle("Trace All Zones");
    FColors.resize(256);

    tblColors = new QTableWidget(0, 4, this);
    tblColors->setObjectName("tblColors");
    tblColors->setHorizontalHeaderLabels({"Colour", "Pixels", "Border", "Sea"});
    tblColors->verticalHeader()->hide();
    tblColors->verticalHeader()->setDefaultSectionSize(20);
    tblColors->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblColors->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (const TColorCount& Count : CountColors(FWhole)) {
        const int Row = tblColors->rowCount();
        tblColors->insertRow(Row);
        QPixmap Swatch(14, 14);
        Swatch.fill(QColor::fromRgb(FColors[Count.Index]));
        auto* Color = new QTableWidgetItem(QIcon(Swatch), QString::number(Count.Index));
        Color->setData(Qt::UserRole, int(Count.Index));
        tblColors->setItem(Row, ColColor, Color);
        auto* Pixels = new QTableWidgetItem(QString::number(Count.Pixels));
        Pixels->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        tblColors->setItem(Row, ColPixels, Pixels);
        tblColors->setItem(Row, ColBorder, CheckItem(Contains(Initial.BorderColors, Count.Index)));
        tblColors->setItem(Row, ColSea, CheckItem(Contains(Initial.SeaColors, Count.Index)));
    }
    tblColors->resizeColumnsToContents();
    tblColors->setMinimumWidth(260);
    auto* Hint = new QLabel("No border colour ticked: they are found in the picture.\n"
                            "Click the preview to tick a colour as border, right-click as sea.",
                            this);
    Hint->setWordWrap(true);

    spinTolerance = new QDoubleSpinBox(this);
    spinTolerance->setObjectName("spinTolerance");
    spinTolerance->setRange(0, 50);
    spinTolerance->setSingleStep(0.5);
    spinTolerance->setValue(Initial.Tolerance);
    spinTolerance->setSuffix(" px");
    spinMinArea = new QSpinBox(this);
    spinMinArea->setObjectName("spinMinArea");
    spinMinArea->setRange(0, 100000000);
    spinMinArea->setValue(Initial.MinArea);
    spinMinArea->setSuffix(" px²");
    rbWhole = new QRadioButton("Whole background", this);
    rbWhole->setObjectName("rbWhole");
    rbWhole->setChecked(true);
    rbInView = new QRadioButton("Part in view", this);
    rbInView->setObjectName("rbInView");
    rbInView->setEnabled(FInView.has_value());
    cbSkipCovered = new QCheckBox("Skip regions existing zones cover", this);
    cbSkipCovered->setObjectName("cbSkipCovered");

    auto* Form = new QFormLayout;
    Form->addRow("Tolerance:", spinTolerance);
    Form->addRow("Minimum area:", spinMinArea);
    auto* Area = new QVBoxLayout;
    Area->addWidget(rbWhole);
    Area->addWidget(rbInView);
    Form->addRow("Trace:", Area);
    Form->addRow(cbSkipCovered);

    auto* Left = new QVBoxLayout;
    Left->addWidget(tblColors, 1);
    Left->addWidget(Hint);
    Left->addLayout(Form);

    lblPreview = new QLabel(this);
    lblPreview->setObjectName("lblPreview");
    lblPreview->setFixedSize(PreviewWidth, PreviewHeight);
    lblPreview->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblPreview->installEventFilter(this);
    lblSummary = new QLabel(this);
    lblSummary->setObjectName("lblSummary");
    lblSummary->setWordWrap(true);
    prgTrace = new QProgressBar(this);
    prgTrace->setObjectName("prgTrace");
    prgTrace->setRange(0, 100);
    auto* Right = new QVBoxLayout;
    Right->addWidget(lblPreview);
    Right->addWidget(lblSummary);
    Right->addWidget(prgTrace);
    Right->addStretch();

    auto* Row = new QHBoxLayout;
    Row->addLayout(Left);
    Row->addLayout(Right, 1);
    btnsOkCancel = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    btnsOkCancel->setObjectName("btnsOkCancel");
    connect(btnsOkCancel, &QDialogButtonBox::accepted, this, &TdlgTraceAll::accept);
    connect(btnsOkCancel, &QDialogButtonBox::rejected, this, &TdlgTraceAll::reject);
    auto* Column = new QVBoxLayout(this);
    Column->addLayout(Row, 1);
    Column->addWidget(btnsOkCancel);

    // A burst of changes (typing a number, ticking several colours) is traced once.
    FDelay->setSingleShot(true);
    FDelay->setInterval(400);
    connect(FDelay, &QTimer::timeout, this, &TdlgTraceAll::StartTrace);
    connect(FWorker, &TTraceWorker::progress, prgTrace, &QProgressBar::setValue);
    connect(FWorker, &TTraceWorker::finished, this, &TdlgTraceAll::TraceEnded);
    connect(tblColors, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* Item) {
        if (Item->column() == ColBorder || Item->column() == ColSea)
            SettingsChanged();
    });
    connect(spinTolerance, &QDoubleSpinBox::valueChanged, this, &TdlgTraceAll::SettingsChanged);
    connect(spinMinArea, &QSpinBox::valueChanged, this, &TdlgTraceAll::SettingsChanged);
    connect(rbWhole, &QRadioButton::toggled, this, [this] {
        FBase = QImage();
        SettingsChanged();
    });
    connect(cbSkipCovered, &QCheckBox::toggled, this, [this] {
        if (Current())
            TraceEnded(true, {});
    });
    StartTrace();
}

TdlgTraceAll::~TdlgTraceAll() = default;

const TTracePicture& TdlgTraceAll::Picture() const {
    return rbInView->isChecked() && FInView ? *FInView : FWhole;
}

bool TdlgTraceAll::WholeBackground() const {
    return !(rbInView->isChecked() && FInView);
}

TTraceSettings TdlgTraceAll::Settings() const {
    TTraceSettings S;
    for (int Row = 0; Row < tblColors->rowCount(); ++Row) {
        const auto Index = uint8_t(tblColors->item(Row, ColColor)->data(Qt::UserRole).toInt());
        if (tblColors->item(Row, ColBorder)->checkState() == Qt::Checked)
            S.BorderColors.push_back(Index);
        if (tblColors->item(Row, ColSea)->checkState() == Qt::Checked)
            S.SeaColors.push_back(Index);
    }
    std::sort(S.BorderColors.begin(), S.BorderColors.end());
    std::sort(S.SeaColors.begin(), S.SeaColors.end());
    S.Tolerance = spinTolerance->value();
    S.MinArea = spinMinArea->value();
    return S;
}

void TdlgTraceAll::SettingsChanged() {
    FStale = true;
    FDelay->start();
}

void TdlgTraceAll::StartTrace() {
    FDelay->stop();
    FStale = false;
    FRunning = true;
    FTracer = std::make_shared<TTracer>(Picture(), Settings());
    prgTrace->setValue(0);
    prgTrace->show();
    lblSummary->setText("Tracing...");
    FWorker->Start(FTracer);
}

void TdlgTraceAll::TraceEnded(bool Traced, const QString& Error) {
    FRunning = false;
    prgTrace->hide();
    FRegions.clear();
    FSkipped.clear();
    if (!Traced) {
        FTracer.reset();
        lblSummary->setText(Error.isEmpty() ? QString("Tracing cancelled")
                                            : "Tracing failed: " + Error);
        FAcceptWhenDone = false;
        return;
    }
    const std::vector<TTracedRegion>& All = FTracer->Regions();
    // A region is covered when most of its grid cells lie in existing zones.
    std::vector<int32_t> Place(All.size());
    int32_t Skipped = 0;
    if (cbSkipCovered->isChecked() && FCovered) {
        const TTracePicture& P = Picture();
        std::vector<int64_t> Cells(All.size()), InZones(All.size());
        const int32_t G = TTracer::Grid;
        const int32_t X0 = (P.Left + G - 1) / G * G, Y0 = (P.Top + G - 1) / G * G;
        for (int32_t Y = Y0 + G / 2; Y < P.Top + P.Height; Y += G)
            for (int32_t X = X0 + G / 2; X < P.Left + P.Width; X += G) {
                const int32_t R = FTracer->RegionAt({X, Y});
                if (R < 0)
                    continue;
                ++Cells[size_t(R)];
                if (FCovered({X, Y}))
                    ++InZones[size_t(R)];
            }
        for (size_t I = 0; I < All.size(); ++I)
            if (Cells[I] > 0 && InZones[I] * 2 > Cells[I]) {
                Place[I] = -1;
                FSkipped.push_back(int32_t(I));
                ++Skipped;
            }
    }
    for (size_t I = 0, Next = 0; I < All.size(); ++I)
        if (Place[I] >= 0) {
            Place[I] = int32_t(Next++);
            FRegions.push_back(All[I]);
            FRegions.back().Enclosed.clear();
            for (int32_t Inner : All[I].Enclosed)
                if (Place[size_t(Inner)] >= 0)
                    FRegions.back().Enclosed.push_back(Place[size_t(Inner)]);
        }
    const TTraceSummary& S = FTracer->Summary();
    QString Text = QString("%1 regions: %2 land, %3 sea; %4 specks merged. Border colours: %5; "
                           "sea colours: %6.")
                       .arg(S.Regions)
                       .arg(S.Land)
                       .arg(S.Sea)
                       .arg(S.MergedSpecks)
                       .arg(Indices(S.BorderColors), Indices(S.SeaColors));
    if (Skipped > 0)
        Text += QString(" %1 covered by existing zones, skipped.").arg(Skipped);
    lblSummary->setText(Text);
    ShowPreview();
    if (FAcceptWhenDone) {
        FAcceptWhenDone = false;
        QDialog::accept();
    }
}

void TdlgTraceAll::ShowPreview() {
    const TTracePicture& P = Picture();
    if (FBase.isNull()) {
        FScale = std::min({1.0, double(PreviewWidth) / P.Width, double(PreviewHeight) / P.Height});
        QImage Full(P.Width, P.Height, QImage::Format_Indexed8);
        Full.setColorTable(FColors);
        for (int32_t Y = 0; Y < P.Height; ++Y)
            std::memcpy(Full.scanLine(Y), P.Pixels.data() + size_t(Y) * size_t(P.Width),
                        size_t(P.Width));
        FBase = Full.scaled(std::max(1, int(P.Width * FScale)), std::max(1, int(P.Height * FScale)),
                            Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                    .convertToFormat(QImage::Format_RGB32);
    }
    QImage Shown = FBase;
    QPainter Painter(&Shown);
    Painter.setRenderHint(QPainter::Antialiasing);
    const auto Outline = [&](const TTracedRegion& R, const QColor& Color,
                             Qt::PenStyle Style = Qt::SolidLine) {
        QPolygonF Polygon;
        for (const TPoint& Q : R.Outline)
            Polygon << QPointF((Q.X - P.Left) * FScale, (Q.Y - P.Top) * FScale);
        Painter.setPen(QPen(Color, 1.5, Style));
        Painter.drawPolygon(Polygon);
    };
    // What existing zones cover is shown faintly: it will not be made.
    if (FTracer && FTracer->Traced())
        for (int32_t I : FSkipped)
            Outline(FTracer->Regions()[size_t(I)], QColor(255, 255, 255, 160), Qt::DotLine);
    if (FTracer && FTracer->Traced())
        for (const TTracedRegion& R : FRegions)
            Outline(R, R.IsSea ? QColor(0, 230, 255) : QColor(255, 40, 40));
    Painter.end();
    lblPreview->setPixmap(QPixmap::fromImage(Shown));
}

bool TdlgTraceAll::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched != lblPreview || Event->type() != QEvent::MouseButtonPress || FBase.isNull())
        return QDialog::eventFilter(Watched, Event);
    const auto* Mouse = static_cast<QMouseEvent*>(Event);
    const TTracePicture& P = Picture();
    const int32_t X = int32_t(Mouse->position().x() / FScale);
    const int32_t Y = int32_t(Mouse->position().y() / FScale);
    if (X < 0 || Y < 0 || X >= P.Width || Y >= P.Height)
        return true;
    // The colour under the click: ticked as a border colour (left) or sea colour (right).
    const int Index = P.At(X, Y);
    const int Column = Mouse->button() == Qt::RightButton ? ColSea : ColBorder;
    for (int Row = 0; Row < tblColors->rowCount(); ++Row)
        if (tblColors->item(Row, ColColor)->data(Qt::UserRole).toInt() == Index) {
            QTableWidgetItem* Item = tblColors->item(Row, Column);
            Item->setCheckState(Item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
            tblColors->selectRow(Row);
            tblColors->scrollToItem(Item);
        }
    return true;
}

void TdlgTraceAll::WaitForTrace() {
    if (FDelay->isActive())
        StartTrace();
    FWorker->Wait();
}

void TdlgTraceAll::accept() {
    if (Current()) {
        QDialog::accept();
        return;
    }
    FAcceptWhenDone = true;
    if (!FRunning || FDelay->isActive())
        StartTrace();
}

void TdlgTraceAll::reject() {
    FAcceptWhenDone = false;
    FDelay->stop();
    FWorker->Cancel();
    QDialog::reject();
}
