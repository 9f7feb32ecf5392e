#include "platform/gtk/gtk_window.hpp"

#include <algorithm>

namespace pr::gtk {

namespace {

// Push buttons as small as their design: the theme's padding and minimum
// sizes would make them, and so the fixed window, larger.
constexpr char kButtonCss[] = "button { min-width: 0; min-height: 0; padding: 0 1px; }";
// A status in small print, two short lines at most beside a button.
constexpr char kLabelCss[] = "label { font-size: 9px; }";

}  // namespace

// The icon names the program's icons are installed under.
const char* icon_name(WindowIcon icon) {
  switch (icon) {
    case WindowIcon::Program:
      return kProgramIcon;
    case WindowIcon::Preview:
      return "image-x-generic";
    case WindowIcon::Default:
      break;
  }
  return nullptr;
}

BuiltWindow build_window(const WindowDesign& design, GtkWindowType type) {
  const WindowStyle& style = design.style;
  BuiltWindow built;
  built.window.reset(gtk_window_new(type));
  GtkWindow* window = GTK_WINDOW(built.window.get());
  gtk_widget_add_events(built.window.get(), GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                                GDK_POINTER_MOTION_MASK | GDK_KEY_PRESS_MASK);
  if (!style.decorated) {
    // Its picture is all it shows: no theme background under it.
    gtk_widget_set_app_paintable(built.window.get(), TRUE);
  } else {
    gtk_window_set_title(window, design.caption.c_str());
    gtk_window_set_resizable(window, FALSE);
    gtk_window_set_skip_taskbar_hint(window, TRUE);
    gtk_window_set_skip_pager_hint(window, TRUE);
    // A window that never takes the focus is a tool bar to the window
    // manager: openbox then frames it with a title and the close box only,
    // no minimize or maximize box, which leaves its caption room to show.
    GdkWindowTypeHint hint = style.tool_window   ? GDK_WINDOW_TYPE_HINT_UTILITY
                             : style.takes_focus ? GDK_WINDOW_TYPE_HINT_DIALOG
                                                 : GDK_WINDOW_TYPE_HINT_TOOLBAR;
    gtk_window_set_type_hint(window, hint);
    gtk_window_set_gravity(window, GDK_GRAVITY_NORTH_WEST);
    gtk_window_set_keep_above(window, style.keep_above);
    if (const char* icon = icon_name(style.icon)) gtk_window_set_icon_name(window, icon);
  }
  if (!style.takes_focus) {
    gtk_window_set_accept_focus(window, FALSE);
    gtk_window_set_focus_on_map(window, FALSE);
  }

  built.content = gtk_fixed_new();
  gtk_container_add(GTK_CONTAINER(window), built.content);
  for (const ButtonDesign& b : design.buttons) {
    GtkWidget* button = gtk_button_new_with_label(b.caption.c_str());
    gtk_widget_set_can_focus(button, FALSE);
    gtk_widget_set_focus_on_click(button, FALSE);
    GtkCssProvider* css = gtk_css_provider_new();
    gtk_css_provider_load_from_data(css, kButtonCss, -1, nullptr);
    gtk_style_context_add_provider(gtk_widget_get_style_context(button), GTK_STYLE_PROVIDER(css),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(css);
    gtk_widget_set_size_request(button, b.width, b.height);
    if (!b.tooltip.empty()) gtk_widget_set_tooltip_text(button, b.tooltip.c_str());
    gtk_fixed_put(GTK_FIXED(built.content), button, b.left, b.top);
    built.buttons.emplace_back(button, b.id);
  }
  for (const LabelDesign& l : design.labels) {
    GtkWidget* label = gtk_label_new("");
    GtkCssProvider* css = gtk_css_provider_new();
    gtk_css_provider_load_from_data(css, kLabelCss, -1, nullptr);
    gtk_style_context_add_provider(gtk_widget_get_style_context(label), GTK_STYLE_PROVIDER(css),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(css);
    gtk_label_set_xalign(GTK_LABEL(label), 0);
    gtk_label_set_yalign(GTK_LABEL(label), 0.5);
    gtk_label_set_lines(GTK_LABEL(label), 2);
    gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
    gtk_widget_set_size_request(label, l.width, l.height);
    gtk_fixed_put(GTK_FIXED(built.content), label, l.left, l.top);
    built.labels.emplace_back(label, l.id);
  }
  resize_client(built, style, std::max(design.client_width, 1), std::max(design.client_height, 1));
  gtk_widget_show_all(built.content);
  return built;
}

void resize_client(const BuiltWindow& built, const WindowStyle& style, int width, int height) {
  gtk_widget_set_size_request(built.content, width, height);
  if (!style.decorated) gtk_window_resize(GTK_WINDOW(built.window.get()), width, height);
}

void set_button(const BuiltWindow& built, int button_id, std::string_view caption,
                std::string_view tooltip) {
  for (const auto& [button, id] : built.buttons) {
    if (id != button_id) continue;
    gtk_button_set_label(GTK_BUTTON(button), std::string(caption).c_str());
    gtk_widget_set_tooltip_text(button, tooltip.empty() ? nullptr : std::string(tooltip).c_str());
  }
}

void set_label(const BuiltWindow& built, int label_id, std::string_view text,
               std::string_view tooltip) {
  for (const auto& [label, id] : built.labels) {
    if (id != label_id) continue;
    gtk_label_set_text(GTK_LABEL(label), std::string(text).c_str());
    gtk_widget_set_tooltip_text(label, tooltip.empty() ? nullptr : std::string(tooltip).c_str());
  }
}

}  // namespace pr::gtk
