#include "editor/GoToZoneDialog.h"

#include <QCompleter>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::vector<std::string> Names = {
    "Land1",        // 0
    "land1x",       // 1
    "North Sea",    // 2
    "\xC3\x84rger", // 3 "Ärger" in UTF-8
    "\xE9t\xE9",    // 4 "été" in Latin-1 bytes, not UTF-8
    "Twin",         // 5
    "TWIN",         // 6
    "Dup",          // 7
    "Dup",          // 8
};

TEST(GoToZoneTest, ExactNameWinsElseTheOneNameEqualIgnoringCase) {
    struct Case {
        QString Typed;
        int Index;
    } cases[] = {
        {"Land1", 0},
        {"LAND1", 0},
        {"north sea", 2},
        {QString::fromUtf8("\xC3\xA4RGER"), 3},
        {QString::fromUtf8("\xC3\xA9t\xC3\xA9"), 4},
        {"Twin", 5},
        {"TWIN", 6},
        {"twin", -1}, // two zones, neither typed exactly
        {"dup", 7},   // one name twice is one choice
        {"Land", -1}, // a part of a name is not a name
        {"", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TGoToZoneDialog::Match(Names, c.Typed), c.Index) << c.Typed.toStdString();
}

TEST(GoToZoneTest, OkAcceptsOnlyANameOfTheMap) {
    TGoToZoneDialog dialog;
    dialog.SetNames(Names);
    dialog.show();
    auto* edit = dialog.findChild<QLineEdit*>("edtZoneName");
    auto* ok = dialog.findChild<QPushButton*>("btnOK");
    ASSERT_TRUE(edit && ok);

    // Completion over every name, in any case, from any word.
    edit->completer()->setCompletionPrefix("sea");
    EXPECT_EQ(edit->completer()->completionCount(), 1);
    edit->completer()->setCompletionPrefix("LAND");
    EXPECT_EQ(edit->completer()->completionCount(), 2);

    QTest::keyClicks(edit, "Nowhere");
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(dialog.findChild<QLabel*>("lblProblem")->isVisible());
    EXPECT_EQ(dialog.ChosenIndex(), -1);

    edit->clear();
    QTest::keyClicks(edit, "north sea");
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.ChosenIndex(), 2);
    EXPECT_EQ(dialog.ChosenName(), "North Sea");
}

} // namespace
