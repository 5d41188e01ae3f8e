#include "data/WindowPlace.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QSettings>
#include <QWidget>

#include "data/ScreenFit.h"
#include "data/UiServices.h"

namespace {
// Writes the window's place whenever the user changes it.
class TPlaceKeeper : public QObject {
public:
    TPlaceKeeper(QWidget* window, TUiServices& ui, const QString& key)
        : QObject(window), Window(window), Ui(ui), Group(QStringLiteral("Windows/") + key)
    {
    }

    void Restore()
    {
        QSettings& settings = Ui.Settings();
        settings.beginGroup(Group);
        const QRect saved = settings.value(QStringLiteral("Geometry")).toRect();
        const QMargins frame(settings.value(QStringLiteral("FrameLeft")).toInt(),
                             settings.value(QStringLiteral("FrameTop")).toInt(),
                             settings.value(QStringLiteral("FrameRight")).toInt(),
                             settings.value(QStringLiteral("FrameBottom")).toInt());
        const bool maximized = settings.value(QStringLiteral("Maximized")).toBool();
        settings.endGroup();
        if (!saved.isValid()) return;
        QList<QRect> screens;
        int primary = 0;
        const QList<QScreen*> present = QGuiApplication::screens();
        for (QScreen* s : present) {
            if (s == QGuiApplication::primaryScreen()) primary = static_cast<int>(screens.size());
            screens.append(s->availableGeometry());
        }
        // Windows with a fixed size keep it; only their place is restored.
        QRect place = FitOnScreens(saved, frame, screens, primary);
        if (Window->minimumSize() == Window->maximumSize())
            place.setSize(Window->size());
        else
            place.setSize(place.size().expandedTo(Window->minimumSize()));
        Window->setGeometry(place);
        if (maximized) Window->setWindowState(Window->windowState() | Qt::WindowMaximized);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == Window) {
            switch (event->type()) {
                case QEvent::Show:
                    Shown = true;
                    break;
                case QEvent::Move:
                case QEvent::Resize:
                case QEvent::WindowStateChange:
                    if (Window->isVisible()) Write();
                    break;
                case QEvent::Hide:
                case QEvent::Close:
                    if (Shown) Write();
                    break;
                default:
                    break;
            }
        }
        return false;
    }

private:
    void Write()
    {
        if (Window->isMinimized()) return;
        const bool maximized = Window->isMaximized() || Window->isFullScreen();
        const QRect client = maximized ? Window->normalGeometry() : Window->geometry();
        if (!client.isValid()) return;
        const QRect outer = Window->frameGeometry();
        QSettings& settings = Ui.Settings();
        settings.beginGroup(Group);
        settings.setValue(QStringLiteral("Geometry"), client);
        if (!maximized) {
            settings.setValue(QStringLiteral("FrameLeft"), client.left() - outer.left());
            settings.setValue(QStringLiteral("FrameTop"), client.top() - outer.top());
            settings.setValue(QStringLiteral("FrameRight"), outer.right() - client.right());
            settings.setValue(QStringLiteral("FrameBottom"), outer.bottom() - client.bottom());
        }
        settings.setValue(QStringLiteral("Maximized"), maximized);
        settings.endGroup();
    }

    QPointer<QWidget> Window;
    TUiServices& Ui;
    QString Group;
    bool Shown = false;
};
}  // namespace

void RememberWindowPlace(QWidget* window, TUiServices& ui, const QString& key)
{
    auto* keeper = new TPlaceKeeper(window, ui, key);
    keeper->Restore();
    window->installEventFilter(keeper);
}
