#pragma once

#include <exception>
#include <functional>
#include <string>
#include <vector>

enum class TCursor { crDefault, crHourGlass, crCross, crHandPoint };

// The answer to "save changes before they are lost?".
enum class TSaveChangesAnswer { scSave, scDiscard, scCancel };

struct TFileDialogOptions {
    std::string Title;
    std::string InitialDir;
    std::string FileName;   // proposed name (save) or first selection
    std::string Filter;     // Qt filter text, e.g. "Map sets (*.mapset)"
    std::string DefaultExt; // without the dot; appended when the name has none
    bool MultiSelect = false;
    bool OverwritePrompt = false;
    bool Preview = false; // show a picture preview beside the list
};

// The application services every part of the program shares: the title, message
// processing, the modal message box, the default error handler, the cursor, the program's
// own directory and the file dialogs. Message boxes and dialogs go through replaceable
// hooks so that tests and command-line tools can script them.
class TApplication {
public:
    // Caption, Text. Must behave as a modal box with one OK button.
    using TMessageHook = std::function<void(const std::string& Caption, const std::string& Text)>;
    // Returns true when the user confirmed; Files receives the chosen paths.
    using TOpenDialogHook =
        std::function<bool(const TFileDialogOptions& Options, std::vector<std::string>& Files)>;
    using TSaveDialogHook =
        std::function<bool(const TFileDialogOptions& Options, std::string& FileName)>;
    using TSaveChangesHook =
        std::function<TSaveChangesAnswer(const std::string& Caption, const std::string& Text)>;
    // Returns the index of the chosen button.
    using TChoiceHook = std::function<size_t(const std::string& Caption, const std::string& Text,
                                             const std::vector<std::string>& Choices)>;

    const std::string& Title() const { return FTitle; }
    void SetTitle(const std::string& Value) { FTitle = Value; }

    // Processes pending window messages until the queue is empty, except user input, which
    // stays queued for the event loop; nothing without a Qt application object.
    void ProcessMessages();

    // A modal box with one OK button and the title as caption.
    void ShowMessage(const std::string& Text);

    // The default error handler: shows the error's message; the program goes on.
    void HandleException(const std::exception& E);

    // Runs Action, sending any error it raises to HandleException. Event handlers entered
    // from Qt use it, since errors must not cross Qt's event loop.
    void Guarded(const std::function<void()>& Action);

    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor Value);

    // The directory of the running program (no trailing separator); tests may replace it.
    std::string ExeDir() const;
    void SetExeDir(const std::string& Value) { FExeDir = Value; }

    bool ExecuteOpenDialog(const TFileDialogOptions& Options, std::vector<std::string>& Files);
    bool ExecuteSaveDialog(const TFileDialogOptions& Options, std::string& FileName);
    // A modal question with Save, Discard and Cancel and the title as caption; closing the
    // box is Cancel.
    TSaveChangesAnswer AskSaveChanges(const std::string& Text);
    // A modal question with one button per choice and the title as caption; returns the
    // index of the chosen one. The last choice is the cautious one: the default button, and
    // the answer when the box is closed or there is no window system.
    size_t AskChoice(const std::string& Text, const std::vector<std::string>& Choices);

    // Each returns the hook it replaces; an empty hook restores the default behaviour.
    TMessageHook SetMessageHook(TMessageHook Hook);
    TOpenDialogHook SetOpenDialogHook(TOpenDialogHook Hook);
    TSaveDialogHook SetSaveDialogHook(TSaveDialogHook Hook);
    TSaveChangesHook SetSaveChangesHook(TSaveChangesHook Hook);
    TChoiceHook SetChoiceHook(TChoiceHook Hook);

private:
    std::string FTitle;
    std::string FExeDir;
    TCursor FCursor = TCursor::crDefault;
    TMessageHook FMessageHook;
    TOpenDialogHook FOpenDialogHook;
    TSaveDialogHook FSaveDialogHook;
    TSaveChangesHook FSaveChangesHook;
    TChoiceHook FChoiceHook;
};

// The one application object of the process.
TApplication& Application();

// Shorthand for Application().ShowMessage.
void ShowMessage(const std::string& Text);
