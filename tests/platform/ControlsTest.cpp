#include "platform/Controls.h"

#include "support/Scripted.h"

#include <QCoreApplication>
#include <QImage>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Records what the control's virtuals were told; rounds widths down to a multiple of 4
// as the sprite surface does.
class TProbe : public TCustomControl {
public:
    std::vector<std::string> Log;
    bool RoundWidth = false;
    using TCustomControl::SetBounds;

protected:
    void ChangeBounds(int ALeft, int ATop, int AWidth, int AHeight) override {
        if (RoundWidth && AWidth > 0)
            AWidth -= AWidth % 4;
        TCustomControl::ChangeBounds(ALeft, ATop, AWidth, AHeight);
    }
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override {
        Log.push_back("down " + Describe(Button, Shift, X, Y));
        TCustomControl::MouseDown(Button, Shift, X, Y);
    }
    void MouseMove(TShiftState Shift, int X, int Y) override {
        Log.push_back("move " + std::to_string(Shift) + " " + std::to_string(X) + "," +
                      std::to_string(Y));
    }
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override {
        Log.push_back("up " + Describe(Button, Shift, X, Y));
        TCustomControl::MouseUp(Button, Shift, X, Y);
    }
    void Click() override {
        Log.push_back("click");
        TCustomControl::Click();
    }
    void DblClick() override {
        Log.push_back("dblclick");
        TCustomControl::DblClick();
    }

private:
    static std::string Describe(TMouseButton Button, TShiftState Shift, int X, int Y) {
        const char* names[] = {"left", "right", "middle"};
        return std::string(names[int(Button)]) + " " + std::to_string(Shift) + " " +
               std::to_string(X) + "," + std::to_string(Y);
    }
};

void Send(QWidget& W, QEvent::Type Type, QPoint P, Qt::MouseButton Button, Qt::MouseButtons Buttons,
          Qt::KeyboardModifiers Mods = Qt::NoModifier) {
    QMouseEvent event(Type, QPointF(P), QPointF(W.mapToGlobal(P)), Button, Buttons, Mods);
    QCoreApplication::sendEvent(&W, &event);
}

QRgb PixelAt(QWidget& W, int X, int Y) {
    return W.grab().toImage().pixel(X, Y);
}

} // namespace

TEST(Controls, MouseEventsCarryClientCoordinatesButtonsAndShiftState) {
    TProbe probe;
    probe.SetBounds(0, 0, 100, 50);
    Send(probe, QEvent::MouseButtonPress, {10, 20}, Qt::LeftButton, Qt::LeftButton,
         Qt::ShiftModifier | Qt::ControlModifier);
    Send(probe, QEvent::MouseMove, {11, 21}, Qt::NoButton, Qt::LeftButton);
    Send(probe, QEvent::MouseButtonRelease, {12, 22}, Qt::LeftButton, Qt::NoButton);
    Send(probe, QEvent::MouseButtonPress, {5, 6}, Qt::RightButton, Qt::RightButton,
         Qt::AltModifier);
    Send(probe, QEvent::MouseButtonRelease, {5, 6}, Qt::RightButton, Qt::NoButton);
    const std::vector<std::string> expected = {
        "down left " + std::to_string(ssShift | ssCtrl | ssLeft) + " 10,20",
        "move " + std::to_string(ssLeft) + " 11,21",
        "up left 0 12,22",
        "click",
        "down right " + std::to_string(ssAlt | ssRight) + " 5,6",
        "up right 0 5,6",
    };
    EXPECT_EQ(probe.Log, expected);
}

TEST(Controls, ClickOnlyForALeftReleaseInsideTheControl) {
    TProbe probe;
    probe.SetBounds(0, 0, 100, 50);
    int clicks = 0;
    probe.OnClick = [&](TObject* Sender) {
        EXPECT_EQ(Sender, &probe);
        ++clicks;
    };
    Send(probe, QEvent::MouseButtonRelease, {99, 49}, Qt::LeftButton, Qt::NoButton);
    Send(probe, QEvent::MouseButtonRelease, {100, 10}, Qt::LeftButton, Qt::NoButton);
    Send(probe, QEvent::MouseButtonRelease, {-1, 10}, Qt::LeftButton, Qt::NoButton);
    Send(probe, QEvent::MouseButtonRelease, {10, 10}, Qt::MiddleButton, Qt::NoButton);
    EXPECT_EQ(clicks, 1);
}

TEST(Controls, DoubleClickReportsDblClickThenAPressWithDouble) {
    TProbe probe;
    probe.SetBounds(0, 0, 100, 50);
    int dbl = 0;
    probe.OnDblClick = [&](TObject*) { ++dbl; };
    Send(probe, QEvent::MouseButtonDblClick, {3, 4}, Qt::LeftButton, Qt::LeftButton);
    ASSERT_EQ(probe.Log.size(), 2u);
    EXPECT_EQ(probe.Log[0], "dblclick");
    EXPECT_EQ(probe.Log[1], "down left " + std::to_string(ssLeft | ssDouble) + " 3,4");
    EXPECT_EQ(dbl, 1);
}

TEST(Controls, ErrorsInHandlersGoToTheDefaultHandler) {
    MessageCapture messages;
    TProbe probe;
    probe.SetBounds(0, 0, 100, 50);
    probe.OnClick = [](TObject*) { throw std::runtime_error("click failed"); };
    Send(probe, QEvent::MouseButtonRelease, {1, 1}, Qt::LeftButton, Qt::NoButton);
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages()[0], "click failed");
}

TEST(Controls, SetBoundsAppliesTheAcceptedBoundsAndResizesOnSizeChangeOnly) {
    TProbe probe;
    probe.RoundWidth = true;
    int resizes = 0;
    probe.OnResize = [&](TObject*) { ++resizes; };
    probe.SetBounds(3, 4, 185, 41);
    EXPECT_EQ(probe.Width(), 184);
    EXPECT_EQ(probe.Height(), 41);
    EXPECT_EQ(probe.Left(), 3);
    EXPECT_EQ(probe.Top(), 4);
    EXPECT_EQ(probe.geometry(), QRect(3, 4, 184, 41));
    EXPECT_EQ(resizes, 1);
    probe.SetBounds(7, 8, 186, 41); // moves; the rounded size stays
    EXPECT_EQ(resizes, 1);
    probe.SetWidth(3);
    EXPECT_EQ(probe.Width(), 0);
    EXPECT_EQ(resizes, 2);
}

TEST(Controls, SizeFromQtIsOnlyStoredSoTheWidgetMayBeWiderThanWidth) {
    TProbe probe;
    probe.RoundWidth = true;
    probe.SetBounds(0, 0, 100, 40);
    probe.show();
    int resizes = 0;
    probe.OnResize = [&](TObject*) { ++resizes; };
    probe.resize(203, 60);
    EXPECT_EQ(probe.width(), 203);
    EXPECT_EQ(probe.Width(), 200);
    EXPECT_EQ(probe.Height(), 60);
    EXPECT_EQ(resizes, 1);
}

TEST(Controls, AResizeHandlerMaySetNewBoundsDuringAResizeFromQt) {
    TProbe probe;
    probe.SetBounds(0, 0, 100, 40);
    probe.show();
    probe.OnResize = [&](TObject*) {
        if (probe.Height() != 30)
            probe.SetHeight(30);
    };
    probe.resize(120, 50);
    EXPECT_EQ(probe.Width(), 120);
    EXPECT_EQ(probe.Height(), 30);
    EXPECT_EQ(probe.height(), 30);
}

TEST(Controls, BasePaintFillsWithColor) {
    TProbe probe;
    probe.SetBounds(0, 0, 20, 10);
    probe.SetColor(RGBColor(10, 200, 30));
    EXPECT_EQ(PixelAt(probe, 5, 5), qRgb(10, 200, 30));
}

TEST(Controls, PanelPaintsBevelAndCentredCaption) {
    TPanel panel;
    panel.SetBounds(0, 0, 80, 30);
    panel.SetColor(clSilver);
    panel.Font().Color = clBlue;
    panel.Font().Name = "Arial";
    panel.SetCaption("Mid");
    const QImage image = panel.grab().toImage();
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255));   // lit edge
    EXPECT_EQ(image.pixel(79, 29), qRgb(128, 128, 128)); // shadow edge
    EXPECT_EQ(image.pixel(3, 15), qRgb(192, 192, 192));  // face
    int left = 80, right = -1;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 80; ++x)
            if (qBlue(image.pixel(x, y)) > 200 && qRed(image.pixel(x, y)) < 100) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    ASSERT_LE(left, right) << "no caption pixels";
    EXPECT_NEAR((left + right) / 2.0, 40.0, 3.0);

    panel.SetBevelOuter(TBevelCut::bvLowered);
    const QImage lowered = panel.grab().toImage();
    EXPECT_EQ(lowered.pixel(0, 0), qRgb(128, 128, 128));
    EXPECT_EQ(lowered.pixel(79, 29), qRgb(255, 255, 255));
}

TEST(Controls, ScrollBarReportsUserActionsWithThePositionScrolledTo) {
    TScrollBar bar(Qt::Horizontal);
    bar.SetMin(0);
    bar.SetMax(100);
    bar.setSingleStep(1);
    bar.setPageStep(10);
    std::vector<std::pair<TScrollCode, int>> calls;
    bar.OnScroll = [&](TObject* Sender, TScrollCode Code, int& Pos) {
        EXPECT_EQ(Sender, &bar);
        calls.emplace_back(Code, Pos);
    };
    bar.SetPosition(50);
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(bar.Position(), 50);

    struct TCase {
        QAbstractSlider::SliderAction Action;
        TScrollCode Code;
        int Position;
    };
    const TCase cases[] = {
        {QAbstractSlider::SliderSingleStepAdd, TScrollCode::scLineDown, 51},
        {QAbstractSlider::SliderSingleStepSub, TScrollCode::scLineUp, 50},
        {QAbstractSlider::SliderPageStepAdd, TScrollCode::scPageDown, 60},
        {QAbstractSlider::SliderPageStepSub, TScrollCode::scPageUp, 50},
        {QAbstractSlider::SliderToMaximum, TScrollCode::scBottom, 100},
        {QAbstractSlider::SliderToMinimum, TScrollCode::scTop, 0},
    };
    for (const TCase& c : cases) {
        calls.clear();
        bar.triggerAction(c.Action);
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].first, c.Code);
        EXPECT_EQ(calls[0].second, c.Position);
        EXPECT_EQ(bar.Position(), c.Position);
    }
}

TEST(Controls, ScrollBarHandlerMayChangeThePosition) {
    TScrollBar bar(Qt::Vertical);
    bar.SetMax(100);
    bar.OnScroll = [](TObject*, TScrollCode, int& Pos) { Pos = 42; };
    bar.triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(bar.Position(), 42);
}
