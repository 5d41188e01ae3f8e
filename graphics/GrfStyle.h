#pragma once
// Styles: pen, brush, font and alignment of one kind of drawing. Font and
// marker sizes are fractions of a panel's height, so a drawing keeps its
// proportions on any output size; a style sees only the panel's geometry:
//   label.Apply(layout.Of(panel).Geometry, canvas);
#include <QString>

#include "graphics/Canvas.h"
#include "graphics/PanelLayout.h"

class TGrfStyle {
public:
    TGrfStyle();
    virtual ~TGrfStyle() = default;

    QString StyleName;
    TCanvasBrush Brush;
    TCanvasPen Pen;       // the style's own pen
    double PenWidth = 0;  // scaled pen width; negative leaves the pen width alone
    TCanvasFont Font;     // face "Arial"
    int TextAlign = 0;
    quint8 LegendKind = 0;  // how the style shows in a legend
    quint8 Options = 0;     // text effects (not used by this program)

    virtual void Assign(const TGrfStyle& other);
    // Selects pen, brush, font and alignment into the canvas for drawing on a panel.
    virtual void Apply(const TPanelGeometry& panel, TCanvas& canvas) const;
    // The pen width Apply selects on a panel (0 = thinnest line).
    int ScaledPenWidth(const TPanelGeometry& panel) const;
};

class TFontStyle : public TGrfStyle {
public:
    TFontStyle();
    double Size = 0.05;  // font height as a fraction of the panel height
    int MinHeight = 0;   // pixels; a floor under the proportional height
    int Weight = 400;
    double Angle = 0;  // radians

    void Assign(const TGrfStyle& other) override;
    void Apply(const TPanelGeometry& panel, TCanvas& canvas) const override;
    int FontHeight(const TPanelGeometry& panel) const;
};

// Marker shapes of TDotStyle.
enum class TDotShape { Rectangle, Triangle, Cross, Diamond, Ellipse };

class TDotStyle : public TGrfStyle {
public:
    TDotStyle();
    double Size = 0.02;  // marker diameter as a fraction of the plot-area height
    TDotShape Shape = TDotShape::Rectangle;

    void Assign(const TGrfStyle& other) override;
    void Apply(const TPanelGeometry& panel, TCanvas& canvas) const override;
    int Diameter(const TPanelGeometry& panel) const;
    // Device square of the marker centred on p.
    TIntRect MarkerRect(const TPanelGeometry& panel, QPoint p) const;
    void DrawMarker(const TPanelGeometry& panel, TCanvas& canvas, QPoint p) const;
};
