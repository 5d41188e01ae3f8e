#pragma once
// A page with one tree panel, set up as the tree graphic and its export do.
#include <QColor>
#include <memory>

#include "graphics/GrfContainer.h"
#include "graphics/TreeSpezial.h"

// Export window layout items and what they set on a page.
enum class TPageLayout { Lines, TitleOnly, None, Rectangle, RoundRect };
void ApplyPageLayout(TGrfContainer& page, TPageLayout layout);

struct TTreePage {
    std::unique_ptr<TGrfContainer> Page;
    TadaTreeGrf* Panel = nullptr;  // owned by Page
};

// A page (white background) showing nodes (not owned) with markers.
TTreePage MakeTreePage(TscTreeNodes& nodes);

// Tip labels stay readable: at least 8 pixels on screen and 6 points on paper
// and in files (8 pixels at 96 dots per inch).
constexpr int ScreenLabelFloor = 8;
constexpr double PrintLabelFloorPoints = 6;
// Pixels of a label floor in points at a resolution; 0 points: no floor.
int LabelFloorPixels(double points, double dotsPerInch);
// Sets the label floor of every tree panel of the page.
void SetLabelFloor(TGrafik& page, int pixels);

// The height a picture width pixels wide needs so that the tip labels of
// every tree panel reach their floor without overlapping: height itself when
// they already do, else taller, at most maxHeight. A small tree keeps its
// proportions; a large one grows downwards.
//   const int h = ReadableHeight(page, 1280, 1024);  // e.g. 2400 for 255 leaves
// The page is only laid out (it stays as it is).
int ReadableHeight(const TGrafik& page, int width, int height, int maxHeight = 20000);
