#include "widgets/ElasticPanel.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Design value x ratio, nearest with ties to even, kept inside the 32-bit range.
int32_t Scaled(int32_t Value, double Ratio) {
    const double r = std::nearbyint(double(Value) * Ratio);
    return int32_t(std::clamp(r, double(std::numeric_limits<int32_t>::min()),
                              double(std::numeric_limits<int32_t>::max())));
}

QList<QWidget*> ChildControls(const QWidget* Panel) {
    return Panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
}

// Left, top, width, height as the control itself holds them.
TRectHolder BoundsOf(QWidget* Child) {
    if (auto* control = dynamic_cast<TCustomControl*>(Child))
        return {control->Left(), control->Top(), control->Left() + control->Width(),
                control->Top() + control->Height()};
    const QRect g = Child->geometry();
    return {g.x(), g.y(), g.x() + g.width(), g.y() + g.height()};
}

void SetBoundsOf(QWidget* Child, int32_t Left, int32_t Top, int32_t Width, int32_t Height) {
    if (auto* control = dynamic_cast<TCustomControl*>(Child))
        control->SetBounds(Left, Top, Width, Height);
    else
        Child->setGeometry(Left, Top, std::max(0, Width), std::max(0, Height));
}

bool IsTextEdit(const QWidget* Child) {
    return qobject_cast<const QLineEdit*>(Child) || qobject_cast<const QTextEdit*>(Child) ||
           qobject_cast<const QPlainTextEdit*>(Child);
}

} // namespace

TElasticPanel::TElasticPanel(TComponent* AOwner, QWidget* Parent) : TPanel(AOwner, Parent) {}

std::string TElasticPanel::ChildName(const QWidget* Child) {
    const QString name = Child->objectName();
    if (name.isEmpty())
        if (auto* component = dynamic_cast<const TComponent*>(Child))
            return component->Name();
    return name.toStdString();
}

void TElasticPanel::AfterLoad() {
    TPanel::AfterLoad();
    for (QWidget* child : ChildControls(this))
        FChildRects.push_back({ChildName(child), BoundsOf(child)});
    FBaseWidth = FDTWidth;
    FBaseHeight = FDTHeight;
    FIsLoaded = true;
}

void TElasticPanel::Resize() {
    TPanel::Resize();
    if (Designing()) {
        FDTWidth = Width();
        FDTHeight = Height();
        return;
    }
    if (!FIsLoaded)
        return;
    const bool horizontal = FElasticHorizontal && FBaseWidth > 0;
    const bool vertical = FElasticVertical && FBaseHeight > 0;
    if (!horizontal && !vertical)
        return;
    const double sx = horizontal ? double(Width()) / FBaseWidth : 1.0;
    const double sy = vertical ? double(Height()) / FBaseHeight : 1.0;
    for (QWidget* child : ChildControls(this)) {
        const std::string name = ChildName(child);
        const auto line = std::find_if(FChildRects.begin(), FChildRects.end(),
                                       [&](const TChildRect& c) { return c.Name == name; });
        if (line == FChildRects.end())
            continue;
        const TRectHolder& r = line->Rect;
        const TRectHolder now = BoundsOf(child);
        int32_t left = now.Left;
        int32_t top = now.Top;
        int32_t width = now.Right - now.Left;
        int32_t height = now.Bottom - now.Top;
        if (horizontal) {
            left = Scaled(r.Left, sx);
            width = Scaled(r.Right - r.Left, sx);
        }
        if (vertical) {
            top = Scaled(r.Top, sy);
            const bool keepHeight =
                child->property("Tag").toInt() == -1 || (IsTextEdit(child) && !FResizeEditHeights);
            if (!keepHeight)
                height = Scaled(r.Bottom - r.Top, sy);
        }
        if (left != now.Left || top != now.Top || width != now.Right - now.Left ||
            height != now.Bottom - now.Top)
            SetBoundsOf(child, left, top, width, height);
    }
}
