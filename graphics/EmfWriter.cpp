// The only file that sees the metafile library's headers.
#include "graphics/EmfWriter.h"

#include <libEMF/emf.h>

#include <cstdio>

struct TEmfWriter::TImpl {
    FILE* File = 0;
    HDC Dc = 0;
    HGDIOBJ Pen = 0, Brush = 0, Font = 0;
};

TEmfWriter::TEmfWriter() : Impl(std::make_unique<TImpl>()) {}

TEmfWriter::~TEmfWriter()
{
    std::string ignored;
    if (Impl->Dc) End(ignored);
    if (Impl->File) std::fclose(Impl->File);
}

bool TEmfWriter::Begin(int width, int height, const std::u16string& description, std::string& error)
{
    Impl->File = std::tmpfile();
    if (!Impl->File) {
        error = "cannot create a temporary file";
        return false;
    }
    // No frame rectangle: the library takes the picture's bounds.
    Impl->Dc = CreateEnhMetaFileWithFILEW(0, Impl->File, nullptr,
                                          reinterpret_cast<LPCWSTR>(description.c_str()));
    if (!Impl->Dc) {
        error = "the metafile library could not start a picture";
        return false;
    }
    (void)width;
    (void)height;
    SetBkMode(Impl->Dc, TRANSPARENT);
    return true;
}

std::vector<char> TEmfWriter::End(std::string& error)
{
    std::vector<char> bytes;
    if (!Impl->Dc) return bytes;
    HENHMETAFILE meta = CloseEnhMetaFileWithFILE(Impl->Dc);
    Impl->Dc = 0;
    for (HGDIOBJ o : {Impl->Pen, Impl->Brush, Impl->Font})
        if (o) DeleteObject(o);
    Impl->Pen = Impl->Brush = Impl->Font = 0;
    if (!meta) {
        error = "the metafile library could not finish the picture";
        return bytes;
    }
    DeleteEnhMetaFile(meta);
    std::fflush(Impl->File);
    std::rewind(Impl->File);
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, Impl->File)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(Impl->File);
    Impl->File = 0;
    if (bytes.empty()) error = "the metafile is empty";
    return bytes;
}

// Selects a new object and frees the one it replaces.
static void Replace(HDC dc, HGDIOBJ& current, HGDIOBJ next)
{
    SelectObject(dc, next);
    if (current) DeleteObject(current);
    current = next;
}

void TEmfWriter::SetPen(std::uint32_t rgb, int width, int style)
{
    if (!Impl->Dc) return;
    const COLORREF c = RGB((rgb >> 16) & 255, (rgb >> 8) & 255, rgb & 255);
    HPEN pen;
    if (style != PenSolid && style != PenNull && width > 1) {
        LOGBRUSH lb{BS_SOLID, c, 0};
        pen = ExtCreatePen(PS_GEOMETRIC | static_cast<DWORD>(style) | PS_ENDCAP_FLAT, width, &lb, 0,
                           nullptr);
    } else if (style == PenSolid && width > 1) {
        LOGBRUSH lb{BS_SOLID, c, 0};
        pen = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_SQUARE | PS_JOIN_MITER, width, &lb,
                           0, nullptr);
    } else {
        pen = CreatePen(style, width, c);
    }
    Replace(Impl->Dc, Impl->Pen, pen);
}

void TEmfWriter::SetBrush(std::uint32_t rgb, bool clear)
{
    if (!Impl->Dc) return;
    LOGBRUSH lb{static_cast<UINT>(clear ? BS_NULL : BS_SOLID),
                RGB((rgb >> 16) & 255, (rgb >> 8) & 255, rgb & 255), 0};
    Replace(Impl->Dc, Impl->Brush, CreateBrushIndirect(&lb));
}

void TEmfWriter::SetFont(const std::u16string& face, int height, int weight, bool italic,
                         int escapementTenths)
{
    if (!Impl->Dc) return;
    // A negative height asks for the character height, like a pixel size.
    HFONT font =
        CreateFontW(-height, 0, escapementTenths, escapementTenths, weight, italic ? 1 : 0, 0, 0,
                    DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                    DEFAULT_PITCH | FF_SWISS, reinterpret_cast<LPCWSTR>(face.c_str()));
    Replace(Impl->Dc, Impl->Font, font);
}

void TEmfWriter::SetTextColor(std::uint32_t rgb)
{
    if (Impl->Dc) ::SetTextColor(Impl->Dc, RGB((rgb >> 16) & 255, (rgb >> 8) & 255, rgb & 255));
}

void TEmfWriter::SetTextAlign(unsigned align)
{
    if (Impl->Dc) ::SetTextAlign(Impl->Dc, align);
}

void TEmfWriter::MoveTo(int x, int y)
{
    if (Impl->Dc) MoveToEx(Impl->Dc, x, y, nullptr);
}

void TEmfWriter::LineTo(int x, int y)
{
    if (Impl->Dc) ::LineTo(Impl->Dc, x, y);
}

void TEmfWriter::Rectangle(int l, int t, int r, int b)
{
    if (Impl->Dc) ::Rectangle(Impl->Dc, l, t, r, b);
}

void TEmfWriter::Ellipse(int l, int t, int r, int b)
{
    if (Impl->Dc) ::Ellipse(Impl->Dc, l, t, r, b);
}

void TEmfWriter::Polygon(const std::vector<int>& xy)
{
    if (!Impl->Dc || xy.size() < 4) return;
    std::vector<POINT> points;
    for (size_t i = 0; i + 1 < xy.size(); i += 2) points.push_back(POINT{xy[i], xy[i + 1]});
    ::Polygon(Impl->Dc, points.data(), static_cast<INT>(points.size()));
}

void TEmfWriter::WriteText(int x, int y, const std::u16string& text)
{
    if (Impl->Dc && !text.empty())
        TextOutW(Impl->Dc, x, y, reinterpret_cast<LPCWSTR>(text.c_str()),
                 static_cast<INT>(text.size()));
}
