#include "editor/MapDocument.h"

#include "editor/MyUtils.h"
#include "platform/Exception.h"
#include "platform/FileOpen.h"
#include "platform/Text.h"
#include "zonemap/LoadStop.h"

#include <QFile>
#include <QUndoStack>

#include <cmath>
#include <memory>
#include <unordered_set>

TMapDocument::TMapDocument(TZoneSpriteSurface* Surface, QObject* Parent)
    : QObject(Parent), FSurface(Surface), FUndoStack(new QUndoStack(this)) {
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

void TMapDocument::Clear() {
    emit aboutToReset();
    FSurface->Clear();
    // A later load of the file that was open reads it again.
    FSurface->ForgetMapSetFile();
    FUndoStack->clear();
    FUndoStack->setClean();
    RefillElementTexts();
    emit reset();
    emit changed();
}

void TMapDocument::Load(const std::string& Path) {
    // Nothing may refer to the zones the load frees.
    emit aboutToReset();
    const auto Finish = [this] {
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
                QFile File;
                const QByteArray Text =
                    OpenRegularFileForReading(Path, File) ? File.readAll() : QByteArray();
                FStoppedAt =
                    FindLoadStop(*FSurface, std::string_view(Text.constData(), size_t(Text.size())),
                                 Message)
                        .Line;
            } catch (...) {
                // Out of memory for a second read: the last line read is near enough.
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
    emit zoneInserted(Zone);
    emit neighborsStale();
    emit changed();
    return Zone;
}

void TMapDocument::RemoveZoneAt(int32_t Index) {
    TZone* Zone = FSurface->Zone(Index);
    emit zoneAboutToBeRemoved(Zone);
    FSurface->DeleteZone(Zone);
    emit neighborsStale();
    emit changed();
}

void TMapDocument::InsertLinkAt(int32_t Index, int32_t Zone1, int32_t Zone2) {
    // Both zones join each other's neighbour lists: the lists stay current.
    FSurface->InsertLink(Index, FSurface->Zone(Zone1), FSurface->Zone(Zone2));
    emit linksChanged();
    emit changed();
}

void TMapDocument::RemoveLinkAt(int32_t Index) {
    FSurface->DeleteLink(Index);
    emit linksChanged();
    emit neighborsStale();
    emit changed();
}

void TMapDocument::BuildNeighbors() {
    FSurface->BuildNeighbors();
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
