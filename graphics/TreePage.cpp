#include "graphics/TreePage.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "graphics/MeasureCanvas.h"

void ApplyPageLayout(TGrfContainer& page, TPageLayout layout)
{
    switch (layout) {
        case TPageLayout::Lines:
            page.TitleLayout = TTitleLayout::Lines, page.SetFrameKind(TFrameKind::Plain);
            break;
        case TPageLayout::TitleOnly:
            page.TitleLayout = TTitleLayout::TitleOnly, page.SetFrameKind(TFrameKind::Plain);
            break;
        case TPageLayout::None:
            page.TitleLayout = TTitleLayout::None, page.SetFrameKind(TFrameKind::Plain);
            break;
        case TPageLayout::Rectangle:
            page.TitleLayout = TTitleLayout::None, page.SetFrameKind(TFrameKind::Rectangle);
            break;
        case TPageLayout::RoundRect:
            page.TitleLayout = TTitleLayout::None, page.SetFrameKind(TFrameKind::RoundRect);
            break;
    }
}

TTreePage MakeTreePage(TscTreeNodes& nodes)
{
    TTreePage t;
    t.Page = std::make_unique<TGrfContainer>();
    t.Page->Background.Brush = {QColor(Qt::white), false};
    t.Panel = t.Page->AddChild(std::make_unique<TadaTreeGrf>());
    t.Panel->TreeNodes = &nodes;
    t.Panel->ZoomRoot = nodes.Root;
    t.Panel->RebuildMarkers();
    return t;
}

int LabelFloorPixels(double points, double dotsPerInch)
{
    if (points <= 0) return 0;
    return static_cast<int>(std::ceil(points * dotsPerInch / 72.0 - 1e-9));
}

template <class P, class F>
static void ForEachPanel(P& panel, const F& f)
{
    f(panel);
    for (auto& child : panel.Children()) ForEachPanel(static_cast<P&>(*child), f);
}

void SetLabelFloor(TGrafik& page, int pixels)
{
    ForEachPanel(page, [pixels](TGrafik& p) {
        if (auto* tree = dynamic_cast<TTreeGrf*>(&p)) tree->MinLabelPixels = pixels;
    });
}

int ReadableHeight(const TGrafik& page, int width, int height, int maxHeight)
{
    std::vector<const TTreeGrf*> trees;
    ForEachPanel(page, [&trees](const TGrafik& p) {
        auto* tree = dynamic_cast<const TTreeGrf*>(&p);
        if (tree && tree->MinLabelPixels > 0 && tree->ProportionalLabelSize() > 0)
            trees.push_back(tree);
    });
    if (trees.empty() || width < 1 || height < 1 || height >= maxHeight) return height;
    TMeasureCanvas canvas;
    int h = height;
    for (int step = 0; step < 50; ++step) {
        // Title, fonts and lines keep the sizes of the height asked for.
        const TPanelLayouts layout = page.LayOut(canvas, {0, 0, width - 1, h - 1}, height);
        int missing = 0;
        for (const TTreeGrf* tree : trees) {
            // One leaf's share of the panel at least as high as a label.
            const double size = tree->ProportionalLabelSize();
            const int needed = static_cast<int>(std::ceil(tree->MinLabelPixels / size - 1e-9));
            missing = std::max(missing, needed - layout.Of(*tree).Geometry.Outer.Height());
        }
        if (missing <= 0 || h >= maxHeight) break;
        h = std::min(maxHeight, h + missing);
    }
    return h;
}
