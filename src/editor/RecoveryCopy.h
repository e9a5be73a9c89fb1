#pragma once

#include <QObject>

#include <functional>
#include <string>

class QTimer;
class TMapDocument;

// While the map set has unsaved changes, a copy of it is written every few minutes beside
// its file (NAME.recovery), or in the program's directory for a map set without a name,
// so that a crash loses minutes and not the session. A save and a clean close remove it;
// the next start offers what an earlier run left.
class TRecoveryCopy : public QObject {
    Q_OBJECT
public:
    static constexpr int DefaultInterval = 3 * 60 * 1000;
    static constexpr const char* Suffix = ".recovery";
    static constexpr const char* UnnamedFile = "Untitled.mapset";

    // FileName gives the open map set's name ("" for none) whenever a copy is written.
    TRecoveryCopy(TMapDocument* Document, std::function<std::string()> FileName,
                  QObject* Parent = nullptr);

    void SetInterval(int Milliseconds);
    // Asked before each timed copy: while it says true the copy waits a little.
    std::function<bool()> Busy;

    // Where the copy of the map set of that name goes.
    static std::string PathFor(const std::string& FileName);
    // The map set's name a copy stands for ("" for one without a name).
    static std::string OriginalOf(const std::string& CopyPath);
    // The newest copy an earlier run left in the program's directory, or "".
    static std::string Leftover();

    // A copy of the map set now, when it has unsaved changes; true when one was written.
    bool WriteNow();
    // The copy goes: the map set was saved, or closed with the user's answer.
    void Remove();
    // A copy from an earlier run, now standing for the open map set's changes.
    void Adopt(const std::string& CopyPath) { FWritten = CopyPath; }

private:
    void Due();

    TMapDocument* FDocument;
    std::function<std::string()> FFileName;
    QTimer* FTimer;
    // The copy last written, which a save under another name must remove as well.
    std::string FWritten;
};
