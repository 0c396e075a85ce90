#include "ui/win32/picture_win32.h"

#include "ui/form/form.h"
#include "ui/win32/resources.h"

#include <objidl.h>
#include <shlwapi.h>

#include <gdiplus.h>

namespace pierqty::win32 {

GdiplusSession::GdiplusSession()
{
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&m_token, &input, nullptr);
}

GdiplusSession::~GdiplusSession()
{
    if (m_token)
        Gdiplus::GdiplusShutdown(m_token);
}

PierPicture::PierPicture()
{
    const form::Rect base = form::ToPixels({0, 0, form::kDrawingWidthTwips, form::kDrawingHeightTwips}, 96);
    const int ids[3] = {PIERQTY_IDR_PIER_100, PIERQTY_IDR_PIER_150, PIERQTY_IDR_PIER_200};
    for (std::size_t k = 0; k < m_images.size(); ++k) {
        m_images[k].resource = ids[k];
        m_images[k].width = base.width * static_cast<int>(k + 2) / 2;
        m_images[k].height = base.height * static_cast<int>(k + 2) / 2;
    }
}

PierPicture::~PierPicture()
{
    for (Image &image : m_images) {
        if (image.gdi)
            DeleteObject(image.gdi);
        delete image.bitmap;
    }
}

const wchar_t *PierPicture::windowClass()
{
    static const wchar_t *const name = [] {
        WNDCLASSEXW pc{};
        pc.cbSize = sizeof pc;
        pc.lpfnWndProc = Proc;
        pc.hInstance = GetModuleHandleW(nullptr);
        pc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
        pc.lpszClassName = L"PierqtyPicture";
        RegisterClassExW(&pc);
        return pc.lpszClassName;
    }();
    return name;
}

void PierPicture::decode(Image &image)
{
    image.tried = true;
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(image.resource), MAKEINTRESOURCEW(10)); // RT_RCDATA
    if (!found)
        return;
    const auto *bytes = static_cast<const BYTE *>(LockResource(LoadResource(module, found)));
    IStream *stream = SHCreateMemStream(bytes, static_cast<UINT>(SizeofResource(module, found)));
    if (!stream)
        return;
    Gdiplus::Bitmap *bitmap = Gdiplus::Bitmap::FromStream(stream);
    stream->Release();
    if (!bitmap || bitmap->GetLastStatus() != Gdiplus::Ok) {
        delete bitmap;
        return;
    }
    image.bitmap = bitmap;
    image.width = static_cast<int>(bitmap->GetWidth());
    image.height = static_cast<int>(bitmap->GetHeight());
    bitmap->GetHBITMAP(Gdiplus::Color(0, 0, 0), &image.gdi);
}

// The image that fits a destination: the exact size if there is one, else
// the smallest that is larger, else the largest; decoded.
const PierPicture::Image *PierPicture::fit(int width, int height)
{
    Image *best = nullptr;
    for (Image &image : m_images) {
        if (image.width == width && image.height == height) {
            best = &image;
            break;
        }
        if (image.width >= width && image.height >= height && (!best || image.width < best->width))
            best = &image;
    }
    if (!best)
        best = &m_images.back();
    if (!best->tried)
        decode(*best);
    return best->bitmap ? best : nullptr;
}

LRESULT CALLBACK PierPicture::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NCCREATE:
        SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW *>(lParam)->lpCreateParams));
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        SetFocus(hwnd); // takes the focus, shows no mark
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        if (auto *self = reinterpret_cast<PierPicture *>(GetWindowLongPtrW(hwnd, GWLP_USERDATA))) {
            self->paint(hwnd);
            return 0;
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void PierPicture::paint(HWND box)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(box, &paint);
    const form::Rect outer = form::ToPixels(form::Find(form::kPicture1).twips, m_dpi);
    const form::Rect inner = form::ToPixels(form::DrawingBox(), m_dpi);
    // In the box's own coordinates.
    const RECT all{0, 0, outer.width, outer.height};
    const RECT image{inner.left - outer.left, inner.top - outer.top, inner.right() - outer.left,
                     inner.bottom() - outer.top};
    // Sunken border, two lines: shadow and dark shadow above and left,
    // highlight and light below and right; a wider border at a higher dpi
    // keeps the face colour between border and drawing.
    const auto fill = [dc](RECT r, int colour) { FillRect(dc, &r, GetSysColorBrush(colour)); };
    fill(all, COLOR_3DHILIGHT);
    fill({0, 0, all.right - 1, all.bottom - 1}, COLOR_3DSHADOW);
    fill({1, 1, all.right - 1, all.bottom - 1}, COLOR_3DLIGHT);
    fill({1, 1, all.right - 2, all.bottom - 2}, COLOR_3DDKSHADOW);
    fill({2, 2, all.right - 2, all.bottom - 2}, COLOR_3DFACE);
    FillRect(dc, &image, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    paintImage(dc, image);
    EndPaint(box, &paint);
}

void PierPicture::paintImage(HDC dc, const RECT &image)
{
    const int width = image.right - image.left;
    const int height = image.bottom - image.top;
    const Image *source = fit(width, height);
    if (!source)
        return;
    if (source->width == width && source->height == height && source->gdi) {
        // Pixel for pixel.
        HDC memory = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(memory, source->gdi);
        BitBlt(dc, image.left, image.top, width, height, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        DeleteDC(memory);
        return;
    }
    Gdiplus::Graphics graphics(dc);
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    graphics.DrawImage(source->bitmap, Gdiplus::Rect(image.left, image.top, width, height));
}

} // namespace pierqty::win32
