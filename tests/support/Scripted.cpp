#include "support/Scripted.h"

#include <filesystem>
#include <random>

MessageCapture::MessageCapture() {
    FPrevious =
        Application().SetMessageHook([this](const std::string& Caption, const std::string& Text) {
            FCaptions.push_back(Caption);
            FMessages.push_back(Text);
        });
}

MessageCapture::~MessageCapture() {
    Application().SetMessageHook(FPrevious);
}

void MessageCapture::Clear() {
    FMessages.clear();
    FCaptions.clear();
}

DialogScript::DialogScript() {
    FPreviousOpen = Application().SetOpenDialogHook(
        [this](const TFileDialogOptions& Options, std::vector<std::string>& Files) {
            FShown.push_back(Options);
            if (FOpenAnswers.empty())
                return false;
            Files = FOpenAnswers.front();
            FOpenAnswers.erase(FOpenAnswers.begin());
            return !Files.empty();
        });
    FPreviousSave = Application().SetSaveDialogHook(
        [this](const TFileDialogOptions& Options, std::string& File) {
            FShown.push_back(Options);
            if (FSaveAnswers.empty())
                return false;
            File = FSaveAnswers.front();
            FSaveAnswers.erase(FSaveAnswers.begin());
            return !File.empty();
        });
}

DialogScript::~DialogScript() {
    Application().SetOpenDialogHook(FPreviousOpen);
    Application().SetSaveDialogHook(FPreviousSave);
}

TempDir::TempDir() {
    std::random_device seed;
    std::mt19937_64 random(seed());
    auto base = std::filesystem::temp_directory_path();
    for (;;) {
        auto candidate = base / ("zonewright-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate)) {
            FPath = candidate.string();
            break;
        }
    }
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
}
