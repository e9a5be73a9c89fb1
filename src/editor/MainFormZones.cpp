// Zone editing in the main window: the pending points, creating, deleting and replacing
// zones, the standard sea zone, the selection, the land-zone list, and the Points and Zone
// menus with their two picks.
#include "editor/MainForm.h"

#include "editor/MapDocument.h"
#include "editor/MapTool.h"
#include "editor/MoveCornerCommand.h"
#include "editor/MyUtils.h"
#include "editor/PointsEditorForm.h"
#include "editor/RenameZoneCommand.h"
#include "editor/SortedList.h"
#include "editor/ZoneCommands.h"
#include "platform/Application.h"
#include "platform/Exception.h"
#include "platform/Text.h"
#include "zonemap/StringUtils.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <QCheckBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QUndoStack>

#include <algorithm>

namespace {

std::string PointLine(int64_t X, int64_t Y) {
    return std::to_string(X) + "," + std::to_string(Y);
}

// Decimal digits, with leading spaces and a sign, that TryStrToInt refuses only because
// they do not fit 32 bits.
bool DoesNotFit(std::string_view Text) {
    int32_t Value = 0;
    if (TryStrToInt(Text, Value))
        return false;
    const size_t Start = Text.find_first_not_of(' ');
    if (Start == std::string_view::npos)
        return false;
    Text.remove_prefix(Start);
    if (Text.front() == '+' || Text.front() == '-')
        Text.remove_prefix(1);
    return !Text.empty() && Text.find_first_not_of("0123456789") == std::string_view::npos;
}

// A pending-point line as the zone commands read it: the text before the first comma is x
// (0 when it is no whole number), the rest must be a whole number (EConvertError). A number
// too large for a coordinate is refused instead of becoming 0 or wrapping, naming the line
// (Number counts from 1).
TPoint MemoPoint(const std::string& Line, size_t Number) {
    const size_t Comma = Line.find(',');
    const std::string_view Text(Line);
    if (DoesNotFit(Text.substr(0, Comma)) ||
        (Comma != std::string::npos && DoesNotFit(Text.substr(Comma + 1))))
        throw Exception("Line " + std::to_string(Number) + " of the Points Editor, \"" + Line +
                        "\", holds a number too large for a map coordinate.");
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
    // The listed path goes with its highlight.
    SetStatus(3, "");
    for (int32_t I = 0; I < surface->ZoneCount(); ++I)
        if (TZoneSprite* Sprite = surface->Zone(I)->Sprite())
            Sprite->SetHighlighted(false);
}

void TfrmMain::ClearSelection() {
    FSelectedSprite = nullptr;
    ShowSelection(nullptr);
}

void TfrmMain::ShowSelection(TZone* Zone) {
    // The list's highlight is the selection's, however the zone was chosen; moving it
    // is no click on the list.
    const QSignalBlocker Quiet(lbLandZones);
    QListWidgetItem* Entry = Zone ? LandZoneEntry(Zone) : nullptr;
    lbLandZones->setCurrentItem(Entry);
    if (!Entry)
        lbLandZones->clearSelection();
    lbLandZones->viewport()->update();
    SetStatus(2, Zone ? "Selected Zone: " + Zone->Name() : std::string("Selected Zone:"));
}

void TfrmMain::ZoneAboutToBeRemoved(TZone* Zone) {
    if (!Zone->IsSea())
        delete LandZoneEntry(Zone);
    if (SelectedZone() == Zone)
        ClearSelection();
    if (FPickSource == Zone)
        EndPick();
}

void TfrmMain::EndPick() {
    FPickMode = TPickMode::pmNone;
    FPickSource = nullptr;
    ToolChanged();
}

TZone* TfrmMain::ZoneAt(int32_t X, int32_t Y) const {
    return FDocument->ZoneAt(X, Y);
}

void TfrmMain::surfaceMouseDown(TObject*, TMouseButton Button, TShiftState Shift, int X, int Y) {
    ClearHighlights();
    FActiveTool->MouseDown(Button, Shift, X, Y);
    RenderNow();
}

void TfrmMain::SelectZone(TZone* Zone) {
    TakeSelection(Zone);
    FActiveTool->ZoneSelected(Zone);
    RenderNow();
}

void TfrmMain::TakeSelection(TZone* Zone) {
    FSelectedSprite = Zone->Sprite();
    std::vector<std::string> Lines;
    Lines.reserve(size_t(Zone->PointCount()));
    for (const TPoint& P : Zone->Points())
        Lines.push_back(PointLine(P.X, P.Y));
    FPointsEditor->SetLines(Lines);
    cbLandZone->setChecked(!Zone->IsSea());
    edtZoneName->setText(ShownText(Zone->Name()));
    ShowSelection(Zone);
}

void TfrmMain::StepHistory(bool Back) {
    QUndoStack* Stack = UndoStack();
    const auto* Move =
        dynamic_cast<const TMoveCornerCommand*>(Stack->command(Stack->index() - (Back ? 1 : 0)));
    const int32_t Selected = SelectedZone() ? SelectedZone()->Index() : -1;
    if (Back)
        Stack->undo();
    else
        Stack->redo();
    if (Move && Selected >= 0 && !SelectedZone() && Selected < surface->ZoneCount() &&
        std::find(Move->Zones().begin(), Move->Zones().end(), Selected) != Move->Zones().end())
        TakeSelection(surface->Zone(Selected));
}

std::vector<TPoint> TfrmMain::PendingPoints() const {
    std::vector<TPoint> Points;
    const std::vector<std::string> Lines = FPointsEditor->Lines();
    for (size_t I = 0; I < Lines.size(); ++I)
        Points.push_back(MemoPoint(Lines[I], I + 1));
    return Points;
}

std::string TfrmMain::NextZoneName(const TZone* Replaced) {
    if (!cbLandZone->isChecked())
        return FDocument->FreeName("Sea", Replaced);
    if (edtZoneName->text().isEmpty())
        edtZoneName->setText(ShownText(FDocument->FreeName("Land", Replaced)));
    return TypedText(edtZoneName->text());
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
    if (FDocument->HasZoneLike(*Zone, Replaced)) {
        ShowMessage("A Zone already exists at this location!  If you're using the  Create "
                    "Standard Sea Zone option, try creating the Zone with the seed point a  "
                    "bit more to the right.");
        return nullptr;
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
    auto* Command = new TCreateZoneCommand(FDocument, Index, Text, ShownText(Name), Parent);
    if (!Parent)
        FDocument->Push(Command);
    edtZoneName->clear();
    FPointsEditor->Clear();
}

void TfrmMain::btnCreateZoneClick() {
    if (std::unique_ptr<TZone> Zone = PrepareZone(nullptr))
        AddPreparedZone(std::move(Zone));
}

void TfrmMain::btnDeleteZoneClick() {
    if (TZone* Zone = SelectedZone())
        FDocument->Push(new TDeleteZoneCommand(FDocument, Zone->Index()));
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
    // The links go with the old zone and come back on the new one, each to the same zone
    // and with the new zone on the same side, after the links that stay.
    const int32_t OldIndex = Old->Index();
    struct TKeptLink {
        int32_t Other;
        bool OldFirst;
    };
    std::vector<TKeptLink> Kept;
    int32_t Staying = surface->LinkCount();
    for (int32_t I = 0; I < surface->LinkCount(); ++I) {
        const TLink* Link = surface->Link(I);
        if (Link->Zone1 != Old && Link->Zone2 != Old)
            continue;
        --Staying;
        const TZone* Other = Link->Zone1 == Old ? Link->Zone2 : Link->Zone1;
        if (Other == Old)
            continue;
        const int32_t At = Other->Index();
        Kept.push_back({At > OldIndex ? At - 1 : At, Link->Zone1 == Old});
    }
    auto* Replace = new QUndoCommand("Replace Zone " + ShownText(Old->Name()));
    new TDeleteZoneCommand(FDocument, OldIndex, Replace);
    AddPreparedZone(std::move(Zone), Old, Replace);
    const int32_t NewIndex = surface->ZoneCount() - 1;
    for (const TKeptLink& Link : Kept)
        new TAddLinkCommand(FDocument, Staying++, Link.OldFirst ? NewIndex : Link.Other,
                            Link.OldFirst ? Link.Other : NewIndex, Replace);
    FDocument->Push(Replace);
}

void TfrmMain::btnCreateSeaZoneClick() {
    const std::vector<std::string> Lines = FPointsEditor->Lines();
    if (Lines.empty()) {
        ShowMessage("Click to Create a Point where the Sea Zone should go!");
        return;
    }
    const TPoint Seed = MemoPoint(Lines.front(), 1);
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
    if (RebuildStale && FNeighborsDirty)
        RebuildNeighbors();
    return Zone;
}

void TfrmMain::BeginPick(TZone* Source, TPickMode Mode) {
    FPickSource = Source;
    FPickMode = Mode;
    ToolChanged();
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
        BeginPick(Zone, TPickMode::pmAddNeighbor);
}

void TfrmMain::FindPathtoDestination1Click() {
    if (TZone* Zone = ZoneForCommand(true))
        BeginPick(Zone, TPickMode::pmFindPath);
}

void TfrmMain::Button4Click() {
    FPickMode = TPickMode::pmNone;
    ToolChanged();
}

void TfrmMain::ZoneRenamed(TZone* Zone) {
    if (!Zone->IsSea()) {
        delete LandZoneEntry(Zone);
        AddLandZoneEntry(Zone);
    }
    if (SelectedZone() == Zone) {
        edtZoneName->setText(ShownText(Zone->Name()));
        ShowSelection(Zone);
    }
}

void TfrmMain::mniRenameZoneClick() {
    TZone* Zone = ZoneForCommand(false);
    if (!Zone)
        return;
    QInputDialog Dialog(this);
    Dialog.setObjectName("dlgRenameZone");
    Dialog.setWindowTitle("Rename Zone");
    Dialog.setLabelText("New name of " + ShownText(Zone->Name()) + ":");
    Dialog.setTextValue(ShownText(Zone->Name()));
    if (Dialog.exec() != QDialog::Accepted)
        return;
    const std::string Name = TypedText(Dialog.textValue());
    if (Name == Zone->Name())
        return;
    if (Name.empty()) {
        ShowMessage("Zone " + std::to_string(Zone->Index()) + " does not have a name");
        return;
    }
    if (Name.find_first_of(";\r\n") != std::string::npos) {
        ShowMessage("A Zone name must not contain \";\" or a line break.");
        return;
    }
    if (FDocument->Surface().ZoneByName(Name)) {
        ShowMessage("Zones have the same name: " + Name);
        return;
    }
    FDocument->Push(new TRenameZoneCommand(FDocument, Zone->Index(), Name));
}
