// Zone editing in the main window: the mouse on the map, the pending points, creating,
// deleting and replacing zones, the standard sea zone, the selection, the land-zone list,
// and the Points and Zone menus with their two picks.
#include "editor/MainForm.h"

#include "editor/MyUtils.h"
#include "editor/PointsEditorForm.h"
#include "editor/SortedList.h"
#include "editor/UndoCommands.h"
#include "platform/Application.h"
#include "platform/Text.h"
#include "zonemap/StringUtils.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTabWidget>
#include <QUndoStack>

#include <cstdlib>
#include <limits>
#include <unordered_set>

namespace {

std::string PointLine(int64_t X, int64_t Y) {
    return std::to_string(X) + "," + std::to_string(Y);
}

// A pending-point line as the zone commands read it: the text before the first comma is x
// (0 when it is no whole number), the rest must be a whole number (EConvertError).
TPoint MemoPoint(const std::string& Line) {
    std::string Rest = Line;
    const int32_t X = SplitOffInt(Rest, ',');
    return {X, StrToInt(Rest)};
}

// The coordinate part of a zone text: "x,y," for each point.
std::string CoordinateText(const std::vector<TPoint>& Points) {
    std::string Text;
    for (const TPoint& P : Points)
        Text += PointLine(P.X, P.Y) + ",";
    return Text;
}

} // namespace

TZone* TfrmMain::SelectedZone() const {
    return FSelectedSprite ? FSelectedSprite->Zone() : nullptr;
}

TZone* TfrmMain::ZoneOf(const QListWidgetItem* Item) {
    return Item ? reinterpret_cast<TZone*>(Item->data(Qt::UserRole).value<quintptr>()) : nullptr;
}

QListWidgetItem* TfrmMain::LandZoneEntry(TZone* Zone) const {
    // Names may repeat: the entry is the one the zone is attached to.
    for (int Row = 0; Row < lbLandZones->count(); ++Row)
        if (ZoneOf(lbLandZones->item(Row)) == Zone)
            return lbLandZones->item(Row);
    return nullptr;
}

void TfrmMain::AddLandZoneEntry(TZone* Zone) {
    SortedList::Insert(lbLandZones, ShownText(Zone->Name()),
                       QVariant::fromValue(reinterpret_cast<quintptr>(Zone)));
}

void TfrmMain::ClearHighlights() {
    for (int32_t I = 0; I < surface->ZoneCount(); ++I)
        if (TZoneSprite* Sprite = surface->Zone(I)->Sprite())
            Sprite->SetHighlighted(false);
}

void TfrmMain::ClearSelection() {
    FSelectedSprite = nullptr;
}

void TfrmMain::EndPick() {
    FPickMode = TPickMode::pmNone;
    FPickSource = nullptr;
    pageMain->show();
}

TZone* TfrmMain::ZoneAt(int32_t X, int32_t Y) const {
    for (int32_t I = 0; I < surface->ZoneCount(); ++I) {
        TZone* Zone = surface->Zone(I);
        const TRect& B = Zone->Bounds();
        if (X < B.Left || X > B.Right || Y < B.Top || Y > B.Bottom)
            continue;
        if (Zone->Region().Contains(X, Y))
            return Zone;
    }
    return nullptr;
}

void TfrmMain::surfaceMouseDown(TObject*, TMouseButton Button, TShiftState, int X, int Y) {
    ClearHighlights();
    if (rbDrawPoints->isChecked() && FPickMode == TPickMode::pmNone) {
        if (Button == TMouseButton::mbRight) {
            // The nearest corner of any zone, so that neighbours share corners exactly;
            // the first of equal candidates wins.
            const TPoint* Best = nullptr;
            int64_t BestDistance = std::numeric_limits<int64_t>::max();
            for (int32_t I = 0; I < surface->ZoneCount(); ++I)
                for (const TPoint& P : surface->Zone(I)->Points()) {
                    const int64_t Distance =
                        std::llabs(int64_t(P.X) - X) + std::llabs(int64_t(P.Y) - Y);
                    if (Distance < BestDistance) {
                        BestDistance = Distance;
                        Best = &P;
                    }
                }
            if (Best)
                FPointsEditor->AddLine(PointLine(Best->X, Best->Y));
        } else
            FPointsEditor->AddLine(PointLine(X / 5 * 5, Y / 5 * 5));
    } else if (TZone* Zone = ZoneAt(X, Y))
        SelectZone(Zone);
    RenderNow();
}

void TfrmMain::SelectZone(TZone* Zone) {
    FSelectedSprite = Zone->Sprite();
    std::vector<std::string> Lines;
    Lines.reserve(size_t(Zone->PointCount()));
    for (const TPoint& P : Zone->Points())
        Lines.push_back(PointLine(P.X, P.Y));
    FPointsEditor->SetLines(Lines);
    cbLandZone->setChecked(!Zone->IsSea());
    edtZoneName->setText(ShownText(Zone->Name()));
    SetStatus(2, "Selected Zone: " + Zone->Name());

    const TPickMode Mode = FPickMode;
    TZone* Source = FPickSource;
    if (Mode == TPickMode::pmAddNeighbor) {
        FUndoStack->push(new TAddLinkCommand(this, Source->Index(), Zone->Index()));
        ShowMessage("Link Established");
        EndPick();
    } else if (Mode == TPickMode::pmFindPath) {
        surface->FindPath(Source, Zone);
        for (int32_t I = 0; I < surface->PathCount(); ++I)
            if (TZoneSprite* Sprite = surface->PathZone(I)->Sprite())
                Sprite->SetHighlighted(true);
        EndPick();
    }
    RenderNow();
}

std::vector<TPoint> TfrmMain::PendingPoints() const {
    std::vector<TPoint> Points;
    for (const std::string& Line : FPointsEditor->Lines())
        Points.push_back(MemoPoint(Line));
    return Points;
}

std::string TfrmMain::FreeName(const std::string& Word, const TZone* Ignored) const {
    std::unordered_set<std::string> Taken;
    for (int32_t I = 0; I < surface->ZoneCount(); ++I)
        if (surface->Zone(I) != Ignored)
            Taken.insert(surface->Zone(I)->Name());
    for (int64_t N = 1;; ++N) {
        std::string Name = Word + std::to_string(N);
        if (!Taken.count(Name))
            return Name;
    }
}

std::string TfrmMain::NextZoneName(const TZone* Replaced) {
    if (!cbLandZone->isChecked())
        return FreeName("Sea", Replaced);
    if (edtZoneName->text().isEmpty())
        edtZoneName->setText(ShownText(FreeName("Land", Replaced)));
    return TypedText(edtZoneName->text());
}

std::string TfrmMain::ZoneDefinition(const TZone* Zone) {
    // Points, name and sea flag: everything up to the third field separator.
    const std::string Text = Zone->ZoneText();
    size_t At = 0;
    for (int Field = 0; Field < 3; ++Field) {
        At = Text.find(';', At);
        if (At == std::string::npos)
            return Text;
        ++At;
    }
    return Text.substr(0, At);
}

TZone* TfrmMain::InsertZoneAt(int32_t Index, const std::string& Text) {
    auto* Zone = new TZone(surface, Text);
    surface->InsertZone(Index, Zone);
    if (!Zone->IsSea())
        AddLandZoneEntry(Zone);
    FNeighborsDirty = true;
    MapChanged();
    RenderNow();
    return Zone;
}

void TfrmMain::RemoveZoneAt(int32_t Index) {
    TZone* Zone = surface->Zone(Index);
    if (!Zone->IsSea())
        delete LandZoneEntry(Zone);
    if (SelectedZone() == Zone)
        FSelectedSprite = nullptr;
    if (FPickSource == Zone)
        EndPick();
    surface->DeleteZone(Zone);
    FNeighborsDirty = true;
    MapChanged();
    RenderNow();
}

void TfrmMain::InsertLinkAt(int32_t Index, int32_t Zone1, int32_t Zone2) {
    surface->InsertLink(Index, surface->Zone(Zone1), surface->Zone(Zone2));
    MapChanged();
}

void TfrmMain::RemoveLinkAt(int32_t Index) {
    surface->DeleteLink(Index);
    FNeighborsDirty = true;
    MapChanged();
}

std::unique_ptr<TZone> TfrmMain::PrepareZone(TZone* Replaced) {
    if (FPointsEditor->LineCount() < 3) {
        ShowMessage("First draw at least 3 dots to define the Zone.");
        return nullptr;
    }
    if (cbLandZone->isChecked()) {
        // The name is a field of the zone's line in the file: these would break it.
        const std::string Typed = TypedText(edtZoneName->text());
        if (Typed.find_first_of(";\r\n") != std::string::npos) {
            ShowMessage("A Zone name must not contain \";\" or a line break.");
            return nullptr;
        }
    }
    auto Zone = std::make_unique<TZone>(surface, CoordinateText(PendingPoints()));
    for (int32_t I = 0; I < surface->ZoneCount(); ++I) {
        const TZone* Other = surface->Zone(I);
        if (Other == Replaced || Other->PointCount() != Zone->PointCount())
            continue;
        bool Same = true;
        for (int32_t P = 0; Same && P < Zone->PointCount(); ++P)
            Same = PointsEqual(Other->Point(P), Zone->Point(P));
        if (Same) {
            ShowMessage("A Zone already exists at this location!  If you're using the  Create "
                        "Standard Sea Zone option, try creating the Zone with the seed point a  "
                        "bit more to the right.");
            return nullptr;
        }
    }
    return Zone;
}

void TfrmMain::AddPreparedZone(std::unique_ptr<TZone> Prepared, const TZone* Replaced,
                               QUndoCommand* Parent) {
    const std::string Name = NextZoneName(Replaced);
    const std::string Text = CoordinateText(Prepared->Points()) + ";" + Name + ";" +
                             (cbLandZone->isChecked() ? "0" : "1") + ";";
    // A replacement deletes first, so the new zone takes the last place of one zone fewer.
    const int32_t Index = surface->ZoneCount() - (Replaced ? 1 : 0);
    auto* Command = new TCreateZoneCommand(this, Index, Text, ShownText(Name), Parent);
    if (!Parent)
        FUndoStack->push(Command);
    edtZoneName->clear();
    FPointsEditor->Clear();
}

void TfrmMain::btnCreateZoneClick() {
    if (std::unique_ptr<TZone> Zone = PrepareZone(nullptr))
        AddPreparedZone(std::move(Zone));
}

void TfrmMain::btnDeleteZoneClick() {
    if (TZone* Zone = SelectedZone())
        FUndoStack->push(new TDeleteZoneCommand(this, Zone->Index()));
}

void TfrmMain::btnReplaceZoneClick() {
    TZone* Old = SelectedZone();
    // The new zone is tested before the old one goes, so a replacement that cannot be made
    // loses nothing. The old zone itself is no duplicate: it is the one being replaced.
    std::unique_ptr<TZone> Zone = PrepareZone(Old);
    if (!Zone)
        return;
    if (!Old) {
        AddPreparedZone(std::move(Zone));
        return;
    }
    auto* Replace = new QUndoCommand("Replace Zone " + ShownText(Old->Name()));
    new TDeleteZoneCommand(this, Old->Index(), Replace);
    AddPreparedZone(std::move(Zone), Old, Replace);
    FUndoStack->push(Replace);
}

void TfrmMain::btnCreateSeaZoneClick() {
    const std::vector<std::string> Lines = FPointsEditor->Lines();
    if (Lines.empty()) {
        ShowMessage("Click to Create a Point where the Sea Zone should go!");
        return;
    }
    const TPoint Seed = MemoPoint(Lines.front());
    const int64_t S = FGridSize;
    const int64_t Row = Seed.Y / S;
    const int64_t Col = Seed.X / S;
    const int64_t Top = Row * S;
    int64_t Left = Col * S;
    if (Row % 2 == 1)
        Left += S / 2;
    FPointsEditor->SetLines({PointLine(Left, Top), PointLine(Left + S / 2, Top),
                             PointLine(Left + S, Top), PointLine(Left + S, Top + S),
                             PointLine(Left + S / 2, Top + S), PointLine(Left, Top + S)});
    btnCreateZoneClick();
}

void TfrmMain::lbLandZonesClick() {
    if (FSelectedSprite)
        FSelectedSprite->SetHighlighted(false);
    QListWidgetItem* Item = lbLandZones->currentItem();
    if (Item && Item->isSelected())
        if (TZone* Zone = ZoneOf(Item))
            SelectZone(Zone);
}

void TfrmMain::ClearAll1Click() {
    FPointsEditor->Clear();
}

void TfrmMain::RemoveLast1Click() {
    FPointsEditor->RemoveLast();
}

TZone* TfrmMain::ZoneForCommand(bool RebuildStale) {
    TZone* Zone = SelectedZone();
    if (!Zone) {
        ShowMessage("No Zone Selected");
        return nullptr;
    }
    if (RebuildStale && FNeighborsDirty) {
        RebuildNeighbors();
        FNeighborsDirty = false;
    }
    return Zone;
}

void TfrmMain::BeginPick(TZone* Source, TPickMode Mode, const std::string& Prompt) {
    pnlControls->SetCaption(Prompt);
    pageMain->hide();
    FPickSource = Source;
    FPickMode = Mode;
}

void TfrmMain::HighlightNeighbors1Click() {
    TZone* Zone = ZoneForCommand(true);
    if (!Zone)
        return;
    FSelectedSprite->SetHighlighted(false);
    for (int32_t I = 0; I < Zone->NeighborCount(); ++I)
        if (TZoneSprite* Sprite = Zone->Neighbor(I)->Sprite())
            Sprite->SetHighlighted(true);
    RenderNow();
}

void TfrmMain::AddanonAdjacentNeighbor1Click() {
    if (TZone* Zone = ZoneForCommand(false))
        BeginPick(Zone, TPickMode::pmAddNeighbor, "Click the Zone to add as a Neighbor");
}

void TfrmMain::FindPathtoDestination1Click() {
    if (TZone* Zone = ZoneForCommand(true))
        BeginPick(Zone, TPickMode::pmFindPath, "Click the Destination Zone");
}

void TfrmMain::Button4Click() {
    FPickMode = TPickMode::pmNone;
    pageMain->show();
}
