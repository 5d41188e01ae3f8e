#pragma once
// A plain C++ front to the metafile library, whose Windows-style headers
// clash with Qt and libjpeg: only EmfWriter.cpp includes them.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TEmfWriter {
public:
    enum PenStyle { PenSolid = 0, PenDash = 1, PenDot = 2, PenNull = 5 };

    TEmfWriter();
    ~TEmfWriter();
    TEmfWriter(const TEmfWriter&) = delete;
    TEmfWriter& operator=(const TEmfWriter&) = delete;

    // Starts a metafile whose picture is width × height device units.
    bool Begin(int width, int height, const std::u16string& description, std::string& error);
    // Ends the metafile and returns its bytes (empty on failure).
    std::vector<char> End(std::string& error);

    void SetPen(std::uint32_t rgb, int width, int style);
    void SetBrush(std::uint32_t rgb, bool clear);
    void SetFont(const std::u16string& face, int height, int weight, bool italic,
                 int escapementTenths);
    void SetTextColor(std::uint32_t rgb);
    void SetTextAlign(unsigned align);
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void Rectangle(int l, int t, int r, int b);
    void Ellipse(int l, int t, int r, int b);
    void Polygon(const std::vector<int>& xy);
    void WriteText(int x, int y, const std::u16string& text);

private:
    struct TImpl;
    std::unique_ptr<TImpl> Impl;
};
