#pragma once

#include "zonemap/ZoneSpriteSurface.h"

#include <QApplication>
#include <QMouseEvent>

#include <cstdint>

// A press and release at map coordinates; the surface turns window into map coordinates
// itself.
inline void ClickSurface(TZoneSpriteSurface* S, int32_t X, int32_t Y) {
    const QPointF At(X - S->OffsetX(), Y - S->OffsetY());
    QMouseEvent Press(QEvent::MouseButtonPress, At, S->mapToGlobal(At), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(S, &Press);
    QMouseEvent Release(QEvent::MouseButtonRelease, At, S->mapToGlobal(At), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(S, &Release);
}
