#pragma once
// The page: the root panel with a title block, a frame, a remarks column and a
// background. See Grafik.h for binding a page to a widget or rendering it.
#include "graphics/Grafik.h"

// Lines: title, rule, subtitles, a frame round the plot; TitleOnly: title and rules;
// Special: a block of another program (none of this program's pages has one).
enum class TTitleLayout { None, Lines, TitleOnly, Special };

class TGrfContainer : public TGrafik {
public:
    TGrfContainer();

    QString Title, SubTitleLeft, SubTitleRight;
    TTitleLayout TitleLayout = TTitleLayout::None;
    double PrintMargin = 0.2;
    TFontStyle TitleFont, SubTitleFont;
    QStringList Remarks;

    int RemarksCount() const override { return static_cast<int>(Remarks.size()); }
    QString RemarksLine(int i) const override { return Remarks.value(i); }

    // Pixel heights of a written title and subtitle line on a page of this
    // geometry (ascent + descent on the canvas).
    int TitleHeight(TCanvas& canvas, const TPanelGeometry& g) const;
    int SubTitleHeight(TCanvas& canvas, const TPanelGeometry& g) const;

protected:
    TIntRect InnerRectFor(TCanvas& canvas, const TPanelGeometry& g) const override;
    TGrfStyle BackgroundStyle() const override;
    void DrawDecoration(TCanvas& canvas, const TPanelLayout& layout) const override;

private:
    bool Titled() const;
    int LineHeight(TCanvas& canvas, const TPanelGeometry& g, const TFontStyle& style) const;
    void DrawTitleBlock(TCanvas& c, const TPanelGeometry& g) const;
    void DrawSubtitles(TCanvas& c, const TPanelGeometry& g, int bandTop, int bandBottom) const;
};
