#include "editor/MapNavigator.h"

#include "platform/Application.h"
#include "sprites/SpriteSurface.h"

#include <QKeyEvent>
#include <QWheelEvent>

#include <algorithm>

namespace {

// One notch of an ordinary wheel, in eighths of a degree.
constexpr int64_t Notch = 120;

int64_t ClampOffset(int64_t Value, int64_t Max) {
    return std::clamp<int64_t>(Value, 0, std::max<int64_t>(0, Max));
}

} // namespace

TMapNavigator::TMapNavigator(TSpriteSurface* Surface, QObject* Parent)
    : QObject(Parent), FSurface(Surface), FWatched(Surface) {
    if (!Surface)
        return;
    Surface->setFocusPolicy(Qt::StrongFocus);
    Surface->installEventFilter(this);
}

TMapNavigator::~TMapNavigator() {
    // The bars may outlive the navigator: they must not call into it any more.
    UnwrapBar(FBarHorz, FPreviousHorz);
    UnwrapBar(FBarVert, FPreviousVert);
    if (FSurface)
        FSurface->removeEventFilter(this);
}

TSpriteSurface* TMapNavigator::Surface() const {
    return FSurface;
}

void TMapNavigator::SetLineStep(int32_t Value) {
    FLineStep = std::max(1, Value);
    UpdateBarSteps();
}

int32_t TMapNavigator::MaxOffsetX() const {
    if (!FSurface)
        return 0;
    return int32_t(ClampOffset(int64_t(FSurface->VirtualWidth()) - FSurface->Width(), INT32_MAX));
}

int32_t TMapNavigator::MaxOffsetY() const {
    if (!FSurface)
        return 0;
    return int32_t(ClampOffset(int64_t(FSurface->VirtualHeight()) - FSurface->Height(), INT32_MAX));
}

int32_t TMapNavigator::PageX() const {
    return FSurface ? std::max(FLineStep, FSurface->Width() - FLineStep) : FLineStep;
}

int32_t TMapNavigator::PageY() const {
    return FSurface ? std::max(FLineStep, FSurface->Height() - FLineStep) : FLineStep;
}

bool TMapNavigator::ScrollTo(int64_t X, int64_t Y) {
    if (!FSurface)
        return false;
    return MoveTo(int32_t(ClampOffset(X, MaxOffsetX())), int32_t(ClampOffset(Y, MaxOffsetY())));
}

bool TMapNavigator::ScrollBy(int64_t DX, int64_t DY) {
    if (!FSurface)
        return false;
    // An axis that is not moved keeps its offset, even one beyond the range.
    const int32_t x =
        DX ? int32_t(ClampOffset(FSurface->OffsetX() + DX, MaxOffsetX())) : FSurface->OffsetX();
    const int32_t y =
        DY ? int32_t(ClampOffset(FSurface->OffsetY() + DY, MaxOffsetY())) : FSurface->OffsetY();
    return MoveTo(x, y);
}

bool TMapNavigator::MoveTo(int32_t X, int32_t Y) {
    const int32_t oldX = FSurface->OffsetX();
    const int32_t oldY = FSurface->OffsetY();
    if (X != oldX)
        FSurface->SetOffsetX(X);
    if (Y != oldY)
        FSurface->SetOffsetY(Y);
    // The setters ignore offsets of a surface without a virtual size.
    const bool moved = FSurface->OffsetX() != oldX || FSurface->OffsetY() != oldY;
    if (moved)
        RenderNow();
    return moved;
}

void TMapNavigator::CenterOn(int32_t X, int32_t Y) {
    if (!FSurface)
        return;
    ScrollTo(int64_t(X) - FSurface->Width() / 2, int64_t(Y) - FSurface->Height() / 2);
}

void TMapNavigator::AttachScrollBars(TScrollBar* Horz, TScrollBar* Vert) {
    if (!FSurface)
        return;
    UnwrapBar(FBarHorz, FPreviousHorz);
    UnwrapBar(FBarVert, FPreviousVert);
    FSurface->SetScrollBarHorz(Horz);
    FSurface->SetScrollBarVert(Vert);
    FBarHorz = Horz;
    FBarVert = Vert;
    WrapBar(Horz, FPreviousHorz);
    WrapBar(Vert, FPreviousVert);
    UpdateBarSteps();
    FSurface->UpdateScrollBars();
    // A bar attached late starts where the view is.
    if (Horz)
        Horz->SetPosition(FSurface->OffsetX());
    if (Vert)
        Vert->SetPosition(FSurface->OffsetY());
}

void TMapNavigator::WrapBar(TScrollBar* Bar, TScrollEvent& Previous) {
    if (!Bar)
        return;
    Previous = Bar->OnScroll;
    Bar->OnScroll = [this, Bar](TObject* Sender, TScrollCode Code, int& Pos) {
        RunInput([&] {
            TScrollEvent& previous = Bar == FBarHorz ? FPreviousHorz : FPreviousVert;
            if (previous)
                previous(Sender, Code, Pos);
            RenderNow();
        });
    };
}

void TMapNavigator::UnwrapBar(TScrollBar* Bar, TScrollEvent& Previous) {
    if (Bar)
        Bar->OnScroll = Previous;
    Previous = nullptr;
}

void TMapNavigator::UpdateBarSteps() {
    if (FBarHorz) {
        FBarHorz->setSingleStep(FLineStep);
        FBarHorz->setPageStep(PageX());
    }
    if (FBarVert) {
        FBarVert->setSingleStep(FLineStep);
        FBarVert->setPageStep(PageY());
    }
}

void TMapNavigator::RunInput(const std::function<void()>& Step) {
    if (OnInput)
        OnInput(Step);
    else
        Step();
}

void TMapNavigator::RenderNow() {
    if (!FSurface)
        return;
    if (OnRender) {
        OnRender();
        return;
    }
    // A frame ends by processing pending input, which may scroll again: that step is
    // drawn by a further frame here rather than by a frame inside this one.
    if (FRendering) {
        FRenderAgain = true;
        return;
    }
    // Without a palette an 8-bit frame fails; the animation reports that once.
    if (FSurface->BitDepth() == bd8 && !FSurface->ColorPalette())
        return;
    FRendering = true;
    do {
        FRenderAgain = false;
        Application().Guarded([this] { FSurface->Render(); });
    } while (FRenderAgain && FSurface);
    FRendering = false;
}

bool TMapNavigator::eventFilter(QObject* Watched, QEvent* Event) {
    // Compared as objects: while the surface is being destroyed it is no surface any more,
    // and only the events below concern it.
    const QEvent::Type Type = Event->type();
    if (Type != QEvent::Wheel && Type != QEvent::ShortcutOverride && Type != QEvent::KeyPress &&
        Type != QEvent::Resize)
        return false;
    if (FSurface.isNull() || Watched != FWatched)
        return false;
    bool Handled = false;
    switch (Event->type()) {
    case QEvent::Wheel:
        RunInput([&] { Handled = Wheel(static_cast<QWheelEvent*>(Event)); });
        return Handled;
    case QEvent::ShortcutOverride: {
        // The view's keys win over window shortcuts while the map has the focus.
        auto* key = static_cast<QKeyEvent*>(Event);
        if (Key(key->key(), key->modifiers(), false)) {
            Event->accept();
            return true;
        }
        return false;
    }
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(Event);
        RunInput([&] { Handled = Key(key->key(), key->modifiers(), true); });
        return Handled;
    }
    case QEvent::Resize:
        // Once the surface has accepted its new size.
        QMetaObject::invokeMethod(this, &TMapNavigator::UpdateBarSteps, Qt::QueuedConnection);
        return false;
    default:
        return false;
    }
}

bool TMapNavigator::Wheel(QWheelEvent* Event) {
    const Qt::KeyboardModifiers modifiers = Event->modifiers();
    if (modifiers & Qt::ControlModifier)
        return false;
    int64_t dx = Event->angleDelta().x();
    int64_t dy = Event->angleDelta().y();
    if ((modifiers & Qt::ShiftModifier) && dx == 0) {
        dx = dy;
        dy = 0;
    }
    // Turning the wheel away from the user (a positive delta) shows what lies above or
    // to the left: the offset falls.
    FWheelRestX -= dx * FWheelStep;
    FWheelRestY -= dy * FWheelStep;
    const int64_t moveX = FWheelRestX / Notch;
    const int64_t moveY = FWheelRestY / Notch;
    FWheelRestX -= moveX * Notch;
    FWheelRestY -= moveY * Notch;
    ScrollBy(moveX, moveY);
    Event->accept();
    return true;
}

bool TMapNavigator::Key(int Key, Qt::KeyboardModifiers Modifiers, bool Apply) {
    if (!FSurface)
        return false;
    const Qt::KeyboardModifiers mods = Modifiers & ~Qt::KeypadModifier;
    const bool plain = mods == Qt::NoModifier;
    const bool shift = mods == Qt::ShiftModifier;
    const bool ctrl = mods == Qt::ControlModifier;
    const int64_t line = FLineStep;
    int64_t dx = 0;
    int64_t dy = 0;
    bool toX = false;
    bool toY = false;
    int64_t x = FSurface->OffsetX();
    int64_t y = FSurface->OffsetY();
    switch (Key) {
    case Qt::Key_Left:
        dx = -line;
        break;
    case Qt::Key_Right:
        dx = line;
        break;
    case Qt::Key_Up:
        dy = -line;
        break;
    case Qt::Key_Down:
        dy = line;
        break;
    case Qt::Key_PageUp:
        (shift ? dx : dy) = -(shift ? PageX() : PageY());
        break;
    case Qt::Key_PageDown:
        (shift ? dx : dy) = shift ? PageX() : PageY();
        break;
    case Qt::Key_Home:
        toX = true;
        x = 0;
        toY = ctrl;
        y = ctrl ? 0 : y;
        break;
    case Qt::Key_End:
        toX = true;
        x = MaxOffsetX();
        toY = ctrl;
        y = ctrl ? MaxOffsetY() : y;
        break;
    default:
        return false;
    }
    const bool homeOrEnd = Key == Qt::Key_Home || Key == Qt::Key_End;
    const bool paging = Key == Qt::Key_PageUp || Key == Qt::Key_PageDown;
    if (!(plain || (homeOrEnd && ctrl) || (paging && shift)))
        return false;
    if (!Apply)
        return true;
    if (toX || toY)
        ScrollBy(toX ? x - FSurface->OffsetX() : 0, toY ? y - FSurface->OffsetY() : 0);
    else
        ScrollBy(dx, dy);
    return true;
}
