#include "platform/x11/x11_platform.hpp"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xresource.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <poll.h>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iostream>
#include <string_view>
#include <thread>

#include "platform/errors.hpp"
#include "platform/files.hpp"
#include "platform/x11/gio_trash.hpp"
#include "platform/x11/x11_error.hpp"
#include "platform/x11/x11_keys.hpp"

namespace pr::x11 {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr std::uint32_t kFace = 0xF0F0F0;
constexpr std::uint32_t kOutline = 0xC00000;
constexpr std::uint32_t kHighlight = 0xFFFFFF;
constexpr std::uint32_t kLight = 0xE3E3E3;
constexpr std::uint32_t kShadow = 0xA0A0A0;
constexpr std::uint32_t kDarkShadow = 0x696969;

// Without a window manager there is no frame; with one that does not say,
// a guess at a thin border under a title bar.
constexpr int kGuessBorder = 1;
constexpr int kGuessTitle = 21;

constexpr long kMotifFunctions = 1, kMotifDecorations = 2;
constexpr long kMotifFuncMove = 4, kMotifFuncClose = 32;
constexpr long kMotifDecorBorder = 2, kMotifDecorTitle = 8, kMotifDecorMenu = 16;

float dpi_of(Display* display) {
  const char* resources = XResourceManagerString(display);
  if (!resources) return 96;
  XrmInitialize();
  XrmDatabase db = XrmGetStringDatabase(resources);
  if (!db) return 96;
  char* type = nullptr;
  XrmValue value{};
  float dpi = 96;
  if (XrmGetResource(db, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr) {
    float v = std::strtof(value.addr, nullptr);
    if (v > 0) dpi = v;
  }
  XrmDestroyDatabase(db);
  return dpi;
}

int to_x_button(unsigned button) {
  switch (button) {
    case Button1:
      return 1;
    case Button2:
      return 4;
    case Button3:
      return 2;
    default:
      return 0;
  }
}

int buttons_held(unsigned state) {
  return ((state & Button1Mask) ? 1 : 0) | ((state & Button3Mask) ? 2 : 0) |
         ((state & Button2Mask) ? 4 : 0);
}

int shift_of(unsigned state) {
  return ((state & ShiftMask) ? 1 : 0) | ((state & ControlMask) ? 2 : 0) |
         ((state & Mod1Mask) ? 4 : 0);
}

std::size_t hash_view(ImageView v) {
  std::size_t h = 0;
  for (int y = 0; y < v.height; ++y) {
    std::string_view row(reinterpret_cast<const char*>(v.row(y)),
                         static_cast<std::size_t>(v.width) * 4);
    h = h * 1099511628211ull ^ std::hash<std::string_view>{}(row);
  }
  return h;
}

}  // namespace

X11Platform::X11Platform(const char* display_name) {
  install_error_handlers();
  display_ = XOpenDisplay(display_name);
  if (!display_) {
    throw Error(ErrorKind::Platform,
                std::string("cannot open the X display ") + XDisplayName(display_name));
  }
  screen_ = DefaultScreen(display_);
  root_ = RootWindow(display_, screen_);
  visual_ = DefaultVisual(display_, screen_);
  depth_ = DefaultDepth(display_, screen_);
  const float dpi = dpi_of(display_);
  tpp_ = 1440.0f / dpi;

  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display_, root_, atom("_NET_SUPPORTING_WM_CHECK"), 0, 1, False, XA_WINDOW,
                         &type, &format, &count, &after, &data) == Success) {
    have_wm_ = type == XA_WINDOW && count == 1;
  }
  if (data) XFree(data);
  if (!have_wm_) main_frame_ = {0, 0, 0, 0};

  grabber_ = std::make_unique<ScreenGrabber>(display_, screen_);
  arrow_ = XCreateFontCursor(display_, XC_left_ptr);
  cross_ = XCreateFontCursor(display_, XC_crosshair);
  XGCValues gc_values{};
  gc_values.graphics_exposures = False;
  gc_ = XCreateGC(display_, root_, GCGraphicsExposures, &gc_values);

  // The system's default Simplified Chinese sans-serif face, at the size of
  // a 9-point user-interface font.
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("sans-serif"));
  FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("zh-cn"));
  FcPatternAddDouble(pattern, FC_PIXEL_SIZE, 12.0 * dpi / 96.0);
  XftResult result;
  FcPattern* match = XftFontMatch(display_, screen_, pattern, &result);
  FcPatternDestroy(pattern);
  if (match) font_ = XftFontOpenPattern(display_, match);
  if (!font_) {
    if (match) FcPatternDestroy(match);
    std::cerr << "pagerook: no font found for Simplified Chinese; captions are not drawn"
              << std::endl;
  }
  XRenderColor black{0, 0, 0, 0xffff};
  XftColorAllocValue(display_, visual_, DefaultColormap(display_, screen_), &black, &text_colour_);

  int event_base, error_base, major, minor;
  if (!XTestQueryExtension(display_, &event_base, &error_base, &major, &minor)) {
    std::cerr << "pagerook: the X server has no XTEST extension; keystrokes cannot be sent"
              << std::endl;
  }
}

X11Platform::~X11Platform() {
  if (escape_grabbed_) grab_escape_keys(false);
  while (!windows_.empty()) destroy_window(windows_.begin()->first);
  if (font_) XftFontClose(display_, font_);
  XftColorFree(display_, visual_, DefaultColormap(display_, screen_), &text_colour_);
  XFreeGC(display_, gc_);
  XFreeCursor(display_, arrow_);
  XFreeCursor(display_, cross_);
  grabber_.reset();
  XCloseDisplay(display_);
}

X11Platform::Win* X11Platform::find(WindowId w) {
  auto it = windows_.find(w);
  return it == windows_.end() ? nullptr : &it->second;
}

const X11Platform::Win* X11Platform::find(WindowId w) const {
  auto it = windows_.find(w);
  return it == windows_.end() ? nullptr : &it->second;
}

WindowId X11Platform::id_of(Window xid) const {
  for (const auto& [id, win] : windows_) {
    if (win.xid == xid) return id;
  }
  return kNoWindow;
}

Window X11Platform::native_window(WindowId w) const {
  const Win* win = find(w);
  return win ? win->xid : None;
}

Atom X11Platform::atom(const char* name) {
  auto it = atoms_.find(name);
  if (it != atoms_.end()) return it->second;
  Atom a = XInternAtom(display_, name, False);
  atoms_[name] = a;
  return a;
}

unsigned long X11Platform::pixel_of(std::uint32_t rgb) const {
  auto place = [](std::uint32_t c8, unsigned long mask) -> unsigned long {
    if (mask == 0) return 0;
    int shift = std::countr_zero(mask);
    int bits = std::popcount(mask);
    unsigned long c = bits <= 8 ? c8 >> (8 - bits) : static_cast<unsigned long>(c8) << (bits - 8);
    return (c << shift) & mask;
  };
  return place((rgb >> 16) & 0xff, visual_->red_mask) |
         place((rgb >> 8) & 0xff, visual_->green_mask) | place(rgb & 0xff, visual_->blue_mask);
}

PixelSize X11Platform::screen_size() const {
  return {DisplayWidth(display_, screen_), DisplayHeight(display_, screen_)};
}

WindowId X11Platform::create_window(const WindowDesign& design) {
  Win win;
  win.style = design.style;
  win.name = design.name;
  win.client = {0, 0, std::max(design.client_width, 1), std::max(design.client_height, 1)};

  XSetWindowAttributes attrs{};
  unsigned long mask = CWEventMask | CWBitGravity;
  attrs.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                     StructureNotifyMask | KeyPressMask;
  attrs.bit_gravity = NorthWestGravity;
  if (!design.style.decorated) {
    // The frozen screen is its background; until one is set, nothing is
    // painted, so showing it never flashes.
    attrs.override_redirect = True;
    attrs.background_pixmap = None;
    mask |= CWOverrideRedirect | CWBackPixmap;
  } else {
    attrs.background_pixel = pixel_of(kFace);
    mask |= CWBackPixel;
  }
  win.xid = XCreateWindow(display_, root_, 0, 0, win.client.width, win.client.height, 0, depth_,
                          InputOutput, visual_, mask, &attrs);

  if (design.style.decorated) {
    write_caption(win.xid, design.caption);

    XClassHint class_hint{const_cast<char*>("pagerook"), const_cast<char*>("Pagerook")};
    XSetClassHint(display_, win.xid, &class_hint);

    // The main window never takes the keyboard focus from the document.
    XWMHints wm_hints{};
    wm_hints.flags = InputHint | StateHint;
    wm_hints.input = design.style.takes_focus ? True : False;
    wm_hints.initial_state = NormalState;
    XSetWMHints(display_, win.xid, &wm_hints);

    Atom protocols[] = {atom("WM_DELETE_WINDOW")};
    XSetWMProtocols(display_, win.xid, protocols, 1);

    long motif[5] = {kMotifFunctions | kMotifDecorations, kMotifFuncMove | kMotifFuncClose,
                     kMotifDecorBorder | kMotifDecorTitle | kMotifDecorMenu, 0, 0};
    XChangeProperty(display_, win.xid, atom("_MOTIF_WM_HINTS"), atom("_MOTIF_WM_HINTS"), 32,
                    PropModeReplace, reinterpret_cast<unsigned char*>(motif), 5);

    Atom type = atom(design.style.takes_focus ? "_NET_WM_WINDOW_TYPE_DIALOG"
                                              : "_NET_WM_WINDOW_TYPE_NORMAL");
    XChangeProperty(display_, win.xid, atom("_NET_WM_WINDOW_TYPE"), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&type), 1);
    long pid = getpid();
    XChangeProperty(display_, win.xid, atom("_NET_WM_PID"), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&pid), 1);
    set_fixed_size(win);
    if (font_) {
      win.draw = XftDrawCreate(display_, win.xid, visual_, DefaultColormap(display_, screen_));
    }
  }

  for (const ButtonDesign& b : design.buttons) {
    Button button;
    button.design = b;
    button.rect = {b.left, b.top, b.width, b.height};
    win.buttons.push_back(button);
  }

  const WindowId id = next_window_++;
  const bool learn = design.style.decorated && !design.style.takes_focus;
  windows_[id] = std::move(win);
  if (learn) learn_frame_extents();
  if (pointer_ != MousePointer::Default) {
    XDefineCursor(display_, windows_[id].xid, cursor_for(pointer_));
  }
  XFlush(display_);
  return id;
}

void X11Platform::learn_frame_extents() {
  if (!have_wm_) return;
  Window probe = None;
  for (const auto& [id, win] : windows_) {
    if (win.style.decorated && !win.style.takes_focus) probe = win.xid;
  }
  if (probe == None) return;
  XEvent request{};
  request.xclient.type = ClientMessage;
  request.xclient.window = probe;
  request.xclient.message_type = atom("_NET_REQUEST_FRAME_EXTENTS");
  request.xclient.format = 32;
  XSendEvent(display_, root_, False, SubstructureRedirectMask | SubstructureNotifyMask, &request);
  XFlush(display_);
  const auto deadline = Clock::now() + 300ms;
  while (Clock::now() < deadline) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    bool found = false;
    if (XGetWindowProperty(display_, probe, atom("_NET_FRAME_EXTENTS"), 0, 4, False, XA_CARDINAL,
                           &type, &format, &count, &after, &data) == Success &&
        type == XA_CARDINAL && format == 32 && count == 4) {
      const long* e = reinterpret_cast<const long*>(data);  // left, right, top, bottom
      main_frame_ = {static_cast<int>(e[0]), static_cast<int>(e[2]), static_cast<int>(e[0] + e[1]),
                     static_cast<int>(e[2] + e[3])};
      found = true;
    }
    if (data) XFree(data);
    if (found) return;
    std::this_thread::sleep_for(5ms);
  }
  main_frame_ = {kGuessBorder, kGuessTitle + kGuessBorder, 2 * kGuessBorder,
                 kGuessTitle + 2 * kGuessBorder};
}

PixelSize X11Platform::frame_size(WindowId w) const {
  // Every decorated window is taken to have the frame learnt from the first.
  const Win* win = find(w);
  if (!win || !win->style.decorated) return {0, 0};
  return {main_frame_.width, main_frame_.height};
}

void X11Platform::set_fixed_size(const Win& win) {
  XSizeHints* hints = XAllocSizeHints();
  hints->flags = PMinSize | PMaxSize | PWinGravity | USPosition | PPosition | PSize;
  hints->x = win.client.x;
  hints->y = win.client.y;
  hints->width = hints->min_width = hints->max_width = win.client.width;
  hints->height = hints->min_height = hints->max_height = win.client.height;
  hints->win_gravity = NorthWestGravity;
  XSetWMNormalHints(display_, win.xid, hints);
  XFree(hints);
}

void X11Platform::destroy_window(WindowId w) {
  Win* win = find(w);
  if (!win) return;
  if (win->style.grabs_input && win->shown) {
    XUngrabPointer(display_, CurrentTime);
    XUngrabKeyboard(display_, CurrentTime);
  }
  if (win->draw) XftDrawDestroy(win->draw);
  XDestroyWindow(display_, win->xid);
  if (win->picture != None) XFreePixmap(display_, win->picture);
  windows_.erase(w);
  if (escape_target_ == w) grab_escape(w, false);
  XFlush(display_);
}

void X11Platform::move_window(WindowId w, int left, int top, int width, int height) {
  Win* win = find(w);
  if (!win) return;
  PixelSize frame = frame_size(w);
  Rect r{left, top, std::max(width - frame.width, 1), std::max(height - frame.height, 1)};
  const bool resized = r.width != win->client.width || r.height != win->client.height;
  win->client = r;
  if (win->style.decorated && resized) set_fixed_size(*win);
  // With north-west gravity the window manager puts the frame's top-left
  // corner at the position asked for.
  XMoveResizeWindow(display_, win->xid, r.x, r.y, r.width, r.height);
  XFlush(display_);
}

void X11Platform::write_wm_state(const Win& win) {
  std::vector<Atom> state = {atom("_NET_WM_STATE_SKIP_TASKBAR"), atom("_NET_WM_STATE_SKIP_PAGER")};
  if (win.above) state.push_back(atom("_NET_WM_STATE_ABOVE"));
  if (win.modal) state.push_back(atom("_NET_WM_STATE_MODAL"));
  XChangeProperty(display_, win.xid, atom("_NET_WM_STATE"), XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(state.data()), static_cast<int>(state.size()));
}

void X11Platform::send_wm_state(const Win& win, bool add, Atom first, Atom second) {
  XEvent message{};
  message.xclient.type = ClientMessage;
  message.xclient.window = win.xid;
  message.xclient.message_type = atom("_NET_WM_STATE");
  message.xclient.format = 32;
  message.xclient.data.l[0] = add ? 1 : 0;
  message.xclient.data.l[1] = static_cast<long>(first);
  message.xclient.data.l[2] = static_cast<long>(second);
  message.xclient.data.l[3] = 1;  // a normal application
  XSendEvent(display_, root_, False, SubstructureRedirectMask | SubstructureNotifyMask, &message);
}

void X11Platform::map_managed(Win& win) {
  // The window manager drops the state of a withdrawn window: say it anew.
  write_wm_state(win);
  set_fixed_size(win);
  XMoveResizeWindow(display_, win.xid, win.client.x, win.client.y, win.client.width,
                    win.client.height);
  XMapRaised(display_, win.xid);
}

Cursor X11Platform::cursor_for(MousePointer pointer) const {
  switch (pointer) {
    case MousePointer::Arrow:
      return arrow_;
    case MousePointer::Cross:
      return cross_;
    case MousePointer::Default:
      break;
  }
  return None;
}

void X11Platform::grab_overlay_input(Win& win) {
  // Another client may still hold the pointer for a moment (a menu, a drag).
  const auto deadline = Clock::now() + 200ms;
  int status = GrabSuccess;
  for (;;) {
    status = XGrabPointer(display_, win.xid, False,
                          ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                          GrabModeAsync, None, cursor_for(pointer_), CurrentTime);
    if (status == GrabSuccess || status == GrabNotViewable || status == GrabInvalidTime) break;
    if (Clock::now() >= deadline) break;
    std::this_thread::sleep_for(10ms);
  }
  if (status != GrabSuccess) {
    std::cerr << "pagerook: the overlay could not take the pointer (XGrabPointer status " << status
              << ")" << std::endl;
  }
  // Keys typed while the overlay is up go nowhere.
  for (int tries = 0; tries < 20; ++tries) {
    status = XGrabKeyboard(display_, win.xid, False, GrabModeAsync, GrabModeAsync, CurrentTime);
    if (status == GrabSuccess || status == GrabNotViewable) break;
    std::this_thread::sleep_for(10ms);
  }
}

void X11Platform::show_window(WindowId w) {
  Win* win = find(w);
  if (!win) return;
  if (win->shown) {
    XRaiseWindow(display_, win->xid);
  } else if (win->style.grabs_input) {
    win->map_pending = true;
  } else {
    map_managed(*win);
  }
  win->shown = true;
  XFlush(display_);
}

void X11Platform::map_pending_overlays() {
  for (auto& [id, win] : windows_) {
    if (!win.map_pending) continue;
    win.map_pending = false;
    if (!win.pending_picture.empty()) upload_picture(win, win.pending_picture);
    win.pending_picture = {};
    XMoveResizeWindow(display_, win.xid, win.client.x, win.client.y, win.client.width,
                      win.client.height);
    XMapRaised(display_, win.xid);
    grab_overlay_input(win);
  }
  XFlush(display_);
}

void X11Platform::hide_window(WindowId w) {
  Win* win = find(w);
  if (!win || !win->shown) return;
  win->shown = false;
  if (win->map_pending) {
    // Never reached the screen.
    win->map_pending = false;
    win->pending_picture = {};
    return;
  }
  last_change_ = Clock::now();
  changed_in_handler_ = true;
  for (Button& b : win->buttons) b.held = b.pressed_look = false;
  if (!win->style.decorated) {
    if (win->style.grabs_input) {
      XUngrabPointer(display_, CurrentTime);
      XUngrabKeyboard(display_, CurrentTime);
    }
    XUnmapWindow(display_, win->xid);
  } else {
    XWithdrawWindow(display_, win->xid, screen_);
  }
  XFlush(display_);
}

void X11Platform::show_modal(WindowId w, WindowId owner) {
  Win* win = find(w);
  if (!win) return;
  Window focus = None;
  int revert = 0;
  XGetInputFocus(display_, &focus, &revert);
  if (Win* o = find(owner)) {
    XSetTransientForHint(display_, win->xid, o->xid);
    o->input_blocked = true;
  }
  win->modal = true;
  show_window(w);
  while (!quit_) {
    const Win* shown = find(w);
    if (!shown || !shown->shown) break;
    pump(1s);
  }
  if (Win* o = find(owner)) o->input_blocked = false;
  if (Win* still = find(w)) still->modal = false;
  if (focus != None && focus != PointerRoot) {
    ErrorTrap trap(display_);
    XSetInputFocus(display_, focus, RevertToParent, CurrentTime);
    trap.sync();
  }
}

void X11Platform::write_caption(Window xid, std::string_view text) {
  const Atom utf8 = atom("UTF8_STRING");
  const auto* caption = reinterpret_cast<const unsigned char*>(text.data());
  const int length = static_cast<int>(text.size());
  const bool ascii = std::all_of(text.begin(), text.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  XChangeProperty(display_, xid, XA_WM_NAME, ascii ? XA_STRING : utf8, 8, PropModeReplace, caption,
                  length);
  XChangeProperty(display_, xid, atom("_NET_WM_NAME"), utf8, 8, PropModeReplace, caption, length);
}

void X11Platform::set_caption(WindowId w, std::string_view caption) {
  Win* win = find(w);
  if (!win) return;
  write_caption(win->xid, caption);
  XFlush(display_);
}

void X11Platform::set_topmost(WindowId w, bool topmost) {
  Win* win = find(w);
  if (!win) return;
  win->above = topmost;
  if (!win->style.decorated || !have_wm_) {
    if (topmost && win->shown) XRaiseWindow(display_, win->xid);
  } else if (win->shown) {
    send_wm_state(*win, topmost, atom("_NET_WM_STATE_ABOVE"));
  } else {
    write_wm_state(*win);
  }
  XFlush(display_);
}

void X11Platform::wait_until_hidden() {
  // Our own unmap requests are done once the server has answered; a managed
  // window is off the screen only when the window manager has also taken
  // its frame away, which a query of the tree tells without consuming any
  // of the events that the loop dispatches.
  XSync(display_, False);
  const auto deadline = Clock::now() + 500ms;
  for (;;) {
    bool visible = false;
    ErrorTrap trap(display_);
    for (const auto& [id, win] : windows_) {
      if (win.shown || !win.style.decorated) continue;
      Window top = win.xid;
      for (;;) {
        Window root = None, parent = None;
        Window* children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display_, top, &root, &parent, &children, &count)) break;
        if (children) XFree(children);
        if (parent == root || parent == None) break;
        top = parent;
      }
      XWindowAttributes attrs{};
      if (XGetWindowAttributes(display_, top, &attrs) && attrs.map_state == IsViewable) {
        visible = true;
      }
    }
    if (!visible || Clock::now() >= deadline) return;
    std::this_thread::sleep_for(2ms);
  }
}

template <class Grab>
ImageView X11Platform::settled_grab(Grab&& grab) {
  // A screen that nothing of ours has changed since the last event is taken
  // at once: that is every capture of the page cycle, a tick after its
  // Page Down.
  if (!changed_in_handler_ && Clock::now() - last_change_ > 50ms) return grab();
  wait_until_hidden();
  // The program that keys were just sent to needs a moment to act on them.
  std::this_thread::sleep_until(last_keys_ + 60ms);
  // Programs redraw what our windows uncovered, and a keystroke sent just
  // before may still be changing the screen: take the copy once two grabs
  // a little apart agree, or after 150 ms at most.
  const auto start = Clock::now();
  ImageView view = grab();
  std::size_t last = hash_view(view);
  auto grabbed = start;
  while (Clock::now() - start < 150ms) {
    std::this_thread::sleep_until(grabbed + 20ms);
    grabbed = Clock::now();
    view = grab();
    std::size_t now = hash_view(view);
    if (now == last) break;
    last = now;
  }
  return view;
}

ImageView X11Platform::copy_screen() {
  return settled_grab([&] { return grabber_->grab(); });
}

ImageView X11Platform::copy_screen_region(int x, int y, int width, int height) {
  return settled_grab([&] { return grabber_->grab(x, y, width, height); });
}

void X11Platform::set_mouse_pointer(MousePointer pointer) {
  pointer_ = pointer;
  const Cursor cursor = cursor_for(pointer);
  for (const auto& [id, win] : windows_) {
    if (cursor == None) {
      XUndefineCursor(display_, win.xid);
    } else {
      XDefineCursor(display_, win.xid, cursor);
    }
    if (win.style.grabs_input && win.shown) {
      XChangeActivePointerGrab(display_, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                               cursor, CurrentTime);
    }
  }
  XFlush(display_);
}

void X11Platform::set_window_picture(WindowId w, ImageView picture) {
  Win* win = find(w);
  if (!win) return;
  if (win->style.grabs_input && (!win->shown || win->map_pending) && !picture.empty()) {
    // Sent to the server only if the overlay really goes on the screen; the
    // view stays valid until then (no other copy happens first).
    win->pending_picture = picture;
    return;
  }
  win->pending_picture = {};
  upload_picture(*win, picture);
  if (win->shown) {
    if (win->style.decorated) XClearWindow(display_, win->xid);
    paint(*win, {0, 0, win->client.width, win->client.height});
  }
  XFlush(display_);
}

void X11Platform::upload_picture(Win& w, ImageView picture) {
  Win* win = &w;
  if (picture.empty()) {
    if (win->picture != None) XFreePixmap(display_, win->picture);
    win->picture = None;
    win->picture_rect = {};
  } else {
    const Rect& old = win->picture_rect;
    if (win->picture == None || old.width != picture.width || old.height != picture.height) {
      if (win->picture != None) XFreePixmap(display_, win->picture);
      win->picture = XCreatePixmap(display_, win->xid, picture.width, picture.height, depth_);
    }
    win->picture_rect = {picture.left, picture.top, picture.width, picture.height};
    // A view into the last screen copy goes to the server from the shared
    // memory; any other picture through the connection.
    XImage* shm = grabber_->last_shm_image();
    const auto* base = shm ? reinterpret_cast<const std::uint8_t*>(shm->data) : nullptr;
    const std::ptrdiff_t offset = base ? picture.pixels - base : -1;
    if (shm && picture.pitch == shm->bytes_per_line && offset >= 0 &&
        offset < static_cast<std::ptrdiff_t>(shm->bytes_per_line) * shm->height) {
      const int src_y = static_cast<int>(offset / shm->bytes_per_line);
      const int src_x = static_cast<int>(offset % shm->bytes_per_line) / 4;
      XShmPutImage(display_, win->picture, gc_, shm, src_x, src_y, 0, 0, picture.width,
                   picture.height, False);
    } else {
      XImage* image =
          XCreateImage(display_, visual_, depth_, ZPixmap, 0,
                       reinterpret_cast<char*>(const_cast<std::uint8_t*>(picture.pixels)),
                       picture.width, picture.height, 32, static_cast<int>(picture.pitch));
      if (!image) throw Error(ErrorKind::Platform, "cannot describe the window's picture");
      image->byte_order = LSBFirst;
      XPutImage(display_, win->picture, gc_, image, 0, 0, 0, 0, picture.width, picture.height);
      image->data = nullptr;
      XDestroyImage(image);
    }
  }
}

void X11Platform::copy_picture(Win& win, const Rect& area) {
  if (win.picture == None) return;
  const Rect& p = win.picture_rect;
  const int x0 = std::max(area.x, p.x), y0 = std::max(area.y, p.y);
  const int x1 = std::min(area.x + area.width, p.x + p.width);
  const int y1 = std::min(area.y + area.height, p.y + p.height);
  if (x1 <= x0 || y1 <= y0) return;
  XCopyArea(display_, win.picture, win.xid, gc_, x0 - p.x, y0 - p.y, x1 - x0, y1 - y0, x0, y0);
}

void X11Platform::set_outline(WindowId w, int left, int top, int width, int height) {
  Win* win = find(w);
  if (!win) return;
  Rect r{left, top, width, height};
  if (r.empty()) r = {};
  const Rect old = win->outline;
  if (old.x == r.x && old.y == r.y && old.width == r.width && old.height == r.height) return;
  win->outline = r;
  if (!win->shown) return;
  clear_outline(*win, old);
  draw_outline(*win);
  XFlush(display_);
}

void X11Platform::clear_outline(Win& win, const Rect& r) {
  if (r.empty()) return;
  // The four one-pixel strips the outline covered, back from the picture.
  const Rect strips[] = {{r.x, r.y, r.width, 1},
                         {r.x, r.y + r.height - 1, r.width, 1},
                         {r.x, r.y, 1, r.height},
                         {r.x + r.width - 1, r.y, 1, r.height}};
  for (const Rect& strip : strips) {
    if (win.style.decorated) {
      XClearArea(display_, win.xid, strip.x, strip.y, strip.width, strip.height, False);
    }
    copy_picture(win, strip);
  }
}

void X11Platform::draw_outline(Win& win) {
  const Rect& r = win.outline;
  if (r.empty()) return;
  XSetForeground(display_, gc_, pixel_of(kOutline));
  XSetLineAttributes(display_, gc_, 0, LineSolid, CapButt, JoinMiter);
  XSetFunction(display_, gc_, GXcopy);
  XDrawRectangle(display_, win.xid, gc_, r.x, r.y, r.width - 1, r.height - 1);
}

void X11Platform::paint_buttons(Win& win) {
  auto line = [&](std::uint32_t rgb, int x0, int y0, int x1, int y1) {
    XSetForeground(display_, gc_, pixel_of(rgb));
    XDrawLine(display_, win.xid, gc_, x0, y0, x1, y1);
  };
  for (const Button& b : win.buttons) {
    const Rect& r = b.rect;
    if (r.empty()) continue;
    const int x1 = r.x + r.width - 1, y1 = r.y + r.height - 1;
    XSetForeground(display_, gc_, pixel_of(kFace));
    XFillRectangle(display_, win.xid, gc_, r.x, r.y, r.width, r.height);
    if (b.pressed_look) {
      XSetForeground(display_, gc_, pixel_of(kDarkShadow));
      XDrawRectangle(display_, win.xid, gc_, r.x, r.y, r.width - 1, r.height - 1);
      XSetForeground(display_, gc_, pixel_of(kShadow));
      XDrawRectangle(display_, win.xid, gc_, r.x + 1, r.y + 1, r.width - 3, r.height - 3);
    } else {
      line(kHighlight, r.x, r.y, x1 - 1, r.y);
      line(kHighlight, r.x, r.y, r.x, y1 - 1);
      line(kDarkShadow, r.x, y1, x1, y1);
      line(kDarkShadow, x1, r.y, x1, y1);
      line(kLight, r.x + 1, r.y + 1, x1 - 2, r.y + 1);
      line(kLight, r.x + 1, r.y + 1, r.x + 1, y1 - 2);
      line(kShadow, r.x + 1, y1 - 1, x1 - 1, y1 - 1);
      line(kShadow, x1 - 1, r.y + 1, x1 - 1, y1 - 1);
    }
    if (!win.draw || !font_) continue;
    const auto* text = reinterpret_cast<const FcChar8*>(b.design.caption.c_str());
    const int length = static_cast<int>(b.design.caption.size());
    XGlyphInfo extents{};
    XftTextExtentsUtf8(display_, font_, text, length, &extents);
    const int shift = b.pressed_look ? 1 : 0;
    const int x = r.x + (r.width - extents.xOff) / 2 + shift;
    const int y = r.y + (r.height + font_->ascent - font_->descent) / 2 + shift;
    XftDrawStringUtf8(win.draw, &text_colour_, font_, x, y, text, length);
  }
}

void X11Platform::paint(Win& win, const Rect& area) {
  copy_picture(win, area);
  if (!win.buttons.empty()) paint_buttons(win);
  draw_outline(win);
}

void X11Platform::handle_button(Win& win, WindowId id, const XEvent& event) {
  auto inside = [](const Rect& r, int x, int y) {
    return x >= r.x && y >= r.y && x < r.x + r.width && y < r.y + r.height;
  };
  int clicked = 0;
  bool repaint = false;
  for (Button& b : win.buttons) {
    if (event.type == ButtonPress && event.xbutton.button == Button1) {
      if (inside(b.rect, event.xbutton.x, event.xbutton.y)) {
        b.held = b.pressed_look = true;
        repaint = true;
      }
    } else if (event.type == MotionNotify && b.held) {
      bool in = inside(b.rect, event.xmotion.x, event.xmotion.y);
      repaint |= in != b.pressed_look;
      b.pressed_look = in;
    } else if (event.type == ButtonRelease && event.xbutton.button == Button1 && b.held) {
      if (inside(b.rect, event.xbutton.x, event.xbutton.y)) clicked = b.design.id;
      b.held = b.pressed_look = false;
      repaint = true;
    }
  }
  if (repaint) paint_buttons(win);
  if (clicked && sink_) sink_->button_click(id, clicked);
}

void X11Platform::handle(XEvent& event) {
  if (event.type == MappingNotify) {
    XRefreshKeyboardMapping(&event.xmapping);
    return;
  }
  if (event.type == KeyPress && event.xkey.window == root_) {
    // Esc from the root grab, wherever the focus is.
    if (escape_grabbed_ && escape_target_ != kNoWindow &&
        XkbKeycodeToKeysym(display_, event.xkey.keycode, 0, 0) == XK_Escape && sink_) {
      sink_->key_press(escape_target_, 27);
    }
    return;
  }
  const WindowId id = id_of(event.xany.window);
  Win* win = find(id);
  if (!win) return;
  switch (event.type) {
    case Expose:
      paint(*win, {event.xexpose.x, event.xexpose.y, event.xexpose.width, event.xexpose.height});
      break;
    case ClientMessage:
      if (event.xclient.message_type == atom("WM_PROTOCOLS") &&
          static_cast<Atom>(event.xclient.data.l[0]) == atom("WM_DELETE_WINDOW") &&
          !win->input_blocked && sink_) {
        sink_->close_request(id);
      }
      break;
    case ButtonPress:
    case ButtonRelease:
    case MotionNotify:
      if (win->input_blocked) break;
      if (!win->style.grabs_input) {
        handle_button(*win, id, event);
        break;
      }
      if (!sink_) break;
      if (event.type == MotionNotify) {
        // Only the latest of a run of moves matters when the pointer
        // outruns us; a press or release in between keeps its place.
        XEvent next;
        while (XEventsQueued(display_, QueuedAlready) > 0) {
          XPeekEvent(display_, &next);
          if (next.type != MotionNotify || next.xmotion.window != win->xid) break;
          XNextEvent(display_, &event);
        }
        sink_->mouse_move(id, buttons_held(event.xmotion.state), shift_of(event.xmotion.state),
                          event.xmotion.x, event.xmotion.y);
      } else if (int button = to_x_button(event.xbutton.button)) {
        const int x = event.xbutton.x, y = event.xbutton.y;
        const int shift = shift_of(event.xbutton.state);
        if (event.type == ButtonPress) {
          sink_->mouse_down(id, button, shift, x, y);
        } else {
          sink_->mouse_up(id, button, shift, x, y);
        }
      }
      break;
    default:
      break;
  }
}

void X11Platform::send_keys(const std::vector<KeyChord>& keys) {
  auto press = [&](KeySym sym, bool down) {
    KeyCode code = XKeysymToKeycode(display_, sym);
    if (code) XTestFakeKeyEvent(display_, code, down ? True : False, CurrentTime);
  };
  for (const KeyChord& chord : keys) {
    const KeySym sym = keysym_of(chord);
    const KeyCode code = sym == NoSymbol ? 0 : XKeysymToKeycode(display_, sym);
    if (!code) {
      std::cerr << "pagerook: no key on this keyboard types " << describe(chord) << std::endl;
      continue;
    }
    // A character on the shifted level of its key needs Shift.
    bool shift = (chord.modifiers & kShift) != 0;
    if (chord.key == Key::Character && XkbKeycodeToKeysym(display_, code, 0, 0) != sym &&
        XkbKeycodeToKeysym(display_, code, 0, 1) == sym) {
      shift = true;
    }
    if (chord.modifiers & kCtrl) press(XK_Control_L, true);
    if (chord.modifiers & kAlt) press(XK_Alt_L, true);
    if (shift) press(XK_Shift_L, true);
    XTestFakeKeyEvent(display_, code, True, CurrentTime);
    XTestFakeKeyEvent(display_, code, False, CurrentTime);
    if (shift) press(XK_Shift_L, false);
    if (chord.modifiers & kAlt) press(XK_Alt_L, false);
    if (chord.modifiers & kCtrl) press(XK_Control_L, false);
  }
  XFlush(display_);
  last_keys_ = last_change_ = Clock::now();
  changed_in_handler_ = true;
}

void X11Platform::post_key(WindowId w, int char_code) {
  posted_.emplace_back(w, char_code);
}

void X11Platform::deliver_posted() {
  while (!posted_.empty() && sink_) {
    auto [w, code] = posted_.front();
    posted_.pop_front();
    if (find(w)) sink_->key_press(w, code);
  }
}

void X11Platform::grab_escape_keys(bool grab) {
  const KeyCode code = XKeysymToKeycode(display_, XK_Escape);
  if (!code) return;
  // The grab must hold whatever the state of Caps Lock and Num Lock.
  unsigned num_lock = 0;
  if (XModifierKeymap* map = XGetModifierMapping(display_)) {
    const KeyCode num = XKeysymToKeycode(display_, XK_Num_Lock);
    for (int m = 0; m < 8 && num; ++m) {
      for (int k = 0; k < map->max_keypermod; ++k) {
        if (map->modifiermap[m * map->max_keypermod + k] == num) num_lock = 1u << m;
      }
    }
    XFreeModifiermap(map);
  }
  const unsigned variants[] = {0, LockMask, num_lock, LockMask | num_lock};
  ErrorTrap trap(display_);
  for (unsigned mods : variants) {
    if (grab) {
      XGrabKey(display_, code, mods, root_, False, GrabModeAsync, GrabModeAsync);
    } else {
      XUngrabKey(display_, code, mods, root_);
    }
  }
  const int error = trap.sync();
  if (grab && error && !escape_refusal_told_) {
    escape_refusal_told_ = true;
    std::cerr << "pagerook: another program holds the Esc key (" << error_text(display_, error)
              << "); Esc will stop the capture only while Pagerook's windows have the keyboard"
              << std::endl;
  }
  escape_grabbed_ = grab;
}

void X11Platform::grab_escape(WindowId target, bool grab) {
  escape_target_ = grab ? target : kNoWindow;
  if (grab != escape_grabbed_) grab_escape_keys(grab);
}

TimerId X11Platform::create_timer() {
  return timers_.create();
}

void X11Platform::set_timer(TimerId t, std::int32_t interval_ms) {
  timers_.set(t, interval_ms, Clock::now());
}

void X11Platform::sleep_ms(std::int32_t ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::unique_ptr<AutomationObject> X11Platform::attach_automation(std::string_view class_name) {
  throw Error(ErrorKind::Automation,
              "no running program answers to " + std::string(class_name) + " on X11");
}

std::string X11Platform::move_to_trash(const std::filesystem::path& path) {
  return gio_move_to_trash(path);
}

std::filesystem::path X11Platform::base_folder() const {
  std::string home;
  if (const char* env = std::getenv("HOME"); env && *env) {
    home = env;
  } else if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) {
    home = pw->pw_dir;
  }
  return files::from_utf8(home);
}

int X11Platform::wait_ms(std::chrono::milliseconds max_wait) const {
  auto wait = max_wait;
  if (auto deadline = timers_.next_deadline()) {
    auto until = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now());
    wait = std::min(wait, std::max(until, 0ms));
  }
  return static_cast<int>(std::min<long long>(wait.count(), 1 << 30));
}

void X11Platform::fire_timers() {
  const auto now = Clock::now();
  while (!quit_ && sink_) {
    auto due = timers_.take_due(now);
    if (!due) break;
    sink_->timer_tick(*due);
    deliver_posted();
    changed_in_handler_ = false;
  }
}

bool X11Platform::pump(std::chrono::milliseconds max_wait) {
  XFlush(display_);
  if (XPending(display_) == 0 && posted_.empty()) {
    pollfd fds[2] = {{ConnectionNumber(display_), POLLIN, 0}, {stop_signals_.fd(), POLLIN, 0}};
    poll(fds, stop_signals_.fd() >= 0 ? 2 : 1, wait_ms(max_wait));
  }
  if (int signal = stop_signals_.take()) {
    std::cerr << "pagerook: " << strsignal(signal) << ", stopping" << std::endl;
    quit_ = true;
    exit_status_ = 128 + signal;
    return false;
  }
  // What has arrived so far, one event at a time, then the timers, so that
  // neither can starve the other.
  // A handler may take events off the queue itself (motion compression), so
  // the count is only an upper bound.
  for (int n = XPending(display_); n > 0 && !quit_ && XEventsQueued(display_, QueuedAlready) > 0;
       --n) {
    XEvent event;
    XNextEvent(display_, &event);
    handle(event);
    deliver_posted();
    map_pending_overlays();
    changed_in_handler_ = false;
  }
  fire_timers();
  deliver_posted();
  map_pending_overlays();
  changed_in_handler_ = false;
  return !quit_;
}

int X11Platform::run() {
  deliver_posted();
  while (!quit_) pump(std::chrono::hours(1));
  return exit_status_;
}

}  // namespace pr::x11
