// Picture1 on Windows: the pier drawing inside a sunken border, drawn from
// the PNGs made from ui/assets/pier.svg at 100 %, 150 % and 200 % with GDI+.
// It takes the focus on a click and reacts to nothing else.
#pragma once

#include <windows.h>

#include <array>

namespace Gdiplus {
class Bitmap;
}

namespace pierqty::win32 {

// GDI+ for the lifetime of the object (the drawing is a PNG drawn with it).
class GdiplusSession
{
public:
    GdiplusSession();
    ~GdiplusSession();
    GdiplusSession(const GdiplusSession &) = delete;
    GdiplusSession &operator=(const GdiplusSession &) = delete;

private:
    ULONG_PTR m_token = 0;
};

class PierPicture
{
public:
    PierPicture();
    ~PierPicture();
    PierPicture(const PierPicture &) = delete;
    PierPicture &operator=(const PierPicture &) = delete;

    // The window class of the box, registered on the first call; a window
    // of it takes its PierPicture as the creation parameter.
    static const wchar_t *windowClass();
    // The dpi the box is laid out at.
    void setDpi(int dpi) { m_dpi = dpi; }

private:
    // One resolution of the drawing, decoded the first time it is drawn: at
    // start only the one the dpi needs (decoding is most of the time to the
    // first paint).
    struct Image {
        int resource = 0;
        int width = 0; // the size rsvg-convert gives at the zoom of this image
        int height = 0;
        bool tried = false;
        Gdiplus::Bitmap *bitmap = nullptr;
        HBITMAP gdi = nullptr;
    };

    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static void decode(Image &image);
    const Image *fit(int width, int height);
    void paint(HWND box);
    void paintImage(HDC dc, const RECT &image);

    std::array<Image, 3> m_images{};
    int m_dpi = 96;
};

} // namespace pierqty::win32
