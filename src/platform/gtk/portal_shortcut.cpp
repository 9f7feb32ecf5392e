#include "platform/gtk/portal_shortcut.hpp"

#include <gio/gio.h>
#include <strings.h>

#include <algorithm>
#include <utility>

namespace pr::gtk {

namespace {

constexpr const char* kPortal = "org.freedesktop.portal.Desktop";
constexpr const char* kPortalPath = "/org/freedesktop/portal/desktop";
constexpr const char* kShortcuts = "org.freedesktop.portal.GlobalShortcuts";

std::string words_of(GError* error) {
  if (!error) return "no answer";
  if (g_dbus_error_is_remote_error(error)) g_dbus_error_strip_remote_error(error);
  return error->message;
}

// A string member of a vardict, "" when it has none.
std::string lookup_string(GVariant* dict, const char* key) {
  GVariant* value = g_variant_lookup_value(dict, key, nullptr);
  if (!value) return "";
  std::string text;
  if (g_variant_is_of_type(value, G_VARIANT_TYPE_STRING) ||
      g_variant_is_of_type(value, G_VARIANT_TYPE_OBJECT_PATH)) {
    text = g_variant_get_string(value, nullptr);
  }
  g_variant_unref(value);
  return text;
}

}  // namespace

// The state of one conversation with the portal. Each pending call and signal
// subscription holds it weakly, so an answer that arrives after the
// PortalShortcut is gone finds nothing to act on.
struct PortalShortcut::Conversation : std::enable_shared_from_this<Conversation> {
  using Weak = std::weak_ptr<Conversation>;
  // What the answer to the pending request does: its response code and results.
  using Answer = void (Conversation::*)(guint32 code, GVariant* results);

  Shortcut shortcut;
  std::function<void(State, const std::string&)> settled;
  std::function<void()> activated;
  State state = State::Asking;
  GCancellable* cancel = g_cancellable_new();
  GDBusConnection* bus = nullptr;
  std::string session;
  guint response_subscription = 0;
  guint activated_subscription = 0;
  guint changed_subscription = 0;
  std::string told;
  std::string listened_path;
  Answer answer = nullptr;
  unsigned tokens = 0;

  ~Conversation() {
    g_cancellable_cancel(cancel);
    g_object_unref(cancel);
    if (!bus) return;
    for (guint s : {response_subscription, activated_subscription, changed_subscription}) {
      if (s) g_dbus_connection_signal_unsubscribe(bus, s);
    }
    if (!session.empty()) {
      g_dbus_connection_call(bus, kPortal, session.c_str(), "org.freedesktop.portal.Session",
                             "Close", nullptr, nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr,
                             nullptr, nullptr);
    }
    g_object_unref(bus);
  }

  void start() {
    g_bus_get(G_BUS_TYPE_SESSION, cancel, &Conversation::on_bus, new Weak(weak_from_this()));
  }

  void settle(State to, const std::string& words) {
    if (state == to && told == words) return;
    state = to;
    told = words;
    if (settled) settled(to, words);
  }

  void fail(const std::string& why) { settle(State::Unavailable, why); }

  static void forget(gpointer weak) { delete static_cast<Weak*>(weak); }

  static void on_bus(GObject*, GAsyncResult* result, gpointer data) {
    std::unique_ptr<Weak> weak(static_cast<Weak*>(data));
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_finish(result, &error);
    const std::shared_ptr<Conversation> self = weak->lock();
    if (!self) {
      if (bus) g_object_unref(bus);
    } else if (!bus) {
      self->fail("no D-Bus session bus (" + words_of(error) + ")");
    } else {
      self->bus = bus;
      self->read_version();
    }
    if (error) g_error_free(error);
  }

  // A method call on the portal; `then` hears its reply or its error, and
  // the request path the call was made for, if any.
  using Reply = void (Conversation::*)(GVariant* reply, GError* error, const std::string& request);
  struct Call {
    Weak conversation;
    Reply then;
    std::string request;
  };

  void call(const char* interface, const char* method, GVariant* parameters,
            const GVariantType* reply_type, Reply then, std::string request = {}) {
    g_dbus_connection_call(bus, kPortal, kPortalPath, interface, method, parameters, reply_type,
                           G_DBUS_CALL_FLAGS_NONE, -1, cancel, &Conversation::on_reply,
                           new Call{weak_from_this(), then, std::move(request)});
  }

  static void on_reply(GObject* source, GAsyncResult* result, gpointer data) {
    std::unique_ptr<Call> call(static_cast<Call*>(data));
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
    if (const std::shared_ptr<Conversation> self = call->conversation.lock()) {
      (self.get()->*call->then)(reply, error, call->request);
    }
    if (reply) g_variant_unref(reply);
    if (error) g_error_free(error);
  }

  void read_version() {
    call("org.freedesktop.DBus.Properties", "Get", g_variant_new("(ss)", kShortcuts, "version"),
         G_VARIANT_TYPE("(v)"), &Conversation::on_version);
  }

  void on_version(GVariant* reply, GError* error, const std::string&) {
    if (!reply) {
      fail("the desktop offers no global-shortcuts portal (" + words_of(error) + ")");
      return;
    }
    GVariant* version = nullptr;
    g_variant_get(reply, "(v)", &version);
    const bool usable =
        g_variant_is_of_type(version, G_VARIANT_TYPE_UINT32) && g_variant_get_uint32(version) >= 1;
    g_variant_unref(version);
    if (!usable) {
      fail("the desktop's global-shortcuts portal has no usable version");
      return;
    }
    GVariantBuilder options;
    g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
    const std::string token = next_token();
    g_variant_builder_add(&options, "{sv}", "handle_token", g_variant_new_string(token.c_str()));
    g_variant_builder_add(&options, "{sv}", "session_handle_token",
                          g_variant_new_string(next_token().c_str()));
    ask("CreateSession", g_variant_new("(a{sv})", &options), token, &Conversation::on_session);
  }

  std::string next_token() { return "pagerook" + std::to_string(++tokens); }

  // Where the portal answers a request made with `token`: the Request object
  // it names after our unique name on the bus.
  std::string request_path(const std::string& token) const {
    std::string sender = g_dbus_connection_get_unique_name(bus);
    sender.erase(0, sender.find_first_not_of(':'));
    std::replace(sender.begin(), sender.end(), '.', '_');
    return std::string(kPortalPath) + "/request/" + sender + "/" + token;
  }

  // A request in the portal's Request/Response pattern: the answer is awaited
  // on the request's path from before the call, as the portal may answer
  // before its reply to the call arrives.
  void ask(const char* method, GVariant* parameters, const std::string& token, Answer then) {
    answer = then;
    const std::string path = request_path(token);
    listen_for_response(path);
    call(kShortcuts, method, parameters, G_VARIANT_TYPE("(o)"), &Conversation::on_request, path);
  }

  void listen_for_response(const std::string& path) {
    listened_path = path;
    if (response_subscription) g_dbus_connection_signal_unsubscribe(bus, response_subscription);
    response_subscription = g_dbus_connection_signal_subscribe(
        bus, kPortal, "org.freedesktop.portal.Request", "Response", path.c_str(), nullptr,
        G_DBUS_SIGNAL_FLAGS_NONE, &Conversation::on_response, new Weak(weak_from_this()),
        &Conversation::forget);
  }

  void on_request(GVariant* reply, GError* error, const std::string& request) {
    if (!reply) {
      fail("the global-shortcuts portal failed (" + words_of(error) + ")");
      return;
    }
    // Unless answered already, and awaited where an older portal, which
    // names its request objects otherwise, will answer.
    if (!answer || listened_path != request) return;
    const char* path = nullptr;
    g_variant_get(reply, "(&o)", &path);
    if (path != request) listen_for_response(path);
  }

  static void on_response(GDBusConnection*, const char*, const char*, const char*, const char*,
                          GVariant* parameters, gpointer data) {
    const std::shared_ptr<Conversation> self = static_cast<Weak*>(data)->lock();
    if (!self || !self->answer || !g_variant_is_of_type(parameters, G_VARIANT_TYPE("(ua{sv})"))) {
      return;
    }
    guint32 code = 0;
    GVariant* results = nullptr;
    g_variant_get(parameters, "(u@a{sv})", &code, &results);
    const Answer then = std::exchange(self->answer, nullptr);
    g_dbus_connection_signal_unsubscribe(self->bus, std::exchange(self->response_subscription, 0));
    (self.get()->*then)(code, results);
    g_variant_unref(results);
  }

  static std::string refusal(guint32 code) {
    return code == 1 ? "the user declined it" : "the desktop declined it";
  }

  void on_session(guint32 code, GVariant* results) {
    if (code != 0) {
      fail("no global-shortcuts session: " + refusal(code));
      return;
    }
    session = lookup_string(results, "session_handle");
    if (session.empty()) {
      fail("the global-shortcuts portal named no session");
      return;
    }
    activated_subscription = g_dbus_connection_signal_subscribe(
        bus, kPortal, kShortcuts, "Activated", kPortalPath, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
        &Conversation::on_activated, new Weak(weak_from_this()), &Conversation::forget);
    changed_subscription = g_dbus_connection_signal_subscribe(
        bus, kPortal, kShortcuts, "ShortcutsChanged", kPortalPath, nullptr,
        G_DBUS_SIGNAL_FLAGS_NONE, &Conversation::on_changed, new Weak(weak_from_this()),
        &Conversation::forget);

    GVariantBuilder info;
    g_variant_builder_init(&info, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&info, "{sv}", "description",
                          g_variant_new_string(shortcut.description.c_str()));
    g_variant_builder_add(&info, "{sv}", "preferred_trigger",
                          g_variant_new_string(shortcut.trigger.c_str()));
    GVariantBuilder shortcuts;
    g_variant_builder_init(&shortcuts, G_VARIANT_TYPE("a(sa{sv})"));
    g_variant_builder_add(&shortcuts, "(sa{sv})", shortcut.id.c_str(), &info);
    GVariantBuilder options;
    g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
    const std::string token = next_token();
    g_variant_builder_add(&options, "{sv}", "handle_token", g_variant_new_string(token.c_str()));
    ask("BindShortcuts",
        g_variant_new("(oa(sa{sv})sa{sv})", session.c_str(), &shortcuts, "", &options), token,
        &Conversation::on_bound);
  }

  void on_bound(guint32 code, GVariant* results) {
    if (code != 0) {
      fail("the shortcut was not bound: " + refusal(code));
      return;
    }
    GVariant* bound = g_variant_lookup_value(results, "shortcuts", G_VARIANT_TYPE("a(sa{sv})"));
    take(bound);
    if (bound) g_variant_unref(bound);
  }

  // What the desktop bound, as it says in `bound` (a(sa{sv}), or null).
  void take(GVariant* bound) {
    GVariantIter iter;
    const char* id = nullptr;
    GVariant* info = nullptr;
    bool found = false;
    std::string trigger;
    if (bound) {
      g_variant_iter_init(&iter, bound);
      while (g_variant_iter_next(&iter, "(&s@a{sv})", &id, &info)) {
        if (!found && id == shortcut.id) {
          found = true;
          trigger = lookup_string(info, "trigger_description");
        }
        g_variant_unref(info);
      }
    }
    if (!found) {
      fail("the desktop bound no key to the shortcut");
      return;
    }
    const bool asked_for = std::any_of(
        shortcut.trigger_names.begin(), shortcut.trigger_names.end(),
        [&](const std::string& name) { return strcasecmp(name.c_str(), trigger.c_str()) == 0; });
    settle(asked_for ? State::Bound : State::OtherKey, trigger);
  }

  // The user changed the binding in the desktop's settings.
  static void on_changed(GDBusConnection*, const char*, const char*, const char*, const char*,
                         GVariant* parameters, gpointer data) {
    const std::shared_ptr<Conversation> self = static_cast<Weak*>(data)->lock();
    if (!self || self->state == State::Asking ||
        !g_variant_is_of_type(parameters, G_VARIANT_TYPE("(oa(sa{sv}))"))) {
      return;
    }
    const char* session = nullptr;
    GVariant* bound = nullptr;
    g_variant_get(parameters, "(&o@a(sa{sv}))", &session, &bound);
    if (self->session == session) self->take(bound);
    g_variant_unref(bound);
  }

  static void on_activated(GDBusConnection*, const char*, const char*, const char*, const char*,
                           GVariant* parameters, gpointer data) {
    const std::shared_ptr<Conversation> self = static_cast<Weak*>(data)->lock();
    if (!self || !g_variant_is_of_type(parameters, G_VARIANT_TYPE("(osta{sv})"))) return;
    const char* session = nullptr;
    const char* id = nullptr;
    g_variant_get(parameters, "(&o&sta{sv})", &session, &id, nullptr, nullptr);
    const bool ours = self->session == session && self->shortcut.id == id &&
                      (self->state == State::Bound || self->state == State::OtherKey);
    if (ours && self->activated) self->activated();
  }
};

PortalShortcut::PortalShortcut(Shortcut shortcut,
                               std::function<void(State, const std::string&)> settled,
                               std::function<void()> activated)
    : conversation_(std::make_shared<Conversation>()) {
  conversation_->shortcut = std::move(shortcut);
  conversation_->settled = std::move(settled);
  conversation_->activated = std::move(activated);
  conversation_->start();
}

PortalShortcut::~PortalShortcut() = default;

PortalShortcut::State PortalShortcut::state() const {
  return conversation_->state;
}

}  // namespace pr::gtk
