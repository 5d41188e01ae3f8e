#pragma once
// A page with one tree panel, set up as the tree graphic and its export do.
#include "graphics/GrfContainer.h"
#include "graphics/TreeSpezial.h"

#include <QColor>
#include <memory>

// Export window layout items and what they set on a page.
enum class TPageLayout { Lines, TitleOnly, None, Rectangle, RoundRect };
void ApplyPageLayout(TGrfContainer& page, TPageLayout layout);

struct TTreePage {
    std::unique_ptr<TGrfContainer> Page;
    TadaTreeGrf* Panel = nullptr;  // owned by Page
};

// A page (white background) showing nodes (not owned) with markers.
TTreePage MakeTreePage(TscTreeNodes& nodes);
