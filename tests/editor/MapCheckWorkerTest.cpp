// Work that follows edits without redoing the whole map: the neighbour lists kept by the
// document between edits, and the map check that runs beside the window.
#include "editor/MapDocument.h"
#include "editor/ZoneCommands.h"
#include "support/Scripted.h"
#include "zonemap/Fixtures.h"

#include <QUndoStack>
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using TLists = std::vector<std::vector<int32_t>>;

TLists NeighborLists(TZoneSpriteSurface& Surface) {
    TLists Lists;
    for (int32_t I = 0; I < Surface.ZoneCount(); ++I) {
        Lists.emplace_back();
        for (const TZone* N : Surface.Zone(I)->Neighbors())
            Lists.back().push_back(N->Index());
    }
    return Lists;
}

// Cell (C, R) of a 6 x 4 grid of 40-px squares; odd cells split their top side with an
// extra point, so that some borders overlap without a shared edge.
std::string CellText(int C, int R, int Serial) {
    const int X = C * 40, Y = R * 40;
    std::string Text = std::to_string(X) + "," + std::to_string(Y) + ",";
    if ((C + R) % 2 == 1)
        Text += std::to_string(X + 20) + "," + std::to_string(Y) + ",";
    for (auto [PX, PY] : {std::pair{X + 40, Y}, {X + 40, Y + 40}, {X, Y + 40}})
        Text += std::to_string(PX) + "," + std::to_string(PY) + ",";
    return Text + ";Z" + std::to_string(Serial) + ";0;";
}

} // namespace

TEST(NeighborIndexInTheDocument, ListsAfterEditsUndoAndRedoEqualAFullRebuild) {
    MessageCapture Messages;
    for (const unsigned Seed : {1u, 7u, 2026u}) {
        Fixtures::SurfaceWithPalette S;
        TMapDocument Document(&S.Surface);
        std::mt19937 Random(Seed);
        const auto Pick = [&](int N) { return int(Random() % unsigned(N)); };
        int Serial = 0;
        for (int Step = 0; Step < 160; ++Step) {
            const int Zones = S.Surface.ZoneCount();
            switch (Pick(6)) {
            case 0:
            case 1:
                Document.Push(new TCreateZoneCommand(&Document, Pick(Zones + 1),
                                                     CellText(Pick(6), Pick(4), ++Serial), "Z"));
                break;
            case 2:
                if (Zones > 0)
                    Document.Push(new TDeleteZoneCommand(&Document, Pick(Zones)));
                break;
            case 3:
                if (Zones > 1)
                    Document.Push(new TAddLinkCommand(&Document, Pick(Zones), Pick(Zones)));
                break;
            case 4:
                Document.UndoStack()->undo();
                break;
            case 5:
                Document.UndoStack()->redo();
                break;
            }
            // Several edits between builds as well as one.
            if (Pick(3) != 0)
                continue;
            Document.BuildNeighbors();
            const TLists Kept = NeighborLists(S.Surface);
            S.Surface.BuildNeighbors();
            ASSERT_EQ(Kept, NeighborLists(S.Surface)) << "seed " << Seed << ", step " << Step;
        }
        // Back to the start and forward again, in one go each.
        while (Document.UndoStack()->canUndo())
            Document.UndoStack()->undo();
        Document.BuildNeighbors();
        EXPECT_EQ(S.Surface.ZoneCount(), 0);
        while (Document.UndoStack()->canRedo())
            Document.UndoStack()->redo();
        Document.BuildNeighbors();
        const TLists Kept = NeighborLists(S.Surface);
        S.Surface.BuildNeighbors();
        EXPECT_EQ(Kept, NeighborLists(S.Surface)) << "seed " << Seed;
    }
}
