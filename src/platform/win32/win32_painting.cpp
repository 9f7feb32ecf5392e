// The Win32 backend's painting: a window's picture and the outline above it.

#include "platform/win32/win32_platform.hpp"

namespace pr::win32 {

namespace {

// The four one-pixel strips of an outline.
void invalidate_outline(HWND hwnd, const RECT& r) {
  if (IsRectEmpty(&r)) return;
  const RECT strips[] = {{r.left, r.top, r.right, r.top + 1},
                         {r.left, r.bottom - 1, r.right, r.bottom},
                         {r.left, r.top, r.left + 1, r.bottom},
                         {r.right - 1, r.top, r.right, r.bottom}};
  for (const RECT& s : strips) InvalidateRect(hwnd, &s, FALSE);
}

}  // namespace

void Win32Platform::set_window_picture(WindowId w, ImageView picture) {
  Window* win = find(w);
  if (!win) return;
  win->has_picture = !picture.empty();
  if (win->has_picture) {
    win->picture.resize(picture.width, picture.height);
    win->picture.assign(picture);
  }
  InvalidateRect(win->hwnd.get(), nullptr, FALSE);
}

void Win32Platform::set_outline(WindowId w, int left, int top, int width, int height,
                                std::uint32_t rgb) {
  Window* win = find(w);
  if (!win) return;
  RECT r{};
  if (width > 0 && height > 0) r = {left, top, left + width, top + height};
  const COLORREF colour = RGB(rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF);
  if (EqualRect(&r, &win->outline) && colour == win->outline_colour) return;
  win->outline_colour = colour;
  invalidate_outline(win->hwnd.get(), win->outline);
  win->outline = r;
  invalidate_outline(win->hwnd.get(), r);
}

void Win32Platform::paint(Window& win, HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (!dc) return;
  RECT client;
  GetClientRect(hwnd, &client);
  HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
  RECT shown{0, 0, 0, 0};
  if (win.has_picture) {
    shown = {0, 0, win.picture.width(), win.picture.height()};
    RECT part;
    if (IntersectRect(&part, &shown, &ps.rcPaint)) {
      BitBlt(dc, part.left, part.top, part.right - part.left, part.bottom - part.top,
             win.picture.dc(), part.left, part.top, SRCCOPY);
    }
  }
  // What the picture does not cover shows the window's face colour.
  const RECT rest[] = {{shown.right, 0, client.right, client.bottom},
                       {0, shown.bottom, shown.right, client.bottom}};
  for (const RECT& r : rest) {
    RECT part;
    if (IntersectRect(&part, &r, &ps.rcPaint)) FillRect(dc, &part, face);
  }
  if (!IsRectEmpty(&win.outline)) {
    UniqueBrush pen(CreateSolidBrush(win.outline_colour));
    if (pen) FrameRect(dc, &win.outline, pen.get());
  }
  EndPaint(hwnd, &ps);
}

}  // namespace pr::win32
