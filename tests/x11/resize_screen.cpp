// Changes the size of the X screen through RandR 1.2, as a display settings
// dialog does: the output is switched off, the screen takes its new size and
// the output comes back in a mode of that size (made if the server has
// none). Xvfb can shrink its screen this way and grow it back to its size at
// start, no further.
//   resize_screen WIDTHxHEIGHT
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

int refused = 0;

int note_error(Display*, XErrorEvent* event) {
  refused = event->error_code;
  return 0;
}

int fail(const std::string& why) {
  std::fprintf(stderr, "resize_screen: %s\n", why.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  int width = 0, height = 0;
  if (argc != 2 || std::sscanf(argv[1], "%dx%d", &width, &height) != 2 || width <= 0 ||
      height <= 0) {
    return fail("usage: resize_screen WIDTHxHEIGHT");
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) return fail("no X display");
  XSetErrorHandler(note_error);
  const Window root = DefaultRootWindow(display);
  int event_base = 0, error_base = 0, major = 0, minor = 0;
  if (!XRRQueryExtension(display, &event_base, &error_base) ||
      !XRRQueryVersion(display, &major, &minor) || major * 100 + minor < 102) {
    return fail("the server has no RandR 1.2");
  }
  int min_w = 0, min_h = 0, max_w = 0, max_h = 0;
  XRRGetScreenSizeRange(display, root, &min_w, &min_h, &max_w, &max_h);
  if (width < min_w || height < min_h || width > max_w || height > max_h) {
    return fail("the screen can be " + std::to_string(min_w) + "x" + std::to_string(min_h) +
                " to " + std::to_string(max_w) + "x" + std::to_string(max_h) + " only");
  }
  XRRScreenResources* resources = XRRGetScreenResources(display, root);
  if (!resources || resources->noutput < 1 || resources->ncrtc < 1) return fail("no output");
  const RROutput output = resources->outputs[0];
  const RRCrtc crtc = resources->crtcs[0];
  RRMode mode = None;
  for (int i = 0; i < resources->nmode; ++i) {
    if (static_cast<int>(resources->modes[i].width) == width &&
        static_cast<int>(resources->modes[i].height) == height) {
      mode = resources->modes[i].id;
    }
  }
  if (mode == None) {
    char name[32];
    std::snprintf(name, sizeof name, "%dx%d", width, height);
    XRRModeInfo info{};
    info.width = static_cast<unsigned>(width);
    info.height = static_cast<unsigned>(height);
    info.hTotal = info.width;
    info.vTotal = info.height;
    info.dotClock = 60ul * info.hTotal * info.vTotal;
    info.name = name;
    info.nameLength = static_cast<unsigned>(std::strlen(name));
    mode = XRRCreateMode(display, root, &info);
    XRRAddOutputMode(display, output, mode);
  }
  XGrabServer(display);
  XRRSetCrtcConfig(display, resources, crtc, CurrentTime, 0, 0, None, RR_Rotate_0, nullptr, 0);
  // Millimetres at 96 dpi.
  XRRSetScreenSize(display, root, width, height, width * 254 / 960, height * 254 / 960);
  XRRSetCrtcConfig(display, resources, crtc, CurrentTime, 0, 0, mode, RR_Rotate_0,
                   const_cast<RROutput*>(&output), 1);
  XUngrabServer(display);
  XSync(display, False);
  XRRFreeScreenResources(resources);
  if (refused) return fail("the server refused (error " + std::to_string(refused) + ")");
  // The server's word, not this connection's copy from its start.
  Window ignored_root;
  int x = 0, y = 0;
  unsigned now_w = 0, now_h = 0, border = 0, depth = 0;
  XGetGeometry(display, root, &ignored_root, &x, &y, &now_w, &now_h, &border, &depth);
  std::printf("%ux%u\n", now_w, now_h);
  XCloseDisplay(display);
  return 0;
}
