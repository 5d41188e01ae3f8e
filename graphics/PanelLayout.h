#pragma once
// Where a page's panels lie at one output size, apart from the panels.
//
// TGrafik::LayOut measures every panel and places it (rectangles, world,
// mapping); TGrafik::Render draws from that without changing the page:
//   const TPanelLayouts layout = page.LayOut(canvas, {0, 0, w - 1, h - 1}, 0);
//   page.Render(canvas, layout);
//   const TIntRect plot = layout.Of(*treePanel).Geometry.Inner;
// Styles and markers get only a panel's geometry (TPanelGeometry), never the panel.
#include <unordered_map>

#include "graphics/Canvas.h"
#include "graphics/World.h"

class TGrafik;

// What sizes depend on: a panel's rectangles and the heights its sizes are fractions of.
struct TPanelGeometry {
    TIntRect Outer, Inner;
    // Font sizes and gaps are fractions of this height (a child panel scales
    // with the root, so that its fonts keep their size on a taller picture).
    int ProportionHeight = 0;
    // The root panel's proportion height: what pen widths scale with.
    int PenHeight = 0;
};

struct TPanelLayout {
    TPanelGeometry Geometry;
    TWorld World;        // the measured extent, mapped onto Geometry.Inner
    bool Shown = false;  // the world is not empty: the panel is drawn
};

// The layouts of all panels of a page.
class TPanelLayouts {
public:
    // A blank layout for a panel that was not laid out.
    const TPanelLayout& Of(const TGrafik& panel) const;
    TPanelLayout& Add(const TGrafik& panel) { return Panels[&panel]; }

private:
    std::unordered_map<const TGrafik*, TPanelLayout> Panels;
};
