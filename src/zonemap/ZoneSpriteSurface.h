#pragma once

#include "graphics/CompressedBitmapSprite.h"
#include "platform/Bitmap.h"
#include "sprites/Velmora.h"
#include "zonemap/Link.h"
#include "zonemap/PointList.h"
#include "zonemap/Zone.h"
#include "zonemap/ZoneSprite.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

class TMapSetBytes;

// Adjacent zones of every zone, as neighbour building computes them (ZoneEdgeTable.h).
struct TAdjacency;
class TZoneEdges;

// Must put into AZone a zone made from the zone text s.
using TCreateZoneEvent = std::function<void(TObject* Sender, TZone*& AZone, const std::string& s)>;
// Must put into ASprite a new sprite for AZone (the zone engine takes ownership).
using TZoneSpriteEvent = std::function<void(TObject* Sender, TZone* AZone, TZoneSprite*& ASprite)>;
using TZoneEvent = std::function<void(TObject* Sender, TZone* AZone)>;
// Zone1 is the zone being expanded, Zone2 its neighbour; the handler stores the step cost.
using TPathEvent = std::function<void(TObject* Sender, TZone* Zone1, TZone* Zone2, int32_t& Cost)>;

// A source bitmap of the map set, by the name it was added or read under.
struct TBitmapEntry {
    std::string Name;
    std::unique_ptr<TCompressedBitmapSpriteFactory> Factory;
    // The bitmap's own 256 colours as read (black beyond its colour table): what the map
    // shows it with is the palette in force, and the checks compare the two.
    std::vector<TRGBQuad> Palette;
};

// A background element: the bitmap name with the sprite, which the background engine owns.
struct TElementEntry {
    std::string Name;
    TCompressedBitmapSprite* Sprite = nullptr;
};

// The sprite surface that holds one map set: source bitmaps, background elements made
// from them (background engine, priority 101), zones drawn by zone sprites (zone engine,
// priority 100) and the links between zones. It reports clicks on zones, builds grid
// points inside zones, finds neighbours and paths, and reads and writes map-set files.
//
// Loading, saving, neighbour building and path search need no visible window; frames are
// rendered into the buffer whether the control is shown or not (an 8-bit surface needs
// its ColorPalette).
class TZoneSpriteSurface : public TSpriteSurface {
    Q_OBJECT
public:
    explicit TZoneSpriteSurface(TComponent* AOwner = nullptr, QWidget* Parent = nullptr);
    ~TZoneSpriteSurface() override;

    // --- Published properties --------------------------------------------------------
    uint16_t ColorIndexLand() const { return FColorIndexLand; }
    void SetColorIndexLand(uint16_t Value) { FColorIndexLand = Value; }
    uint16_t ColorIndexSea() const { return FColorIndexSea; }
    void SetColorIndexSea(uint16_t Value) { FColorIndexSea = Value; }
    int32_t GridMarginTop() const { return FGridMarginTop; }
    void SetGridMarginTop(int32_t Value) {
        BuildDueGridPoints();
        FGridMarginTop = Value;
    }
    int32_t GridWidth() const { return FGridWidth; }
    void SetGridWidth(int32_t Value) {
        BuildDueGridPoints();
        FGridWidth = Value;
    }
    int32_t GridHeight() const { return FGridHeight; }
    void SetGridHeight(int32_t Value) {
        BuildDueGridPoints();
        FGridHeight = Value;
    }
    int32_t PreviewWidth() const { return FPreviewWidth; }
    void SetPreviewWidth(int32_t Value) { FPreviewWidth = Value; }
    int32_t PreviewHeight() const { return FPreviewHeight; }
    void SetPreviewHeight(int32_t Value) { FPreviewHeight = Value; }
    bool ShowBackground() const;
    void SetShowBackground(bool Value);
    bool ShowZones() const;
    void SetShowZones(bool Value);
    // Where bitmap files named by a relative name are opened; empty is the working
    // directory. Absolute names are used as they are.
    const std::string& BitmapDirectory() const { return FBitmapDirectory; }
    void SetBitmapDirectory(const std::string& Value) { FBitmapDirectory = Value; }

    // The last name set. Setting a name loads that map-set file (and the bitmaps it names,
    // each released once compressed unless a preview is asked for), unless its file-name part
    // equals the current one or no file exists there (then nothing changes). The load
    // empties the surface first; a line that cannot be used (a bitmap that cannot be read,
    // an unknown bitmap name, a zone number outside the list, a neighbour number that is
    // not an integer) stops it by raising that error to the caller, and the map set keeps
    // what was added before. MapSetFile then keeps the new name.
    const std::string& MapSetFile() const { return FMapSetFile; }
    void SetMapSetFile(const std::string& Value);
    // Forgets the name, so that the next SetMapSetFile reads its file even when the
    // file-name part is the same (the editor's Load of the open map set is a reload).
    void ForgetMapSetFile() { FMapSetFile.clear(); }
    // 1-based number of the last line the load read (0 before any), to say where a load
    // stopped.
    int32_t LoadLine() const { return FLoadLine; }
    // Checks the zone names (message and false for an unnamed zone, a repeated name, or a
    // name that would break the file), then writes the map set. The file is replaced in
    // one step only once every byte is written: a failure leaves the old file as it was
    // and raises EFCreateError "Cannot create file %s: <reason>" or EStreamError with the
    // write error. A target that exists and is not a regular file (a device, a FIFO) is
    // written directly, never replaced. MapSetFile does not change.
    bool SaveMapSet(const std::string& FileName);
    // The same name checks, then the text SaveMapSet would write, for other destinations.
    bool CheckedMapSetText(std::string& Text);

    TCreateZoneEvent OnCreateZone;
    // Called by a load with the file's bytes once they are read, before the surface is
    // emptied, for work on the same text beside the load.
    std::function<void(std::shared_ptr<const TMapSetBytes> Bytes)> OnMapSetRead;
    TZoneSpriteEvent OnCreateZoneSprite;
    TPathEvent OnPathCost;
    TZoneEvent OnZoneClick;

    // --- Background ------------------------------------------------------------------
    // Opens the bitmap (relative to BitmapDirectory), compresses it into a factory, merges
    // its colours into the palette and rebuilds the buffer, then lists it under FileName.
    // A file that cannot be read raises the reader's error and adds nothing.
    void AddBitmap(const std::string& FileName);
    // Removes the bitmap (name compared ignoring ASCII case) with all its elements; the
    // virtual size stays. Unknown names do nothing.
    void RemoveBitmap(const std::string& FileName);
    const std::vector<TBitmapEntry>& Bitmaps() const { return FBitmaps; }
    // Position in Bitmaps of the first entry with that name ignoring ASCII case, or -1.
    int32_t BitmapIndex(const std::string& Name) const;

    // A sprite of the named bitmap at (X, Y); unknown names do nothing.
    void AddElement(const std::string& BitmapName, int32_t X, int32_t Y);
    // Raises EListError outside 0 .. ElementCount() - 1.
    void RemoveElement(int32_t Index);
    int32_t ElementCount() const { return int32_t(FElementNames.size()); }
    TCompressedBitmapSprite* Element(int32_t Index) const;
    // In placement order; index i here, of Element and of the editor's list are one element.
    const std::vector<TElementEntry>& ElementNames() const { return FElementNames; }
    // The virtual size becomes the extent of the elements; zones do not widen it.
    void UpdateVirtualSize();

    TSpriteEngine& BackgroundEngine() { return *FBackgroundEngine; }
    TSpriteEngine& ZoneEngine() { return *FZoneEngine; }
    // The scaled background drawn by the last load that asked for one.
    const TBitmap& Preview() const { return *FPreview; }

    // --- Zones -----------------------------------------------------------------------
    // The surface owns the zone from now on and gives it its sprite.
    void AddZone(TZone* Zone);
    // Frees Zone with its sprite and links, and drops every reference to it from the
    // other zones' neighbour lists and from the last path at once, so that nothing can
    // reach the freed zone.
    void DeleteZone(TZone* Zone);
    int32_t ZoneCount() const { return int32_t(FZones.size()); }
    // Raises EListError outside 0 .. ZoneCount() - 1.
    TZone* Zone(int32_t Index) const;
    // Exact, case-sensitive; nullptr when no zone has the name.
    TZone* ZoneByName(const std::string& Name) const;

    // Each zone joins the other's neighbour list (no test for duplicates).
    void AddLink(TZone* Zone1, TZone* Zone2);
    int32_t LinkCount() const { return int32_t(FLinks.size()); }
    TLink* Link(int32_t Index) const;

    // Frees every sprite, link, zone and bitmap and empties the element list; the
    // virtual size and MapSetFile stay. The last path goes too, as it named freed zones.
    void Clear();

    // --- Putting back what was taken (the editor's undo) -----------------------------
    // AddZone at Index: the zones from Index on move one place up.
    void InsertZone(int32_t Index, TZone* Zone);
    // Each new zone takes the place of zone Index: its number, its links, its entries in
    // the neighbour lists (its own list too) and in the last path; the surface owns it and
    // gives it a sprite, and the old zone is freed with its sprite. For outlines edited in
    // place, covering the same pixels from the same first point, so the new zone takes the
    // old one's grid points; O(zones + links) for the whole batch. Raises EListError for an
    // Index outside the list, before anything changes.
    void ReplaceZones(const std::vector<std::pair<int32_t, TZone*>>& Replacements);
    // AddLink at Index of the link list.
    void InsertLink(int32_t Index, TZone* Zone1, TZone* Zone2);
    // Removes link Index; each zone leaves the other's neighbour list once, so the lists
    // are stale until the next BuildNeighbors.
    void DeleteLink(int32_t Index);
    // Removes bitmap Index with all its elements and hands its entry over, factory and all.
    TBitmapEntry TakeBitmap(int32_t Index);
    // Puts an entry taken by TakeBitmap back at Index; nothing is read and no colour merged.
    void InsertBitmap(int32_t Index, TBitmapEntry Entry);
    // Elements put back, each as element Index and at once at place DrawnIndex of the
    // background engine's drawing order (-1: admitted with the next frame, as a new one).
    // The places are those the elements had together; names not listed are skipped.
    struct TElementPlace {
        int32_t Index = 0;
        std::string BitmapName;
        int32_t X = 0;
        int32_t Y = 0;
        int32_t DrawnIndex = -1;
    };
    void InsertElements(std::vector<TElementPlace> Places);
    // The element's place in the background engine's drawing order; -1 while it waits to
    // be admitted.
    int32_t ElementDrawnIndex(int32_t Index) const;

    // --- Neighbours and paths --------------------------------------------------------
    // Every zone's neighbours: the zones sharing an edge with it in zone-list order, then
    // its link partners that are not adjacent, in link order, each zone once.
    void BuildNeighbors();
    // The same from the edges of the zone list grouped already (for a caller that needs
    // them for more), with the budget counted as on maps of SmallEdgeTable edges or more.
    void BuildNeighbors(const TZoneEdges& Edges);
    // The cheapest chain of neighbours from Start to Destination, both included (empty
    // when Destination cannot be reached). Step costs come from OnPathCost when it is
    // assigned, else 10 land to land, 1 sea to sea and 1000 between land and sea.
    void FindPath(TZone* Start, TZone* Destination);
    int32_t PathCount() const { return int32_t(FPath.size()); }
    TZone* PathZone(int32_t Index) const;

    // Grid points of every zone, row by row from Point(0).y + GridMarginTop; nothing when
    // GridWidth or GridHeight is not positive. Budgets keep a few bytes of hostile zone
    // text from costing gigabytes or minutes: a zone whose candidates times vertices exceed
    // MaxGridWork (a thousand times what real zones need) gets none, and so does, in list
    // order, every zone that would take the build past MaxGridCandidates grid candidates
    // (at most 64 MiB of points) or MaxGridWorkTotal candidates times vertices in all.
    // A map of 20,000 real zones stays far inside both. Zones refused so are marked
    // (TZone::GridPointsRefused).
    static constexpr int64_t MaxGridWork = int64_t(1) << 26;
    static constexpr int64_t MaxGridCandidates = int64_t(1) << 23;
    static constexpr int64_t MaxGridWorkTotal = int64_t(1) << 28;
    void BuildGridPoints();
    // A load leaves its grid points due: they are built at the first call for them
    // (TZone::GridPoints, TZone::GridPointsRefused), or before the zone list or the grid
    // settings change, so that they come out as a build at the end of the load would make
    // them. Safe to call from a thread reading the map while the window's thread waits.
    void BuildDueGridPoints();
    // Which zones, by position, the grid-point build refuses: those of the last build, or
    // those a build would refuse while one is due, found without building any point.
    std::vector<bool> GridPointRefusals();

    // Largest source bitmap a map set or AddBitmap may open (8192 x 8192), and the most
    // pixels all the source bitmaps of one load may decode together; past either the load
    // stops with EPictureTooLarge (an EInvalidGraphic) naming the file and the limit.
    static constexpr int64_t MaxBitmapPixels = int64_t(1) << 26;
    static constexpr int64_t MaxLoadPixels = int64_t(1) << 29;
    // The most bytes the bitmaps of a map set may hold (compressed runs, their index and
    // each entry of the list), checked before a picture is compressed, by a load and by
    // AddBitmap alike: a noisy picture holds about 4 bytes per pixel once compressed.
    // A file named again on a later Bitmap line of the same load shares what was read
    // from it and costs only its entry.
    static constexpr int64_t MaxBitmapBytes = int64_t(1) << 27;
    // What the bitmap list holds now, as counted against MaxBitmapBytes.
    int64_t BitmapBytes() const;

protected:
    // The base behaviour, then OnZoneClick for the first zone (in list order) whose
    // Bounds (right and bottom outside) and Region hold the point.
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;

    // MakeNeighbors for every link in link order, without a linear search per link.
    void ApplyLinks();

    // Unless AutoBlank has blanked the whole frame: fills what no shown element covers
    // with AutoBlankColorIndex (the map's edges, removed elements, a map smaller than the
    // view), where the previous frame's pixels would otherwise stay.
    void BeforeDrawSprites() override;

private:
    // The rows and columns of grid candidates a zone spans, from Top while below RowEnd.
    void GridRange(const TZone& Z, int64_t& Top, int64_t& RowEnd, int64_t& Rows,
                   int64_t& Columns) const;
    friend class TNeighborIndex; // keeps the lists that BuildNeighbors gives after each edit

    // Each zone's list becomes its adjacent zones (by number), then its link partners.
    void SetNeighbors(const TAdjacency& Adjacent);
    // The zone list as plain pointers, in order, for the neighbour building.
    std::vector<TZone*> ZonePointers() const;
    void Renumber(size_t From);
    void AttachSprite(TZone* Zone);
    std::string BitmapPath(const std::string& FileName) const;
    void LoadLines(std::string_view Text, std::vector<std::shared_ptr<TBitmap>>& Images);
    void DrawElementsInFileOrder();
    void BuildPreview(const std::vector<std::shared_ptr<TBitmap>>& Images);
    // An entry's own cost besides its picture: the name, the factory and their bookkeeping.
    static int64_t BitmapEntryBytes(const std::string& Name);
    static std::string BitmapBytesMessage();
    // A factory holding Image compressed, or EPictureTooLarge naming Path when that would
    // take the bitmaps past MaxBitmapBytes with Held bytes already held.
    std::unique_ptr<TCompressedBitmapSpriteFactory>
    CompressWithinBudget(const TBitmap& Image, const std::string& Path, int64_t Held) const;
    bool CheckNames();
    std::string MapSetText() const;

    std::vector<std::unique_ptr<TZone>> FZones;
    std::vector<std::unique_ptr<TLink>> FLinks;
    std::atomic<bool> FGridPointsDue{false};
    std::mutex FGridPointsLock;
    int32_t FGridHeight = 0;
    int32_t FGridWidth = 0;
    int32_t FGridMarginTop = 0;
    uint16_t FColorIndexLand = 0;
    uint16_t FColorIndexSea = 0;
    std::vector<TZone*> FPath;
    std::deque<TZone*> FOpenList;
    std::string FMapSetFile;
    int32_t FPreviewWidth = 0;
    int32_t FPreviewHeight = 0;
    std::unique_ptr<TSpriteEngine> FBackgroundEngine;
    std::unique_ptr<TSpriteEngine> FZoneEngine;
    std::unique_ptr<TBitmap> FPreview;
    std::vector<TBitmapEntry> FBitmaps;
    std::vector<TElementEntry> FElementNames;
    std::string FBitmapDirectory;
    int32_t FLoadLine = 0;
    int64_t FLoadPixels = 0;
    int64_t FLoadBytes = 0;
};
