#include "platform/Application.h"

#include "platform/Text.h"

#include <QApplication>
#include <QCursor>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

namespace {

// Widgets need a QApplication; a command-line tool or a model test may have none.
bool HaveWidgets() {
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

Qt::CursorShape ShapeOf(TCursor Cursor) {
    switch (Cursor) {
    case TCursor::crHourGlass:
        return Qt::WaitCursor;
    case TCursor::crCross:
        return Qt::CrossCursor;
    case TCursor::crHandPoint:
        return Qt::PointingHandCursor;
    case TCursor::crDefault:
        break;
    }
    return Qt::ArrowCursor;
}

bool IsUserInput(QEvent::Type Type) {
    switch (Type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::NonClientAreaMouseMove:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
        return true;
    default:
        return false;
    }
}

// Input that was posted to the queue, rather than coming from the window system, passes
// ExcludeUserInputEvents; it is held here and queued again once the pump is done, in its
// order.
class TInputHold : public QObject {
public:
    bool eventFilter(QObject* Receiver, QEvent* Event) override {
        if (!IsUserInput(Event->type()))
            return false;
        FHeld.emplace_back(Receiver, std::unique_ptr<QEvent>(Event->clone()));
        return true;
    }
    void Release() {
        for (auto& [receiver, event] : FHeld)
            if (receiver)
                QCoreApplication::postEvent(receiver, event.release());
        FHeld.clear();
    }

private:
    std::vector<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> FHeld;
};

} // namespace

TApplication& Application() {
    static TApplication app;
    return app;
}

void ShowMessage(const std::string& Text) {
    Application().ShowMessage(Text);
}

void TApplication::ProcessMessages() {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return;
    // Frames are drawn in the middle of commands; a click or key handled here would run
    // another command inside this one, with the first one's zone pointers still held.
    TInputHold hold;
    app->installEventFilter(&hold);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    app->removeEventFilter(&hold);
    hold.Release();
}

void TApplication::ShowMessage(const std::string& Text) {
    if (FMessageHook) {
        FMessageHook(FTitle, Text);
        return;
    }
    if (HaveWidgets()) {
        QMessageBox box(QMessageBox::NoIcon, ShownText(FTitle), ShownText(Text), QMessageBox::Ok);
        box.exec();
        return;
    }
    std::fprintf(stderr, "%s\n", Text.c_str());
}

void TApplication::HandleException(const std::exception& E) {
    ShowMessage(E.what());
}

void TApplication::Guarded(const std::function<void()>& Action) {
    try {
        Action();
    } catch (const std::exception& E) {
        HandleException(E);
    }
}

void TApplication::SetCursor(TCursor Value) {
    if (Value == FCursor)
        return;
    const bool wasOverridden = FCursor != TCursor::crDefault;
    FCursor = Value;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    if (wasOverridden)
        QGuiApplication::restoreOverrideCursor();
    if (Value != TCursor::crDefault)
        QGuiApplication::setOverrideCursor(QCursor(ShapeOf(Value)));
}

std::string TApplication::ExeDir() const {
    if (!FExeDir.empty() || !QCoreApplication::instance())
        return FExeDir;
    return FileNameBytes(QCoreApplication::applicationDirPath());
}

bool TApplication::ExecuteOpenDialog(const TFileDialogOptions& Options,
                                     std::vector<std::string>& Files) {
    Files.clear();
    if (FOpenDialogHook)
        return FOpenDialogHook(Options, Files);
    if (!HaveWidgets())
        return false;
    QFileDialog dialog(nullptr, ShownText(Options.Title), QtFileName(Options.InitialDir),
                       ShownText(Options.Filter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(Options.MultiSelect ? QFileDialog::ExistingFiles
                                           : QFileDialog::ExistingFile);
    if (!Options.FileName.empty())
        dialog.selectFile(QtFileName(Options.FileName));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    for (const QString& file : dialog.selectedFiles())
        Files.push_back(FileNameBytes(file));
    return !Files.empty();
}

namespace {

// The default extension after a file name that has none (the directory's dots do not count).
void AddDefaultExtension(std::string& FileName, const std::string& Extension) {
    const size_t Slash = FileName.find_last_of('/');
    const size_t Dot = FileName.find_last_of('.');
    const bool HasOne = Dot != std::string::npos && (Slash == std::string::npos || Dot > Slash);
    if (!Extension.empty() && !FileName.empty() && !HasOne)
        FileName += "." + Extension;
}

} // namespace

bool TApplication::ExecuteSaveDialog(const TFileDialogOptions& Options, std::string& FileName) {
    if (FSaveDialogHook) {
        const bool Confirmed = FSaveDialogHook(Options, FileName);
        if (Confirmed)
            AddDefaultExtension(FileName, Options.DefaultExt);
        return Confirmed;
    }
    if (!HaveWidgets())
        return false;
    QFileDialog dialog(nullptr, ShownText(Options.Title), QtFileName(Options.InitialDir),
                       ShownText(Options.Filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QtFileName(Options.DefaultExt));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !Options.OverwritePrompt);
    if (!Options.FileName.empty())
        dialog.selectFile(QtFileName(Options.FileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    FileName = FileNameBytes(dialog.selectedFiles().first());
    return true;
}

TSaveChangesAnswer TApplication::AskSaveChanges(const std::string& Text) {
    if (FSaveChangesHook)
        return FSaveChangesHook(FTitle, Text);
    if (!HaveWidgets())
        return TSaveChangesAnswer::scCancel;
    QMessageBox box(QMessageBox::Question, ShownText(FTitle), ShownText(Text),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Save:
        return TSaveChangesAnswer::scSave;
    case QMessageBox::Discard:
        return TSaveChangesAnswer::scDiscard;
    default:
        return TSaveChangesAnswer::scCancel;
    }
}

size_t TApplication::AskChoice(const std::string& Text, const std::vector<std::string>& Choices) {
    const size_t Cautious = Choices.empty() ? 0 : Choices.size() - 1;
    if (FChoiceHook)
        return FChoiceHook(FTitle, Text, Choices);
    if (!HaveWidgets() || Choices.empty())
        return Cautious;
    QMessageBox box(QMessageBox::Question, ShownText(FTitle), ShownText(Text),
                    QMessageBox::NoButton);
    std::vector<QAbstractButton*> buttons;
    for (size_t i = 0; i < Choices.size(); ++i)
        buttons.push_back(box.addButton(ShownText(Choices[i]), i == Cautious
                                                                   ? QMessageBox::RejectRole
                                                                   : QMessageBox::AcceptRole));
    box.setDefaultButton(qobject_cast<QPushButton*>(buttons.back()));
    box.setEscapeButton(buttons.back());
    box.exec();
    for (size_t i = 0; i < buttons.size(); ++i)
        if (box.clickedButton() == buttons[i])
            return i;
    return Cautious;
}

TApplication::TChoiceHook TApplication::SetChoiceHook(TChoiceHook Hook) {
    std::swap(FChoiceHook, Hook);
    return Hook;
}

TApplication::TSaveChangesHook TApplication::SetSaveChangesHook(TSaveChangesHook Hook) {
    std::swap(FSaveChangesHook, Hook);
    return Hook;
}

TApplication::TMessageHook TApplication::SetMessageHook(TMessageHook Hook) {
    std::swap(FMessageHook, Hook);
    return Hook;
}

TApplication::TOpenDialogHook TApplication::SetOpenDialogHook(TOpenDialogHook Hook) {
    std::swap(FOpenDialogHook, Hook);
    return Hook;
}

TApplication::TSaveDialogHook TApplication::SetSaveDialogHook(TSaveDialogHook Hook) {
    std::swap(FSaveDialogHook, Hook);
    return Hook;
}
