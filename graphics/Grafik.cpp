#include "graphics/Grafik.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <utility>

#include "graphics/PainterCanvas.h"

struct TGrafik::TPageState {
    // A press is routed to this panel until the release.
    TGrafik* DownPanel = nullptr;
    bool Dragging = false;
    QPoint DragStart, DragEnd;
    QImage Snapshot;  // the page as it was when the drag started
    // Info box shown over the page while a marker is held.
    TGrafik* BoxPanel = nullptr;
    QStringList BoxLines;
    QPoint BoxAnchor;
};

static int RoundI(double v) { return static_cast<int>(std::lround(v)); }

// ---- layouts ----

const TPanelLayout& TPanelLayouts::Of(const TGrafik& panel) const
{
    static const TPanelLayout blank;
    const auto it = Panels.find(&panel);
    return it == Panels.end() ? blank : it->second;
}

const TPanelGeometry& TWorldPen::Geometry() const
{
    static const TPanelGeometry blank;
    return Layout ? Layout->Geometry : blank;
}

void TWorldPen::MoveTo(double x, double y)
{
    if (Measured) {
        Measured->Extend(x, y);
        return;
    }
    const QPoint p = Mapping->WorldToDevice(x, y);
    Target->MoveTo(p.x(), p.y());
}

void TWorldPen::LineTo(double x, double y)
{
    if (Measured) {
        Measured->Extend(x, y);
        return;
    }
    const QPoint p = Mapping->WorldToDevice(x, y);
    Target->LineTo(p.x(), p.y());
}

void TWorldPen::TextOut(const QString& text, const TGrfStyle* style, double x, double y)
{
    if (Measured) {
        Measured->Extend(x, y);
        return;
    }
    if (style) style->Apply(Layout->Geometry, *Target);
    const QPoint p = Mapping->WorldToDevice(x, y);
    Target->TextOut(p.x(), p.y(), text);
}

void TWorldPen::Point(double x, double y, const TDotStyle& style)
{
    if (Measured) {
        Measured->Extend(x, y);
        return;
    }
    style.DrawMarker(Layout->Geometry, *Target, Mapping->WorldToDevice(x, y));
}

void TWorldPen::SetPen(int width, const QColor& color)
{
    if (Target) Target->Pen = {color, width, TPenKind::Solid};
}

// ---- the panel tree ----

TGrafik::TGrafik()
{
    Background.Brush.Clear = true;
    Background.Pen.Kind = TPenKind::Clear;
    LegendStyle.StyleName = QStringLiteral("Legend");
    CaptionStyle.Weight = 700;
    CaptionStyle.TextAlign = TA_CENTER_;
    RemarksStyle.Font.Face = QStringLiteral("Courier New");
    HintStyle.Font.Face = QStringLiteral("Courier New");
    HintStyle.Size = 0.05;
    HintStyle.Brush = {QColor(Qt::yellow), false};
    HintStyle.Pen.Width = 2;
    HintStyle.PenWidth = -1;
}

TGrafik::~TGrafik() = default;

void TGrafik::AdoptChild(std::unique_ptr<TGrafik> child)
{
    child->OwnerPanel = this;
    ChildPanels.push_back(std::move(child));
}

std::unique_ptr<TGrafik> TGrafik::RemoveChild(TGrafik* child)
{
    auto it = std::find_if(ChildPanels.begin(), ChildPanels.end(),
                           [child](const auto& c) { return c.get() == child; });
    if (it == ChildPanels.end()) return nullptr;
    std::unique_ptr<TGrafik> taken = std::move(*it);
    ChildPanels.erase(it);
    // The page's mouse state must not point into the panels that left.
    TGrafik& root = RootPanel();
    if (root.State) root.ForgetPanel(taken.get());
    taken->OwnerPanel = nullptr;
    return taken;
}

void TGrafik::ForgetPanel(const TGrafik* panel)
{
    TPageState& s = *State;
    for (const TGrafik* p = s.DownPanel; p; p = p->OwnerPanel)
        if (p == panel) s.DownPanel = nullptr;
    for (const TGrafik* p = s.BoxPanel; p; p = p->OwnerPanel)
        if (p == panel) s.BoxPanel = nullptr;
}

void TGrafik::SetRelBounds(double left, double top, double right, double bottom)
{
    RelBounds[0] = left;
    RelBounds[1] = top;
    RelBounds[2] = right;
    RelBounds[3] = bottom;
}

TGrafik::TPageState& TGrafik::PageState()
{
    if (!State) State = std::make_unique<TPageState>();
    return *State;
}

const TGrfStyle* TGrafik::Style(int index) const
{
    if (index < 0 || index >= static_cast<int>(Styles.size())) return nullptr;
    return Styles[index].get();
}

TGrfStyle* TGrafik::Style(int index)
{
    return const_cast<TGrfStyle*>(std::as_const(*this).Style(index));
}

TGrfObj* TGrafik::AddGrfObj(std::unique_ptr<TGrfObj> object)
{
    object->Owner = this;
    Objects.push_back(std::move(object));
    return Objects.back().get();
}

void TGrafik::ClearGrfObjects()
{
    ActiveObject = nullptr;
    Objects.clear();
}

const TGrafik& TGrafik::RootPanel() const
{
    const TGrafik* p = this;
    while (p->OwnerPanel) p = p->OwnerPanel;
    return *p;
}

TGrafik& TGrafik::RootPanel()
{
    TGrafik* p = this;
    while (p->OwnerPanel) p = p->OwnerPanel;
    return *p;
}

// ---- preparing and laying out ----

void TGrafik::Prepare()
{
    for (auto& child : ChildPanels) child->Prepare();
}

void TGrafik::Measure(TPanelLayouts& layout) const
{
    TPanelLayout& own = layout.Add(*this);
    if (Auto) {
        TWorld& w = own.World;
        w.ResetExtent();
        TWorldPen pen(w);
        Draw(pen);
        for (const auto& o : Objects) {
            w.Extend(o->WRect.XMin, o->WRect.YMin);
            w.Extend(o->WRect.XMax, o->WRect.YMax);
        }
        TWorldRect& r = w.Rect;
        // A rounding error below zero should not push the axis off the edge.
        if (r.YMin < 0 && -r.YMin < 0.001 * (r.YMax - r.YMin)) r.YMin = 0;
    }
    for (const auto& child : ChildPanels) child->Measure(layout);
    own.Shown = !own.World.IsEmpty();
}

void TGrafik::Place(TCanvas& canvas, TPanelLayouts& layout, const TIntRect& outer, int rootHeight,
                    int scaleHeight, int penHeight) const
{
    TPanelLayout& own = layout.Add(*this);
    TPanelGeometry& g = own.Geometry;
    g.Outer = outer;
    g.ProportionHeight = scaleHeight <= 0 || scaleHeight >= rootHeight
                             ? outer.Height()
                             : RoundI(double(outer.Height()) * scaleHeight / rootHeight);
    g.PenHeight = penHeight;
    g.Inner = InnerRectFor(canvas, g);
    own.World.SetMapping(g.Inner);
    const TIntRect& o = g.Inner;
    const double w = o.Width(), h = o.Height();
    for (const auto& child : ChildPanels) {
        const double* b = child->RelBounds;
        child->Place(canvas, layout,
                     {o.Left + RoundI(w * b[0]), o.Top + RoundI(h * b[1]),
                      o.Left + RoundI(w * b[2]), o.Top + RoundI(h * b[3])},
                     rootHeight, scaleHeight, penHeight);
    }
}

TPanelLayouts TGrafik::LayOut(TCanvas& canvas, const TIntRect& rect, int scaleHeight) const
{
    TPanelLayouts layout;
    Measure(layout);
    const int h = rect.Height();
    const int penHeight =
        scaleHeight <= 0 || scaleHeight >= h ? h : RoundI(double(h) * scaleHeight / h);
    Place(canvas, layout, rect, h, scaleHeight, penHeight);
    return layout;
}

int TGrafik::RightReserve(TCanvas& canvas, const TPanelGeometry& g) const
{
    if (!(PanelFlags & TGrfFlag::Remarks) || RemarksCount() == 0) return 0;
    RemarksStyle.Apply(g, canvas);
    int widest = 0;
    for (int i = 0; i < RemarksCount(); ++i)
        widest = std::max(widest, canvas.TextWidth(RemarksLine(i)));
    return widest + canvas.TextHeight(QStringLiteral("M")) / 2;
}

TIntRect TGrafik::InnerRectFor(TCanvas& canvas, const TPanelGeometry& g) const
{
    TIntRect inner = g.Outer;
    if (PanelFlags & TGrfFlag::Caption)
        inner.Top += CaptionStyle.FontHeight(g) + RoundI(0.02 * g.ProportionHeight);
    inner.Right -= RightReserve(canvas, g);
    inner.Bottom -= BottomReserve();
    return inner;
}

// ---- rendering ----

void TGrafik::DrawDecoration(TCanvas& c, const TPanelLayout& layout) const
{
    const TPanelGeometry& g = layout.Geometry;
    const TGrfStyle background = BackgroundStyle();
    if (!background.Brush.Clear || background.Pen.Kind != TPenKind::Clear) {
        background.Apply(g, c);
        const TFrameKind kind = (PanelFlags & TGrfFlag::ClipBackground) ? Frame : TFrameKind::Plain;
        if (kind == TFrameKind::RoundRect) {
            const int corner = 2 * (g.Outer.Height() / 5);
            c.RoundRect(g.Outer, corner, corner);
        } else if (kind == TFrameKind::Ellipse) {
            c.Ellipse(g.Outer);
        } else {
            c.Rectangle(g.Outer);
        }
    }
    if (HighlightOn) {
        const QPoint a = layout.World.WorldToDevice(HighlightArea.XMin, HighlightArea.YMax);
        const QPoint b = layout.World.WorldToDevice(HighlightArea.XMax, HighlightArea.YMin);
        c.Brush = {Highlight, false};
        c.FillRect({a.x(), a.y(), b.x(), b.y()});
    }
    DrawRemarks(c, layout);
}

void TGrafik::DrawRemarks(TCanvas& c, const TPanelLayout& layout) const
{
    if (!(PanelFlags & TGrfFlag::Remarks) || RemarksCount() == 0) return;
    const TPanelGeometry& g = layout.Geometry;
    RemarksStyle.Apply(g, c);
    c.TextAlign = TA_LEFT_ | TA_TOP_;
    c.Font.AngleDegrees = 0;
    const int gap = RoundI(0.01 * g.ProportionHeight);
    const int lineHeight = c.TextHeight(QStringLiteral("M"));
    for (int i = 0; i < RemarksCount(); ++i)
        c.TextOut(g.Inner.Right + gap, g.Inner.Top + i * (lineHeight + gap), RemarksLine(i));
}

void TGrafik::Render(TCanvas& canvas, const TPanelLayouts& layout) const
{
    const TPanelLayout& own = layout.Of(*this);
    if (!own.Shown) return;
    const TIntRect& inner = own.Geometry.Inner;
    if (inner.Width() <= 10 || inner.Height() <= 10) return;
    DrawDecoration(canvas, own);
    canvas.Save();
    if (PanelFlags & TGrfFlag::ClipPlot) canvas.ClipTo(TClipShape::Rectangle, inner);
    TWorldPen pen(canvas, own);
    Draw(pen);
    for (const auto& o : Objects) o->Draw(canvas, own);
    canvas.Restore();
    for (const auto& child : ChildPanels) {
        if (!layout.Of(*child).Shown) continue;
        canvas.Save();
        canvas.ClipTo(TClipShape::Rectangle, own.Geometry.Outer);
        child->Render(canvas, layout);
        canvas.Restore();
    }
}

void TGrafik::KeepLayout(const TPanelLayouts& layout)
{
    Current = layout.Of(*this);
    for (auto& child : ChildPanels) child->KeepLayout(layout);
}

void TGrafik::PaintToCanvas(TCanvas& canvas, const TIntRect& rect)
{
    Prepare();
    const TPanelLayouts layout = LayOut(canvas, rect, Scale);
    KeepLayout(layout);
    Render(canvas, layout);
}

QImage TGrafik::RenderImage(int width, int height, int scaleHeight) const
{
    QImage image(std::max(1, width), std::max(1, height), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    TPainterCanvas canvas(painter);
    Render(canvas, LayOut(canvas, {0, 0, width - 1, height - 1}, scaleHeight));
    return image;
}

void TGrafik::PaintInto(QPainter& painter, QSize clientSize, bool throughBitmap)
{
    TPageState& s = PageState();
    TPainterCanvas canvas(painter);
    const TIntRect client{0, 0, clientSize.width(), clientSize.height()};
    if (s.Dragging && !s.Snapshot.isNull()) {
        canvas.DrawImage(0, 0, s.Snapshot);
    } else if (throughBitmap) {
        QImage image(std::max(1, clientSize.width()), std::max(1, clientSize.height()),
                     QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter p(&image);
            TPainterCanvas c(p);
            PaintToCanvas(c, client);
        }
        canvas.DrawImage(0, 0, image);
    } else {
        PaintToCanvas(canvas, client);
    }
    // The mapping of this paint stays for the mouse; the rectangle too.
    Current.Geometry.Outer = client;
    PaintOverlay(canvas);
}

void TGrafik::PaintOverlay(TCanvas& canvas)
{
    TPageState& s = PageState();
    if (s.BoxPanel && !s.BoxLines.isEmpty())
        s.BoxPanel->DrawTextBox(canvas, s.BoxLines, s.BoxAnchor);
    if (s.Dragging) {
        const TIntRect r = DragRect();
        canvas.Pen = {Qt::black, 2, TPenKind::Solid};
        canvas.Brush.Clear = true;
        canvas.Rectangle(r);
    }
}

// ---- mouse ----

TGrafik* TGrafik::PanelAt(int x, int y)
{
    for (auto it = ChildPanels.rbegin(); it != ChildPanels.rend(); ++it)
        if ((*it)->Current.Shown && (*it)->OuterRect().Contains(x, y)) return (*it)->PanelAt(x, y);
    return this;
}

bool TGrafik::Dragging() const { return RootPanel().State && RootPanel().State->Dragging; }

TIntRect TGrafik::DragRect() const
{
    const TGrafik& root = RootPanel();
    if (!root.State) return {};
    const QPoint a = root.State->DragStart, b = root.State->DragEnd;
    return {std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::max(a.x(), b.x()),
            std::max(a.y(), b.y())};
}

void TGrafik::MouseDown(const TGrfMouse& m)
{
    TGrafik& root = RootPanel();
    TPageState& s = root.PageState();
    TGrafik* target = root.PanelAt(m.X, m.Y);
    s.DownPanel = target;
    target->ActiveObject = nullptr;
    for (auto it = target->Objects.rbegin(); it != target->Objects.rend(); ++it) {
        TGrfObj* o = it->get();
        if (o->DeviceBounds().Inflated(o->Tolerance).Contains(m.X, m.Y)) {
            target->ActiveObject = o;
            o->Activate(m);
            break;
        }
    }
    if (m.Button == TMouseButton::Left && target->Drag == TDragMode::Rectangle &&
        s.DownPanel == target) {
        s.Dragging = true;
        s.DragStart = s.DragEnd = QPoint(m.X, m.Y);
        const TIntRect page = root.OuterRect();
        // A zoomed page would need a huge copy: it is repainted while dragging instead.
        if (double(page.Width()) * page.Height() <= 8e6) {
            s.Snapshot =
                QImage(std::max(1, page.Width()), std::max(1, page.Height()), QImage::Format_RGB32);
            s.Snapshot.fill(Qt::white);
            QPainter p(&s.Snapshot);
            TPainterCanvas c(p);
            root.PaintToCanvas(c, page);
        }
    }
    root.LastMouse = QPoint(m.X, m.Y);
}

void TGrafik::MouseMove(const TGrfMouse& m)
{
    TGrafik& root = RootPanel();
    TPageState& s = root.PageState();
    if (s.Dragging) {
        s.DragEnd = QPoint(m.X, m.Y);
        root.RequestRepaint();
    } else {
        TGrafik* target = root.PanelAt(m.X, m.Y);
        for (auto& o : target->Objects) {
            const TIntRect r = o->DeviceBounds().Inflated(o->Tolerance);
            if (r.Contains(m.X, m.Y) && !r.Contains(root.LastMouse.x(), root.LastMouse.y()))
                o->StartBlink();
        }
    }
    root.LastMouse = QPoint(m.X, m.Y);
}

void TGrafik::MouseUp(const TGrfMouse& m)
{
    TGrafik& root = RootPanel();
    TPageState& s = root.PageState();
    TGrafik* target = s.DownPanel ? s.DownPanel : root.PanelAt(m.X, m.Y);
    if (target->ActiveObject) {
        TGrfObj* o = target->ActiveObject;
        target->ActiveObject = nullptr;
        o->Release(m);
    }
    root.ClearTextBox();
    if (s.Dragging) {
        s.DragEnd = QPoint(m.X, m.Y);
        const TWorld& world = target->Current.World;
        const QPointF a = world.DeviceToWorld(s.DragStart.x(), s.DragStart.y());
        const QPointF b = world.DeviceToWorld(s.DragEnd.x(), s.DragEnd.y());
        const TWorldRect r{std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::max(a.x(), b.x()),
                           std::max(a.y(), b.y())};
        s.Dragging = false;
        s.Snapshot = QImage();
        target->HighlightArea = r;
        target->HighlightOn = target->OnZoomRect ? target->OnZoomRect(*target, r) : false;
        root.RequestRepaint();
    }
    s.DownPanel = nullptr;
    root.LastMouse = QPoint(m.X, m.Y);
}

// ---- text box ----

void TGrafik::DrawTextBox(TCanvas& canvas, const QStringList& lines, QPoint anchor) const
{
    if (lines.isEmpty()) return;
    const TIntRect& inner = InnerRect();
    HintStyle.Apply(Current.Geometry, canvas);
    canvas.TextAlign = TA_LEFT_ | TA_TOP_;
    canvas.Font.AngleDegrees = 0;
    const TIntRect area = inner.Inflated(-5);
    int lineHeight = 0, boxW = 0, boxH = 0;
    for (;;) {
        lineHeight = canvas.TextHeight(QStringLiteral("M"));
        int widest = 0;
        for (const QString& line : lines) widest = std::max(widest, canvas.TextWidth(line));
        boxW = widest + 6;
        boxH = static_cast<int>(lines.size()) * lineHeight + 6;
        if ((boxW <= area.Width() && boxH <= area.Height()) || canvas.Font.Height <= 1) break;
        --canvas.Font.Height;
    }
    // Open towards the centre of the plot area, stay inside it.
    const int cx = (inner.Left + inner.Right) / 2, cy = (inner.Top + inner.Bottom) / 2;
    int left = anchor.x() > cx ? anchor.x() - boxW : anchor.x();
    int top = anchor.y() > cy ? anchor.y() - boxH : anchor.y();
    left = std::max(area.Left, std::min(left, area.Right - boxW));
    top = std::max(area.Top, std::min(top, area.Bottom - boxH));
    canvas.Rectangle({left, top, left + boxW, top + boxH});
    for (int i = 0; i < lines.size(); ++i)
        canvas.TextOut(left + 3, top + 3 + i * lineHeight, lines[i]);
}

void TGrafik::ShowTextBox(const QStringList& lines, QPoint anchor)
{
    TPageState& s = RootPanel().PageState();
    s.BoxPanel = this;
    s.BoxLines = lines;
    s.BoxAnchor = anchor;
    RequestRepaint();
}

void TGrafik::ClearTextBox()
{
    TPageState& s = RootPanel().PageState();
    if (s.BoxLines.isEmpty() && !s.BoxPanel) return;
    s.BoxPanel = nullptr;
    s.BoxLines.clear();
    RequestRepaint();
}

QStringList TGrafik::TextBoxLines() const
{
    const TGrafik& root = RootPanel();
    return root.State ? root.State->BoxLines : QStringList();
}

void TGrafik::RequestRepaint()
{
    TGrafik& root = RootPanel();
    if (root.Host) root.Host->RequestRepaint();
}
