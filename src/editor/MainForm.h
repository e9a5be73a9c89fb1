#pragma once

#include "editor/DiskWatch.h"
#include "editor/MapTool.h"
#include "platform/Controls.h"
#include "platform/Types.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <QMainWindow>
#include <QPoint>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAbstractButton;
class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QPushButton;
class QRadioButton;
class QSplitter;
class QStatusBar;
class QTabWidget;
class QTimer;
class QUndoCommand;
class QUndoStack;
class TWindowPlaces;
class QToolButton;
class QWidget;
class TCanvas;
class TColorPalette;
class TDIBCanvas;
class TElasticPanel;
class TFileDialog;
class TGoToZoneDialog;
class TMapDocument;
class TMapCheckWindow;
class TMapCheckRunner;
struct TFinding;
class TMapNavigator;
class TOverviewWindow;
class TRecoveryCopy;
class TTraceSession;
class TSpriteSurfaceScroller;
class TZone;
class TZoneSprite;
class TZoneSpriteSurface;
struct TBorderMend;
struct TZoneRef;
class TdlgGridSize;
class TdlgNewElement;
class TfrmPointsEditor;

enum class TPickMode : uint8_t { pmNone = 0, pmAddNeighbor = 1, pmFindPath = 2 };

// The editor's main window: the map view (a zone surface with its scroller) on the left,
// the "Background" and "Zone Definitions" pages on the right, the menus and the status bar.
// The map set itself and its history are the document's; the window's lists, selection,
// pick and stale-neighbour flag follow the document's signals, and the map's mouse
// behaviour is the active tool's. The implementation is spread over files by concern:
// MainForm.cpp (building the window, view, frame drawing, tools), MainFormFile.cpp (load,
// save, unsaved changes), MainFormZones.cpp (zone editing), MainFormBackground.cpp
// (bitmaps and elements).
class TfrmMain : public QMainWindow, private TToolHost {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget* Parent = nullptr);
    ~TfrmMain() override;

    // The forms created after this one, which the commands show.
    void SetForms(TdlgNewElement* NewElement, TfrmPointsEditor* PointsEditor,
                  TdlgGridSize* GridSize);
    // Tool windows open where they were last, or beside this window; SettingsFile (an INI
    // file) keeps their places and this window's between runs, empty only for this run.
    void KeepWindowPlaces(const QString& SettingsFile);

    // --- Components ------------------------------------------------------------------
    TPanel* pnlControls = nullptr;
    // Beyond the design: the control pages start at the design width and can be widened.
    QSplitter* splControls = nullptr;
    static constexpr int DesignControlsWidth = 185;
    QTabWidget* pageMain = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QPushButton* Button4 = nullptr;
    QStatusBar* status = nullptr;
    QLabel* StatusPanels[4] = {};
    TElasticPanel* ElasticPanel2 = nullptr;
    TZoneSpriteSurface* surface = nullptr;
    TSpriteSurfaceScroller* SpriteSurfaceScroller1 = nullptr;
    TScrollBar* sbHorizontal = nullptr;
    TScrollBar* sbVertical = nullptr;
    std::unique_ptr<TColorPalette> palMain;
    TFileDialog* dlgOpenBitmap = nullptr;
    TFileDialog* dlgSave = nullptr;
    TFileDialog* dlgOpenMapSet = nullptr;

    // Menus.
    QAction* mniNewMapSet = nullptr;
    QAction* mniLoad = nullptr;
    QAction* mniSave = nullptr;
    QAction* mniSaveAs = nullptr;
    QAction* mniExit = nullptr;
    QAction* mniViewBackground = nullptr;
    QAction* mniViewZones = nullptr;
    QAction* mniGrid = nullptr;
    QAction* mniGridSize = nullptr;
    QAction* ClearAll1 = nullptr;
    QAction* RemoveLast1 = nullptr;
    QAction* HighlightNeighbors1 = nullptr;
    QAction* AddanonAdjacentNeighbor1 = nullptr;
    QAction* FindPathtoDestination1 = nullptr;
    QAction* mniAbout = nullptr;
    QAction* mniUndo = nullptr;
    QAction* mniRedo = nullptr;
    // Beyond the design: navigation for large maps.
    QAction* mniOverview = nullptr;
    QAction* mniGoToZone = nullptr;
    QAction* mniRenameZone = nullptr;
    QAction* mniTraceAll = nullptr;
    TMapNavigator* Navigator = nullptr;
    TOverviewWindow* frmOverview = nullptr;
    TGoToZoneDialog* dlgGoToZone = nullptr;
    // Beyond the design: the map check, always current.
    QAction* mniMapCheck = nullptr;
    TMapCheckWindow* frmMapCheck = nullptr;
    QLabel* lblFindings = nullptr;
    // Beyond the design: split borders mended, and pictures brought into the map's palette.
    QAction* mniMendBorders = nullptr;
    QToolButton* btnAddPicture = nullptr;
    TFileDialog* dlgOpenPicture = nullptr;

    // Background page.
    QGroupBox* GroupBox1 = nullptr;
    QListWidget* lbBitmaps = nullptr;
    QToolButton* btnAddBitmap = nullptr;
    QToolButton* btnRemoveBitmap = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    TElasticPanel* ElasticPanel1 = nullptr;
    QLabel* imPalette = nullptr;
    QListWidget* lbElements = nullptr;
    QToolButton* btnAddElement = nullptr;
    QToolButton* btnRemoveElement = nullptr;

    // Zone page.
    QGroupBox* GroupBox3 = nullptr;
    QRadioButton* rbSelectZone = nullptr;
    QRadioButton* rbDrawPoints = nullptr;
    QRadioButton* rbTraceRegion = nullptr;
    QGroupBox* GroupBox4 = nullptr;
    QCheckBox* cbLandZone = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* edtZoneName = nullptr;
    QPushButton* btnCreateZone = nullptr;
    QPushButton* btnDeleteZone = nullptr;
    QPushButton* btnReplaceZone = nullptr;
    QPushButton* btnCreateSeaZone = nullptr;
    QGroupBox* GroupBox5 = nullptr;
    QListWidget* lbLandZones = nullptr;

    // --- Callbacks ---------------------------------------------------------------------
    void FormCreate();
    void FormShow();
    void pageMainChange();
    void surfaceOffsetChange(TObject* Sender);
    void mniNewMapSetClick();
    void mniLoadClick();
    void mniSaveClick();
    void mniSaveAsClick();
    void mniExitClick();
    void mniViewBackgroundClick();
    void mniViewZonesClick();
    void mniGridClick();
    void mniGridSizeClick();
    void mniAboutClick();
    void mniOverviewClick();
    void mniGoToZoneClick();
    void mniMapCheckClick();
    // Runs the map check now, on this thread (it also runs by itself in a worker shortly
    // after every change).
    void RunMapCheck();
    // Starts the map check in a worker; the findings replace the shown ones when it ends,
    // unless the map set changed meanwhile (a fresh check starts then).
    void StartMapCheck();
    void surfaceAfterSpriteRender(TObject* Sender, TCanvas& ACanvas, TDIBCanvas& ADibCanvas);
    void surfaceMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);

    void btnCreateZoneClick();
    void btnDeleteZoneClick();
    void btnReplaceZoneClick();
    void btnCreateSeaZoneClick();
    void lbLandZonesClick();
    void ClearAll1Click();
    void RemoveLast1Click();
    void HighlightNeighbors1Click();
    void AddanonAdjacentNeighbor1Click();
    void FindPathtoDestination1Click();
    // Asks for the selected zone's new name; refused as Create New Zone and a save refuse
    // names.
    void mniRenameZoneClick();
    // The Trace All Zones dialog; OK makes every zone it traced as one step of the history.
    void mniTraceAllClick();
    void Button4Click();

    void btnAddBitmapClick();
    void btnRemoveBitmapClick();
    void btnAddElementClick();
    void btnRemoveElementClick();
    void mniMendBordersClick();
    // The split border of the two zones a map-check finding names, if they are still
    // those zones.
    void MendBorder(const TZoneRef& Zone1, const TZoneRef& Zone2);
    void btnAddPictureClick();

    // --- Routines ----------------------------------------------------------------------
    void RebuildNeighbors();
    // Rebuilds the neighbours, writes FFileName, confirms; true when the file was saved.
    bool SaveCurrentFile();
    TZone* ZoneAt(int32_t X, int32_t Y) const;
    void SelectZone(TZone* Zone) override;

    // Offers the newest recovery copy an earlier run left ("Recover" or "Discard").
    void OfferRecovery();
    // The copy of the unsaved changes that a crash would leave.
    TRecoveryCopy* Recovery() const { return FRecovery; }

    // Opens a map set given on the command line: a missing or unreadable file gives the
    // usual message and leaves the window empty.
    void OpenAtStart(const std::string& FileName);
    // The program's directory: where map sets and bitmaps must lie (the executable's, or
    // the one given on the command line).
    static std::string ProgramDir();
    // The directory part of a path, up to and including its last separator, and the rest.
    static std::string DirectoryOf(const std::string& Path);
    static std::string FileNameOf(const std::string& Path);
    // A chosen file passes when its directory equals the program's, ASCII letters compared
    // without case.
    static bool InProgramDir(const std::string& Path);

    // --- State (read by tests and the tool windows) --------------------------------------
    const std::string& FileName() const { return FFileName; }
    int32_t GridSize() const { return FGridSize; }
    TZone* SelectedZone() const override;
    TPickMode PickMode() const { return FPickMode; }
    TZone* PickSource() const override { return FPickSource; }
    bool NeighborsDirty() const { return FNeighborsDirty; }
    // Unsaved changes to bitmaps, elements, zones or links.
    bool Modified() const;
    TfrmPointsEditor* PointsEditor() const override { return FPointsEditor; }
    // The tool that the map's mouse events go to now.
    TMapTool* ActiveTool() const { return FActiveTool; }
    // The map picture traced for Trace Region, under the settings last chosen.
    TTraceSession* TraceSession() const { return FTraceSession; }
    // The zone attached to a land-zone list entry.
    static TZone* ZoneOf(const QListWidgetItem* Item);
    // The bitmap list's entry of a source bitmap: its name, ": ", width, "x", height.
    static QString BitmapEntryText(const TBitmapEntry& Entry);

    // Renders a frame now, so that a change is on screen without waiting for the
    // animation.
    void RenderNow() override;
    // Selects the zone as a map click does and scrolls it to the middle of the view.
    void SelectAndCenter(TZone* Zone);

    // The open map set: every change to bitmaps, elements, zones and links goes through
    // its history, whose clean state is the saved state.
    TMapDocument& Document() override { return *FDocument; }
    QUndoStack* UndoStack() const;

protected:
    void closeEvent(QCloseEvent* Event) override;
    void showEvent(QShowEvent* Event) override;
    // Regaining the focus looks whether another program changed the open file.
    void changeEvent(QEvent* Event) override;

private:
    // Runs a user's command: errors go to the application's handler, and the map is drawn
    // once when the command ends, not at every step of it.
    void RunCommand(const std::function<void()>& Action);
    // Draws a frame; one asked for while a frame is drawn follows it.
    void RenderFrame();
    void Bind(QAction* Item, void (TfrmMain::*Handler)());
    void Bind(QAbstractButton* Button, void (TfrmMain::*Handler)());
    // Shows nothing: moves a hidden tool window to where it opens (DefaultSize when it has
    // no place yet).
    void PlaceToolWindow(QWidget* Window, QSize DefaultSize);
    void CreateMenus();
    void CreateMapArea();
    void CreateNavigation();
    void CreateMapCheck();
    void ShowFindings(std::vector<TFinding> Findings, int32_t ZoneCount);
    void ShowFindingsCount();
    void CreateTools();
    // The lists, the selection, the pick, the stale flag and the tool windows follow the
    // document.
    void FollowDocument();
    // Registers a tool; Button, when given, is the Mouse Mode control that chooses it.
    TMapTool* AddTool(std::unique_ptr<TMapTool> Tool, QAbstractButton* Button);
    // The tool the pick and the Mouse Mode controls call for becomes the active one.
    void ToolChanged();
    // The pending points as dots: read again only when the memo changes.
    void PendingPointsChanged();
    void CreateControls();
    void CreateBackgroundPage();
    void CreateZonePage();
    void CreateStatusBar();
    void SetStatus(int Panel, const std::string& Text, bool RepaintNow = false);
    void ShowStatusText(const std::string& Text) override;
    void UpdateCaption();
    // Saved or loaded: the history's clean state; a fresh map set or load also forgets the
    // history.
    void MarkSaved(bool ForgetHistory);
    // Asks before unsaved changes are lost; false when the user keeps them (Cancel, or a
    // Save that failed or was cancelled).
    bool MayDiscardChanges();
    // Load of the file: lists emptied and refilled, selection and pick dropped.
    void LoadMapSet(const std::string& Path);
    void FillLists();
    void FillElementList();
    void ClearSelection();
    // The selection and what shows it (points editor, name and kind boxes, list, status
    // bar), without finishing a pick.
    void TakeSelection(TZone* Zone);
    // Undo (Back) or Redo. A moved corner remakes its zones; the selected one among them
    // stays selected, so the points editor shows its corners as they are after the step.
    void StepHistory(bool Back);
    // The land-zone list's highlight and the status bar name the selected zone, or none.
    void ShowSelection(TZone* Zone);
    void ZoneAboutToBeRemoved(TZone* Zone);
    void ZoneRenamed(TZone* Zone);
    // The selected zone for a Zone menu command ("No Zone Selected" and none without one),
    // with the neighbour lists rebuilt first when they are stale and RebuildStale.
    TZone* ZoneForCommand(bool RebuildStale);
    // The pick's tool takes the map's clicks until a zone is selected or Cancel.
    void BeginPick(TZone* Source, TPickMode Mode);
    void EndPick() override;
    void ClearHighlights();
    // Save As: the dialog, then the save under the chosen name. FFileName (and the caption)
    // take the name only when the file was written; false when cancelled or not written.
    bool SaveAs();
    // Each memo line as a point: x lenient, y strict (EConvertError).
    std::vector<TPoint> PendingPoints() const;
    // Create New Zone up to its duplicate test: the zone that the pending points make, or
    // nullptr after the message that says why none can be made. Replaced is left out of
    // the duplicate test.
    std::unique_ptr<TZone> PrepareZone(TZone* Replaced);
    // The rest of Create New Zone: the zone named and made through the history (Parent: as
    // part of a replacement).
    void AddPreparedZone(std::unique_ptr<TZone> Zone, const TZone* Replaced = nullptr,
                         QUndoCommand* Parent = nullptr);
    // The name the next zone gets from the name box and the Land Zone box (Create New
    // Zone's naming step); Replaced is about to go and does not hold its name.
    std::string NextZoneName(const TZone* Replaced);
    void CreateEditMenu();
    void AddLandZoneEntry(TZone* Zone);
    // The bitmap list's entry of the bitmap of that name.
    QListWidgetItem* BitmapEntry(const std::string& Name) const;
    QListWidgetItem* LandZoneEntry(TZone* Zone) const;
    // The plan carried out as one step of the history, and what it did said in the status
    // bar, and in a message when ReportAlways or when pairs were left.
    void ApplyMend(const TBorderMend& Plan, const QString& Caption, bool ReportAlways);

    TfrmPointsEditor* FPointsEditor = nullptr;
    TdlgNewElement* FNewElement = nullptr;
    TdlgGridSize* FGridSizeDialog = nullptr;

    std::string FFileName;
    int32_t FGridSize = 120;
    TZoneSprite* FSelectedSprite = nullptr;
    bool FNeighborsDirty = false;
    TPickMode FPickMode = TPickMode::pmNone;
    TZone* FPickSource = nullptr;
    TMapDocument* FDocument = nullptr;
    TRecoveryCopy* FRecovery = nullptr;
    TTraceSession* FTraceSession = nullptr;
    std::vector<std::unique_ptr<TMapTool>> FTools;
    // The Mouse Mode control of each tool that has one.
    std::vector<std::pair<QAbstractButton*, TMapTool*>> FToolButtons;
    TMapTool* FPickTools[3] = {};
    TMapTool* FActiveTool = nullptr;
    std::vector<TPoint> FPendingDots;
    int FRenderHold = 0;
    bool FRenderPending = false;
    bool FRendering = false;
    // Coalesces the map checks that a burst of changes asks for into one.
    QTimer* FCheckTimer = nullptr;
    TMapCheckRunner* FMapCheck = nullptr;
    bool FShownOnce = false;
    // A middle-button pan: the press in view coordinates and the offsets then.
    bool FPanning = false;
    QPoint FPanFrom;
    QPoint FPanOffset;
    TWindowPlaces* FPlaces = nullptr;

    // The open file as last loaded or saved, to notice another program's writes.
    TDiskWatch FDiskWatch;
    bool FDiskCheckDue = false;
    // Follows the application's return to the front as well as the window's activation.
    void WatchDisk();
    // Once no command or dialog is running: offers to reload a file changed on disk.
    void CheckDiskSoon();
    void OfferReload();
    // Before a save over the open file: asks when another program has changed it; false
    // when the user keeps it.
    bool MayOverwriteDisk();
};
