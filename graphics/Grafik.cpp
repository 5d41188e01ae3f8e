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
    child->Owner = this;
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
    taken->Owner = nullptr;
    return taken;
}

void TGrafik::ForgetPanel(const TGrafik* panel)
{
    TPageState& s = *State;
    for (const TGrafik* p = s.DownPanel; p; p = p->Owner)
        if (p == panel) s.DownPanel = nullptr;
    for (const TGrafik* p = s.BoxPanel; p; p = p->Owner)
        if (p == panel) s.BoxPanel = nullptr;
}

int TGrafik::ProportionHeight() const
{
    const TGrafik& root = RootPanel();
    const int rootHeight = root.OuterRect.Height();
    if (root.ScaleHeight <= 0 || root.ScaleHeight >= rootHeight) return OuterRect.Height();
    return static_cast<int>(
        std::lround(double(OuterRect.Height()) * root.ScaleHeight / rootHeight));
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
    GrfObjects.push_back(std::move(object));
    return GrfObjects.back().get();
}

TCanvas* TGrafik::CurrentCanvas() const
{
    for (const TGrafik* p = this; p; p = p->Owner)
        if (p->Canvas) return p->Canvas;
    return nullptr;
}

const TGrafik& TGrafik::RootPanel() const
{
    const TGrafik* p = this;
    while (p->Owner) p = p->Owner;
    return *p;
}

TGrafik& TGrafik::RootPanel()
{
    TGrafik* p = this;
    while (p->Owner) p = p->Owner;
    return *p;
}

// ---- passes ----

void TGrafik::PrepareWorld()
{
    if (AutoWorld) {
        Drawing = false;
        World.ResetExtent();
        Draw();
        DrawObjects();
        TWorldRect& r = World.Rect;
        // A rounding error below zero should not push the axis off the edge.
        if (r.YMin < 0 && -r.YMin < 0.001 * (r.YMax - r.YMin)) r.YMin = 0;
    }
    for (auto& child : ChildPanels) child->PrepareWorld();
    Drawing = !World.IsEmpty();
}

void TGrafik::ComputeOuterRect()
{
    if (!Owner) return;
    const TIntRect& o = Owner->InnerRect;
    const double w = o.Width(), h = o.Height();
    OuterRect = {o.Left + static_cast<int>(std::lround(w * RelBounds[0])),
                 o.Top + static_cast<int>(std::lround(h * RelBounds[1])),
                 o.Left + static_cast<int>(std::lround(w * RelBounds[2])),
                 o.Top + static_cast<int>(std::lround(h * RelBounds[3]))};
}

int TGrafik::RightReserve()
{
    if (!(Flags & TGrfFlag::Remarks) || RemarksCount() == 0) return 0;
    TCanvas* c = CurrentCanvas();
    if (!c) return 0;
    RemarksStyle.Apply(*this, *c);
    int widest = 0;
    for (int i = 0; i < RemarksCount(); ++i)
        widest = std::max(widest, c->TextWidth(RemarksLine(i)));
    return widest + c->TextHeight(QStringLiteral("M")) / 2;
}

void TGrafik::LayoutInnerRect()
{
    InnerRect = OuterRect;
    if (Flags & TGrfFlag::Caption)
        InnerRect.Top += CaptionStyle.FontHeight(*this) +
                         static_cast<int>(std::lround(0.02 * ProportionHeight()));
    InnerRect.Right -= RightReserve();
    InnerRect.Bottom -= BottomReserve();
}

void TGrafik::DrawDecoration()
{
    TCanvas* c = CurrentCanvas();
    if (!c) return;
    if (!Background.Brush.Clear || Background.Pen.Kind != TPenKind::Clear) {
        Background.Apply(*this, *c);
        const TFrameKind kind = (Flags & TGrfFlag::ClipBackground) ? FrameKind : TFrameKind::Plain;
        if (kind == TFrameKind::RoundRect) {
            const int corner = 2 * (OuterRect.Height() / 5);
            c->RoundRect(OuterRect, corner, corner);
        } else if (kind == TFrameKind::Ellipse) {
            c->Ellipse(OuterRect);
        } else {
            c->Rectangle(OuterRect);
        }
    }
    if (HighlightShown) {
        const QPoint a = World.WorldToDevice(HighlightRect.XMin, HighlightRect.YMax);
        const QPoint b = World.WorldToDevice(HighlightRect.XMax, HighlightRect.YMin);
        c->Brush = {Highlight, false};
        c->FillRect({a.x(), a.y(), b.x(), b.y()});
    }
    DrawRemarks();
}

void TGrafik::DrawRemarks()
{
    if (!(Flags & TGrfFlag::Remarks) || RemarksCount() == 0) return;
    TCanvas* c = CurrentCanvas();
    if (!c) return;
    RemarksStyle.Apply(*this, *c);
    c->TextAlign = TA_LEFT_ | TA_TOP_;
    c->Font.AngleDegrees = 0;
    const int gap = static_cast<int>(std::lround(0.01 * ProportionHeight()));
    const int lineHeight = c->TextHeight(QStringLiteral("M"));
    for (int i = 0; i < RemarksCount(); ++i)
        c->TextOut(InnerRect.Right + gap, InnerRect.Top + i * (lineHeight + gap), RemarksLine(i));
}

void TGrafik::DrawPrimitives()
{
    for (auto& primitive : Primitives) primitive(*this);
}

void TGrafik::DrawObjects()
{
    if (!Drawing) {
        for (auto& o : GrfObjects) o->ResetExtent();
        return;
    }
    TCanvas* c = CurrentCanvas();
    if (!c) return;
    for (auto& o : GrfObjects) o->Draw(*c);
}

void TGrafik::Paint()
{
    ComputeOuterRect();
    LayoutInnerRect();
    if (InnerRect.Width() <= 10 || InnerRect.Height() <= 10) return;
    TCanvas* c = CurrentCanvas();
    if (!c) return;
    World.SetMapping(InnerRect);
    DrawDecoration();
    c->Save();
    if (Flags & TGrfFlag::ClipPlot) c->ClipTo(TClipShape::Rectangle, InnerRect);
    Draw();
    if (!(Flags & TGrfFlag::PrimitivesLast)) DrawPrimitives();
    DrawObjects();
    c->Restore();
    for (auto& child : ChildPanels) {
        if (!child->Drawing) continue;
        c->Save();
        c->ClipTo(TClipShape::Rectangle, OuterRect);
        child->Paint();
        c->Restore();
    }
    if (Flags & TGrfFlag::PrimitivesLast) DrawPrimitives();
    AfterDraw();
}

void TGrafik::Refresh()
{
    PrepareWorld();
    if (Drawing) Paint();
}

void TGrafik::PaintToCanvas(TCanvas& canvas, const TIntRect& rect)
{
    TCanvas* oldCanvas = Canvas;
    const TIntRect oldRect = OuterRect;
    Canvas = &canvas;
    OuterRect = rect;
    InnerRect = rect;
    Refresh();
    Canvas = oldCanvas;
    OuterRect = oldRect;
}

void TGrafik::LayoutOnly(TCanvas& canvas, const TIntRect& rect)
{
    TCanvas* oldCanvas = Canvas;
    Canvas = &canvas;
    OuterRect = rect;
    InnerRect = rect;
    LayoutTree();
    Canvas = oldCanvas;
}

void TGrafik::LayoutTree()
{
    ComputeOuterRect();
    LayoutInnerRect();
    for (auto& child : ChildPanels) child->LayoutTree();
}

QImage TGrafik::RenderImage(int width, int height)
{
    QImage image(std::max(1, width), std::max(1, height), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    TPainterCanvas canvas(painter);
    PaintToCanvas(canvas, {0, 0, width - 1, height - 1});
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
    OuterRect = client;
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
        if ((*it)->Drawing && (*it)->OuterRect.Contains(x, y)) return (*it)->PanelAt(x, y);
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
    for (auto it = target->GrfObjects.rbegin(); it != target->GrfObjects.rend(); ++it) {
        TGrfObj* o = it->get();
        if (o->DeviceBounds().Inflated(o->Tolerance).Contains(m.X, m.Y)) {
            target->ActiveObject = o;
            o->Activate(m);
            break;
        }
    }
    if (m.Button == TMouseButton::Left && target->DragMode == TDragMode::Rectangle &&
        s.DownPanel == target) {
        s.Dragging = true;
        s.DragStart = s.DragEnd = QPoint(m.X, m.Y);
        const TIntRect page = root.OuterRect;
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
        for (auto& o : target->GrfObjects) {
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
        const QPointF a = target->World.DeviceToWorld(s.DragStart.x(), s.DragStart.y());
        const QPointF b = target->World.DeviceToWorld(s.DragEnd.x(), s.DragEnd.y());
        const TWorldRect r{std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::max(a.x(), b.x()),
                           std::max(a.y(), b.y())};
        s.Dragging = false;
        s.Snapshot = QImage();
        target->HighlightRect = r;
        target->HighlightShown = target->OnZoomRect ? target->OnZoomRect(*target, r) : false;
        root.RequestRepaint();
    }
    s.DownPanel = nullptr;
    root.LastMouse = QPoint(m.X, m.Y);
}

// ---- text box ----

void TGrafik::DrawTextBox(TCanvas& canvas, const QStringList& lines, QPoint anchor)
{
    if (lines.isEmpty()) return;
    HintStyle.Apply(*this, canvas);
    canvas.TextAlign = TA_LEFT_ | TA_TOP_;
    canvas.Font.AngleDegrees = 0;
    const TIntRect area = InnerRect.Inflated(-5);
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
    const int cx = (InnerRect.Left + InnerRect.Right) / 2,
              cy = (InnerRect.Top + InnerRect.Bottom) / 2;
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

// ---- world-coordinate drawing ----

void MoveToW(TGrafik& panel, double x, double y)
{
    if (!panel.Drawing) {
        panel.World.Extend(x, y);
        return;
    }
    if (TCanvas* c = panel.CurrentCanvas()) {
        const QPoint p = panel.World.WorldToDevice(x, y);
        c->MoveTo(p.x(), p.y());
    }
}

void LineToW(TGrafik& panel, double x, double y)
{
    if (!panel.Drawing) {
        panel.World.Extend(x, y);
        return;
    }
    if (TCanvas* c = panel.CurrentCanvas()) {
        const QPoint p = panel.World.WorldToDevice(x, y);
        c->LineTo(p.x(), p.y());
    }
}

void TextOutW(TGrafik& panel, const QString& text, const TGrfStyle* style, double x, double y)
{
    if (!panel.Drawing) {
        panel.World.Extend(x, y);
        return;
    }
    if (TCanvas* c = panel.CurrentCanvas()) {
        if (style) style->Apply(panel, *c);
        const QPoint p = panel.World.WorldToDevice(x, y);
        c->TextOut(p.x(), p.y(), text);
    }
}

void PointW(TGrafik& panel, double x, double y, const TDotStyle& style)
{
    if (!panel.Drawing) {
        panel.World.Extend(x, y);
        return;
    }
    if (TCanvas* c = panel.CurrentCanvas())
        style.DrawMarker(panel, *c, panel.World.WorldToDevice(x, y));
}

void SetPen(TGrafik& panel, int width, const QColor& color)
{
    if (TCanvas* c = panel.CurrentCanvas()) c->Pen = {color, width, TPenKind::Solid};
}
