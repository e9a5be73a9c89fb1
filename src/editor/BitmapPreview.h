#pragma once

#include "platform/Application.h"

#include <QWidget>

#include <string>
#include <vector>

class QLabel;

// The pane beside the bitmap open dialog's list: a thumbnail of the selected file, its size
// and its colour depth, read as the map reads bitmaps. A file the map cannot take (not
// 8-bit, unreadable) says why.
class TBitmapPreview : public QWidget {
    Q_OBJECT
public:
    explicit TBitmapPreview(QWidget* Parent = nullptr);

    // The file at Path (bytes as the file system has them); empty or a directory clears it.
    void ShowFile(const std::string& Path);

    QLabel* imgThumbnail = nullptr;
    QLabel* lblSize = nullptr;
    QLabel* lblDepth = nullptr;

    static constexpr int ThumbnailSize = 128;
};

// The editor's open dialog: the toolkit's file dialog, with a TBitmapPreview beside the
// list when Options.Preview asks for one. Installed as the application's open-dialog hook
// by the program (tests script the hook instead).
bool ExecuteOpenDialogWithPreview(const TFileDialogOptions& Options,
                                  std::vector<std::string>& Files);
