#include "editor/PickTools.h"

#include "editor/MapDocument.h"
#include "editor/ZoneCommands.h"
#include "platform/Application.h"

void TAddNeighborTool::ZoneSelected(TZone* Zone) {
    TMapDocument& Document = Host().Document();
    Document.Push(new TAddLinkCommand(&Document, Host().PickSource()->Index(), Zone->Index()));
    ShowMessage("Link Established");
    Host().EndPick();
}

std::string TAddNeighborTool::Prompt() const {
    return "Click the Zone to add as a Neighbor";
}

void TFindPathTool::ZoneSelected(TZone* Zone) {
    TZoneSpriteSurface& Surface = Host().Document().Surface();
    Surface.FindPath(Host().PickSource(), Zone);
    std::string Listed;
    for (int32_t I = 0; I < Surface.PathCount(); ++I) {
        TZone* Step = Surface.PathZone(I);
        if (TZoneSprite* Sprite = Step->Sprite())
            Sprite->SetHighlighted(true);
        Listed += (I ? " > " : "") + Step->Name();
    }
    if (Surface.PathCount() == 0)
        Host().ShowStatusText("No path from " + Host().PickSource()->Name() + " to " +
                              Zone->Name());
    else
        Host().ShowStatusText(
            "Path: " + Listed + " (cost " +
            std::to_string(Surface.PathZone(Surface.PathCount() - 1)->PathCost()) + ")");
    Host().EndPick();
}

std::string TFindPathTool::Prompt() const {
    return "Click the Destination Zone";
}
