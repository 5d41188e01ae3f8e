#include "data/ScreenFit.h"

#include <algorithm>

QRect FitOnScreens(const QRect& client, const QMargins& frame, const QList<QRect>& screens,
                   int primary)
{
    if (screens.isEmpty() || !client.isValid()) return client;
    const QRect framed = client.marginsAdded(frame);
    qsizetype best = std::clamp<qsizetype>(primary, 0, screens.size() - 1);
    qint64 bestArea = 0;
    for (qsizetype i = 0; i < screens.size(); ++i) {
        const QRect common = screens[i].intersected(framed);
        const qint64 area = common.isEmpty() ? 0 : qint64(common.width()) * common.height();
        if (area > bestArea) {
            bestArea = area;
            best = i;
        }
    }
    const QRect screen = screens[best];
    const int frameW = frame.left() + frame.right(), frameH = frame.top() + frame.bottom();
    const int w = std::max(1, std::min(client.width(), screen.width() - frameW));
    const int h = std::max(1, std::min(client.height(), screen.height() - frameH));
    // The framed window's top left, kept inside the screen.
    const int maxX = std::max(screen.left(), screen.left() + screen.width() - (w + frameW));
    const int maxY = std::max(screen.top(), screen.top() + screen.height() - (h + frameH));
    const int x = std::clamp(framed.left(), screen.left(), maxX);
    const int y = std::clamp(framed.top(), screen.top(), maxY);
    return {x + frame.left(), y + frame.top(), w, h};
}
