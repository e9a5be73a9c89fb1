#pragma once

#include "mend/BorderMend.h"

#include <QString>
#include <QUndoCommand>

#include <vector>

class TMapDocument;

// Split borders mended (all pairs, or one): the planned outlines put in place as one step
// of the history. No point moves, so every zone covers the pixels it covered; an undo
// gives every zone back its outline, and the map set the same bytes.
class TMendBordersCommand : public QUndoCommand {
public:
    // Changes: the plan's, made on the document's zones as they are now.
    TMendBordersCommand(TMapDocument* Document, std::vector<TZoneOutlineChange> Changes,
                        const QString& Text);
    void redo() override;
    void undo() override;

private:
    TMapDocument* FDocument;
    std::vector<TZoneOutlineChange> FChanges;
};
