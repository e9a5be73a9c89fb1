#include "widgets/ElasticPanel.h"

#include <QLineEdit>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>

namespace {

// A panel designed at 200 x 100 holding a control at (10, 20) sized 50 x 30.
struct TElasticFixture {
    TElasticPanel Panel;
    TPanel* Child = new TPanel(nullptr, &Panel);

    TElasticFixture() {
        Panel.SetBounds(0, 0, 200, 100);
        Child->setObjectName("pnlChild");
        Child->SetBounds(10, 20, 50, 30);
        Panel.SetDTWidth(200);
        Panel.SetDTHeight(100);
    }
    QRect Bounds() const { return {Child->Left(), Child->Top(), Child->Width(), Child->Height()}; }
};

struct TScaleCase {
    int Width;
    int Height;
    QRect Expected;
};

} // namespace

TEST(ElasticPanel, ChildrenScaleAgainstTheDesignSizeWithTiesToEven) {
    const TScaleCase steps[] = {
        {300, 150, {15, 30, 75, 45}},
        {200, 100, {10, 20, 50, 30}}, // back to the design size: no drift
        {205, 100, {10, 20, 51, 30}}, // 10.25 -> 10, 51.25 -> 51
        {250, 100, {12, 20, 62, 30}}, // 12.5 -> 12, 62.5 -> 62
        {270, 110, {14, 22, 68, 33}}, // 13.5 -> 14, 67.5 -> 68, 22, 33
        {100, 50, {5, 10, 25, 15}},
    };
    TElasticFixture f;
    f.Panel.AfterLoad();
    for (const TScaleCase& s : steps) {
        SCOPED_TRACE(testing::Message() << s.Width << " x " << s.Height);
        f.Panel.SetBounds(0, 0, s.Width, s.Height);
        EXPECT_EQ(f.Bounds(), s.Expected);
        EXPECT_EQ(f.Child->geometry(), s.Expected);
    }
}

TEST(ElasticPanel, SwitchesAndZeroDesignSizeLeaveAnAxisAlone) {
    TElasticFixture f;
    f.Panel.SetElasticVertical(false);
    f.Panel.AfterLoad();
    f.Panel.SetBounds(0, 0, 300, 150);
    EXPECT_EQ(f.Bounds(), QRect(15, 20, 75, 30));

    TElasticFixture g;
    g.Panel.SetDTWidth(0);
    g.Panel.AfterLoad();
    g.Panel.SetBounds(0, 0, 300, 150);
    EXPECT_EQ(g.Bounds(), QRect(10, 30, 50, 45));
}

TEST(ElasticPanel, HeightsKeptForTagMinusOneAndEditBoxes) {
    TElasticFixture f;
    auto* tagged = new QWidget(&f.Panel);
    tagged->setObjectName("imgTagged");
    tagged->setGeometry(0, 40, 20, 20);
    tagged->setProperty("Tag", -1);
    auto* edit = new QLineEdit(&f.Panel);
    edit->setObjectName("edtName");
    edit->setGeometry(0, 60, 100, 24);
    f.Panel.AfterLoad();

    f.Panel.SetBounds(0, 0, 300, 150);
    EXPECT_EQ(tagged->geometry(), QRect(0, 60, 30, 20));
    EXPECT_EQ(edit->geometry(), QRect(0, 90, 150, 24));
    EXPECT_EQ(f.Bounds(), QRect(15, 30, 75, 45));

    f.Panel.SetResizeEditHeights(true);
    f.Panel.SetBounds(0, 0, 200, 50);
    EXPECT_EQ(edit->geometry(), QRect(0, 30, 100, 12));
    EXPECT_EQ(tagged->geometry(), QRect(0, 20, 20, 20));
}

TEST(ElasticPanel, OnlyRecordedChildrenOfALoadedPanelMove) {
    TElasticFixture unloaded;
    unloaded.Panel.SetBounds(0, 0, 300, 150);
    EXPECT_EQ(unloaded.Bounds(), QRect(10, 20, 50, 30));

    TElasticFixture f;
    f.Panel.AfterLoad();
    ASSERT_EQ(f.Panel.ChildRects().size(), 1u);
    EXPECT_EQ(f.Panel.ChildRects()[0].Name, "pnlChild");
    auto* late = new QWidget(&f.Panel);
    late->setObjectName("lateChild");
    late->setGeometry(5, 5, 10, 10);
    f.Panel.SetBounds(0, 0, 400, 200);
    EXPECT_EQ(late->geometry(), QRect(5, 5, 10, 10));
    EXPECT_EQ(f.Bounds(), QRect(20, 40, 100, 60));
}

TEST(ElasticPanel, DesignerResizeRecordsTheDesignSizeOnly) {
    TElasticFixture f;
    f.Panel.AfterLoad();
    f.Panel.SetDesigning(true);
    f.Panel.SetBounds(0, 0, 300, 120);
    EXPECT_EQ(f.Panel.DTWidth(), 300);
    EXPECT_EQ(f.Panel.DTHeight(), 120);
    EXPECT_EQ(f.Bounds(), QRect(10, 20, 50, 30));
}
