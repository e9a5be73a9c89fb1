#include "editor/MapDocument.h"

#include "editor/MyUtils.h"
#include "mapcheck/FileChecks.h"
#include "platform/Exception.h"
#include "platform/FileOpen.h"
#include "platform/Text.h"
#include "zonemap/LoadStop.h"
#include "zonemap/ZoneEdgeTable.h"

#include <QFile>
#include <QUndoStack>

#include <cmath>
#include <memory>
#include <unordered_set>

TMapDocument::TMapDocument(TZoneSpriteSurface* Surface, QObject* Parent)
    : QObject(Parent), FSurface(Surface), FUndoStack(new QUndoStack(this)),
      FNeighborIndex(std::make_unique<TNeighborIndex>(*Surface)) {
    setObjectName("Document");
    FUndoStack->setObjectName("UndoStack");
    RefillElementTexts();
}

TMapDocument::~TMapDocument() {
    // The history announces its clearing; whoever listens must still find this whole.
    delete FUndoStack;
    FUndoStack = nullptr;
}

void TMapDocument::Push(QUndoCommand* Command) {
    // The stack takes the command only once its first run has returned.
    std::unique_ptr<QUndoCommand> Owned(Command);
    FUndoStack->push(Command);
    Owned.release();
}

bool TMapDocument::Modified() const {
    return !FUndoStack->isClean();
}

void TMapDocument::MarkSaved(bool ForgetAll) {
    if (ForgetAll)
        FUndoStack->clear();
    else
        FUndoStack->setClean();
}

void TMapDocument::ForgetHistory() {
    const bool WasModified = Modified();
    FUndoStack->clear();
    if (WasModified)
        FUndoStack->resetClean();
}

void TMapDocument::ForgetNeighborIndex() {
    FNeighborIndex = std::make_unique<TNeighborIndex>(*FSurface);
    FIndexedZones = 0;
}

void TMapDocument::Clear() {
    emit aboutToReset();
    ForgetNeighborIndex();
    FSurface->Clear();
    // A later load of the file that was open reads it again.
    FSurface->ForgetMapSetFile();
    FUndoStack->clear();
    FUndoStack->setClean();
    RefillElementTexts();
    FTextFindings.clear();
    emit textFindingsChanged();
    emit reset();
    emit changed();
}

void TMapDocument::ReadTextFindings(const std::string& Path) {
    FTextFindings.clear();
    QFile File;
    if (OpenRegularFileForReading(Path, File)) {
        const QByteArray Bytes = File.readAll();
        FTextFindings = CheckMapSetText(std::string_view(Bytes.constData(), size_t(Bytes.size())));
    }
    emit textFindingsChanged();
}

void TMapDocument::Load(const std::string& Path) {
    // Nothing may refer to the zones the load frees.
    emit aboutToReset();
    ForgetNeighborIndex();
    // Nothing of the previous file's text stays, whatever the load gives.
    FTextFindings.clear();
    emit textFindingsChanged();
    // The file's text findings come from the bytes the load reads, worked out on the second
    // core while the surface builds the map.
    TLoadTextCheck Text(*FSurface);
    const auto Finish = [this, &Path, &Text] {
        if (Text.Read()) {
            FTextFindings = Text.TakeFindings();
            emit textFindingsChanged();
        } else {
            ReadTextFindings(Path);
        }
        // The old history must not act on the new map set, not even from a frame drawn
        // while the lists are filled.
        FUndoStack->clear();
        RefillElementTexts();
        emit reset();
        emit changed();
    };
    FStoppedAt = 0;
    try {
        // Loading the open map set again means "back to the saved version".
        FSurface->ForgetMapSetFile();
        FSurface->SetMapSetFile(Path);
    } catch (const std::exception& E) {
        // The reader's text says what; the place is added as the command line gives it.
        std::string Message = E.what();
        // The surface takes the name once the file is read; before that no line was.
        if (FSurface->MapSetFile() == Path && FSurface->LoadLine() > 0) {
            FStoppedAt = FSurface->LoadLine();
            try {
                // A neighbour field fails after the last line; its zone's line is the place.
                FStoppedAt = FindLoadStop(*FSurface, Text.Text(), Message).Line;
            } catch (...) {
                // Out of memory to replay it: the last line read is near enough.
            }
            Message = Path + ":" + std::to_string(FStoppedAt) + ": " + Message;
        }
        Finish();
        if (FStoppedAt == 0)
            throw;
        throw Exception(Message);
    } catch (...) {
        Finish();
        throw;
    }
    Finish();
}

TZone* TMapDocument::InsertZoneAt(int32_t Index, const std::string& Text) {
    auto* Zone = new TZone(FSurface, Text);
    FSurface->InsertZone(Index, Zone);
    if (FNeighborIndex->Built()) {
        FNeighborIndex->ZoneAdded(Zone);
        ++FIndexedZones;
    }
    emit zoneInserted(Zone);
    emit neighborsStale();
    emit changed();
    return Zone;
}

void TMapDocument::RemoveZoneAt(int32_t Index) {
    TZone* Zone = FSurface->Zone(Index);
    emit zoneAboutToBeRemoved(Zone);
    // Before the zone and its links go: the index reads both.
    if (FNeighborIndex->Built()) {
        FNeighborIndex->ZoneDeleting(Zone);
        --FIndexedZones;
    }
    FSurface->DeleteZone(Zone);
    emit neighborsStale();
    emit changed();
}

void TMapDocument::InsertLinkAt(int32_t Index, int32_t Zone1, int32_t Zone2) {
    // Both zones join each other's neighbour lists: the lists stay current.
    FSurface->InsertLink(Index, FSurface->Zone(Zone1), FSurface->Zone(Zone2));
    // A link put back in the middle of the list (an undo) orders the partners as a full
    // rebuild would only once the index recomputes both lists.
    FNeighborIndex->LinkChanged(FSurface->Zone(Zone1), FSurface->Zone(Zone2));
    emit linksChanged();
    emit changed();
}

void TMapDocument::RemoveLinkAt(int32_t Index) {
    const TLink& Link = *FSurface->Link(Index);
    FNeighborIndex->LinkChanged(Link.Zone1, Link.Zone2);
    FSurface->DeleteLink(Index);
    emit linksChanged();
    emit neighborsStale();
    emit changed();
}

void TMapDocument::RenameZone(int32_t Index, const std::string& Name) {
    TZone* Zone = FSurface->Zone(Index);
    Zone->SetName(Name);
    emit zoneRenamed(Zone);
    emit changed();
}

void TMapDocument::ReplaceZoneOutlines(const std::vector<TZoneOutlineChange>& Changes, bool Undo) {
    if (Changes.empty())
        return;
    std::unordered_set<const TZone*> Replaced;
    for (const TZoneOutlineChange& C : Changes)
        Replaced.insert(FSurface->Zone(C.Zone));
    struct TLinkPlace {
        int32_t Index, Zone1, Zone2;
    };
    std::vector<TLinkPlace> Links;
    for (int32_t L = 0; L < FSurface->LinkCount(); ++L) {
        const TLink* Link = FSurface->Link(L);
        if (Replaced.contains(Link->Zone1) || Replaced.contains(Link->Zone2))
            Links.push_back({L, Link->Zone1->Index(), Link->Zone2->Index()});
    }
    // Whoever follows zone by zone must never meet a link to a zone it was told is gone.
    for (auto L = Links.rbegin(); L != Links.rend(); ++L)
        RemoveLinkAt(L->Index);
    // From the last: every zone announced still has the number it had when it was listed.
    const bool Indexed = FNeighborIndex->Built();
    for (auto C = Changes.rbegin(); C != Changes.rend(); ++C) {
        TZone* Zone = FSurface->Zone(C->Zone);
        emit zoneAboutToBeRemoved(Zone);
        if (Indexed)
            FNeighborIndex->ZoneDeleting(Zone);
    }
    const auto Announced = [&] {
        for (const TZoneOutlineChange& C : Changes) {
            TZone* Zone = FSurface->Zone(C.Zone);
            if (Indexed)
                FNeighborIndex->ZoneAdded(Zone);
            emit zoneInserted(Zone);
        }
        for (const TLinkPlace& L : Links)
            InsertLinkAt(L.Index, L.Zone1, L.Zone2);
        emit neighborsStale();
        emit changed();
    };
    try {
        ApplyOutlineChanges(*FSurface, Changes, Undo);
    } catch (...) {
        // Nothing was replaced: the zones announced as going are back as they were.
        Announced();
        throw;
    }
    Announced();
}

void TMapDocument::BuildNeighbors() {
    if (FNeighborIndex->Built() && FIndexedZones == FSurface->ZoneCount()) {
        FNeighborIndex->Update();
    } else {
        // A failed rebuild leaves the index unbuilt: the next try is a full one again.
        ForgetNeighborIndex();
        FNeighborIndex->Rebuild();
        FIndexedZones = FSurface->ZoneCount();
    }
    emit neighborsBuilt();
}

TZone* TMapDocument::ZoneAt(int32_t X, int32_t Y) const {
    for (int32_t I = 0; I < FSurface->ZoneCount(); ++I) {
        TZone* Zone = FSurface->Zone(I);
        const TRect& B = Zone->Bounds();
        if (X < B.Left || X > B.Right || Y < B.Top || Y > B.Bottom)
            continue;
        if (Zone->Region().Contains(X, Y))
            return Zone;
    }
    return nullptr;
}

std::string TMapDocument::ZoneDefinition(const TZone* Zone) {
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

bool TMapDocument::HasZoneLike(const TZone& Zone, const TZone* Ignored) const {
    for (int32_t I = 0; I < FSurface->ZoneCount(); ++I) {
        const TZone* Other = FSurface->Zone(I);
        if (Other == Ignored || Other->PointCount() != Zone.PointCount())
            continue;
        bool Same = true;
        for (int32_t P = 0; Same && P < Zone.PointCount(); ++P)
            Same = PointsEqual(Other->Point(P), Zone.Point(P));
        if (Same)
            return true;
    }
    return false;
}

std::string TMapDocument::FreeName(const std::string& Word, const TZone* Ignored) const {
    std::unordered_set<std::string> Taken;
    for (int32_t I = 0; I < FSurface->ZoneCount(); ++I)
        if (FSurface->Zone(I) != Ignored)
            Taken.insert(FSurface->Zone(I)->Name());
    for (int64_t N = 1;; ++N) {
        std::string Name = Word + std::to_string(N);
        if (!Taken.count(Name))
            return Name;
    }
}

int32_t TMapDocument::AddBitmap(const std::string& Name) {
    FSurface->AddBitmap(Name);
    const int32_t Index = int32_t(FSurface->Bitmaps().size()) - 1;
    emit bitmapInserted(Index);
    emit changed();
    return Index;
}

void TMapDocument::InsertBitmapAt(int32_t Index, TBitmapEntry Entry) {
    FSurface->InsertBitmap(Index, std::move(Entry));
    emit bitmapInserted(Index);
    emit changed();
}

TBitmapEntry TMapDocument::TakeBitmapAt(int32_t Index) {
    emit bitmapAboutToBeRemoved(Index);
    const int32_t Elements = FSurface->ElementCount();
    TBitmapEntry Entry = FSurface->TakeBitmap(Index);
    // Text i must stay element i's.
    if (FSurface->ElementCount() != Elements) {
        RefillElementTexts();
        emit elementsChanged();
    }
    emit changed();
    return Entry;
}

void TMapDocument::InsertElementsAt(const std::vector<TZoneSpriteSurface::TElementPlace>& Places,
                                    const QStringList& Texts) {
    FSurface->InsertElements(Places);
    for (size_t I = 0; I < Places.size(); ++I)
        FElementTexts.insert(Places[I].Index, Texts.size() == qsizetype(Places.size())
                                                  ? Texts[qsizetype(I)]
                                                  : ElementText(Places[I].Index));
    emit elementsChanged();
    emit changed();
}

void TMapDocument::RemoveElementAt(int32_t Index) {
    FSurface->RemoveElement(Index);
    FElementTexts.removeAt(Index);
    emit elementsChanged();
    emit changed();
}

TZoneSpriteSurface::TElementPlace TMapDocument::ElementPlace(int32_t Index) const {
    const TCompressedBitmapSprite* Sprite = FSurface->Element(Index);
    return {Index, FSurface->ElementNames()[size_t(Index)].Name, int32_t(std::trunc(Sprite->X())),
            int32_t(std::trunc(Sprite->Y())), FSurface->ElementDrawnIndex(Index)};
}

void TMapDocument::SetElementTexts(const QStringList& Texts) {
    FElementTexts = Texts;
    emit elementsChanged();
}

QString TMapDocument::ElementText(int32_t Index) const {
    const TCompressedBitmapSprite* Element = FSurface->Element(Index);
    return ShownText(FSurface->ElementNames()[size_t(Index)].Name + ": " +
                     std::to_string(int64_t(std::trunc(Element->X()))) + "," +
                     std::to_string(int64_t(std::trunc(Element->Y()))));
}

void TMapDocument::RefillElementTexts() {
    FElementTexts.clear();
    FElementTexts.reserve(FSurface->ElementCount());
    for (int32_t I = 0; I < FSurface->ElementCount(); ++I)
        FElementTexts << ElementText(I);
}
