#pragma once
// The program's tree: clickable node markers, the information box and the
// selection event on top of TTreeGrf.
//
// The tree window: `auto* panel = page.AddChild(std::make_unique<TadaTreeGrf>());
// panel->TreeNodes = &nodes;
// panel->ZoomRoot = nodes.Root; panel->RebuildMarkers(); panel->OnSelect = ...;`
// After ReRoot, Swap or a new ZoomRoot call RebuildMarkers (which prepares the
// panel, so that the const file writers draw the new tree) and repaint.
#include <functional>

#include "graphics/TreeGrf.h"

class TadaTreeNode : public TscTreeNode {
public:
    using TscTreeNode::TscTreeNode;
};

class TadaTreeNodes : public TscTreeNodes {
public:
    TadaTreeNode* Add() { return static_cast<TadaTreeNode*>(TscTreeNodes::Add()); }

protected:
    std::unique_ptr<TscTreeNode> NewNode() override { return std::make_unique<TadaTreeNode>(this); }
};

class TadaTreeGrf;

// Marker of one node; its text is the node's Ident (never drawn).
class TadaArtDot : public TDotObject {
public:
    TadaArtDot(TDotStyle* style, TscTreeNode* node);
    TscTreeNode* Node = nullptr;
    QString GetText() const override;
    void Draw(TCanvas& canvas, const TPanelLayout& layout) const override;
    void Activate(const TGrfMouse& m) override;
    void Release(const TGrfMouse& m) override;
    // Drawn no larger than this (pixels; -1: the style's size), so that no
    // marker covers its neighbour; set by the panel's drawing pass.
    mutable int DrawnDiameter = -1;
};

class TadaTreeGrf : public TTreeGrf {
public:
    TadaTreeGrf();

    // Raised with the marker after any mouse press on it.
    std::function<void(TadaArtDot*)> OnSelect;

    const TDotStyle& LeaveStyle() const { return *static_cast<const TDotStyle*>(Style(1)); }
    TDotStyle& LeaveStyle() { return *static_cast<TDotStyle*>(Style(1)); }
    const TDotStyle& NodeStyle() const { return *static_cast<const TDotStyle*>(Style(2)); }
    TDotStyle& NodeStyle() { return *static_cast<TDotStyle*>(Style(2)); }
    // One marker per node shown (ZoomRoot's subtree, or all nodes); prepares the panel.
    void RebuildMarkers();
    // The tree's layout, then the markers' sizes and places.
    void Prepare() override;
    // The lines of a node's information box.
    static QStringList InfoLines(const TscTreeNode& node);

protected:
    void Draw(TWorldPen& pen) const override;

private:
    void UpdateMarkerSizes();
};

// The largest marker size (pixels) at each centre such that no two markers
// overlap: the distance (the larger of dx and dy) to the nearest other
// centre, at most size.
std::vector<int> NonOverlappingSizes(const std::vector<QPoint>& centres, int size);

// A branch length as the information box shows it: 5 decimals, "," as decimal
// and "." as group separator, at most 10 characters; 0 gives an empty text.
QString FormatNodeLength(double length);
