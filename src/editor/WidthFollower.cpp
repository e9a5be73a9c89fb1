#include "editor/WidthFollower.h"

#include <QEvent>
#include <QWidget>

#include <algorithm>

TWidthFollower::TWidthFollower(QWidget* Child) : QObject(Child->parentWidget()), FChild(Child) {
    Child->parentWidget()->installEventFilter(this);
}

bool TWidthFollower::eventFilter(QObject* Watched, QEvent* Event) {
    if (Event->type() == QEvent::Resize) {
        const auto* Parent = static_cast<QWidget*>(Watched);
        const int Left = FChild->x();
        FChild->resize(std::max(1, Parent->width() - 2 * Left), FChild->height());
    }
    return QObject::eventFilter(Watched, Event);
}
