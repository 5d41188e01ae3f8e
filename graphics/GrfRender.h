#pragma once
// Rendering a page (TGrfContainer or any root panel) into pictures and files.
// Every format goes through the same drawing code; only the canvas differs.
// The page is laid out apart and drawn as last prepared (see TGrafik::Prepare);
// it stays as it is.
//
//   QImage image = RenderBitmap(page, 1280, 1024);          // 24-bit
//   TStatus saved = SavePicture(page, "tree.jpg", PictureFormatFromPath("tree.jpg"), 1280, 1024);
//   if (!saved) Show(saved.Error());
// A printer (or any QPaintDevice) takes the page through a TPainterCanvas:
//   QPainter p(&printer); TPainterCanvas c(p);
//   page.Render(c, page.LayOut(c, {x, y, x + w - 1, y + h - 1}, page.ScaleHeight()));
// or draw RenderBitmap(...) / RenderMonoBitmap(...) with QPainter::drawImage.
#include <QByteArray>
#include <QImage>
#include <QString>

#include "data/Result.h"
#include "graphics/Grafik.h"

enum class TPictureFormat { Bmp, MonoBmp, Png, Jpeg, Emf, Svg, Pdf, Unknown };

constexpr int JpegQuality = 90;

// From the file name's extension: .bmp .png .jpg/.jpeg .emf .svg .pdf.
TPictureFormat PictureFormatFromPath(const QString& path);

// 24-bit colour picture of the page.
QImage RenderBitmap(const TGrafik& page, int width, int height);
// One bit per pixel: black where the colour picture is dark, white elsewhere.
QImage RenderMonoBitmap(const TGrafik& page, int width, int height);
// The whole file content of each format, or why it could not be made.
// A page whose tree panels have a label floor (TTreeGrf::MinLabelPixels) may
// come out taller than height (ReadableHeight, TreePage.h).
TResult<QByteArray> RenderPicture(const TGrafik& page, TPictureFormat format, int width,
                                  int height);
// The tallest picture of a format that ReadableHeight may grow to: a bitmap
// is made whole in memory (at most 64 million pixels), a PDF page ends near
// 200 inches; SVG and EMF take what a tree of 20 000 leaves needs.
int MaxPictureHeight(TPictureFormat format, int width);

// Renders and writes atomically (an existing file is kept on failure).
TStatus SavePicture(const TGrafik& page, const QString& path, TPictureFormat format, int width,
                    int height);

// Sets a page's ScaleHeight (unless it has one) for the guard's lifetime:
// a picture drawn taller keeps the title block and fonts of height.
class TScaleGuard {
public:
    TScaleGuard(TGrafik& page, int height) : Page(page), Kept(page.ScaleHeight())
    {
        if (Kept <= 0) Page.SetScaleHeight(height);
    }
    ~TScaleGuard() { Page.SetScaleHeight(Kept); }
    TScaleGuard(const TScaleGuard&) = delete;
    TScaleGuard& operator=(const TScaleGuard&) = delete;

private:
    TGrafik& Page;
    int Kept;
};
