#pragma once
// A scroll area round one picture widget (e.g. a paint box) that is at least
// as large as the viewport. The picture's size follows the viewport and a zoom
// factor; the wheel scrolls, Ctrl+wheel zooms about the point under the cursor.
//
// Use: `auto* area = new TZoomScrollArea(parent); area->setWidget(box);
// area->BaseSize = [](QSize viewport) { return QSize(viewport.width(), tall); };`
// and call Relayout() when the picture's needs change (e.g. another tree).
#include <QScrollArea>
#include <functional>

class TZoomScrollArea : public QScrollArea {
public:
    explicit TZoomScrollArea(QWidget* parent = nullptr);

    // The picture size at zoom 1 for a viewport size; none: the viewport size.
    std::function<QSize(QSize viewport)> BaseSize;
    // The picture never gets larger than this many pixels. It is painted
    // only where it shows, so this only keeps its coordinates in range: a
    // tree of 2 000 leaves at a readable size can still be zoomed in 4 times.
    static constexpr double MaxArea = 256e6;

    double Zoom() const { return ZoomFactor; }
    // Sets the zoom (1: the size BaseSize gives; less, down to the whole
    // picture in the viewport; more, larger) keeping the picture point at anchor (viewport
    // coordinates) where it is.
    void SetZoom(double zoom, QPoint anchor);
    void SetZoom(double zoom) { SetZoom(zoom, viewport()->rect().center()); }
    // The whole picture in the viewport.
    void ShowWhole() { SetZoom(0); }
    // Sizes the picture anew for the current viewport and zoom.
    void Relayout();

protected:
    void wheelEvent(QWheelEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    QSize PictureSize(double zoom) const;
    double ZoomFactor = 1;
    bool InLayout = false;
};
