#pragma once
// The page: the root panel with a title block, a frame, a remarks column and a
// background. See Grafik.h for binding a page to a widget or rendering it.
#include "graphics/Grafik.h"

// Title layouts of a page.
enum : int { TitleNone = 0, TitleLines = 1, TitleOnly = 2, TitleSpecial = 3 };

class TGrfContainer : public TGrafik {
public:
    TGrfContainer();

    QString Title, SubTitleLeft, SubTitleRight;
    int TitleLayout = TitleNone;
    double PrintMargin = 0.2;
    TFontStyle TitleFont, SubTitleFont;
    QStringList Remarks;

    int RemarksCount() const override { return static_cast<int>(Remarks.size()); }
    QString RemarksLine(int i) const override { return Remarks.value(i); }

    // Pixel heights of the title and subtitle fonts on this page.
    int TitleHeight() const;
    int SubTitleHeight() const;

protected:
    void LayoutInnerRect() override;
    void DrawDecoration() override;

private:
    void DrawTitleBlock(TCanvas& c);
    void DrawSubtitles(TCanvas& c, int bandTop, int bandBottom);
};
