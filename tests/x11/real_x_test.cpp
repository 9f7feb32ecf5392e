#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <gtk/gtk.h>
#include <poll.h>
#include <algorithm>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/designs.hpp"
#include "app/main_window.hpp"
#include "app/preview_window.hpp"
#include "app/program.hpp"
#include "app/selection_overlay.hpp"
#include "core/system_jpeg_writer.hpp"
#include "platform/report.hpp"
#include "platform/x11/x11_platform.hpp"

namespace pr::x11 {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The document's client runs on a thread of its own.
const bool threads_ready = XInitThreads() != 0;

// A colour for every pixel of the pattern, different for every position up
// to 4096 x 4096.
std::uint32_t pattern(int x, int y) {
  return static_cast<std::uint32_t>(((x & 0xff) << 16) | ((y & 0xff) << 8) |
                                    (((x >> 8) & 0xf) << 4) | ((y >> 8) & 0xf));
}

// Another client on the same server, standing in for the document program:
// a normal window painted with the pattern that records the keys it gets and
// shows a new page (the pattern shifted) at each Page Down. It answers its
// events on a thread of its own, as another program would.
class Document {
 public:
  Document(int x, int y, int width, int height) : width_(width), height_(height) {
    display_ = XOpenDisplay(nullptr);
    if (!display_) throw std::runtime_error("no display");
    const int screen = DefaultScreen(display_);
    XSetWindowAttributes attrs{};
    attrs.event_mask = KeyPressMask | ExposureMask | StructureNotifyMask | FocusChangeMask;
    window_ = XCreateWindow(display_, RootWindow(display_, screen), x, y, width, height, 0,
                            CopyFromParent, InputOutput, CopyFromParent, CWEventMask, &attrs);
    XSizeHints hints{};
    hints.flags = USPosition | USSize;
    hints.x = x;
    hints.y = y;
    XSetWMNormalHints(display_, window_, &hints);
    XStoreName(display_, window_, "document");
    image_data_.resize(static_cast<std::size_t>(width) * height);
    fill(0);
    image_ = XCreateImage(display_, DefaultVisual(display_, screen), 24, ZPixmap, 0,
                          reinterpret_cast<char*>(image_data_.data()), width, height, 32, 0);
    image_->byte_order = LSBFirst;
    gc_ = XCreateGC(display_, window_, 0, nullptr);
    XMapRaised(display_, window_);
    XFlush(display_);
    thread_ = std::thread([this] { serve(); });
  }
  ~Document() {
    stop_ = true;
    thread_.join();
    image_->data = nullptr;
    XDestroyImage(image_);
    XFreeGC(display_, gc_);
    XDestroyWindow(display_, window_);
    XCloseDisplay(display_);
  }

  bool mapped() const { return mapped_; }
  bool painted() const { return painted_; }
  bool got_key(KeySym sym) {
    std::lock_guard lock(mutex_);
    return std::find(keys_.begin(), keys_.end(), sym) != keys_.end();
  }
  Window window() const { return window_; }

 private:
  // Repaints, and notes the keys typed into it.
  void serve() {
    while (!stop_) {
      while (XPending(display_)) {
        XEvent e;
        XNextEvent(display_, &e);
        if (e.type == Expose && e.xexpose.count == 0) paint();
        if (e.type == MapNotify) mapped_ = true;
        if (e.type == KeyPress) {
          const KeySym sym = XLookupKeysym(&e.xkey, 0);
          {
            std::lock_guard lock(mutex_);
            keys_.push_back(sym);
          }
          if (sym == XK_Next) {
            fill(++page_);
            paint();
          }
        }
      }
      pollfd fd{ConnectionNumber(display_), POLLIN, 0};
      poll(&fd, 1, 5);
    }
  }
  void fill(int page) {
    for (int row = 0; row < height_; ++row) {
      for (int col = 0; col < width_; ++col) {
        image_data_[row * width_ + col] = pattern(col + 7 * page, row);
      }
    }
  }
  void paint() {
    XPutImage(display_, window_, gc_, image_, 0, 0, 0, 0, width_, height_);
    XSync(display_, False);
    painted_ = true;
  }

  std::thread thread_;
  std::atomic<bool> stop_ = false;
  std::atomic<bool> mapped_ = false;
  std::atomic<bool> painted_ = false;
  std::mutex mutex_;
  std::vector<KeySym> keys_;
  Display* display_;
  Window window_;
  int width_, height_;
  int page_ = 0;
  std::vector<std::uint32_t> image_data_;
  XImage* image_;
  GC gc_;
};

// The real program on the real server, with a document beside it.
class RealX : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = std::filesystem::temp_directory_path() /
            ("pagerook-x11-" + std::to_string(::getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(home_);
    std::filesystem::create_directories(home_);
    setenv("HOME", home_.c_str(), 1);
    std::filesystem::create_directories(folder());
    ASSERT_TRUE(threads_ready);
    probe_ = XOpenDisplay(nullptr);
    ASSERT_NE(probe_, nullptr);
    // A test may change the desktop's resources; the next one gets them back.
    if (const char* resources = XResourceManagerString(probe_)) saved_resources_ = resources;
  }
  void TearDown() override {
    program_.reset();
    platform_.reset();
    document_.reset();
    Window root = DefaultRootWindow(probe_);
    if (saved_resources_) {
      XChangeProperty(probe_, root, XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(saved_resources_->c_str()),
                      static_cast<int>(saved_resources_->size()));
    } else {
      XDeleteProperty(probe_, root, XA_RESOURCE_MANAGER);
    }
    XSync(probe_, False);
    XCloseDisplay(probe_);
    std::filesystem::remove_all(home_);
  }

  void start_document(int x, int y, int w, int h) {
    document_ = std::make_unique<Document>(x, y, w, h);
    // On a busy machine the window manager can take a while to map it.
    ASSERT_TRUE(wait_for([&] { return document_->mapped(); }, 10s));
    ASSERT_TRUE(wait_for([&] { return viewable(document_->window()); }, 10s));
    ASSERT_TRUE(wait_for([&] { return document_->painted(); }, 10s));
  }
  void focus_document() {
    XSetInputFocus(probe(), document_->window(), RevertToParent, CurrentTime);
    XSync(probe(), False);
  }
  // Where the document's client area lies on the screen.
  std::pair<int, int> document_origin() { return client_origin(document_->window()); }
  void start_program() {
    platform_ = std::make_unique<X11Platform>();
    program_ = std::make_unique<Program>(*platform_, *writer_);
    ASSERT_TRUE(wait_for([&] { return viewable(main_window()); }, 10s));
    // Until the frame is in place (two of its title bars down) the window
    // manager may still move it; on a busy machine it can take a while.
    const int settled =
        platform_->work_area().top + 2 * platform_->frame_size(program_->main_window().id()).height;
    ASSERT_TRUE(wait_for(
        [&] {
          XWindowAttributes frame{};
          return XGetWindowAttributes(probe(), top_level(main_window()), &frame) &&
                 frame.y == settled;
        },
        10s));
  }

  // Runs both clients until `done`, or fails after `timeout`.
  bool wait_for(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (Clock::now() < deadline) {
      if (done()) return true;
      if (platform_) {
        platform_->pump(5ms);
      } else {
        XSync(probe(), False);
        std::this_thread::sleep_for(5ms);
      }
    }
    return done();
  }
  // Lets both clients work for a while, whatever happens.
  void run_for(std::chrono::milliseconds time) {
    wait_for([] { return false; }, time);
  }

  Display* probe() { return probe_; }
  Window main_window() { return platform_->native_window(program_->main_window().id()); }
  bool viewable(Window w) {
    XWindowAttributes a{};
    return w != None && XGetWindowAttributes(probe(), w, &a) && a.map_state == IsViewable;
  }
  std::pair<int, int> client_origin(Window w) {
    int x = 0, y = 0;
    Window child;
    XTranslateCoordinates(probe(), w, DefaultRootWindow(probe()), 0, 0, &x, &y, &child);
    return {x, y};
  }
  Window top_level(Window w) {
    for (;;) {
      Window root, parent, *children = nullptr;
      unsigned n = 0;
      XQueryTree(probe(), w, &root, &parent, &children, &n);
      if (children) XFree(children);
      if (parent == root) return w;
      w = parent;
    }
  }
  // A pixel of the real screen, 0xRRGGBB.
  std::uint32_t screen_pixel(int x, int y) {
    XImage* image = XGetImage(probe(), DefaultRootWindow(probe()), x, y, 1, 1, AllPlanes, ZPixmap);
    std::uint32_t p = static_cast<std::uint32_t>(XGetPixel(image, 0, 0)) & 0xffffff;
    XDestroyImage(image);
    return p;
  }
  void fake_move(int x, int y) {
    XTestFakeMotionEvent(probe(), -1, x, y, CurrentTime);
    XSync(probe(), False);
  }
  void fake_button(bool down) {
    XTestFakeButtonEvent(probe(), 1, down, CurrentTime);
    XSync(probe(), False);
  }
  void fake_key(KeySym sym) {
    KeyCode code = XKeysymToKeycode(probe(), sym);
    XTestFakeKeyEvent(probe(), code, True, CurrentTime);
    XTestFakeKeyEvent(probe(), code, False, CurrentTime);
    XSync(probe(), False);
  }
  std::string wm_name(Window w) {
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    XGetWindowProperty(probe(), w, XInternAtom(probe(), "_NET_WM_NAME", False), 0, 64, False,
                       XInternAtom(probe(), "UTF8_STRING", False), &type, &format, &count, &after,
                       &data);
    std::string name = data ? std::string(reinterpret_cast<char*>(data), count) : "";
    if (data) XFree(data);
    return name;
  }
  // Whether the server refused the probe's grab of Esc on the root window
  // (BadAccess: someone else holds it).
  bool escape_refused_to_probe() {
    static int refused = 0;
    refused = 0;
    auto previous = XSetErrorHandler([](Display*, XErrorEvent* e) {
      refused = e->error_code == BadAccess;
      return 0;
    });
    XGrabKey(probe(), XKeysymToKeycode(probe(), XK_Escape), 0, DefaultRootWindow(probe()), False,
             GrabModeAsync, GrabModeAsync);
    XSync(probe(), False);
    XSetErrorHandler(previous);
    XUngrabKey(probe(), XKeysymToKeycode(probe(), XK_Escape), 0, DefaultRootWindow(probe()));
    XSync(probe(), False);
    return refused != 0;
  }
  // The centre of the main window's button, on the screen.
  std::pair<int, int> button_centre() {
    auto [x, y] = client_origin(main_window());
    const float tpp = platform_->twips_per_pixel();
    return {x + static_cast<int>((360 + 615 / 2) / tpp),
            y + static_cast<int>((120 + 375 / 2) / tpp)};
  }
  // Whether the main window's frame is what the pointer is over: it is hidden
  // for the frozen screen and mapped again at the commit and at a run's end.
  bool main_window_under_pointer() {
    Window root, child;
    int rx, ry, wx, wy;
    unsigned mask;
    XQueryPointer(probe(), DefaultRootWindow(probe()), &root, &child, &rx, &ry, &wx, &wy, &mask);
    return viewable(main_window()) && child == top_level(main_window());
  }
  // Puts the pointer on the button once the main window stands where the
  // program last put it (a window on its way is not clicked beside it, and
  // a click on the bare screen would go to the window manager).
  void point_at_button() {
    EXPECT_TRUE(wait_for(
        [&] {
          XWindowAttributes frame{};
          const MainWindow& w = program_->main_window();
          if (!XGetWindowAttributes(probe(), top_level(main_window()), &frame) ||
              frame.x != w.left() || frame.y != w.top()) {
            return false;
          }
          auto [x, y] = button_centre();
          fake_move(x, y);
          return main_window_under_pointer();
        },
        10s));
  }
  void click_capture_button() {
    point_at_button();
    fake_button(true);
    fake_button(false);
  }
  bool overlay_shown() {
    return program_->overlay_loaded() &&
           viewable(platform_->native_window(program_->overlay().id()));
  }
  long files() {
    long n = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder())) {
      if (entry.path().filename().string()[0] != '.') ++n;
    }
    return n;
  }
  std::filesystem::path folder() const { return home_ / "截图"; }

  std::filesystem::path home_;
  Display* probe_ = nullptr;
  std::optional<std::string> saved_resources_;
  std::unique_ptr<Document> document_;
  std::unique_ptr<JpegWriter> writer_ = make_system_jpeg_writer();
  std::unique_ptr<X11Platform> platform_;
  std::unique_ptr<Program> program_;
};

TEST_F(RealX, MainWindowSitsAtTheCornerWithItsDesignedSizeAndCaption) {
  start_program();
  Window w = main_window();
  XWindowAttributes a{};
  XGetWindowAttributes(probe(), w, &a);
  EXPECT_EQ(a.width, 145);
  EXPECT_EQ(a.height, 40);
  // The frame stands at the screen's left edge, two of its title bars down.
  Window frame = top_level(w);
  XWindowAttributes fa{};
  XGetWindowAttributes(probe(), frame, &fa);
  // The frame the core was told about is the real one.
  PixelSize f = platform_->frame_size(program_->main_window().id());
  EXPECT_EQ(fa.x, 0);
  EXPECT_EQ(fa.y, 2 * f.height);
  EXPECT_EQ(fa.width + 2 * fa.border_width, 145 + f.width);
  EXPECT_EQ(fa.height + 2 * fa.border_width, 40 + f.height);

  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  XGetWindowProperty(probe(), w, XInternAtom(probe(), "_NET_WM_NAME", False), 0, 64, False,
                     XInternAtom(probe(), "UTF8_STRING", False), &type, &format, &count, &after,
                     &data);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data), count), "Pagerook");
  XFree(data);

  // A new caption reaches the window manager as UTF-8.
  platform_->set_caption(program_->main_window().id(), "Pagerook — 第 3 页");
  EXPECT_TRUE(wait_for([&] { return wm_name(w) == "Pagerook — 第 3 页"; }, 5s)) << wm_name(w);

  XSizeHints hints{};
  long supplied = 0;
  ASSERT_TRUE(XGetWMNormalHints(probe(), w, &hints, &supplied));
  EXPECT_TRUE((hints.flags & PMinSize) && (hints.flags & PMaxSize));
  EXPECT_EQ(hints.min_width, 145);
  EXPECT_EQ(hints.max_width, 145);
  EXPECT_EQ(hints.min_height, 40);
  EXPECT_EQ(hints.max_height, 40);

  XWMHints* wm = XGetWMHints(probe(), w);
  ASSERT_NE(wm, nullptr);
  EXPECT_TRUE(wm->flags & InputHint);
  EXPECT_FALSE(wm->input);
  XFree(wm);
  Atom* protocols = nullptr;
  int n = 0;
  ASSERT_TRUE(XGetWMProtocols(probe(), w, &protocols, &n));
  for (int i = 0; i < n; ++i) {
    EXPECT_NE(protocols[i], XInternAtom(probe(), "WM_TAKE_FOCUS", False));
  }
  XFree(protocols);
}

// The item of a GTK menu whose label starts with `text`; null if none.
GtkWidget* menu_item(GtkWidget* menu, const std::string& text) {
  GtkWidget* found = nullptr;
  GList* children = gtk_container_get_children(GTK_CONTAINER(menu));
  for (GList* c = children; c && !found; c = c->next) {
    const char* label =
        GTK_IS_MENU_ITEM(c->data) ? gtk_menu_item_get_label(GTK_MENU_ITEM(c->data)) : nullptr;
    if (label && std::string(label).starts_with(text)) found = GTK_WIDGET(c->data);
  }
  g_list_free(children);
  return found;
}

// The middle of a shown widget, on the screen.
std::pair<int, int> screen_centre(GtkWidget* widget) {
  GtkAllocation a;
  gtk_widget_get_allocation(widget, &a);
  int x = 0, y = 0;
  gdk_window_get_origin(gtk_widget_get_window(widget), &x, &y);
  return {x + a.x + a.width / 2, y + a.y + a.height / 2};
}

TEST_F(RealX, RightClickMenuChoosesTheQualityOfTheNextCaptureWithoutTakingTheFocus) {
  start_document(200, 150, 700, 500);
  start_program();
  focus_document();
  program_->main_window().options.page_after_page = false;  // one picture per capture

  // The frame: a title bar with the close box only, not resizable.
  Atom type;
  int format;
  unsigned long count = 0, after;
  unsigned char* data = nullptr;
  ASSERT_TRUE(wait_for(
      [&] {
        if (data) XFree(data);
        data = nullptr;
        XGetWindowProperty(probe(), main_window(),
                           XInternAtom(probe(), "_NET_WM_ALLOWED_ACTIONS", False), 0, 32, False,
                           XA_ATOM, &type, &format, &count, &after, &data);
        return count > 0;
      },
      5s));
  std::vector<std::string> actions;
  for (unsigned long i = 0; i < count; ++i) {
    char* name = XGetAtomName(probe(), reinterpret_cast<Atom*>(data)[i]);
    actions.emplace_back(name);
    XFree(name);
  }
  XFree(data);
  auto allowed = [&](const char* a) {
    return std::find(actions.begin(), actions.end(), a) != actions.end();
  };
  EXPECT_TRUE(allowed("_NET_WM_ACTION_CLOSE"));
  EXPECT_FALSE(allowed("_NET_WM_ACTION_MINIMIZE"));
  EXPECT_FALSE(allowed("_NET_WM_ACTION_MAXIMIZE_HORZ"));
  EXPECT_FALSE(allowed("_NET_WM_ACTION_RESIZE"));

  // 截图 tells a first-time user what to do while the pointer rests on it.
  std::string tip;
  GList* toplevels = gtk_window_list_toplevels();
  for (GList* t = toplevels; t; t = t->next) {
    const char* title = gtk_window_get_title(GTK_WINDOW(t->data));
    GtkWidget* content = gtk_bin_get_child(GTK_BIN(t->data));
    if (!title || std::string(title) != "Pagerook" || !GTK_IS_CONTAINER(content)) continue;
    GList* children = gtk_container_get_children(GTK_CONTAINER(content));
    for (GList* c = children; c; c = c->next) {
      if (gchar* text = gtk_widget_get_tooltip_text(GTK_WIDGET(c->data))) {
        tip = text;
        g_free(text);
      }
    }
    g_list_free(children);
  }
  g_list_free(toplevels);
  EXPECT_EQ(tip, design::kCaptureTip);

  Window before = None, now = None;
  int revert;
  XGetInputFocus(probe(), &before, &revert);
  ASSERT_EQ(before, document_->window());

  // A real right-click on 截图.
  point_at_button();
  XTestFakeButtonEvent(probe(), 3, True, CurrentTime);
  XTestFakeButtonEvent(probe(), 3, False, CurrentTime);
  XSync(probe(), False);
  auto shown = [&](GtkWidget* w) { return w && gtk_widget_get_mapped(w); };
  ASSERT_TRUE(wait_for([&] { return shown(platform_->popup_menu()); }, 10s));
  GtkWidget* quality = menu_item(platform_->popup_menu(), "压缩率");
  ASSERT_NE(quality, nullptr);
  auto [qx, qy] = screen_centre(quality);
  fake_move(qx, qy);
  GtkWidget* qualities = gtk_menu_item_get_submenu(GTK_MENU_ITEM(quality));
  ASSERT_TRUE(wait_for([&] { return shown(qualities); }, 10s));
  GtkWidget* q95 = menu_item(qualities, "95");
  ASSERT_NE(q95, nullptr);
  auto [x95, y95] = screen_centre(q95);
  // Along the row first, so that the pointer stays on 压缩率 until the submenu.
  fake_move(x95, qy);
  fake_move(x95, y95);
  ASSERT_TRUE(
      wait_for([&] { return gtk_widget_get_state_flags(q95) & GTK_STATE_FLAG_PRELIGHT; }, 5s));
  XGetInputFocus(probe(), &now, &revert);
  EXPECT_EQ(now, document_->window()) << "while the menu is open";
  if (const char* dir = std::getenv("PAGEROOK_SCREENSHOTS")) {
    std::string command =
        std::string("import-im6.q16 -window root -crop 420x360+0+0 '") + dir + "/menu-linux.png'";
    EXPECT_EQ(std::system(command.c_str()), 0);
  }
  fake_button(true);
  fake_button(false);
  ASSERT_TRUE(wait_for([&] { return program_->main_window().options.jpeg_quality == 95; }, 10s));
  EXPECT_TRUE(wait_for([&] { return !shown(platform_->popup_menu()); }, 10s));
  XGetInputFocus(probe(), &now, &revert);
  EXPECT_EQ(now, document_->window()) << "after the menu";

  // The next capture is written at quality 95.
  auto [ox, oy] = document_origin();
  click_capture_button();
  ASSERT_TRUE(wait_for([&] { return overlay_shown(); }, 10s));
  fake_move(ox + 50, oy + 50);
  fake_button(true);
  fake_move(ox + 150, oy + 120);
  fake_move(ox + 250, oy + 200);
  fake_button(false);
  ASSERT_TRUE(wait_for([&] { return files() == 1 && !overlay_shown(); }, 10s));
  const std::string command = "identify-im6.q16 -format %Q '" + (folder() / "0.jpg").string() + "'";
  FILE* identify = popen(command.c_str(), "r");
  ASSERT_NE(identify, nullptr);
  char quality_read[16] = {};
  ASSERT_NE(fgets(quality_read, sizeof quality_read, identify), nullptr);
  pclose(identify);
  EXPECT_STREQ(quality_read, "95");

  // Esc in the menu opened during a run stops the run too.
  program_->main_window().options.page_after_page = true;
  click_capture_button();
  ASSERT_TRUE(wait_for([&] { return overlay_shown(); }, 10s));
  fake_move(ox + 50, oy + 50);
  fake_button(true);
  fake_move(ox + 250, oy + 200);
  fake_button(false);
  ASSERT_TRUE(wait_for([&] { return program_->overlay().cycling() && !overlay_shown(); }, 10s));
  // The main window, hidden for the frozen screen, is back under the pointer
  // before the right-click: on the bare screen it would open the window
  // manager's own menu instead.
  point_at_button();
  XTestFakeButtonEvent(probe(), 3, True, CurrentTime);
  XTestFakeButtonEvent(probe(), 3, False, CurrentTime);
  XSync(probe(), False);
  ASSERT_TRUE(wait_for([&] { return shown(platform_->popup_menu()); }, 10s));
  fake_key(XK_Escape);
  EXPECT_TRUE(wait_for([&] { return !program_->overlay().cycling(); }, 10s));
  EXPECT_TRUE(wait_for([&] { return !shown(platform_->popup_menu()); }, 10s));
}

TEST_F(RealX, MainWindowStaysAboveAndItsButtonLeavesTheFocusInTheDocument) {
  start_document(0, 0, 600, 400);
  start_program();
  focus_document();
  // Raising the document does not cover the topmost main window.
  XRaiseWindow(probe(), top_level(document_->window()));
  auto [bx, by] = button_centre();
  fake_move(bx, by);
  auto under_pointer = [&] {
    Window root, child;
    int rx, ry, wx, wy;
    unsigned mask;
    XQueryPointer(probe(), DefaultRootWindow(probe()), &root, &child, &rx, &ry, &wx, &wy, &mask);
    return child;
  };
  // The window manager puts the keep-above window back over the document.
  EXPECT_TRUE(wait_for([&] { return under_pointer() == top_level(main_window()); }, 5s));

  Window before = None, after = None;
  int revert;
  XGetInputFocus(probe(), &before, &revert);
  ASSERT_EQ(before, document_->window());
  click_capture_button();
  ASSERT_TRUE(wait_for([&] { return overlay_shown(); }, 10s));
  XGetInputFocus(probe(), &after, &revert);
  EXPECT_EQ(after, document_->window());
}

TEST_F(RealX, FrozenScreenShowsNoPagerookWindowAndTheOutlineLeavesItAlone) {
  start_document(0, 0, 800, 600);
  start_program();
  focus_document();
  auto [ox, oy] = document_origin();
  click_capture_button();
  ASSERT_TRUE(wait_for([&] { return overlay_shown(); }, 10s));

  // Where the main window stood, the frozen picture shows the document.
  ImageView frozen = program_->overlay().picture();
  ASSERT_EQ(frozen.width, DisplayWidth(probe(), DefaultScreen(probe())));
  for (int y = 0; y < 61; ++y) {
    for (int x = 0; x < 147; ++x) {
      if (x < ox || y < oy) continue;
      ASSERT_EQ(frozen.pixel(x, y), pattern(x - ox, y - oy)) << x << "," << y;
    }
  }
  // Drag from bottom-right to top-left, without letting go.
  fake_move(500, 400);
  fake_button(true);
  fake_move(400, 300);
  fake_move(200, 150);
  ASSERT_TRUE(wait_for([&] { return screen_pixel(200, 150) == 0xC00000; }, 10s))
      << std::hex << screen_pixel(200, 150) << " " << screen_pixel(350, 150) << " "
      << screen_pixel(200, 151);
  EXPECT_EQ(screen_pixel(499, 399), 0xC00000u);
  EXPECT_EQ(screen_pixel(350, 150), 0xC00000u);
  EXPECT_EQ(screen_pixel(200, 300), 0xC00000u);
  // One pixel wide, and the picture intact around it and in the picture.
  for (auto [x, y] : {std::pair{201, 151}, {199, 149}, {500, 400}, {350, 151}, {350, 149}}) {
    EXPECT_EQ(screen_pixel(x, y), pattern(x - ox, y - oy)) << x << "," << y;
  }
  EXPECT_EQ(program_->overlay().picture().pixel(200, 150), pattern(200 - ox, 150 - oy));
  // Moving the outline back over old ground leaves the picture as it was.
  fake_move(300, 250);
  ASSERT_TRUE(wait_for([&] { return screen_pixel(300, 250) == 0xC00000; }, 10s));
  EXPECT_EQ(screen_pixel(200, 150), pattern(200 - ox, 150 - oy));
  EXPECT_EQ(screen_pixel(250, 150), pattern(250 - ox, 150 - oy));

  fake_button(false);
  ASSERT_TRUE(wait_for([&] { return files() == 1 && !overlay_shown(); }, 10s));
  ImageView saved = program_->main_window().last_picture.picture();
  ASSERT_EQ(saved.width, 200);
  ASSERT_EQ(saved.height, 150);
  EXPECT_EQ(saved.pixel(0, 0), pattern(300 - ox, 250 - oy));
  EXPECT_EQ(saved.pixel(199, 149), pattern(499 - ox, 399 - oy));
}

TEST_F(RealX, EscFromTheDocumentStopsTheCycle) {
  start_document(0, 0, 800, 600);
  start_program();
  focus_document();
  click_capture_button();
  ASSERT_TRUE(wait_for([&] { return overlay_shown(); }, 10s));
  fake_move(400, 300);
  fake_button(true);
  fake_move(100, 100);
  fake_button(false);
  ASSERT_TRUE(wait_for([&] { return program_->overlay().tick_timer.enabled(); }, 10s));
  // The cycle's Page Down reaches the document, which kept the focus.
  ASSERT_TRUE(wait_for([&] { return files() >= 2; }, 5s));
  int revert;
  Window focus;
  XGetInputFocus(probe(), &focus, &revert);
  EXPECT_EQ(focus, document_->window());
  EXPECT_TRUE(document_->got_key(XK_Next));

  fake_key(XK_Escape);
  ASSERT_TRUE(wait_for([&] { return !program_->overlay().tick_timer.enabled(); }, 10s));
  const long after_esc = files();
  run_for(2000ms);
  EXPECT_EQ(files(), after_esc);
  // The grab took Esc: the document never saw it.
  EXPECT_FALSE(document_->got_key(XK_Escape));
}

TEST_F(RealX, EscOnTheFrozenScreenCancelsAndNoKeyReachesTheDocument) {
  start_document(0, 0, 800, 600);
  start_program();
  focus_document();
  click_capture_button();
  ASSERT_TRUE(wait_for([&] { return overlay_shown(); }, 10s));
  fake_move(400, 300);
  fake_button(true);
  fake_move(200, 200);
  fake_key(XK_a);
  fake_key(XK_Escape);
  ASSERT_TRUE(wait_for([&] { return !overlay_shown() && viewable(main_window()); }, 10s));
  fake_button(false);
  // The release lands in the document now, which answers it; by then ours,
  // had it come, would have been handled.
  XSync(probe(), False);
  run_for(300ms);
  EXPECT_EQ(files(), 0);
  EXPECT_FALSE(program_->overlay().tick_timer.enabled());
  EXPECT_FALSE(document_->got_key(XK_a));
  EXPECT_FALSE(document_->got_key(XK_Escape));
  int revert;
  Window focus;
  XGetInputFocus(probe(), &focus, &revert);
  EXPECT_EQ(focus, document_->window());
  // The grabs are gone: a key typed now reaches the document.
  fake_key(XK_b);
  EXPECT_TRUE(wait_for([&] { return document_->got_key(XK_b); }, 10s));
}

// Passes every event on to the program; ticks of its own timer go to `tick`.
class Relay : public EventSink {
 public:
  Relay(Program& program, TimerId timer, std::function<void()> tick)
      : program_(program), timer_(timer), tick_(std::move(tick)) {}
  void mouse_down(WindowId w, int b, int s, int x, int y) override {
    program_.mouse_down(w, b, s, x, y);
  }
  void mouse_move(WindowId w, int b, int s, int x, int y) override {
    program_.mouse_move(w, b, s, x, y);
  }
  void mouse_up(WindowId w, int b, int s, int x, int y) override {
    program_.mouse_up(w, b, s, x, y);
  }
  void key_press(WindowId w, int c) override { program_.key_press(w, c); }
  void button_click(WindowId w, int id) override { program_.button_click(w, id); }
  void timer_tick(TimerId t) override { t == timer_ ? tick_() : program_.timer_tick(t); }
  void close_request(WindowId w) override { program_.close_request(w); }

 private:
  Program& program_;
  TimerId timer_;
  std::function<void()> tick_;
};

TEST_F(RealX, PreviewShowsTheLastPictureModalBelowTheMainWindowAndItsCloseBoxEndsIt) {
  start_document(0, 0, 800, 600);
  start_program();
  focus_document();
  auto [ox, oy] = document_origin();
  click_capture_button();
  ASSERT_TRUE(wait_for([&] { return overlay_shown(); }, 10s));
  fake_move(300, 250);
  fake_button(true);
  fake_move(500, 400);
  fake_button(false);
  ASSERT_TRUE(wait_for([&] { return files() >= 1; }, 10s));
  fake_key(XK_Escape);
  ASSERT_TRUE(wait_for([&] { return !program_->overlay().tick_timer.enabled(); }, 10s));
  const ImageView picture = program_->main_window().last_picture.picture();
  ASSERT_EQ(picture.width, 200);
  ASSERT_EQ(picture.pixel(0, 0), pattern(300 - ox, 250 - oy));

  // While the preview is up, a timer of the test's own looks at the screen,
  // then closes the preview with its close box.
  const TimerId timer = platform_->create_timer();
  long wrong = -1;
  bool main_shown = false;
  int preview_top = 0, main_bottom = 0;
  Relay relay(*program_, timer, [&] {
    const Window preview = platform_->native_window(program_->preview().id());
    if (!viewable(preview)) return;
    auto [px, py] = client_origin(preview);
    if (screen_pixel(px, py) != picture.pixel(0, 0)) return;  // not drawn yet
    wrong = 0;
    for (int y = 0; y < picture.height; y += 7) {
      for (int x = 0; x < picture.width; x += 5)
        wrong += screen_pixel(px + x, py + y) != picture.pixel(x, y);
    }
    main_shown = viewable(main_window());
    XWindowAttributes frame{};
    XGetWindowAttributes(probe(), top_level(preview), &frame);
    preview_top = frame.y;
    XGetWindowAttributes(probe(), top_level(main_window()), &frame);
    main_bottom = frame.y + frame.height;
    if (const char* dir = std::getenv("PAGEROOK_SCREENSHOTS")) {
      const std::string command =
          std::string("import-im6.q16 -window root '") + dir + "/preview.png'";
      EXPECT_EQ(std::system(command.c_str()), 0);
    }
    platform_->set_timer(timer, 0);
    program_->close_request(program_->preview().id());
  });
  platform_->set_event_sink(&relay);
  platform_->set_timer(timer, 50);
  program_->main_window().on_preview_chosen();
  ASSERT_TRUE(wait_for([&] { return !program_->preview_loaded(); }, 10s));
  platform_->set_event_sink(program_.get());
  EXPECT_EQ(wrong, 0);
  EXPECT_TRUE(main_shown);
  EXPECT_EQ(preview_top, main_bottom);
  EXPECT_FALSE(program_->preview_loaded() &&
               viewable(platform_->native_window(program_->preview().id())));
  int revert;
  Window focus;
  XGetInputFocus(probe(), &focus, &revert);
  EXPECT_EQ(focus, document_->window());
}

TEST_F(RealX, EscHeldByAnotherProgramIsToldOnceAndTheProgramGoesOn) {
  const KeyCode esc = XKeysymToKeycode(probe(), XK_Escape);
  XGrabKey(probe(), esc, 0, DefaultRootWindow(probe()), False, GrabModeAsync, GrabModeAsync);
  XSync(probe(), False);
  std::vector<std::string> lines;
  set_report_sink([&](std::string_view line) { lines.emplace_back(line); });
  start_program();
  const WindowId target = program_->main_window().id();
  for (int i = 0; i < 3; ++i) {
    platform_->grab_escape(target, true);
    platform_->grab_escape(target, false);
  }
  // The server's refusal was caught, not fatal: the loop goes on after the
  // server has answered everything sent so far.
  platform_->grab_escape(target, true);
  XSync(platform_->display(), False);
  ASSERT_TRUE(platform_->pump(0ms));
  set_report_sink({});
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("Esc"), std::string::npos) << lines[0];
  EXPECT_NE(lines[0].find("BadAccess"), std::string::npos) << lines[0];
  // Once the other program lets go, the grab is ours.
  XUngrabKey(probe(), esc, 0, DefaultRootWindow(probe()));
  XSync(probe(), False);
  platform_->grab_escape(target, false);
  platform_->grab_escape(target, true);
  EXPECT_TRUE(escape_refused_to_probe());
  platform_->grab_escape(target, false);
}

TEST_F(RealX, MainWindowWithoutAnXWindowRunsUnguardedAndSaysSo) {
  platform_ = std::make_unique<X11Platform>();
  std::vector<std::string> lines;
  set_report_sink([&](std::string_view line) { lines.emplace_back(line); });
  EXPECT_TRUE(platform_->claim_instance(WindowId{4242})) << "a window this backend never made";
  set_report_sink({});
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("a second Pagerook will not be stopped"), std::string::npos) << lines[0];
  // Nothing was claimed: the next one with a window of its own holds the session.
  X11Platform next;
  const WindowId main =
      next.create_window(design::in_pixels(design::main_window(), next.twips_per_pixel()));
  EXPECT_TRUE(next.claim_instance(main));
  next.destroy_window(main);
}

TEST_F(RealX, TheFolderThatCannotBeOpenedIsSaidOnScreenAndOnStderr) {
  // xdg-open that finds no file manager (its status 3), and no xdg-open at all.
  const std::filesystem::path bin = home_ / "bin";
  std::filesystem::create_directories(bin);
  const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
  platform_ = std::make_unique<X11Platform>();
  for (const bool installed : {true, false}) {
    std::filesystem::remove(bin / "xdg-open");
    if (installed) {
      std::ofstream(bin / "xdg-open") << "#!/bin/sh\nexit 3\n";
      std::filesystem::permissions(bin / "xdg-open", std::filesystem::perms::owner_all);
    }
    setenv("PATH", (installed ? bin.string() + ":" + path : bin.string()).c_str(), 1);
    std::vector<std::string> lines;
    set_report_sink([&](std::string_view line) { lines.emplace_back(line); });
    platform_->open_folder(folder());
    auto dialog = [] {
      GList* all = gtk_window_list_toplevels();
      bool shown = false;
      for (GList* w = all; w; w = w->next) {
        const char* title = gtk_window_get_title(GTK_WINDOW(w->data));
        shown = shown || (gtk_widget_get_visible(GTK_WIDGET(w->data)) && title &&
                          std::string_view(title) == "Pagerook — 截图文件夹");
      }
      g_list_free(all);
      return shown;
    };
    EXPECT_TRUE(wait_for([&] { return !lines.empty() && dialog(); }, 10s)) << installed;
    setenv("PATH", path.c_str(), 1);
    set_report_sink({});
    ASSERT_EQ(lines.size(), 1u) << installed;
    EXPECT_NE(lines[0].find(installed ? "no file manager" : "xdg-open"), std::string::npos)
        << lines[0];
    // Dismissed, it goes.
    GList* all = gtk_window_list_toplevels();
    for (GList* w = all; w; w = w->next) {
      if (GTK_IS_DIALOG(w->data)) gtk_dialog_response(GTK_DIALOG(w->data), GTK_RESPONSE_OK);
    }
    g_list_free(all);
    EXPECT_TRUE(wait_for([&] { return !dialog(); }, 10s));
  }
}

TEST_F(RealX, OverlayWhosePointerAnotherProgramHoldsSaysSoAndStillComesUp) {
  start_program();
  ASSERT_EQ(XGrabPointer(probe(), DefaultRootWindow(probe()), False, ButtonPressMask, GrabModeAsync,
                         GrabModeAsync, None, None, CurrentTime),
            GrabSuccess);
  XSync(probe(), False);
  std::vector<std::string> lines;
  set_report_sink([&](std::string_view line) { lines.emplace_back(line); });
  program_->main_window().on_capture_clicked();
  EXPECT_TRUE(wait_for([&] { return overlay_shown() && !lines.empty(); }, 10s));
  set_report_sink({});
  XUngrabPointer(probe(), CurrentTime);
  XSync(probe(), False);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("another program holds them"), std::string::npos) << lines[0];
}

TEST_F(RealX, ScreenCopyIsPixelExact) {
  Display* d = XOpenDisplay(nullptr);
  const int sw = DisplayWidth(d, 0), sh = DisplayHeight(d, 0);
  XCloseDisplay(d);
  start_document(0, 0, sw, sh);
  platform_ = std::make_unique<X11Platform>();
  EXPECT_TRUE(platform_->uses_shm());
  auto [ox, oy] = document_origin();
  ImageView whole = platform_->copy_screen();
  ASSERT_EQ(whole.width, sw);
  ASSERT_EQ(whole.height, sh);
  long wrong = 0;
  for (int y = oy; y < sh; ++y) {
    for (int x = ox; x < sw; ++x) wrong += whole.pixel(x, y) != pattern(x - ox, y - oy);
  }
  EXPECT_EQ(wrong, 0);
  // A region at the bottom right, grabbed on its own.
  ImageView part = platform_->copy_screen_region(sw - 1000, sh - 700, 1000, 700);
  ASSERT_EQ(part.width, 1000);
  ASSERT_EQ(part.height, 700);
  EXPECT_EQ(part.left, sw - 1000);
  EXPECT_EQ(part.top, sh - 700);
  wrong = 0;
  for (int y = 0; y < 700; ++y) {
    for (int x = 0; x < 1000; ++x) {
      wrong += part.pixel(x, y) != pattern(sw - 1000 + x - ox, sh - 700 + y - oy);
    }
  }
  EXPECT_EQ(wrong, 0);
}

TEST_F(RealX, CommitBelow32767TwipsCropsTheRightRows) {
  // Fewer dots per inch give more twips per pixel, so that the bottom of
  // the screen lies beyond 32767 twips.
  Display* d = XOpenDisplay(nullptr);
  const int sw = DisplayWidth(d, 0), sh = DisplayHeight(d, 0);
  const int dpi = 1440 * sh / 43200;
  const std::string resources = "Xft.dpi:\t" + std::to_string(dpi) + "\n";
  XChangeProperty(d, DefaultRootWindow(d), XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(resources.c_str()),
                  static_cast<int>(resources.size()));
  XSync(d, False);
  start_document(0, 0, sw, sh);
  start_program();
  const float tpp = platform_->twips_per_pixel();
  ASSERT_NEAR(tpp, 1440.0f / dpi, 1e-3);
  auto [ox, oy] = document_origin();
  click_capture_button();
  ASSERT_TRUE(wait_for([&] { return overlay_shown(); }, 10s));
  const int x0 = sw / 2, y0 = sh - 300, x1 = sw / 2 + 400, y1 = sh - 40;
  ASSERT_GT(y1 * tpp, 32767);
  fake_move(x0, y0);
  fake_button(true);
  fake_move(x1, y1);
  fake_button(false);
  ASSERT_TRUE(wait_for([&] { return files() >= 1; }, 10s));
  ImageView saved = program_->main_window().last_picture.picture();
  ASSERT_EQ(saved.width, x1 - x0);
  ASSERT_EQ(saved.height, y1 - y0);
  long wrong = 0;
  for (int y = 0; y < saved.height; ++y) {
    for (int x = 0; x < saved.width; ++x) {
      wrong += saved.pixel(x, y) != pattern(x0 + x - ox, y0 + y - oy);
    }
  }
  EXPECT_EQ(wrong, 0);
  XCloseDisplay(d);
}

}  // namespace
}  // namespace pr::x11
