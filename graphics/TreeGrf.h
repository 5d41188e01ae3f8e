#pragma once
// The tree panel: draws a node list as a rectangular phylogram with tip labels.
// Prepare (run by every PaintToCanvas) lays the nodes out; the world is
// measured anew at every layout (AutoWorld), so a paint follows any change of
// the node list. The const file writers draw the page as last prepared.
#include "graphics/Grafik.h"
#include "graphics/TreeClasses.h"

class TTreeGrf : public TGrafik {
public:
    TTreeGrf();

    TscTreeNodes* TreeNodes = nullptr;  // not owned
    TscTreeNode* ZoomRoot = nullptr;    // subtree shown; none = the whole tree
    bool DrawAtRight = true;            // tip labels end at the right edge
    double HalfDot = 0;
    bool ShowChanges = false;  // the nodes' Changes as marks along their branches
    // Tip labels are never drawn smaller than this many pixels (0: no floor);
    // ReadableHeight (TreePage.h) gives the picture height that keeps them
    // from overlapping.
    int MinLabelPixels = 0;

    const TFontStyle& LabelStyle() const { return *static_cast<const TFontStyle*>(Style(0)); }
    TFontStyle& LabelStyle() { return *static_cast<TFontStyle*>(Style(0)); }
    // The node the drawing starts from.
    TscTreeNode* StartNode() const;
    // Tip label height as a fraction of the panel height: one leaf's share,
    // at most 0.025; 0 when there is no tree.
    double ProportionalLabelSize() const;

    // Node positions (TreeLayout.h) and the label style's size for the tree shown.
    void Prepare() override;

protected:
    void Draw(TWorldPen& pen) const override;

private:
    bool Drawable() const;
    // The label style with the size of this tree and the floor.
    TFontStyle TipLabelStyle() const;
    void DrawSubtree(TWorldPen& pen, TscTreeNode* start, const TFontStyle& label) const;
    void DrawTipLabel(TWorldPen& pen, const TFontStyle& label, TscTreeNode* leaf, double xa,
                      double ya) const;
    void DrawSupport(TWorldPen& pen, const TFontStyle& label, TscTreeNode* node) const;
    void DrawChanges(TWorldPen& pen, const TFontStyle& label, TscTreeNode* node) const;
};
