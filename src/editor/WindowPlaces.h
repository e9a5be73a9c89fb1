#pragma once

#include <QHash>
#include <QObject>
#include <QRect>
#include <QString>

#include <memory>
#include <vector>

class QSettings;
class QWidget;

// Where the main window and its tool windows open. A tool window opens where it was last
// (in this run, or an earlier one when a settings file is given), or else beside the main
// window on the main window's screen, clear of the lists and of the other tool windows.
// Places are kept as each window moves, is resized or hides.
class TWindowPlaces : public QObject {
    Q_OBJECT
public:
    // SettingsFile: the INI file that keeps places between runs; empty keeps them for this
    // run only. Main's own remembered place is taken at once.
    TWindowPlaces(QWidget* Main, const QString& SettingsFile);
    ~TWindowPlaces() override;

    // Follows Tool's moves from now on (keyed by its objectName).
    void Track(QWidget* Tool);
    // Tool moved to where it opens, when it is not on the screen already: its remembered
    // place when that lies fully on a screen, else a free place by Beside with DefaultSize.
    // Lists: the part of the main window a tool must not cover.
    void Open(QWidget* Tool, QSize DefaultSize, const QRect& Lists);

    // The first free place, as a frame rectangle of Size, on the screen area Free: right of
    // Main (top first, below each taken rectangle in turn), left of it, below it, above
    // it. With no room there: over Main's left, clear of Lists where it can, kept on Free.
    static QRect Beside(const QRect& Main, QSize Size, const QRect& Free,
                        const std::vector<QRect>& Taken, const QRect& Lists);

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void Remember(QWidget* Window);
    bool Restore(QWidget* Window);

    QWidget* FMain;
    std::unique_ptr<QSettings> FSettings;
    struct TPlace {
        QRect Rect; // the client area, as geometry() has it
        bool Maximized = false;
    };
    QHash<QString, TPlace> FPlaces;
    std::vector<QWidget*> FTools;
};
