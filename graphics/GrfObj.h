#pragma once
// Markers: objects with a world position that the mouse can hit.
// A panel owns them (TGrafik::AddGrfObj) and draws them with its layout.
#include "graphics/Canvas.h"
#include "graphics/PanelLayout.h"
#include "graphics/World.h"

class TGrafik;
class TGrfStyle;
class TDotStyle;

enum class TMouseButton { Left, Right, Middle };

// A mouse event in device pixels of the page, as plain data.
struct TGrfMouse {
    int X = 0, Y = 0;
    TMouseButton Button = TMouseButton::Left;
};

class TGrfObj {
public:
    explicit TGrfObj(TGrfStyle* style = nullptr) : Style(style) {}
    virtual ~TGrfObj() = default;

    TGrafik* Owner = nullptr;  // set by AddGrfObj
    TWorldRect WRect;          // a point marker holds its point twice
    int BlinkCount = 0, BlinkStart = 6;
    TGrfStyle* Style = nullptr;  // not owned: the panel's styles
    int Tolerance = 3;           // pick tolerance in pixels

    // Where the object lies on screen (the owner's last painted layout).
    TIntRect DeviceBounds() const;
    // Where it lies in a layout of its owner.
    virtual TIntRect DeviceBounds(const TPanelLayout& layout) const;
    // Counts a blink down; true while still blinking.
    bool StepBlink();
    void StartBlink() { BlinkCount = BlinkStart; }
    // Mouse down on the object / mouse up after an activation.
    virtual void Activate(const TGrfMouse&) {}
    virtual void Release(const TGrfMouse&) {}
    virtual void Draw(TCanvas& canvas, const TPanelLayout& layout) const = 0;
};

class TSimpleDot : public TGrfObj {
public:
    TSimpleDot(TDotStyle* style, double x, double y);
    void SetPos(double x, double y) { WRect = {x, y, x, y}; }
    double X() const { return WRect.XMin; }
    double Y() const { return WRect.YMin; }
    using TGrfObj::DeviceBounds;
    TIntRect DeviceBounds(const TPanelLayout& layout) const override;
    void Draw(TCanvas& canvas, const TPanelLayout& layout) const override;
};

class TDotObject : public TSimpleDot {
public:
    TDotObject(TDotStyle* style, double x, double y, const QString& text = {});
    QString Text;
    virtual QString GetText() const { return Text; }
    // Marker and its text to the right.
    void Draw(TCanvas& canvas, const TPanelLayout& layout) const override;
};
