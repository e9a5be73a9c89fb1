#pragma once

#include "editor/Editor.h"
#include "editor/MainForm.h"
#include "editor/PointsEditorForm.h"
#include "support/Scripted.h"
#include "zonemap/Fixtures.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

// The editor as it starts, with its program directory in a fresh temporary directory and
// every message box, file dialog and unsaved-changes question scripted.
class EditorTest : public ::testing::Test {
public:
    EditorTest() {
        FPreviousQuestion =
            Application().SetSaveChangesHook([this](const std::string&, const std::string& Text) {
                Questions.push_back(Text);
                if (Answers.empty())
                    return TSaveChangesAnswer::scCancel;
                const TSaveChangesAnswer Answer = Answers.front();
                Answers.erase(Answers.begin());
                return Answer;
            });
        // Other questions: the answer scripted by the button's text, else the cautious one.
        FPreviousChoice =
            Application().SetChoiceHook([this](const std::string&, const std::string& Text,
                                               const std::vector<std::string>& Buttons) -> size_t {
                Choices.push_back(Text);
                std::string Answer;
                if (!ChoiceAnswers.empty()) {
                    Answer = ChoiceAnswers.front();
                    ChoiceAnswers.erase(ChoiceAnswers.begin());
                }
                const auto Found = std::find(Buttons.begin(), Buttons.end(), Answer);
                return Found != Buttons.end() ? size_t(Found - Buttons.begin())
                                              : Buttons.size() - 1;
            });
        Main = CreateForms({Dir.Path(), ""});
    }
    ~EditorTest() override {
        Main.reset();
        Application().SetChoiceHook(FPreviousChoice);
        Application().SetSaveChangesHook(FPreviousQuestion);
        Application().SetExeDir("");
    }

    TZoneSpriteSurface& Surface() { return *Main->surface; }
    TfrmPointsEditor& Points() { return *Main->PointsEditor(); }
    std::vector<std::string> Memo() { return Points().Lines(); }

    // A press and release of the button at map coordinates (the surface reports map
    // coordinates). Sent as events of their own: QTest would take the point (0, 0) for the
    // middle of the widget.
    void ClickMap(int X, int Y, Qt::MouseButton Button = Qt::LeftButton) {
        const QPointF At(X - Surface().OffsetX(), Y - Surface().OffsetY());
        QMouseEvent Press(QEvent::MouseButtonPress, At, Main->surface->mapToGlobal(At), Button,
                          Button, Qt::NoModifier);
        QApplication::sendEvent(Main->surface, &Press);
        QMouseEvent Release(QEvent::MouseButtonRelease, At, Main->surface->mapToGlobal(At), Button,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(Main->surface, &Release);
    }
    // One mouse event at map coordinates as the offsets are now; Held: the buttons down
    // after it.
    void SendMouse(QEvent::Type Type, int X, int Y, Qt::MouseButton Button, Qt::MouseButtons Held) {
        const QPointF At(X - Surface().OffsetX(), Y - Surface().OffsetY());
        QMouseEvent Event(Type, At, Main->surface->mapToGlobal(At), Button, Held, Qt::NoModifier);
        QApplication::sendEvent(Main->surface, &Event);
    }
    // A press at From, moves on the way to To, and the release there.
    void DragMap(QPoint From, QPoint To, Qt::MouseButton Button = Qt::LeftButton) {
        SendMouse(QEvent::MouseButtonPress, From.x(), From.y(), Button, Button);
        for (int Step = 1; Step <= 4; ++Step) {
            const QPoint At = From + (To - From) * Step / 4;
            SendMouse(QEvent::MouseMove, At.x(), At.y(), Qt::NoButton, Button);
        }
        SendMouse(QEvent::MouseButtonRelease, To.x(), To.y(), Button, Qt::NoButton);
    }
    void TypeMemo(const std::vector<std::string>& Lines) { Points().SetLines(Lines); }
    // Draw Points mode, the points clicked, then the zone made with the given kind.
    void MakeZone(const std::vector<std::pair<int, int>>& Corners, bool Land,
                  const std::string& Name = "") {
        Main->rbDrawPoints->setChecked(true);
        for (auto [X, Y] : Corners)
            ClickMap(X, Y);
        Main->cbLandZone->setChecked(Land);
        Main->edtZoneName->setText(QString::fromStdString(Name));
        Main->btnCreateZone->click();
    }
    std::vector<std::string> Entries(QListWidget* List) {
        std::vector<std::string> Result;
        for (int Row = 0; Row < List->count(); ++Row)
            Result.push_back(List->item(Row)->text().toStdString());
        return Result;
    }
    std::vector<std::string> ZoneNames() {
        std::vector<std::string> Result;
        for (int32_t I = 0; I < Surface().ZoneCount(); ++I)
            Result.push_back(Surface().Zone(I)->Name());
        return Result;
    }
    // Runs Action once the next modal dialog is open, then lets the dialog's exec return.
    static void WhenModal(std::function<void(QWidget*)> Action) {
        QTimer::singleShot(0, [Action] {
            QWidget* Dialog = QApplication::activeModalWidget();
            ASSERT_NE(Dialog, nullptr);
            Action(Dialog);
        });
    }

    // Two bitmaps (64 x 48 of index 20 and 32 x 32 of index 40) and a map set of them with
    // two adjacent land zones, a sea zone, and a link.
    std::string WriteMapSet(const std::string& Name = "map.mapset") {
        Fixtures::WriteBitmap(Dir.File("b.bmp"), 64, 48, 20);
        Fixtures::WriteBitmap(Dir.File("a.bmp"), 32, 32, 40);
        Fixtures::WriteFile(Dir.File(Name),
                            "Bitmap=b.bmp\r\nBitmap=a.bmp\r\n"
                            "Element=b.bmp:0,0\r\nElement=a.bmp:64,0\r\nElement=b.bmp:0,48\r\n"
                            "Zone=0,0,40,0,40,40,0,40,;West;0;\r\n"
                            "Zone=40,0,80,0,80,40,40,40,;East;0;\r\n"
                            "Zone=0,60,40,60,40,90,;Bay;1;\r\n"
                            "Link=0,2\r\n");
        return Dir.File(Name);
    }
    void Load(const std::string& Path) {
        Dialogs.AnswerOpen({Path});
        Main->mniLoad->trigger();
    }

    TempDir Dir;
    MessageCapture Messages;
    DialogScript Dialogs;
    std::vector<TSaveChangesAnswer> Answers;
    std::vector<std::string> Questions;
    std::vector<std::string> ChoiceAnswers;
    std::vector<std::string> Choices;
    std::unique_ptr<TfrmMain> Main;

private:
    TApplication::TSaveChangesHook FPreviousQuestion;
    TApplication::TChoiceHook FPreviousChoice;
};
