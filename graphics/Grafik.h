#pragma once
// Panels (TGrafik): a retained drawing in world coordinates.
//
// How a window uses a page (TGrfContainer, GrfContainer.h):
//   - create the page and add child panels with
//     `auto* tree = page.AddChild(std::make_unique<TTreeGrf>());` (the page owns
//     its children; deleting the page deletes all);
//   - implement TGrfHost::RequestRepaint (e.g. QWidget::update) and SetHost;
//   - in paintEvent: `QPainter p(this); page->PaintInto(p, size());` — this lays
//     the page out, draws it and keeps the layout for the mouse, then draws the
//     transient overlay (an info box while a marker is held, a drag outline);
//   - route the widget's mouse press / move / release as TGrfMouse (device
//     pixels, button) to page->MouseDown / MouseMove / MouseUp;
//   - to render elsewhere: `TPainterCanvas c(painter); page->PaintToCanvas(c, rect);`
//     or, leaving the page as it is, LayOut and Render (PanelLayout.h), as the
//     file writers of GrfRender.h (BMP, 1-bit BMP, PNG, JPEG, EMF, SVG, PDF) do.
//
// Drawing code is written once in world coordinates with a TWorldPen; it runs
// first as a measuring pass (every point only enlarges the world being
// measured) and then as a drawing pass through the mapping. Preparing (what
// does not depend on the output size, e.g. a tree's node positions), laying
// out (sizes, measuring) and rendering are separate steps; only preparing
// changes the panel.
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
#include "graphics/PanelLayout.h"
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
};
Q_DECLARE_FLAGS(TGrfFlags, TGrfFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TGrfFlags)

// The shape of a panel's background (with TGrfFlag::ClipBackground).
enum class TFrameKind { Plain, Rectangle, RoundRect, Ellipse };
// What a left drag on a panel does.
enum class TDragMode { None, Rectangle };

// What a panel's Draw draws with. Measuring, it only extends the world being
// measured (World() is the extent so far); drawing, it maps onto the canvas.
class TWorldPen {
public:
    // The measuring pass.
    explicit TWorldPen(TWorld& measured) : Measured(&measured), Mapping(&measured) {}
    // The drawing pass.
    TWorldPen(TCanvas& canvas, const TPanelLayout& layout)
        : Target(&canvas), Mapping(&layout.World), Layout(&layout)
    {
    }

    bool Measuring() const { return Measured != nullptr; }
    // None while measuring.
    TCanvas* Canvas() const { return Target; }
    const TWorld& World() const { return *Mapping; }
    // The extent measured so far; only while measuring.
    TWorldRect& MeasuredRect() { return Measured->Rect; }
    // The panel's geometry; a blank one while measuring.
    const TPanelGeometry& Geometry() const;

    void MoveTo(double x, double y);
    void LineTo(double x, double y);
    void TextOut(const QString& text, const TGrfStyle* style, double x, double y);
    void Point(double x, double y, const TDotStyle& style);
    void SetPen(int width, const QColor& color);

private:
    TWorld* Measured = nullptr;
    TCanvas* Target = nullptr;
    const TWorld* Mapping = nullptr;
    const TPanelLayout* Layout = nullptr;
};

class TGrafik {
public:
    TGrafik();
    virtual ~TGrafik();
    TGrafik(const TGrafik&) = delete;
    TGrafik& operator=(const TGrafik&) = delete;

    // The panel's looks (settings callers fill in).
    TGrfStyle Background;
    TFontStyle DefaultFont, LegendStyle, CaptionStyle, RemarksStyle, HintStyle;
    QColor Highlight = QColor(0xC0, 0xC0, 0xC0);
    // Receives a dragged world rectangle; the answer keeps it highlighted.
    std::function<bool(TGrafik& panel, const TWorldRect& rect)> OnZoomRect;

    TGrfFlags Flags() const { return PanelFlags; }
    void SetFlags(TGrfFlags flags) { PanelFlags = flags; }
    void SetFlag(TGrfFlag flag, bool on = true) { PanelFlags.setFlag(flag, on); }
    TFrameKind FrameKind() const { return Frame; }
    void SetFrameKind(TFrameKind kind) { Frame = kind; }
    TDragMode DragMode() const { return Drag; }
    void SetDragMode(TDragMode mode) { Drag = mode; }
    // A world measured anew at every layout; otherwise (0, 0, 1, 1).
    bool AutoWorld() const { return Auto; }
    void SetAutoWorld(bool on) { Auto = on; }
    // Left, top, right, bottom as fractions of the owner's plot area.
    void SetRelBounds(double left, double top, double right, double bottom);
    // A root panel drawn taller than asked (e.g. for readable tip labels)
    // keeps the title, fonts and lines it has at this height; 0: its own.
    int ScaleHeight() const { return Scale; }
    void SetScaleHeight(int height) { Scale = height; }
    void SetHost(TGrfHost* host) { Host = host; }

    TGrafik* Owner() const { return OwnerPanel; }
    const TGrafik& RootPanel() const;
    TGrafik& RootPanel();
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
    const std::vector<std::unique_ptr<TGrfObj>>& GrfObjects() const { return Objects; }
    TGrfObj* AddGrfObj(std::unique_ptr<TGrfObj> object);
    void ClearGrfObjects();

    // The steps of a paint. Prepare what does not depend on the output size
    // (this panel and its children); lay out at rect on canvas (which answers
    // the text sizes) with the title block and fonts of scaleHeight (0: of
    // rect); render that layout.
    virtual void Prepare();
    TPanelLayouts LayOut(TCanvas& canvas, const TIntRect& rect, int scaleHeight) const;
    void Render(TCanvas& canvas, const TPanelLayouts& layout) const;
    // Prepares, lays out with the page's ScaleHeight, renders, and keeps the
    // layout as the current one (for the mouse and the accessors below).
    void PaintToCanvas(TCanvas& canvas, const TIntRect& rect);
    // On screen: the widget's painter and client size; see the comment above.
    void PaintInto(QPainter& painter, QSize clientSize, bool throughBitmap = false);
    // Off screen: a fresh 24-bit image of the given size with the page on it
    // (with the page's ScaleHeight, or scaleHeight); the current layout stays.
    QImage RenderImage(int width, int height) const { return RenderImage(width, height, Scale); }
    QImage RenderImage(int width, int height, int scaleHeight) const;

    // The layout of the last PaintToCanvas / PaintInto.
    const TPanelLayout& CurrentLayout() const { return Current; }
    const TIntRect& OuterRect() const { return Current.Geometry.Outer; }
    const TIntRect& InnerRect() const { return Current.Geometry.Inner; }
    const TWorld& World() const { return Current.World; }
    bool Shown() const { return Current.Shown; }
    // The height the panel's font sizes, gaps and pen widths are fractions of.
    int ProportionHeight() const { return Current.Geometry.ProportionHeight; }

    // Mouse routing (device pixels of the page); see the comment above.
    void MouseDown(const TGrfMouse& m);
    void MouseMove(const TGrfMouse& m);
    void MouseUp(const TGrfMouse& m);
    // The panel that receives a mouse press at (x, y): topmost child, recursively.
    TGrafik* PanelAt(int x, int y);
    bool Dragging() const;
    TIntRect DragRect() const;
    // The dragged rectangle kept highlighted (see OnZoomRect).
    bool HighlightShown() const { return HighlightOn; }
    const TWorldRect& HighlightRect() const { return HighlightArea; }

    // The text box: lines in HintStyle with a corner at anchor, opening towards
    // the centre of the plot area, kept inside it. Drawn on the canvas given.
    void DrawTextBox(TCanvas& canvas, const QStringList& lines, QPoint anchor) const;
    // Shown on screen over the page until ClearTextBox (not part of the drawing).
    void ShowTextBox(const QStringList& lines, QPoint anchor);
    void ClearTextBox();
    QStringList TextBoxLines() const;
    void RequestRepaint();

    virtual int RemarksCount() const { return 0; }
    virtual QString RemarksLine(int) const { return {}; }

protected:
    // The plot area inside g.Outer (with g.ProportionHeight); canvas answers text sizes.
    virtual TIntRect InnerRectFor(TCanvas& canvas, const TPanelGeometry& g) const;
    virtual int RightReserve(TCanvas& canvas, const TPanelGeometry& g) const;
    virtual int BottomReserve() const { return 0; }
    // The background as drawn; the page clears its outline under a title block.
    virtual TGrfStyle BackgroundStyle() const { return Background; }
    virtual void DrawDecoration(TCanvas& canvas, const TPanelLayout& layout) const;
    void DrawRemarks(TCanvas& canvas, const TPanelLayout& layout) const;
    virtual void Draw(TWorldPen&) const {}

private:
    void AdoptChild(std::unique_ptr<TGrafik> child);
    void ForgetPanel(const TGrafik* panel);
    void Measure(TPanelLayouts& layout) const;
    void Place(TCanvas& canvas, TPanelLayouts& layout, const TIntRect& outer, int rootHeight,
               int scaleHeight, int penHeight) const;
    void KeepLayout(const TPanelLayouts& layout);
    void PaintOverlay(TCanvas& canvas);

    TGrafik* OwnerPanel = nullptr;
    TGrfHost* Host = nullptr;  // on-screen owner of a root panel
    std::vector<std::unique_ptr<TGrfStyle>> Styles;
    std::vector<std::unique_ptr<TGrfObj>> Objects;
    TGrfFlags PanelFlags = TGrfFlag::ClipBackground;
    TFrameKind Frame = TFrameKind::Plain;
    TDragMode Drag = TDragMode::None;
    bool Auto = false;
    double RelBounds[4] = {0, 0, 1, 1};
    int Scale = 0;
    TPanelLayout Current;
    bool HighlightOn = false;
    TWorldRect HighlightArea;
    QPoint LastMouse{-1, -1};
    TGrfObj* ActiveObject = nullptr;
    // Page-level mouse state (kept on the root panel).
    struct TPageState;
    std::unique_ptr<TPageState> State;
    TPageState& PageState();
    std::vector<std::unique_ptr<TGrafik>> ChildPanels;
};
