#pragma once

#include <QObject>

class QWidget;

// Keeps a child placed at its design spot as wide as its parent allows: its left margin is
// kept on the right as well, whenever the parent is resized. Owned by the parent.
class TWidthFollower : public QObject {
public:
    explicit TWidthFollower(QWidget* Child);

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    QWidget* FChild;
};
