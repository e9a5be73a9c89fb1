#pragma once

#include "platform/Application.h"

#include <string>
#include <vector>

// Captures every message box shown while it lives, instead of showing it.
class MessageCapture {
public:
    MessageCapture();
    ~MessageCapture();
    MessageCapture(const MessageCapture&) = delete;
    MessageCapture& operator=(const MessageCapture&) = delete;

    const std::vector<std::string>& Messages() const { return FMessages; }
    const std::vector<std::string>& Captions() const { return FCaptions; }
    void Clear();

private:
    std::vector<std::string> FMessages;
    std::vector<std::string> FCaptions;
    TApplication::TMessageHook FPrevious;
};

// Answers the file dialogs shown while it lives: each call takes the next scripted answer
// (an empty list means the user cancelled) and records the options it was shown with.
class DialogScript {
public:
    DialogScript();
    ~DialogScript();
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    void AnswerOpen(std::vector<std::string> Files) { FOpenAnswers.push_back(std::move(Files)); }
    void AnswerSave(std::string File) { FSaveAnswers.push_back(std::move(File)); }
    const std::vector<TFileDialogOptions>& Shown() const { return FShown; }

private:
    std::vector<std::vector<std::string>> FOpenAnswers;
    std::vector<std::string> FSaveAnswers;
    std::vector<TFileDialogOptions> FShown;
    TApplication::TOpenDialogHook FPreviousOpen;
    TApplication::TSaveDialogHook FPreviousSave;
};

// A fresh empty directory under the system's temporary directory, removed with its
// contents when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return FPath; }
    std::string File(const std::string& Name) const { return FPath + "/" + Name; }

private:
    std::string FPath;
};
