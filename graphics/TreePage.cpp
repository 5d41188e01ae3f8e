#include "graphics/TreePage.h"

void ApplyPageLayout(TGrfContainer& page, TPageLayout layout)
{
    switch (layout) {
    case TPageLayout::Lines: page.TitleLayout = TitleLines, page.FrameKind = 0; break;
    case TPageLayout::TitleOnly: page.TitleLayout = TitleOnly, page.FrameKind = 0; break;
    case TPageLayout::None: page.TitleLayout = TitleNone, page.FrameKind = 0; break;
    case TPageLayout::Rectangle: page.TitleLayout = TitleNone, page.FrameKind = 1; break;
    case TPageLayout::RoundRect: page.TitleLayout = TitleNone, page.FrameKind = 2; break;
    }
}

TTreePage MakeTreePage(TscTreeNodes& nodes)
{
    TTreePage t;
    t.Page = std::make_unique<TGrfContainer>();
    t.Page->Background.Brush = {QColor(Qt::white), false};
    t.Panel = new TadaTreeGrf(t.Page.get());
    t.Panel->TreeNodes = &nodes;
    t.Panel->ZoomRoot = nodes.Root;
    t.Panel->RebuildMarkers();
    return t;
}
