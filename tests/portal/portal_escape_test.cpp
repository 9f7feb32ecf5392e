// Esc through the desktop's global-shortcuts portal, against a fake portal
// (fake_portal.py) on a private session bus (see CMakeLists.txt): the real
// D-Bus conversation, as the Wayland backend holds it (PortalEscape is what
// its grab_escape, escape_grabbed and Esc presses are).

#include <gio/gio.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/gtk/portal_escape.hpp"
#include "platform/report.hpp"

namespace pr::gtk {
namespace {

constexpr const char* kPortal = "org.freedesktop.portal.Desktop";
constexpr WindowId kMain = 7;

GDBusConnection* bus() {
  static GDBusConnection* connection = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  return connection;
}

// Runs GLib's main context until `done`, for at most five seconds.
bool pump_until(const std::function<bool()>& done) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  const guint wake = g_timeout_add(
      10, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
  while (!done() && std::chrono::steady_clock::now() < end) g_main_context_iteration(nullptr, TRUE);
  g_source_remove(wake);
  return done();
}

// A call to the fake portal's test interface; returns its reply, or null.
GVariant* tell_fake(const char* method, GVariant* parameters) {
  return g_dbus_connection_call_sync(bus(), kPortal, "/org/freedesktop/portal/desktop",
                                     "org.pagerook.FakePortal", method, parameters, nullptr,
                                     G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
}

bool portal_owned() {
  GVariant* reply = g_dbus_connection_call_sync(
      bus(), "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
      "NameHasOwner", g_variant_new("(s)", kPortal), G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE,
      5000, nullptr, nullptr);
  gboolean owned = FALSE;
  if (reply) g_variant_get(reply, "(b)", &owned);
  if (reply) g_variant_unref(reply);
  return owned;
}

// The fake portal in `mode`, owning the portal's name while it lives.
class FakePortal {
 public:
  explicit FakePortal(const char* mode) {
    if (!mode) return;
    const char* argv[] = {"/usr/bin/python3", PAGEROOK_FAKE_PORTAL, mode, nullptr};
    GError* error = nullptr;
    if (!g_spawn_async(nullptr, const_cast<char**>(argv), nullptr, G_SPAWN_DO_NOT_REAP_CHILD,
                       nullptr, nullptr, &pid_, &error)) {
      ADD_FAILURE() << "fake portal: " << error->message;
      g_error_free(error);
      return;
    }
    EXPECT_TRUE(pump_until(portal_owned)) << "the fake portal did not come up";
  }
  ~FakePortal() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    // The next case starts with no portal on the bus.
    EXPECT_TRUE(pump_until([] { return !portal_owned(); }));
  }
  // The portal emits Activated for `id`, for our session or another; every
  // signal it sent is handled here when this returns.
  void press(const char* id, bool foreign_session = false) {
    ask("Press", g_variant_new("(sb)", id, foreign_session));
  }
  // The user binds the shortcut to `trigger` in the desktop's settings.
  void rebind(const char* trigger) { ask("Rebind", g_variant_new("(s)", trigger)); }
  std::vector<std::string> closed() {
    std::vector<std::string> paths;
    if (GVariant* reply = tell_fake("Closed", nullptr)) {
      GVariantIter* iter = nullptr;
      const char* path = nullptr;
      g_variant_get(reply, "(as)", &iter);
      while (g_variant_iter_next(iter, "&s", &path)) paths.emplace_back(path);
      g_variant_iter_free(iter);
      g_variant_unref(reply);
    }
    return paths;
  }

 private:
  void ask(const char* method, GVariant* parameters) {
    GVariant* reply = tell_fake(method, parameters);
    ASSERT_TRUE(reply);
    g_variant_unref(reply);
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
  }
  GPid pid_ = 0;
};

struct Case {
  const char* name;
  const char* mode;  // the fake portal's, or null for none on the bus
  bool offered;      // Esc is ours: grabbed while a grab is asked for
  const char* said;  // in the one line on stderr, or null for none
  bool stops;        // the portal's press reaches the grab's target
};

const Case kCases[] = {
    {"NoPortal", nullptr, false, "offers no global-shortcuts portal", false},
    {"PortalWithoutShortcuts", "bare", false, "offers no global-shortcuts portal", false},
    {"UserDeclines", "refuse", false, "not bound: the user declined it", false},
    {"BoundToAnotherKey", "other", false, "\"Ctrl+Alt+S\", not Esc", true},
    {"BoundToEsc", "esc", true, nullptr, true},
};

class PortalEscapeTest : public testing::TestWithParam<Case> {};

TEST_P(PortalEscapeTest, EscFromTheDesktopOnlyWhereThePortalBindsIt) {
  const Case& c = GetParam();
  ASSERT_TRUE(bus()) << "no session bus: run this under dbus-run-session";
  FakePortal portal(c.mode);
  std::vector<WindowId> pressed;
  HeldReports said;
  {
    PortalEscape escape([&](WindowId target) { pressed.push_back(target); });
    escape.start();
    ASSERT_TRUE(pump_until([&] { return !escape.asking(); })) << "the portal never answered";
    EXPECT_EQ(escape.offered(), c.offered);
    if (c.said) {
      ASSERT_EQ(said.lines().size(), 1u);
      EXPECT_NE(said.lines()[0].find(c.said), std::string::npos) << said.lines()[0];
      EXPECT_NE(said.lines()[0].find("the main window's button"), std::string::npos);
    } else {
      EXPECT_TRUE(said.lines().empty()) << said.lines()[0];
    }
    if (!c.mode || std::string(c.mode) == "bare") return;

    // Outside a run the press is not ours, as Esc is not without a grab.
    portal.press("stop");
    EXPECT_TRUE(pressed.empty());
    escape.grab(kMain, true);
    EXPECT_EQ(escape.grabbed(), c.offered);
    portal.press("stop", true);
    portal.press("another");
    portal.press("stop");
    EXPECT_EQ(pressed, c.stops ? std::vector<WindowId>{kMain} : std::vector<WindowId>{})
        << "only our session's stop shortcut, once";
    escape.forget(kMain);
    EXPECT_FALSE(escape.grabbed()) << "a grab ends with its window";
    portal.press("stop");
    EXPECT_EQ(pressed.size(), c.stops ? 1u : 0u);

    // Bound to another key later in the desktop's settings, or to Esc after
    // all: the one line says when Esc is lost.
    if (c.stops) {
      portal.rebind(c.offered ? "Ctrl+Q" : "Escape");
      EXPECT_NE(escape.offered(), c.offered);
      ASSERT_EQ(said.lines().size(), 1u);
      EXPECT_NE(said.lines()[0].find(c.offered ? "\"Ctrl+Q\", not Esc" : c.said),
                std::string::npos);
    }
  }
  EXPECT_TRUE(pump_until([&] { return portal.closed().size() == 1; }))
      << "the session is closed when the program no longer wants the key";
}

INSTANTIATE_TEST_SUITE_P(Desktops, PortalEscapeTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

}  // namespace
}  // namespace pr::gtk
