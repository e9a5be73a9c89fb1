#pragma once

#include "platform/Types.h"

#include <QUndoCommand>

#include <cstdint>
#include <string>
#include <vector>

class TMapDocument;

// A corner moved in every zone that has it, so that borders shared through it stay shared:
// one step of the history. Each zone keeps its place in the zone order, its name, its kind
// and its links.
class TMoveCornerCommand : public QUndoCommand {
public:
    TMoveCornerCommand(TMapDocument* Document, TPoint From, TPoint To);
    void redo() override;
    void undo() override;
    // The zones that have the corner, by position; none makes the command a no-op.
    const std::vector<int32_t>& Zones() const { return FZones; }

private:
    // Zone Index made again from Text, its links put back in their places.
    void Remake(int32_t Index, const std::string& Text);

    TMapDocument* FDocument;
    std::vector<int32_t> FZones;
    std::vector<std::string> FBefore, FAfter;
};
