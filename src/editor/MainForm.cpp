#include "editor/MainForm.h"

#include "editor/DrawPointsTool.h"
#include "editor/FileDialog.h"
#include "editor/GoToZoneDialog.h"
#include "editor/GridSizeForm.h"
#include "editor/MapCheckRunner.h"
#include "editor/MapCheckWindow.h"
#include "editor/MapDocument.h"
#include "editor/MapNavigator.h"
#include "editor/OverlayDrawing.h"
#include "editor/OverviewWindow.h"
#include "editor/PickTools.h"
#include "editor/PointsEditorForm.h"
#include "editor/RecoveryCopy.h"
#include "editor/ScrollerGlyph.h"
#include "editor/SelectZoneTool.h"
#include "editor/SortedList.h"
#include "editor/SpinEdit.h"
#include "editor/TraceRegionTool.h"
#include "editor/TraceSession.h"
#include "editor/WidthFollower.h"
#include "editor/WindowPlaces.h"
#include "graphics/ColorPalette.h"
#include "graphics/DIBCanvas.h"
#include "mapcheck/MapChecks.h"
#include "platform/Application.h"
#include "platform/Canvas.h"
#include "platform/Text.h"
#include "widgets/ElasticPanel.h"
#include "widgets/SpriteSurfaceScroller.h"
#include "zonemap/EditorPalette.h"
#include "zonemap/StringUtils.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QUndoStack>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Every picture format Qt reads here, for Add Picture...
std::string PictureFilter() {
    QStringList Patterns;
    for (const QByteArray& Format : QImageReader::supportedImageFormats())
        Patterns << "*." + QString::fromLatin1(Format);
    return "Pictures (" + Patterns.join(' ').toStdString() + ");;All files (*)";
}

const char* const MainCaption = "Brellwick Zonewright - Build 7";

template <typename T> T* Named(T* Widget, const char* Name) {
    Widget->setObjectName(Name);
    return Widget;
}

QAction* MenuItem(QMenu* Menu, const char* Name, const char* Caption) {
    QAction* Item = Menu->addAction(Caption);
    Item->setObjectName(Name);
    return Item;
}

QToolButton* FlatButton(QWidget* Parent, const char* Name, const char* Caption, int X, int Y, int W,
                        int H) {
    auto* Button = Named(new QToolButton(Parent), Name);
    Button->setText(Caption);
    Button->setAutoRaise(true);
    Button->setGeometry(X, Y, W, H);
    return Button;
}

QPushButton* PushButton(QWidget* Parent, const char* Name, const char* Caption, int X, int Y, int W,
                        int H) {
    auto* Button = Named(new QPushButton(Caption, Parent), Name);
    Button->setGeometry(X, Y, W, H);
    return Button;
}

// Reads "x,y" as two whole decimal numbers; false when either cannot be read.
bool ReadPointLine(const std::string& Line, int32_t& X, int32_t& Y) {
    const size_t Comma = Line.find(',');
    if (Comma == std::string::npos)
        return false;
    const std::string_view Text(Line);
    return TryStrToInt(Text.substr(0, Comma), X) && TryStrToInt(Text.substr(Comma + 1), Y);
}

} // namespace

TfrmMain::TfrmMain(QWidget* Parent) : QMainWindow(Parent) {
    setObjectName("frmMain");
    palMain = std::make_unique<TColorPalette>();
    palMain->SetName("palMain");
    palMain->SetPaletteEntries(EditorPaletteEntries());

    CreateMenus();
    CreateStatusBar();
    auto* Client = Named(new QWidget(this), "Client");
    auto* Row = new QHBoxLayout(Client);
    Row->setContentsMargins(0, 0, 0, 0);
    Row->setSpacing(0);
    // The map and the control pages share the width; the author may widen the pages for
    // long list entries, the map keeps what the window gains.
    splControls = Named(new QSplitter(Qt::Horizontal, Client), "splControls");
    splControls->setChildrenCollapsible(false);
    Row->addWidget(splControls);
    setCentralWidget(Client);
    CreateMapArea();
    FDocument = new TMapDocument(surface, this);
    FRecovery = new TRecoveryCopy(
        FDocument, [this] { return FFileName; }, this);
    // Not in the middle of a command: the copy reads every zone.
    FRecovery->Busy = [this] { return FRenderHold > 0 || FRendering; };
    CreateNavigation();
    CreateMapCheck();
    CreateControls();
    CreateTools();
    FollowDocument();
    WatchDisk();

    dlgOpenBitmap = new TFileDialog(
        TFileDialog::TKind::fdOpen, "dlgOpenBitmap",
        {"Select Bitmap File", "", "", "Bitmaps (*.bmp)", "bmp", true, false, true}, this);
    dlgOpenMapSet = new TFileDialog(
        TFileDialog::TKind::fdOpen, "dlgOpenMapSet",
        {"Open MapSet File", "", "", "MapSet Files (*.mapset)", "mapset", false, false, false},
        this);
    dlgOpenPicture =
        new TFileDialog(TFileDialog::TKind::fdOpen, "dlgOpenPicture",
                        {"Select Picture", "", "", PictureFilter(), "", false, false, true}, this);
    dlgSave = new TFileDialog(
        TFileDialog::TKind::fdSave, "dlgSave",
        {"Save MapSet As", "", "", "MapSet Files (*.mapset)", "mapset", false, true, false}, this);

    // The design size of the client area: the map beside the 185-pixel control panel.
    resize(632, 434 + menuBar()->sizeHint().height());
    if (QScreen* Screen = QGuiApplication::primaryScreen())
        move(Screen->availableGeometry().center() - rect().center());
    FormCreate();
}

TfrmMain::~TfrmMain() {
    // Freeing the history is no save: the copy of unsaved work must outlive a window that
    // did not close.
    delete FRecovery;
    FRecovery = nullptr;
    // The history tells the menu about its clearing; the window must still be whole then,
    // which it no longer is once QWidget deletes the children.
    delete FDocument;
    FDocument = nullptr;
    // The surface must stop rendering before the palette and the handlers it calls go.
    if (surface) {
        surface->SetActive(false);
        surface->AfterSpriteRender = nullptr;
        surface->OnMouseDown = nullptr;
        surface->OnMouseMove = nullptr;
        surface->OnMouseUp = nullptr;
        surface->OnOffsetChange = nullptr;
    }
    // What watches or shows the surface goes before it.
    delete frmOverview;
    frmOverview = nullptr;
    delete Navigator;
    Navigator = nullptr;
    delete SpriteSurfaceScroller1;
    SpriteSurfaceScroller1 = nullptr;
    delete surface;
    surface = nullptr;
}

void TfrmMain::SetForms(TdlgNewElement* NewElement, TfrmPointsEditor* PointsEditor,
                        TdlgGridSize* GridSize) {
    FNewElement = NewElement;
    FPointsEditor = PointsEditor;
    FGridSizeDialog = GridSize;
    // Pending points are on the map at once, not at the next animation frame.
    FPointsEditor->OnChange = [this] {
        RunCommand([this] {
            PendingPointsChanged();
            RenderNow();
        });
    };
    PendingPointsChanged();
}

void TfrmMain::CreateMenus() {
    QMenu* File = menuBar()->addMenu("File");
    File->setObjectName("File1");
    mniNewMapSet = MenuItem(File, "mniNewMapSet", "New MapSet");
    mniNewMapSet->setShortcut(QKeySequence::New);
    mniLoad = MenuItem(File, "mniLoad", "Load MapSet File...");
    mniLoad->setShortcut(QKeySequence::Open);
    mniSave = MenuItem(File, "mniSave", "Save MapSet File");
    mniSave->setShortcut(QKeySequence::Save);
    mniSaveAs = MenuItem(File, "mniSaveAs", "Save MapSet File As...");
    mniSaveAs->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    File->addSeparator();
    mniExit = MenuItem(File, "mniExit", "Exit");
    mniExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    CreateEditMenu();

    QMenu* View = menuBar()->addMenu("View");
    View->setObjectName("View1");
    mniViewBackground = MenuItem(View, "mniViewBackground", "Background");
    mniViewBackground->setCheckable(true);
    mniViewBackground->setChecked(true);
    mniViewZones = MenuItem(View, "mniViewZones", "Zones");
    mniViewZones->setCheckable(true);
    mniViewZones->setChecked(true);
    mniGrid = MenuItem(View, "mniGrid", "Grid Template");
    mniGrid->setCheckable(true);
    // The joystick covers the map's top-left corner; the wheel, the bars, the keys and the
    // Overview all move the view without it.
    QAction* Scroller = View->addAction("Scroller");
    Scroller->setObjectName("mniScroller");
    Scroller->setCheckable(true);
    Scroller->setChecked(true);
    connect(Scroller, &QAction::toggled, this, [this](bool On) {
        if (SpriteSurfaceScroller1)
            SpriteSurfaceScroller1->setVisible(On);
    });
    View->addSeparator();
    mniGridSize = MenuItem(View, "mniGridSize", "Grid Template Size...");

    QMenu* Points = menuBar()->addMenu("Points");
    Points->setObjectName("Points1");
    ClearAll1 = MenuItem(Points, "ClearAll1", "Clear All");
    ClearAll1->setShortcut(QKeySequence(Qt::Key_F1));
    RemoveLast1 = MenuItem(Points, "RemoveLast1", "Remove Last");
    RemoveLast1->setShortcut(QKeySequence(Qt::Key_F2));

    QMenu* Zone = menuBar()->addMenu("Zone");
    Zone->setObjectName("Zone1");
    HighlightNeighbors1 = MenuItem(Zone, "HighlightNeighbors1", "Highlight Neighbors");
    HighlightNeighbors1->setShortcut(QKeySequence(Qt::ALT | Qt::Key_N));
    AddanonAdjacentNeighbor1 =
        MenuItem(Zone, "AddanonAdjacentNeighbor1", "Add a non-Adjacent Neighbor");
    FindPathtoDestination1 = MenuItem(Zone, "FindPathtoDestination1", "Find Path to Destination");

    mniGoToZone = MenuItem(Zone, "mniGoToZone", "Go to Zone...");
    mniGoToZone->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    mniRenameZone = MenuItem(Zone, "mniRenameZone", "Rename Zone...");
    mniTraceAll = MenuItem(Zone, "mniTraceAll", "Trace All Zones...");
    mniMendBorders = MenuItem(Zone, "mniMendBorders", "Mend Borders");
    View->addSeparator();
    mniOverview = MenuItem(View, "mniOverview", "Overview");
    mniMapCheck = MenuItem(View, "mniMapCheck", "Map Check");

    QMenu* Help = menuBar()->addMenu("Help");
    Help->setObjectName("Help1");
    mniAbout = MenuItem(Help, "mniAbout", "About");

    // Shortcuts work wherever the focus is in the main window, also on the map.
    for (QAction* Item : {mniNewMapSet, mniLoad, mniSave, mniSaveAs, mniExit, ClearAll1,
                          RemoveLast1, HighlightNeighbors1, mniGoToZone})
        Item->setShortcutContext(Qt::WindowShortcut);

    Bind(mniNewMapSet, &TfrmMain::mniNewMapSetClick);
    Bind(mniLoad, &TfrmMain::mniLoadClick);
    Bind(mniSave, &TfrmMain::mniSaveClick);
    Bind(mniSaveAs, &TfrmMain::mniSaveAsClick);
    Bind(mniExit, &TfrmMain::mniExitClick);
    Bind(mniViewBackground, &TfrmMain::mniViewBackgroundClick);
    Bind(mniViewZones, &TfrmMain::mniViewZonesClick);
    Bind(mniGrid, &TfrmMain::mniGridClick);
    Bind(mniGridSize, &TfrmMain::mniGridSizeClick);
    Bind(ClearAll1, &TfrmMain::ClearAll1Click);
    Bind(RemoveLast1, &TfrmMain::RemoveLast1Click);
    Bind(HighlightNeighbors1, &TfrmMain::HighlightNeighbors1Click);
    Bind(AddanonAdjacentNeighbor1, &TfrmMain::AddanonAdjacentNeighbor1Click);
    Bind(FindPathtoDestination1, &TfrmMain::FindPathtoDestination1Click);
    Bind(mniAbout, &TfrmMain::mniAboutClick);
    Bind(mniOverview, &TfrmMain::mniOverviewClick);
    Bind(mniGoToZone, &TfrmMain::mniGoToZoneClick);
    Bind(mniMapCheck, &TfrmMain::mniMapCheckClick);
    Bind(mniRenameZone, &TfrmMain::mniRenameZoneClick);
    Bind(mniTraceAll, &TfrmMain::mniTraceAllClick);
    Bind(mniMendBorders, &TfrmMain::mniMendBordersClick);
}

void TfrmMain::CreateEditMenu() {
    QMenu* Edit = menuBar()->addMenu("Edit");
    Edit->setObjectName("Edit1");
    mniUndo = MenuItem(Edit, "mniUndo", "Undo");
    mniUndo->setShortcut(QKeySequence::Undo);
    mniRedo = MenuItem(Edit, "mniRedo", "Redo");
    mniRedo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    for (QAction* Item : {mniUndo, mniRedo}) {
        Item->setShortcutContext(Qt::WindowShortcut);
        Item->setEnabled(false);
    }
    // Run as every other command: an error reaches the application's handler, and a step
    // that changes several things (a replacement) is drawn once.
    connect(mniUndo, &QAction::triggered, this,
            [this] { RunCommand([this] { StepHistory(true); }); });
    connect(mniRedo, &QAction::triggered, this,
            [this] { RunCommand([this] { StepHistory(false); }); });
}

void TfrmMain::CreateStatusBar() {
    status = Named(new QStatusBar(this), "status");
    status->setSizeGripEnabled(true);
    status->setFixedHeight(19);
    setStatusBar(status);
    static const int Widths[4] = {100, 100, 250, 50};
    static const char* const Texts[4] = {"OffsetX: 0", "OffsetY: 0", "Selected Zone:", ""};
    for (int I = 0; I < 4; ++I) {
        auto* Panel = Named(new QLabel(Texts[I], status), "StatusPanel");
        Panel->setObjectName(QString("StatusPanel%1").arg(I));
        Panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        // The last panel takes what is left, as the last panel of a status bar does.
        if (I < 3)
            Panel->setFixedWidth(Widths[I]);
        else
            Panel->setMinimumWidth(Widths[I]);
        status->addWidget(Panel, I < 3 ? 0 : 1);
        StatusPanels[I] = Panel;
    }
    lblFindings = Named(new QLabel(status), "lblFindings");
    lblFindings->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    lblFindings->setMinimumWidth(90);
    status->addPermanentWidget(lblFindings);
}

void TfrmMain::CreateMapArea() {
    auto* Area = Named(new QWidget(centralWidget()), "MapArea");
    auto* Grid = new QGridLayout(Area);
    Grid->setContentsMargins(0, 0, 0, 0);
    Grid->setSpacing(0);

    ElasticPanel2 = new TElasticPanel(nullptr, Area);
    ElasticPanel2->setObjectName("ElasticPanel2");
    ElasticPanel2->SetName("ElasticPanel2");
    ElasticPanel2->SetBevelOuter(TBevelCut::bvNone);
    ElasticPanel2->SetBounds(0, 0, 447, 415);

    surface = new TZoneSpriteSurface(nullptr, ElasticPanel2);
    surface->setObjectName("surface");
    surface->SetName("surface");
    surface->SetBounds(0, 0, 447, 415);
    surface->SetAutoBlank(false);
    surface->SetAutoBlankColorIndex(0);
    surface->SetAnimationInterval(200);
    surface->SetBitDepth(bd8);
    surface->SetColorPalette(palMain.get());
    surface->SetShowPerformance(false);
    surface->SetUseVirtualSize(true);
    surface->SetVirtualWidth(444);
    surface->SetVirtualHeight(415);
    surface->SetOffsetX(0);
    surface->SetOffsetY(0);
    surface->SetWrapHorizontal(false);
    surface->SetWrapVertical(false);
    surface->SetColorIndexLand(118);
    surface->SetColorIndexSea(196);
    surface->SetGridMarginTop(16);
    surface->SetGridWidth(20);
    surface->SetGridHeight(26);
    surface->SetPreviewWidth(0);
    surface->SetPreviewHeight(0);
    surface->SetBitmapDirectory(ProgramDir());
    surface->AfterSpriteRender = [this](TObject* Sender, TCanvas& C, TDIBCanvas& D) {
        surfaceAfterSpriteRender(Sender, C, D);
    };
    surface->OnMouseDown = [this](TObject* Sender, TMouseButton Button, TShiftState Shift, int X,
                                  int Y) {
        // The middle button pans in every mode; the tools never see it.
        if (Button == TMouseButton::mbMiddle) {
            FPanFrom = QPoint(X - surface->OffsetX(), Y - surface->OffsetY());
            FPanOffset = QPoint(surface->OffsetX(), surface->OffsetY());
            FPanning = true;
            return;
        }
        RunCommand([&] { surfaceMouseDown(Sender, Button, Shift, X, Y); });
    };
    surface->OnMouseMove = [this](TObject*, TShiftState Shift, int X, int Y) {
        if (FPanning) {
            // The map follows the hand: the point under the press stays under the mouse.
            const int64_t ViewX = int64_t(X) - surface->OffsetX();
            const int64_t ViewY = int64_t(Y) - surface->OffsetY();
            RunCommand([&] {
                Navigator->ScrollTo(int64_t(FPanOffset.x()) - (ViewX - FPanFrom.x()),
                                    int64_t(FPanOffset.y()) - (ViewY - FPanFrom.y()));
            });
            return;
        }
        RunCommand([&] { FActiveTool->MouseMove(Shift, X, Y); });
    };
    surface->OnMouseUp = [this](TObject*, TMouseButton Button, TShiftState Shift, int X, int Y) {
        if (Button == TMouseButton::mbMiddle) {
            FPanning = false;
            return;
        }
        RunCommand([&] { FActiveTool->MouseUp(Button, Shift, X, Y); });
    };
    surface->OnOffsetChange = [this](TObject* Sender) { surfaceOffsetChange(Sender); };

    SpriteSurfaceScroller1 = new TSpriteSurfaceScroller(nullptr, ElasticPanel2);
    SpriteSurfaceScroller1->setObjectName("SpriteSurfaceScroller1");
    SpriteSurfaceScroller1->SetName("SpriteSurfaceScroller1");
    SpriteSurfaceScroller1->SetBounds(8, 8, 57, 57);
    SpriteSurfaceScroller1->SetColor(clBlack);
    SpriteSurfaceScroller1->SetColorHighlight(RGBColor(192, 192, 192));
    SpriteSurfaceScroller1->SetColorShadow(RGBColor(128, 128, 128));
    SpriteSurfaceScroller1->SetGlyph(*MakeScrollerGlyph());
    SpriteSurfaceScroller1->SetSpriteSurface(surface);
    SpriteSurfaceScroller1->raise();

    // The form is read: the scroller hooks into the surface, the panel records its
    // children at their design places.
    SpriteSurfaceScroller1->AfterLoad();
    ElasticPanel2->SetDTWidth(447);
    ElasticPanel2->SetDTHeight(415);
    ElasticPanel2->SetResizeEditHeights(false);
    ElasticPanel2->AfterLoad();

    sbHorizontal = new TScrollBar(Qt::Horizontal, nullptr, Area);
    sbHorizontal->setObjectName("sbHorizontal");
    sbVertical = new TScrollBar(Qt::Vertical, nullptr, Area);
    sbVertical->setObjectName("sbVertical");
    Grid->addWidget(ElasticPanel2, 0, 0);
    Grid->addWidget(sbVertical, 0, 1);
    Grid->addWidget(sbHorizontal, 1, 0);
    splControls->addWidget(Area);
    splControls->setStretchFactor(0, 1);
}

void TfrmMain::CreateNavigation() {
    // Wheel, keys and bars move the view, each step on screen at once, drawn as the
    // window's other frames are.
    Navigator = new TMapNavigator(surface, this);
    Navigator->setObjectName("Navigator");
    Navigator->OnRender = [this] { RenderNow(); };
    Navigator->OnInput = [this](const std::function<void()>& Step) { RunCommand(Step); };
    Navigator->AttachScrollBars(sbHorizontal, sbVertical);
    frmOverview = new TOverviewWindow(surface, Navigator, this);
    frmOverview->hide();
    dlgGoToZone = new TGoToZoneDialog(this);
}

void TfrmMain::CreateMapCheck() {
    frmMapCheck = new TMapCheckWindow(this);
    frmMapCheck->hide();
    frmMapCheck->OnZoneChosen = [this](const TZoneRef& Ref) {
        RunCommand([this, Ref] {
            // Findings from before the last change may name a zone that is gone or has
            // moved to another number: they are shown afresh instead of being followed.
            if (FCheckTimer->isActive() || !FMapCheck->Current()) {
                StartMapCheck();
                return;
            }
            if (Ref.Number >= 0 && Ref.Number < surface->ZoneCount() &&
                surface->Zone(Ref.Number)->Name() == Ref.Name)
                SelectAndCenter(surface->Zone(Ref.Number));
        });
    };
    frmMapCheck->OnMendBorder = [this](const TZoneRef& Zone1, const TZoneRef& Zone2) {
        RunCommand([this, Zone1, Zone2] { MendBorder(Zone1, Zone2); });
    };
    FCheckTimer = new QTimer(this);
    FCheckTimer->setSingleShot(true);
    FCheckTimer->setInterval(50);
    connect(FCheckTimer, &QTimer::timeout, this, [this] {
        // Never inside a command or a frame: the check rebuilds every neighbour list.
        if (FRenderHold > 0 || FRendering)
            FCheckTimer->start();
        else
            RunCommand([this] { StartMapCheck(); });
    });
    FMapCheck = new TMapCheckRunner(FDocument, this);
    FMapCheck->OnFinished = [this](std::vector<TFinding> Findings, int32_t ZoneCount) {
        ShowFindings(std::move(Findings), ZoneCount);
    };
    FMapCheck->OnRunning = [this](bool Running) {
        if (Running)
            lblFindings->setText("Checking the map...");
    };
    FMapCheck->OnWanted = [this] { FCheckTimer->start(); };
    // Nothing found in the previous map set stays once another is read, whether or not
    // it reads.
    connect(FDocument, &TMapDocument::aboutToReset, this, [this] {
        frmMapCheck->SetFindings({}, 0);
        lblFindings->clear();
    });
    connect(FDocument, &TMapDocument::textFindingsChanged, this, [this] {
        frmMapCheck->SetTextFindings(FDocument->TextFindings());
        if (!FMapCheck->Running() && !lblFindings->text().isEmpty())
            ShowFindingsCount();
    });
}

void TfrmMain::CreateTools() {
    TToolHost& Host = *this;
    AddTool(std::make_unique<TSelectZoneTool>(Host), rbSelectZone);
    AddTool(std::make_unique<TDrawPointsTool>(Host), rbDrawPoints);
    FPickTools[size_t(TPickMode::pmAddNeighbor)] =
        AddTool(std::make_unique<TAddNeighborTool>(Host), nullptr);
    FPickTools[size_t(TPickMode::pmFindPath)] =
        AddTool(std::make_unique<TFindPathTool>(Host), nullptr);
    FTraceSession = new TTraceSession(FDocument, this);
    AddTool(std::make_unique<TTraceRegionTool>(Host, *FTraceSession, this,
                                               [this](bool Land) {
                                                   cbLandZone->setChecked(Land);
                                                   // The name of a zone selected before is
                                                   // not the traced region's.
                                                   edtZoneName->clear();
                                               }),
            rbTraceRegion);
    ToolChanged();
}

TMapTool* TfrmMain::AddTool(std::unique_ptr<TMapTool> Tool, QAbstractButton* Button) {
    TMapTool* Added = Tool.get();
    FTools.push_back(std::move(Tool));
    if (Button) {
        FToolButtons.emplace_back(Button, Added);
        connect(Button, &QAbstractButton::toggled, this, [this](bool On) {
            if (On)
                ToolChanged();
        });
    }
    return Added;
}

void TfrmMain::ToolChanged() {
    TMapTool* Tool = FPickTools[size_t(FPickMode)];
    for (const auto& [Button, Chosen] : FToolButtons)
        if (!Tool && Button->isChecked())
            Tool = Chosen;
    if (!Tool)
        Tool = FTools.front().get();
    if (Tool != FActiveTool) {
        if (FActiveTool)
            FActiveTool->Deactivate();
        FActiveTool = Tool;
        Tool->Activate();
        surface->setCursor(Tool->Cursor());
        surface->setMouseTracking(Tool->TracksHover());
    }
    const std::string Prompt = Tool->Prompt();
    if (!Prompt.empty()) {
        pnlControls->SetCaption(Prompt);
        pageMain->hide();
    } else
        pageMain->show();
}

void TfrmMain::FollowDocument() {
    QUndoStack* Stack = UndoStack();
    connect(Stack, &QUndoStack::cleanChanged, this,
            [this](bool Clean) { setWindowModified(!Clean); });
    // Captions name the command: "Undo Create Zone Land3".
    const auto Caption = [](const char* Verb, const QString& Command) {
        return Command.isEmpty() ? QString(Verb) : QString("%1 %2").arg(Verb, Command);
    };
    connect(Stack, &QUndoStack::undoTextChanged, this,
            [this, Caption](const QString& Text) { mniUndo->setText(Caption("Undo", Text)); });
    connect(Stack, &QUndoStack::redoTextChanged, this,
            [this, Caption](const QString& Text) { mniRedo->setText(Caption("Redo", Text)); });
    connect(Stack, &QUndoStack::canUndoChanged, mniUndo, &QAction::setEnabled);
    connect(Stack, &QUndoStack::canRedoChanged, mniRedo, &QAction::setEnabled);

    TMapDocument* D = FDocument;
    connect(D, &TMapDocument::zoneInserted, this, [this](TZone* Zone) {
        if (!Zone->IsSea())
            AddLandZoneEntry(Zone);
    });
    connect(D, &TMapDocument::zoneAboutToBeRemoved, this, &TfrmMain::ZoneAboutToBeRemoved);
    connect(D, &TMapDocument::zoneRenamed, this, &TfrmMain::ZoneRenamed);
    connect(D, &TMapDocument::neighborsStale, this, [this] { FNeighborsDirty = true; });
    connect(D, &TMapDocument::neighborsBuilt, this, [this] { FNeighborsDirty = false; });
    connect(D, &TMapDocument::bitmapInserted, this, [this](int32_t Index) {
        const TBitmapEntry& Entry = surface->Bitmaps().at(size_t(Index));
        SortedList::Insert(lbBitmaps, BitmapEntryText(Entry),
                           QByteArray::fromStdString(Entry.Name));
    });
    connect(D, &TMapDocument::bitmapAboutToBeRemoved, this, [this](int32_t Index) {
        delete BitmapEntry(surface->Bitmaps().at(size_t(Index)).Name);
    });
    connect(D, &TMapDocument::elementsChanged, this, [this] { FillElementList(); });
    connect(D, &TMapDocument::aboutToReset, this, [this] {
        EndPick();
        ClearSelection();
        lbLandZones->clear();
        lbElements->clear();
        lbBitmaps->clear();
    });
    connect(D, &TMapDocument::reset, this, [this] { FillLists(); });
    connect(D, &TMapDocument::changed, this, [this] {
        frmOverview->MapChanged();
        // Shortly after the change, once a burst of changes is over: the window keeps
        // answering input, and a finding an edit mended is gone within a fraction of a
        // second.
        FCheckTimer->start();
        RenderNow();
    });
}

void TfrmMain::CreateControls() {
    pnlControls = new TPanel(nullptr, splControls);
    pnlControls->setObjectName("pnlControls");
    pnlControls->SetName("pnlControls");
    pnlControls->SetBevelOuter(TBevelCut::bvNone);
    pnlControls->SetCaption("");
    // The longest prompt, "Click the Zone to add as a Neighbor", must fit the 185 pixels
    // on one line: the narrower face of the zone labels does.
    pnlControls->Font().Name = "Arial";
    pnlControls->setMinimumWidth(DesignControlsWidth);
    splControls->addWidget(pnlControls);
    splControls->setStretchFactor(1, 0);

    Button4 = PushButton(pnlControls, "Button4", "Cancel", 16, 368, 153, 25);
    connect(Button4, &QPushButton::clicked, this,
            [this] { RunCommand([this] { Button4Click(); }); });

    pageMain = Named(new QTabWidget(pnlControls), "pageMain");
    // Both tab captions must fit the panel's 185 pixels side by side.
    pageMain->setUsesScrollButtons(false);
    pageMain->setStyleSheet("QTabBar::tab { padding: 3px 5px; }");
    auto* Fill = new QVBoxLayout(pnlControls);
    Fill->setContentsMargins(0, 0, 0, 0);
    Fill->addWidget(pageMain);
    CreateBackgroundPage();
    CreateZonePage();
    pageMain->setCurrentIndex(0);
    connect(pageMain, &QTabWidget::currentChanged, this, [this] { pageMainChange(); });
}

void TfrmMain::CreateBackgroundPage() {
    TabSheet1 = Named(new QWidget, "TabSheet1");
    pageMain->addTab(TabSheet1, "Background");
    auto* Column = new QVBoxLayout(TabSheet1);
    Column->setContentsMargins(2, 2, 2, 2);
    Column->setSpacing(2);

    GroupBox1 = Named(new QGroupBox("Source Bitmaps", TabSheet1), "GroupBox1");
    // One row more than the design, for Add Picture... under Add...
    GroupBox1->setFixedHeight(153 + 26);
    Column->addWidget(GroupBox1);
    lbBitmaps = Named(new QListWidget(GroupBox1), "lbBitmaps");
    lbBitmaps->setGeometry(8, 16, 161, 97);
    // Wider pages show more of each entry.
    new TWidthFollower(lbBitmaps);
    btnAddBitmap = FlatButton(GroupBox1, "btnAddBitmap", "Add...", 8, 120, 73, 22);
    btnRemoveBitmap = FlatButton(GroupBox1, "btnRemoveBitmap", "Remove", 88, 120, 81, 22);
    btnAddPicture = FlatButton(GroupBox1, "btnAddPicture", "Add Picture...", 8, 146, 161, 22);

    GroupBox2 = Named(new QGroupBox("Elements", TabSheet1), "GroupBox2");
    Column->addWidget(GroupBox2, 1);
    auto* Inside = new QVBoxLayout(GroupBox2);
    Inside->setContentsMargins(0, 14, 0, 0);
    ElasticPanel1 = new TElasticPanel(nullptr, GroupBox2);
    ElasticPanel1->setObjectName("ElasticPanel1");
    ElasticPanel1->SetName("ElasticPanel1");
    ElasticPanel1->SetBevelOuter(TBevelCut::bvNone);
    ElasticPanel1->SetBounds(0, 0, 173, 217);
    imPalette = Named(new QLabel(ElasticPanel1), "imPalette");
    imPalette->setGeometry(16, 24, 105, 105);
    imPalette->hide();
    lbElements = Named(new QListWidget(ElasticPanel1), "lbElements");
    lbElements->setGeometry(4, 4, 161, 181);
    btnAddElement = FlatButton(ElasticPanel1, "btnAddElement", "Add...", 4, 191, 73, 22);
    btnRemoveElement = FlatButton(ElasticPanel1, "btnRemoveElement", "Remove", 84, 191, 81, 22);
    ElasticPanel1->SetDTWidth(173);
    ElasticPanel1->SetDTHeight(217);
    ElasticPanel1->SetResizeEditHeights(false);
    ElasticPanel1->AfterLoad();
    Inside->addWidget(ElasticPanel1);

    Bind(btnAddBitmap, &TfrmMain::btnAddBitmapClick);
    Bind(btnRemoveBitmap, &TfrmMain::btnRemoveBitmapClick);
    Bind(btnAddElement, &TfrmMain::btnAddElementClick);
    Bind(btnRemoveElement, &TfrmMain::btnRemoveElementClick);
    Bind(btnAddPicture, &TfrmMain::btnAddPictureClick);
}

void TfrmMain::CreateZonePage() {
    TabSheet2 = Named(new QWidget, "TabSheet2");
    pageMain->addTab(TabSheet2, "Zone Definitions");
    auto* Column = new QVBoxLayout(TabSheet2);
    Column->setContentsMargins(2, 2, 2, 2);
    Column->setSpacing(2);

    GroupBox3 = Named(new QGroupBox("Mouse Mode", TabSheet2), "GroupBox3");
    GroupBox3->setFixedHeight(83);
    Column->addWidget(GroupBox3);
    rbSelectZone = Named(new QRadioButton("Select Zone", GroupBox3), "rbSelectZone");
    rbSelectZone->setGeometry(12, 16, 145, 20);
    rbSelectZone->setChecked(true);
    rbDrawPoints = Named(new QRadioButton("Draw Points", GroupBox3), "rbDrawPoints");
    rbDrawPoints->setGeometry(12, 37, 145, 20);
    rbTraceRegion = Named(new QRadioButton("Trace Region", GroupBox3), "rbTraceRegion");
    rbTraceRegion->setGeometry(12, 58, 145, 20);

    GroupBox4 = Named(new QGroupBox("Zone Operations", TabSheet2), "GroupBox4");
    GroupBox4->setFixedHeight(186);
    Column->addWidget(GroupBox4);
    cbLandZone = Named(new QCheckBox("Land Zone", GroupBox4), "cbLandZone");
    cbLandZone->setGeometry(12, 18, 145, 20);
    Label1 = Named(new QLabel("Name:", GroupBox4), "Label1");
    Label1->setGeometry(12, 44, 36, 21);
    edtZoneName = Named(new QLineEdit(GroupBox4), "edtZoneName");
    edtZoneName->setGeometry(50, 44, 109, 21);
    // Sea zones are always named Sea1, Sea2, ...: the box is off while it would be ignored.
    const auto NameApplies = [this](bool Land) {
        Label1->setEnabled(Land);
        edtZoneName->setEnabled(Land);
    };
    connect(cbLandZone, &QCheckBox::toggled, this, NameApplies);
    NameApplies(cbLandZone->isChecked());
    btnCreateZone = PushButton(GroupBox4, "btnCreateZone", "Create New Zone", 8, 72, 153, 25);
    btnDeleteZone = PushButton(GroupBox4, "btnDeleteZone", "Delete Selected Zone", 8, 99, 153, 25);
    btnReplaceZone =
        PushButton(GroupBox4, "btnReplaceZone", "Replace Selected Zone", 8, 126, 153, 25);
    btnCreateSeaZone =
        PushButton(GroupBox4, "btnCreateSeaZone", "Create Standard Sea Zone", 8, 153, 153, 25);

    GroupBox5 = Named(new QGroupBox("Land Zones", TabSheet2), "GroupBox5");
    Column->addWidget(GroupBox5, 1);
    auto* Inside = new QVBoxLayout(GroupBox5);
    Inside->setContentsMargins(6, 14, 6, 6);
    lbLandZones = Named(new QListWidget(GroupBox5), "lbLandZones");
    lbLandZones->setUniformItemSizes(true);
    Inside->addWidget(lbLandZones);

    Bind(btnCreateZone, &TfrmMain::btnCreateZoneClick);
    Bind(btnDeleteZone, &TfrmMain::btnDeleteZoneClick);
    Bind(btnReplaceZone, &TfrmMain::btnReplaceZoneClick);
    Bind(btnCreateSeaZone, &TfrmMain::btnCreateSeaZoneClick);
    connect(lbLandZones, &QListWidget::itemClicked, this,
            [this] { RunCommand([this] { lbLandZonesClick(); }); });
    // The keyboard moves the list's selection as a click does.
    connect(lbLandZones, &QListWidget::currentRowChanged, this, [this] {
        if (lbLandZones->hasFocus())
            RunCommand([this] { lbLandZonesClick(); });
    });
}

void TfrmMain::FormCreate() {
    FGridSize = 120;
    UpdateCaption();
}

void TfrmMain::FormShow() {
    surface->SetActive(true);
}

void TfrmMain::showEvent(QShowEvent* Event) {
    QMainWindow::showEvent(Event);
    if (!FShownOnce) {
        FShownOnce = true;
        // The pages start at the design width, whatever their contents would ask for.
        splControls->setSizes(
            {std::max(1, splControls->width() - DesignControlsWidth - splControls->handleWidth()),
             DesignControlsWidth});
        FormShow();
    }
}

void TfrmMain::SetStatus(int Panel, const std::string& Text, bool RepaintNow) {
    StatusPanels[Panel]->setText(ShownText(Text));
    if (RepaintNow)
        status->repaint();
}

void TfrmMain::ShowStatusText(const std::string& Text) {
    SetStatus(3, Text);
}

QUndoStack* TfrmMain::UndoStack() const {
    return FDocument->UndoStack();
}

void TfrmMain::UpdateCaption() {
    QString Caption = MainCaption;
    if (!FFileName.empty())
        Caption += " - " + ShownText(FileNameOf(FFileName));
    setWindowTitle(Caption + "[*]");
    setWindowModified(Modified());
}

bool TfrmMain::Modified() const {
    return FDocument->Modified();
}

void TfrmMain::MarkSaved(bool ForgetHistory) {
    FDocument->MarkSaved(ForgetHistory);
    setWindowModified(Modified());
}

void TfrmMain::RenderNow() {
    if (FRenderHold > 0) {
        FRenderPending = true;
        return;
    }
    RenderFrame();
}

void TfrmMain::RenderFrame() {
    // A frame ends by processing pending events, which may ask for another: that one
    // follows this frame instead of being drawn inside it.
    if (FRendering) {
        FRenderPending = true;
        return;
    }
    if (!surface || !surface->ColorPalette())
        return;
    FRendering = true;
    do {
        FRenderPending = false;
        Application().Guarded([this] { surface->Render(); });
    } while (FRenderPending && surface);
    FRendering = false;
}

void TfrmMain::RunCommand(const std::function<void()>& Action) {
    // However many steps of the command change the map, it is drawn once at its end, and
    // while the command still holds: nothing that waits for the end of commands runs
    // inside its frame.
    ++FRenderHold;
    Application().Guarded(Action);
    if (FRenderHold == 1 && FRenderPending)
        RenderFrame();
    --FRenderHold;
}

void TfrmMain::Bind(QAction* Item, void (TfrmMain::*Handler)()) {
    connect(Item, &QAction::triggered, this,
            [this, Handler] { RunCommand([this, Handler] { (this->*Handler)(); }); });
}

void TfrmMain::Bind(QAbstractButton* Button, void (TfrmMain::*Handler)()) {
    connect(Button, &QAbstractButton::clicked, this,
            [this, Handler] { RunCommand([this, Handler] { (this->*Handler)(); }); });
}

void TfrmMain::KeepWindowPlaces(const QString& SettingsFile) {
    delete FPlaces;
    FPlaces = new TWindowPlaces(this, SettingsFile);
    for (QWidget* Tool : std::initializer_list<QWidget*>{FPointsEditor, frmMapCheck, frmOverview})
        if (Tool)
            FPlaces->Track(Tool);
}

void TfrmMain::PlaceToolWindow(QWidget* Window, QSize DefaultSize) {
    if (!FPlaces)
        KeepWindowPlaces({});
    const QRect Lists(splControls->widget(1)->mapToGlobal(QPoint(0, 0)),
                      splControls->widget(1)->size());
    FPlaces->Open(Window, DefaultSize, Lists);
}

void TfrmMain::pageMainChange() {
    if (!FPointsEditor)
        return;
    if (pageMain->currentIndex() != 1) {
        FPointsEditor->hide();
        return;
    }
    PlaceToolWindow(FPointsEditor, FPointsEditor->size());
    FPointsEditor->show();
}

void TfrmMain::surfaceOffsetChange(TObject*) {
    SetStatus(0, "OffsetX: " + std::to_string(surface->OffsetX()));
    SetStatus(1, "OffsetY: " + std::to_string(surface->OffsetY()));
    if (frmOverview)
        frmOverview->ViewChanged();
}

void TfrmMain::RunMapCheck() {
    FCheckTimer->stop();
    std::vector<TFinding> Findings;
    // The check reads the neighbour lists; they are brought up to date exactly as
    // Highlight Neighbors would, so nothing the user sees changes.
    Application().Guarded([&] { Findings = FMapCheck->CheckNow(); });
    ShowFindings(std::move(Findings), surface->ZoneCount());
}

void TfrmMain::StartMapCheck() {
    FCheckTimer->stop();
    Application().Guarded([&] { FMapCheck->Start(); });
}

void TfrmMain::ShowFindings(std::vector<TFinding> Findings, int32_t ZoneCount) {
    frmMapCheck->SetFindings(std::move(Findings), ZoneCount);
    ShowFindingsCount();
}

void TfrmMain::ShowFindingsCount() {
    const size_t Count = frmMapCheck->Findings().size() + frmMapCheck->TextFindings().size();
    lblFindings->setText(Count == 0   ? QString("No findings")
                         : Count == 1 ? QString("1 finding")
                                      : QString("%1 findings").arg(Count));
}

void TfrmMain::mniMapCheckClick() {
    PlaceToolWindow(frmMapCheck, QSize(560, 220));
    StartMapCheck();
    frmMapCheck->show();
    frmMapCheck->raise();
}

void TfrmMain::mniOverviewClick() {
    PlaceToolWindow(frmOverview, QSize(320, 240));
    frmOverview->show();
    frmOverview->raise();
    frmOverview->MapChanged();
    frmOverview->ViewChanged();
}

void TfrmMain::mniGoToZoneClick() {
    std::vector<std::string> Names;
    Names.reserve(size_t(surface->ZoneCount()));
    for (int32_t I = 0; I < surface->ZoneCount(); ++I)
        Names.push_back(surface->Zone(I)->Name());
    dlgGoToZone->SetNames(Names);
    if (dlgGoToZone->exec() != QDialog::Accepted)
        return;
    const int Index = dlgGoToZone->ChosenIndex();
    if (Index >= 0 && Index < surface->ZoneCount())
        SelectAndCenter(surface->Zone(Index));
}

void TfrmMain::SelectAndCenter(TZone* Zone) {
    ClearHighlights();
    SelectZone(Zone);
    const TRect& B = Zone->Bounds();
    Navigator->CenterOn(int32_t((int64_t(B.Left) + B.Right) / 2),
                        int32_t((int64_t(B.Top) + B.Bottom) / 2));
    RenderNow();
}

void TfrmMain::mniViewBackgroundClick() {
    const bool Shown = mniViewBackground->isChecked();
    surface->SetShowBackground(Shown);
    surface->SetAutoBlank(!Shown);
    RenderNow();
}

void TfrmMain::mniViewZonesClick() {
    surface->SetShowZones(mniViewZones->isChecked());
    RenderNow();
}

void TfrmMain::mniGridClick() {
    // The frame drawing reads the check mark.
    RenderNow();
}

void TfrmMain::mniGridSizeClick() {
    FGridSizeDialog->spinGridSize->SetValue(FGridSize);
    const int R = FGridSizeDialog->exec();
    if (R == QDialog::Accepted) {
        FGridSize = std::clamp(FGridSizeDialog->spinGridSize->Value(), 50, 1000);
        RenderNow();
    }
}

void TfrmMain::mniAboutClick() {
    ShowMessage("Korvane 4.0 Zonewright.  For detailed instructions on building MapSets and "
                "Scenarios for Korvane 4.0 consult the Brellwick web site at Zonewright.");
}

void TfrmMain::surfaceAfterSpriteRender(TObject*, TCanvas& ACanvas, TDIBCanvas& ADibCanvas) {
    const int32_t OffsetX = surface->OffsetX();
    const int32_t OffsetY = surface->OffsetY();
    ACanvas.Pen() = {RGBColor(255, 255, 0), 1, TPenStyle::psSolid};
    ACanvas.Brush().Color = RGBColor(255, 255, 0);
    ACanvas.Brush().Style = TBrushStyle::bsSolid;
    // The outline the pending points will make, closing line included, under their dots.
    DrawOutline(ACanvas, {OffsetX, OffsetY, surface->Width(), surface->Height()}, FPendingDots,
                true);
    for (const TPoint& P : FPendingDots) {
        const int64_t SX = int64_t(P.X) - OffsetX;
        const int64_t SY = int64_t(P.Y) - OffsetY;
        if (SX < -8 || SY < -8 || SX > surface->Width() + 8 || SY > surface->Height() + 8)
            continue;
        ACanvas.Ellipse(int32_t(SX - 3), int32_t(SY - 3), int32_t(SX + 3), int32_t(SY + 3));
    }
    if (FActiveTool)
        FActiveTool->DrawOverlay(ACanvas, ADibCanvas, OffsetX, OffsetY);
    if (!mniGrid->isChecked() || FGridSize <= 0)
        return;
    // Only the rows and columns that reach the view are issued: lines outside it would be
    // clipped away, and a huge map would cost millions of them a frame.
    ADibCanvas.SetPenColor(0);
    const int64_t S = FGridSize;
    const int64_t ViewW = surface->Width();
    const int64_t ViewH = surface->Height();
    const int64_t FirstRow = std::max<int64_t>(0, (int64_t(OffsetY) - S) / S);
    for (int64_t R = FirstRow; R * S < surface->VirtualHeight(); ++R) {
        const int64_t Y = R * S - OffsetY;
        if (Y > ViewH)
            break;
        ADibCanvas.MoveTo(0, int32_t(Y));
        ADibCanvas.LineTo(int32_t(ViewW), int32_t(Y));
        const int64_t X0 = (R % 2 == 1) ? S / 2 : 0;
        int64_t First = X0;
        if (OffsetX > X0)
            First = X0 + ((OffsetX - X0) / S) * S;
        for (int64_t X = First; X < surface->VirtualWidth(); X += S) {
            const int64_t SX = X - OffsetX;
            if (SX > ViewW)
                break;
            ADibCanvas.MoveTo(int32_t(SX), int32_t(Y));
            ADibCanvas.LineTo(int32_t(SX), int32_t(Y + S));
        }
    }
}

void TfrmMain::PendingPointsChanged() {
    FPendingDots.clear();
    for (const std::string& Line : FPointsEditor->Lines()) {
        int32_t X = 0, Y = 0;
        if (ReadPointLine(Line, X, Y))
            FPendingDots.push_back({X, Y});
    }
}
