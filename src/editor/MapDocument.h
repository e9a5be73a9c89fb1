#pragma once

#include "mapcheck/Finding.h"
#include "mend/BorderMend.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <QObject>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QUndoCommand;
class QUndoStack;
class TNeighborIndex;

// The open map set as the editor's views and commands see it: the surface's zones, links,
// bitmaps and elements, the undo history with its clean state, and the element list's
// texts. Every change goes through here and is announced, so that the window's lists, its
// selection and pick, the overview and the map check follow it instead of being updated
// wherever a change is made. Nothing here touches a widget; the surface is borrowed (the
// main window owns it).
class TMapDocument : public QObject {
    Q_OBJECT
public:
    explicit TMapDocument(TZoneSpriteSurface* Surface, QObject* Parent = nullptr);
    ~TMapDocument() override;

    TZoneSpriteSurface& Surface() const { return *FSurface; }

    // --- History ---------------------------------------------------------------------
    QUndoStack* UndoStack() const { return FUndoStack; }
    // Runs the command and keeps it in the history; a command whose first run fails is
    // freed and the error passed on.
    void Push(QUndoCommand* Command);
    // Unsaved changes: the history is away from its clean state.
    bool Modified() const;
    // The current state is the saved one; ForgetAll also empties the history.
    void MarkSaved(bool ForgetAll);
    // An empty history; changes not saved stay unsaved.
    void ForgetHistory();

    // --- Whole map set ---------------------------------------------------------------
    // Reads the map-set file into the surface (the open file's name again is a reload).
    // The history is forgotten whether or not the load succeeds; a failed load keeps what
    // was read and passes the error on.
    // The error of a load that stopped at a line names the file and the line first:
    // "PATH:LINE: " and the reader's text.
    void Load(const std::string& Path);
    // The line where the last load stopped, leaving the map set incomplete; 0 when it ended
    // well or failed before reading a line (the file could not be opened).
    int32_t StoppedAtLine() const { return FStoppedAt; }
    // An empty map set, saved as it is (nothing in it to lose), with an empty history.
    void Clear();
    // What the text of the file last loaded or saved shows (lines the reader ignored,
    // Element lines naming no bitmap, ...), read from the file at Path; a load reads them
    // itself, failed or not. Announced with textFindingsChanged.
    void ReadTextFindings(const std::string& Path);
    const std::vector<TFinding>& TextFindings() const { return FTextFindings; }

    // --- Zones and links -------------------------------------------------------------
    // A zone made from its text (points, name, sea flag) as zone Index.
    TZone* InsertZoneAt(int32_t Index, const std::string& Text);
    // Zone Index freed with its links; zoneAboutToBeRemoved comes first.
    void RemoveZoneAt(int32_t Index);
    void InsertLinkAt(int32_t Index, int32_t Zone1, int32_t Zone2);
    void RemoveLinkAt(int32_t Index);
    // Zone Index under another name; its place, points, neighbours and links stay.
    void RenameZone(int32_t Index, const std::string& Name);
    // Zones given new outlines in place (Changes' After, or Before with Undo): each keeps
    // its number, name, kind, links and grid points. Announced as a removal of each old
    // zone and an insertion of its successor, its links taken out before and put back
    // after, as a zone deleted and made again would be.
    void ReplaceZoneOutlines(const std::vector<TZoneOutlineChange>& Changes, bool Undo);
    // Every zone's neighbour list as a full rebuild gives it: after a load in full, after
    // edits only the lists those edits touched. Raises ETooManyNeighbors, lists unchanged.
    void BuildNeighbors();
    // The first zone, in zone order, whose region holds the map point.
    TZone* ZoneAt(int32_t X, int32_t Y) const;
    // The zone text without its neighbours: what makes the same zone again.
    static std::string ZoneDefinition(const TZone* Zone);
    // A zone other than Ignored with the same points in the same order.
    bool HasZoneLike(const TZone& Zone, const TZone* Ignored) const;
    // Word and the lowest number that no zone's name has; Ignored does not count.
    std::string FreeName(const std::string& Word, const TZone* Ignored = nullptr) const;

    // --- Bitmaps and elements --------------------------------------------------------
    // Reads the bitmap file (relative to the surface's bitmap directory) as the last
    // bitmap; an unreadable file raises and adds nothing. Returns its index.
    int32_t AddBitmap(const std::string& Name);
    // An entry taken by TakeBitmapAt back in place.
    void InsertBitmapAt(int32_t Index, TBitmapEntry Entry);
    // Bitmap Index taken with its elements; the remaining elements' texts are made afresh
    // when some went with it.
    TBitmapEntry TakeBitmapAt(int32_t Index);
    // Elements put back in place; Texts, when there is one per place, are their list
    // texts, else each gets ElementText.
    void InsertElementsAt(const std::vector<TZoneSpriteSurface::TElementPlace>& Places,
                          const QStringList& Texts = {});
    void RemoveElementAt(int32_t Index);
    // Where element Index is now: enough to make it again in the same place of both
    // orders.
    TZoneSpriteSurface::TElementPlace ElementPlace(int32_t Index) const;
    // The element list's texts, one per element in element order.
    const QStringList& ElementTexts() const { return FElementTexts; }
    void SetElementTexts(const QStringList& Texts);
    // An element's text as a load lists it: its bitmap name, ": ", x, ",", y.
    QString ElementText(int32_t Index) const;

signals:
    // Announced in this order around a change; changed ends every change.
    void zoneInserted(TZone* Zone);
    void zoneAboutToBeRemoved(TZone* Zone);
    void linksChanged();
    void zoneRenamed(TZone* Zone);
    void bitmapInserted(int32_t Index);
    void bitmapAboutToBeRemoved(int32_t Index);
    void elementsChanged();
    // The neighbour lists no longer match the zones and links, or match them again.
    void neighborsStale();
    void neighborsBuilt();
    // Every reference to a zone goes now: the map set is about to be read afresh.
    void aboutToReset();
    // The map set was read afresh (or as far as a failed load got).
    void reset();
    void changed();
    void textFindingsChanged();

private:
    void RefillElementTexts();
    void ForgetNeighborIndex();

    TZoneSpriteSurface* FSurface;
    QUndoStack* FUndoStack;
    QStringList FElementTexts;
    std::vector<TFinding> FTextFindings;
    // The edge table kept between edits; fed by the zone and link methods above, so that
    // every command is covered. Built on first need after a load.
    std::unique_ptr<TNeighborIndex> FNeighborIndex;
    // Zones the index knows; a change that bypassed this document shows as a mismatch and
    // makes the next build a full one.
    int32_t FIndexedZones = 0;
    int32_t FStoppedAt = 0;
};
