#pragma once
// The tree panel: draws a node list as a rectangular phylogram with tip labels.
// Prepare (run by every PaintToCanvas) lays the nodes out; the world is
// measured anew at every layout (AutoWorld), so a paint follows any change of
// the node list. The const file writers draw the page as last prepared.
#include <unordered_map>
#include <vector>

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
    // Boxes drawn on (device pixels), for the changes to keep clear of.
    using TTaken = std::vector<TIntRect>;
    void DrawSubtree(TWorldPen& pen, TscTreeNode* start, const TFontStyle& label,
                     TTaken* taken) const;
    void DrawTipLabel(TWorldPen& pen, const TFontStyle& label, TscTreeNode* leaf, double xa,
                      double ya, TTaken* taken) const;
    void DrawSupport(TWorldPen& pen, const TFontStyle& label, TscTreeNode* node,
                     TTaken* taken) const;
    // The changes of every branch that has room for them, none over another
    // or over anything in taken: one circle per change with the character
    // above and the state below; where they do not fit, a box with their
    // number; where that does not fit either, nothing (the node lists them).
    void DrawChanges(TWorldPen& pen, const TFontStyle& label, TscTreeNode* start,
                     TTaken& taken) const;
};

// A branch's changes along it, left to right, in device pixels.
struct TChangeMarkPlace {
    TIntRect Circle;
    TIntRect Above, Below;  // the texts' boxes
};
// Places marks of the given text sizes (width above, width below) between
// x0 and x1 on the line y, each slot as wide as its widest part; empty when
// they do not fit or a box would cross one of taken (the circles may cross
// taken[own], the branch they sit on).
std::vector<TChangeMarkPlace> PlaceChangeMarks(int x0, int x1, int y, int radius, int textHeight,
                                               const std::vector<std::pair<int, int>>& widths,
                                               const std::vector<TIntRect>& taken, size_t own);
bool BoxesCross(const TIntRect& a, const TIntRect& b);

// Boxes drawn on, each found through the bands of pixel rows it covers, so
// that a box is compared with its neighbours only: thousands of branches'
// changes are placed without comparing every pair.
//   TTakenBoxes taken(std::move(boxes));
//   if (!taken.CrossesAny(box, own)) taken.Add(box);
class TTakenBoxes {
public:
    explicit TTakenBoxes(std::vector<TIntRect> boxes = {});
    void Add(const TIntRect& box);
    size_t Count() const { return Boxes.size(); }
    // Whether box crosses (BoxesCross) any box but the one numbered skip.
    bool CrossesAny(const TIntRect& box, size_t skip) const;

private:
    static constexpr int BandRows = 32;
    std::vector<TIntRect> Boxes;
    std::unordered_map<int, std::vector<size_t>> Bands;  // band -> boxes meeting it
};
std::vector<TChangeMarkPlace> PlaceChangeMarks(int x0, int x1, int y, int radius, int textHeight,
                                               const std::vector<std::pair<int, int>>& widths,
                                               const TTakenBoxes& taken, size_t own);
