#pragma once
// Panels (TGrafik): a retained drawing in world coordinates.
//
// How a window uses a page (TGrfContainer, GrfContainer.h):
//   - create the page and add child panels with
//     `auto* tree = page.AddChild(std::make_unique<TTreeGrf>());` (the page owns
//     its children; deleting the page deletes all);
//   - implement TGrfHost::RequestRepaint (e.g. QWidget::update) and set page.Host;
//   - in paintEvent: `QPainter p(this); page->PaintInto(p, size());` — this runs
//     the measuring pass and the drawing pass, then draws the transient overlay
//     (an info box while a marker is held, a drag outline while dragging);
//   - route the widget's mouse press / move / release as TGrfMouse (device
//     pixels, button) to page->MouseDown / MouseMove / MouseUp;
//   - to render elsewhere: `TPainterCanvas c(painter); page->PaintToCanvas(c, rect);`
//     or the file writers of GrfRender.h (BMP, 1-bit BMP, PNG, JPEG, EMF, SVG, PDF).
//
// Drawing code is written once in world coordinates with MoveToW, LineToW,
// TextOutW and PointW; it runs first as a measuring pass (Drawing false: every
// point only enlarges World) and then as a drawing pass through the mapping.
#include <QFlags>
#include <QImage>
#include <QStringList>
#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "graphics/Canvas.h"
#include "graphics/GrfObj.h"
#include "graphics/GrfStyle.h"
#include "graphics/World.h"

// The on-screen owner of a page: asked to repaint (e.g. QWidget::update()).
class TGrfHost {
public:
    virtual ~TGrfHost() = default;
    virtual void RequestRepaint() = 0;
};

// Panel flags.
enum class TGrfFlag : int {
    LegendRight = 0x4,
    LegendBottom = 0x8,
    Caption = 0x20,
    ClipPlot = 0x100,
    ClipBackground = 0x200,  // the background takes the frame's shape
    Remarks = 0x400,
    Blink = 0x800,
    PrimitivesLast = 0x8000,
};
Q_DECLARE_FLAGS(TGrfFlags, TGrfFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TGrfFlags)

// The shape of a panel's background (with TGrfFlag::ClipBackground).
enum class TFrameKind { Plain, Rectangle, RoundRect, Ellipse };
// What a left drag on a panel does.
enum class TDragMode { None, Rectangle };

class TGrafik {
public:
    TGrafik();
    virtual ~TGrafik();
    TGrafik(const TGrafik&) = delete;
    TGrafik& operator=(const TGrafik&) = delete;

    TGrafik* Owner = nullptr;
    TCanvas* Canvas = nullptr;  // own canvas; none = the owner's
    TGrfHost* Host = nullptr;   // on-screen owner of a root panel
    // Extra drawings run after Draw (or after the children with GrfPrimitivesLast).
    std::vector<std::function<void(TGrafik&)>> Primitives;
    std::vector<std::unique_ptr<TGrfObj>> GrfObjects;
    bool Drawing = true;
    TWorld World;
    bool AutoWorld = false;
    TIntRect OuterRect, InnerRect;
    // A root panel drawn taller than asked (e.g. for readable tip labels)
    // keeps the title, fonts and lines it has at this height; 0: its own.
    int ScaleHeight = 0;
    // The height the panel's font sizes, gaps and pen widths are fractions of.
    // A child panel scales with the root, so that its fonts keep their size too.
    int ProportionHeight() const;
    double RelBounds[4] = {0, 0, 1, 1};  // left, top, right, bottom of the owner's InnerRect
    std::vector<std::unique_ptr<TGrfStyle>> Styles;
    TGrfStyle Background;
    TFontStyle DefaultFont, LegendStyle, CaptionStyle, RemarksStyle, HintStyle;
    TGrfFlags Flags = TGrfFlag::ClipBackground;
    TFrameKind FrameKind = TFrameKind::Plain;
    TDragMode DragMode = TDragMode::None;
    // Receives a dragged world rectangle; the answer keeps it highlighted.
    std::function<bool(TGrafik& panel, const TWorldRect& rect)> OnZoomRect;
    QColor Highlight = QColor(0xC0, 0xC0, 0xC0);
    bool HighlightShown = false;
    TWorldRect HighlightRect;
    QPoint LastMouse{-1, -1};
    TGrfObj* ActiveObject = nullptr;

    // Child panels, in drawing order; the panel owns them.
    const std::vector<std::unique_ptr<TGrafik>>& Children() const { return ChildPanels; }
    // Adds a child panel (drawn after the earlier ones) and returns it.
    template <class P>
    P* AddChild(std::unique_ptr<P> child)
    {
        P* raw = child.get();
        AdoptChild(std::move(child));
        return raw;
    }
    // Takes a child out of the panel; the caller owns it then.
    std::unique_ptr<TGrafik> RemoveChild(TGrafik* child);

    const TGrfStyle* Style(int index) const;
    TGrfStyle* Style(int index);
    // Appends a style (the panel owns it) and returns it.
    template <class S>
    S* AddStyle(std::unique_ptr<S> style)
    {
        S* raw = style.get();
        Styles.push_back(std::move(style));
        return raw;
    }
    TGrfObj* AddGrfObj(std::unique_ptr<TGrfObj> object);
    TCanvas* CurrentCanvas() const;
    const TGrafik& RootPanel() const;
    TGrafik& RootPanel();

    // Measuring pass of this panel and its children.
    virtual void PrepareWorld();
    virtual void Paint();
    // Measuring pass, then Paint when there is something to draw.
    virtual void Refresh();
    // Paints on canvas inside rect (the page keeps neither afterwards).
    void PaintToCanvas(TCanvas& canvas, const TIntRect& rect);
    // Lays out the panel rectangles for rect as a paint would, drawing
    // nothing; canvas answers the text sizes. The rectangles stay.
    void LayoutOnly(TCanvas& canvas, const TIntRect& rect);
    // On screen: the widget's painter and client size; see the comment above.
    void PaintInto(QPainter& painter, QSize clientSize, bool throughBitmap = false);
    // Off screen: a fresh 24-bit image of the given size with the page on it.
    QImage RenderImage(int width, int height);

    // Mouse routing (device pixels of the page); see the comment above.
    void MouseDown(const TGrfMouse& m);
    void MouseMove(const TGrfMouse& m);
    void MouseUp(const TGrfMouse& m);
    // The panel that receives a mouse press at (x, y): topmost child, recursively.
    TGrafik* PanelAt(int x, int y);
    bool Dragging() const;
    TIntRect DragRect() const;

    // The text box: lines in HintStyle with a corner at anchor, opening towards
    // the centre of the plot area, kept inside it. Drawn on the canvas given.
    void DrawTextBox(TCanvas& canvas, const QStringList& lines, QPoint anchor);
    // Shown on screen over the page until ClearTextBox (not part of the drawing).
    void ShowTextBox(const QStringList& lines, QPoint anchor);
    void ClearTextBox();
    QStringList TextBoxLines() const;
    void RequestRepaint();

    virtual int RemarksCount() const { return 0; }
    virtual QString RemarksLine(int) const { return {}; }

protected:
    virtual void ComputeOuterRect();
    virtual void LayoutInnerRect();
    virtual int RightReserve();
    virtual int BottomReserve() { return 0; }
    virtual void DrawDecoration();
    virtual void DrawRemarks();
    void DrawPrimitives();
    void DrawObjects();
    virtual void Draw() {}
    virtual void AfterDraw() {}

private:
    void LayoutTree();
    void PaintOverlay(TCanvas& canvas);
    void AdoptChild(std::unique_ptr<TGrafik> child);
    void ForgetPanel(const TGrafik* panel);
    std::vector<std::unique_ptr<TGrafik>> ChildPanels;
    // Page-level mouse state (kept on the root panel).
    struct TPageState;
    std::unique_ptr<TPageState> State;
    TPageState& PageState();
};

// World-coordinate drawing; in the measuring pass the points only enlarge the world.
void MoveToW(TGrafik& panel, double x, double y);
void LineToW(TGrafik& panel, double x, double y);
void TextOutW(TGrafik& panel, const QString& text, const TGrfStyle* style, double x, double y);
void PointW(TGrafik& panel, double x, double y, const TDotStyle& style);
void SetPen(TGrafik& panel, int width, const QColor& color);
