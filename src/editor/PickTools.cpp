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
    for (int32_t I = 0; I < Surface.PathCount(); ++I)
        if (TZoneSprite* Sprite = Surface.PathZone(I)->Sprite())
            Sprite->SetHighlighted(true);
    Host().EndPick();
}

std::string TFindPathTool::Prompt() const {
    return "Click the Destination Zone";
}
