#pragma once
// The tree panel: draws a node list as a rectangular phylogram with tip labels.
// Its world is measured anew at every paint (AutoWorld), so the layout follows
// any change of the node list without further calls.
#include "graphics/Grafik.h"
#include "graphics/TreeClasses.h"

class TTreeGrf : public TGrafik {
public:
    explicit TTreeGrf(TGrafik* owner);

    TscTreeNodes* TreeNodes = nullptr;  // not owned
    TscTreeNode* ZoomRoot = nullptr;    // subtree shown; none = the whole tree
    bool DrawAtRight = true;            // tip labels end at the right edge
    double HalfDot = 0;
    bool ShowChanges = false;  // the nodes' Changes as marks along their branches

    TFontStyle& LabelStyle() const { return *static_cast<TFontStyle*>(Style(0)); }
    // The node the drawing starts from.
    TscTreeNode* StartNode() const;

protected:
    void Draw() override;
    virtual void AfterMeasure() {}

private:
    void DrawSubtree(TscTreeNode* start);
    void DrawTipLabel(TscTreeNode* leaf, double xa, double ya);
    void DrawSupport(TscTreeNode* node);
    void DrawChanges(TscTreeNode* node);
};
