#include "editor/WindowPlaces.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QWidget>

#include <algorithm>

namespace {

constexpr int Gap = 4;
// Narrower than this, a tool window is no use, and may as well cover the lists.
constexpr int MinimumWidth = 150;

// On a screen as a whole, not split over two nor hanging off one.
bool WhollyOnAScreen(const QRect& Frame) {
    const QList<QScreen*> Screens = QGuiApplication::screens();
    return std::any_of(Screens.begin(), Screens.end(), [&Frame](const QScreen* Screen) {
        return Screen->availableGeometry().contains(Frame);
    });
}

QString KeyOf(const QWidget* Window) {
    return "Windows/" + Window->objectName();
}

} // namespace

TWindowPlaces::TWindowPlaces(QWidget* Main, const QString& SettingsFile)
    : QObject(Main), FMain(Main) {
    if (!SettingsFile.isEmpty()) {
        FSettings = std::make_unique<QSettings>(SettingsFile, QSettings::IniFormat);
        FSettings->beginGroup("Windows");
        for (const QString& Name : FSettings->childGroups()) {
            const QRect Rect = FSettings->value(Name + "/Rect").toRect();
            if (Rect.isValid())
                FPlaces.insert(Name, {Rect, FSettings->value(Name + "/Maximized").toBool()});
        }
        FSettings->endGroup();
    }
    Restore(Main);
    Main->installEventFilter(this);
}

TWindowPlaces::~TWindowPlaces() = default;

void TWindowPlaces::Track(QWidget* Tool) {
    FTools.push_back(Tool);
    Tool->installEventFilter(this);
    connect(Tool, &QObject::destroyed, this, [this, Tool] { std::erase(FTools, Tool); });
}

void TWindowPlaces::Open(QWidget* Tool, QSize DefaultSize, const QRect& Lists) {
    if (Tool->isVisible() || Restore(Tool))
        return;
    QScreen* Screen = FMain->screen();
    if (!Screen)
        Screen = QGuiApplication::primaryScreen();
    if (!Screen)
        return;
    std::vector<QRect> Taken;
    for (const QWidget* Other : FTools)
        if (Other != Tool && Other->isVisible())
            Taken.push_back(Other->frameGeometry());
    // The decorations a tool window will get, judged from the main window's.
    const QSize Margins = FMain->frameGeometry().size() - FMain->size();
    const QRect Frame = Beside(FMain->frameGeometry(), DefaultSize + Margins,
                               Screen->availableGeometry(), Taken, Lists);
    Tool->resize(Frame.size() - Margins);
    Tool->move(Frame.topLeft());
}

QRect TWindowPlaces::Beside(const QRect& Main, QSize Size, const QRect& Free,
                            const std::vector<QRect>& Taken, const QRect& Lists) {
    Size = Size.boundedTo(Free.size());
    const auto IsFree = [&](const QRect& R) {
        return Free.contains(R) && std::none_of(Taken.begin(), Taken.end(),
                                                [&R](const QRect& T) { return T.intersects(R); });
    };
    // Down a column beside the main window: at its top, then under each taken window.
    std::vector<int> Tops{Main.top()};
    for (const QRect& T : Taken)
        Tops.push_back(T.bottom() + 1 + Gap);
    std::sort(Tops.begin(), Tops.end());
    for (const int Left : {Main.right() + 1 + Gap, Main.left() - Gap - Size.width()})
        for (const int Top : Tops) {
            const QRect R(QPoint(Left, std::max(Top, Free.top())), Size);
            if (IsFree(R))
                return R;
        }
    for (const int Top : {Main.bottom() + 1 + Gap, Main.top() - Gap - Size.height()}) {
        const QRect R(
            QPoint(std::clamp(Main.left(), Free.left(), Free.right() + 1 - Size.width()), Top),
            Size);
        if (IsFree(R))
            return R;
    }
    // No room outside: over the map, left of the lists (narrowed to fit there when that
    // leaves a usable width), as far down as other tools leave.
    QRect R(QPoint(Main.left() + Gap, Main.top() + Main.height() / 4), Size);
    if (Lists.isValid() && R.right() >= Lists.left()) {
        const int Room = Lists.left() - Gap - std::max(Free.left(), Main.left());
        if (Room < R.width() && Room >= MinimumWidth)
            R.setWidth(Room);
        R.moveRight(Lists.left() - 1 - Gap);
    }
    for (const QRect& T : Taken)
        if (T.intersects(R))
            R.moveTop(T.bottom() + 1 + Gap);
    R.moveLeft(std::clamp(R.left(), Free.left(), Free.right() + 1 - R.width()));
    R.moveTop(std::clamp(R.top(), Free.top(), Free.bottom() + 1 - R.height()));
    return R;
}

bool TWindowPlaces::eventFilter(QObject* Watched, QEvent* Event) {
    const QEvent::Type Type = Event->type();
    if (Type == QEvent::Move || Type == QEvent::Resize || Type == QEvent::Hide ||
        Type == QEvent::Close) {
        auto* Window = static_cast<QWidget*>(Watched);
        if (Window->isVisible() || Type == QEvent::Hide)
            Remember(Window);
    }
    return QObject::eventFilter(Watched, Event);
}

void TWindowPlaces::Remember(QWidget* Window) {
    if (Window->isMinimized())
        return;
    const bool Maximized = Window->isMaximized();
    // A maximized window keeps the place it goes back to.
    const QRect Rect = Maximized ? Window->normalGeometry() : Window->geometry();
    if (!Rect.isValid())
        return;
    FPlaces.insert(Window->objectName(), {Rect, Maximized});
    if (FSettings) {
        FSettings->setValue(KeyOf(Window) + "/Rect", Rect);
        FSettings->setValue(KeyOf(Window) + "/Maximized", Maximized);
    }
}

bool TWindowPlaces::Restore(QWidget* Window) {
    const auto Found = FPlaces.constFind(Window->objectName());
    if (Found == FPlaces.constEnd())
        return false;
    // The frame judged from the main window's: the caption on top, thin sides.
    const QSize Margins = FMain->frameGeometry().size() - FMain->size();
    const QRect Frame(Found->Rect.topLeft() - QPoint(Margins.width() / 2, Margins.height()),
                      Found->Rect.size() + Margins);
    if (!WhollyOnAScreen(Frame))
        return false;
    Window->setGeometry(Found->Rect);
    if (Found->Maximized)
        Window->setWindowState(Window->windowState() | Qt::WindowMaximized);
    return true;
}
