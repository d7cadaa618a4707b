// The settings window in GTK 4 (X11 and Wayland alike): the four settings with the texts,
// ranges and defaults of the core, a miniature of the whole screen drawn by the core's frame
// step, and OK (the default button) and キャンセル.
#include "linux/settings_window.h"

#include <glib-unix.h>
#include <gtk/gtk.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "animation/atlas_image.h"
#include "animation/frame_step.h"
#include "animation/pictures.h"
#include "animation/random.h"
#include "animation/surface.h"
#include "resources/assets.h"
#include "settings/dialog_texts.h"
#include "settings/profile_file.h"
#include "settings/profile_writer.h"
#include "settings/settings_store.h"

namespace {

constexpr int kMiniatureWidth = 240;  // its height follows the screen's shape
constexpr int kMostChoices = 3;
static_assert(kEventLevels <= kMostChoices);

// One setting chosen among words: a button for each.
struct Choices {
    Setting setting;
    GtkWidget* buttons[kMostChoices]{};
};

struct SettingsWindow {
    std::string iniPath;
    GtkWidget* window = nullptr;
    GtkWidget* speed = nullptr;  // GtkScale
    GtkWidget* count = nullptr;  // GtkSpinButton
    GtkWidget* countRange = nullptr;
    Choices event{Setting::Event};
    Choices sound{Setting::Sound};
    GtkWidget* message = nullptr;
    GtkWidget* miniature = nullptr;
    int32_t countLimit = 1;

    // The miniature: the screen's whole picture in a surface the size of the screen, shrunk into
    // the window (as the Windows preview does), ticking at the chosen speed.
    Surface atlas;
    Surface screen;
    Picture picture;
    guint timer = 0;
    uint32_t interval = 0;

    bool done = false;
    int status = 0;
    int* endSignal = nullptr;
};

int32_t Speed(const SettingsWindow& w) {
    return static_cast<int32_t>(std::lround(gtk_range_get_value(GTK_RANGE(w.speed))));
}

int32_t Count(const SettingsWindow& w) {
    return ClampInt(gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(w.count)), 1, w.countLimit);
}

int32_t Chosen(const Choices& choices) {
    const SettingRule& rule = RuleFor(choices.setting);
    for (int32_t value = rule.low; value <= rule.high; ++value) {
        GtkWidget* button = choices.buttons[value - rule.low];
        if (gtk_check_button_get_active(GTK_CHECK_BUTTON(button))) return value;
    }
    return rule.low;
}

int32_t ValueOf(const SettingsWindow& w, Setting setting) {
    switch (setting) {
        case Setting::Speed:
            return Speed(w);
        case Setting::Count:
            return Count(w);
        case Setting::Event:
            return Chosen(w.event);
        case Setting::Sound:
            break;
    }
    return Chosen(w.sound);
}

// ---- the miniature

gboolean Tick(gpointer data) {
    auto& w = *static_cast<SettingsWindow*>(data);
    SoftwareCanvas canvas(w.screen, w.atlas);
    StepWalkers(w.picture.population, canvas);
    gtk_widget_queue_draw(w.miniature);
    return G_SOURCE_CONTINUE;
}

void FollowSpeed(SettingsWindow& w) {
    const uint32_t interval = TickIntervalWithFloor(kSpeedTable[Speed(w)]);
    if (w.timer != 0 && interval == w.interval) return;
    if (w.timer != 0) g_source_remove(w.timer);
    w.interval = interval;
    w.timer = g_timeout_add(interval, Tick, &w);
}

// A new picture with the chosen count, as the saver starts one.
void RestartMiniature(SettingsWindow& w) {
    std::fill(w.screen.pixels.begin(), w.screen.pixels.end(), 0u);
    const ScreenArea area{0, 0, w.screen.width, w.screen.height};
    StartPicture(w.picture, area, 1, Count(w), kEventTable[Chosen(w.event)], ClockSeed());
    gtk_widget_queue_draw(w.miniature);
}

void DrawMiniature(GtkDrawingArea*, cairo_t* cr, int width, int height, gpointer data) {
    auto& w = *static_cast<SettingsWindow*>(data);
    Surface& s = w.screen;
    // The surface's 0x00RRGGBB words are cairo's RGB24 pixels as they are.
    cairo_surface_t* image =
        cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(s.pixels.data()),
                                            CAIRO_FORMAT_RGB24, s.width, s.height, s.width * 4);
    cairo_scale(cr, static_cast<double>(width) / s.width, static_cast<double>(height) / s.height);
    cairo_set_source_surface(cr, image, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_paint(cr);
    cairo_surface_destroy(image);
}

// The screen the window is on decides the miniature's shape and how many walkers it offers;
// false when it is the one already used.
bool UseScreen(SettingsWindow& w, GdkMonitor* monitor) {
    GdkRectangle area{0, 0, 0, 0};
    if (monitor) gdk_monitor_get_geometry(monitor, &area);
    if (area.width <= 0 || area.height <= 0) area = {0, 0, 640, 480};  // none known yet
    if (area.width == w.screen.width && area.height == w.screen.height) return false;
    w.countLimit = PanelCountLimit(area.height);
    gtk_spin_button_set_range(GTK_SPIN_BUTTON(w.count), 1, w.countLimit);
    char range[64];
    std::snprintf(range, sizeof range, kCountRangeFormat, w.countLimit);
    gtk_label_set_text(GTK_LABEL(w.countRange), range);
    w.screen = Surface(area.width, area.height);
    gtk_widget_set_size_request(w.miniature, kMiniatureWidth,
                                kMiniatureWidth * area.height / area.width);
    return true;
}

void OnEnterMonitor(GdkSurface*, GdkMonitor* monitor, gpointer data) {
    auto& w = *static_cast<SettingsWindow*>(data);
    if (UseScreen(w, monitor)) RestartMiniature(w);
}

void OnRealize(GtkWidget* window, gpointer data) {
    GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window));
    g_signal_connect(surface, "enter-monitor", G_CALLBACK(OnEnterMonitor), data);
}

GdkMonitor* FirstMonitor() {
    GListModel* monitors = gdk_display_get_monitors(gdk_display_get_default());
    if (g_list_model_get_n_items(monitors) == 0) return nullptr;
    auto* monitor = static_cast<GdkMonitor*>(g_list_model_get_item(monitors, 0));
    g_object_unref(monitor);  // the list keeps its own reference
    return monitor;
}

// ---- OK, Cancel and the end

void Finish(SettingsWindow& w, int status) {
    if (w.timer != 0) g_source_remove(w.timer);
    w.timer = 0;
    w.status = status;
    w.done = true;
}

gboolean OnCloseRequest(GtkWindow*, gpointer data) {
    auto& w = *static_cast<SettingsWindow*>(data);
    if (!w.done) Finish(w, 0);  // Cancel, Escape or the window's close button: nothing written
    return FALSE;
}

const char* WhyNotWritten(ProfileWriteError error) {
    switch (error) {
        case ProfileWriteError::FolderNotMade:
            return "設定のフォルダーを作れません";
        case ProfileWriteError::NotRegularFile:
            return "普通のファイルではないので書き込みません";
        case ProfileWriteError::Unreadable:
            return "読み込めないので書き込みません（ほかの設定が消えてしまうため）";
        case ProfileWriteError::ReadOnly:
            return "書き込みが禁止されています";
        case ProfileWriteError::NotReadBack:
            return "書いた設定を読み戻せないので書き込みません";
        case ProfileWriteError::WriteFailed:
        case ProfileWriteError::None:
            break;
    }
    return "書き込めません";
}

void OnOk(GtkButton*, gpointer data) {
    auto& w = *static_cast<SettingsWindow*>(data);
    gtk_spin_button_update(GTK_SPIN_BUTTON(w.count));  // a count typed, within its range
    ProfileInt values[kSettingCount];
    for (int i = 0; i < kSettingCount; ++i) {
        values[i] = {kSettingRules[i].key, ValueOf(w, kSettingRules[i].setting)};
    }
    const ProfileWriteResult written = WriteProfileInts(w.iniPath, values);
    if (written.ok()) {
        Finish(w, 0);
        gtk_window_destroy(GTK_WINDOW(w.window));
        return;
    }
    std::string text = w.iniPath + ": " + WhyNotWritten(written.error);
    if (written.systemError != 0) text += std::string(" (") + g_strerror(written.systemError) + ")";
    std::fprintf(stderr, "tekuteku: %s\n", text.c_str());
    gtk_label_set_text(GTK_LABEL(w.message), ("設定を保存できませんでした。\n" + text).c_str());
    gtk_widget_set_visible(w.message, TRUE);
}

gboolean OnEnter(GtkWidget* window, GVariant*, gpointer data) {
    GtkWidget* focus = gtk_root_get_focus(GTK_ROOT(window));
    if (focus && GTK_IS_BUTTON(focus)) return FALSE;  // a button presses itself
    OnOk(nullptr, data);
    return TRUE;
}

void OnCancel(GtkButton*, gpointer data) {
    gtk_window_close(GTK_WINDOW(static_cast<SettingsWindow*>(data)->window));
}

gboolean OnEndSignal(gint fd, GIOCondition, gpointer data) {
    auto& w = *static_cast<SettingsWindow*>(data);
    signalfd_siginfo info{};
    if (read(fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        *w.endSignal = static_cast<int>(info.ssi_signo);
    }
    Finish(w, 0);
    gtk_window_destroy(GTK_WINDOW(w.window));
    return G_SOURCE_CONTINUE;
}

// ---- building the window

// A group with its title, whose access key (Alt+key) goes to `target`.
GtkWidget* Group(Setting setting, GtkWidget* content, GtkWidget* target) {
    const SettingTexts& texts = TextsFor(setting);
    const std::string title = std::string(texts.group) + "(_" + texts.accessKey + ")";
    GtkWidget* label = gtk_label_new_with_mnemonic(title.c_str());
    gtk_label_set_mnemonic_widget(GTK_LABEL(label), target);
    GtkWidget* frame = gtk_frame_new(nullptr);
    gtk_frame_set_label_widget(GTK_FRAME(frame), label);
    gtk_widget_set_margin_start(content, 8);
    gtk_widget_set_margin_end(content, 8);
    gtk_widget_set_margin_top(content, 4);
    gtk_widget_set_margin_bottom(content, 8);
    gtk_frame_set_child(GTK_FRAME(frame), content);
    return frame;
}

GtkWidget* SpeedGroup(SettingsWindow& w, int32_t speed) {
    const SettingRule& rule = RuleFor(Setting::Speed);
    w.speed = gtk_scale_new_with_range(GTK_ORIENTATION_HORIZONTAL, rule.low, rule.high, 1);
    gtk_scale_set_draw_value(GTK_SCALE(w.speed), FALSE);
    gtk_range_set_round_digits(GTK_RANGE(w.speed), 0);
    gtk_range_set_increments(GTK_RANGE(w.speed), 1, 1);
    for (int32_t level = rule.low; level <= rule.high; ++level) {
        gtk_scale_add_mark(GTK_SCALE(w.speed), level, GTK_POS_BOTTOM, nullptr);
    }
    gtk_range_set_value(GTK_RANGE(w.speed), speed);
    gtk_widget_set_hexpand(w.speed, TRUE);
    g_signal_connect_swapped(w.speed, "value-changed",
                             G_CALLBACK(+[](SettingsWindow* self) { FollowSpeed(*self); }), &w);
    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
    gtk_box_append(GTK_BOX(row), gtk_label_new(kSpeedSlowText));
    gtk_box_append(GTK_BOX(row), w.speed);
    gtk_box_append(GTK_BOX(row), gtk_label_new(kSpeedFastText));
    return Group(Setting::Speed, row, w.speed);
}

GtkWidget* CountGroup(SettingsWindow& w) {
    w.count = gtk_spin_button_new_with_range(1, kDialogCountCap, 1);
    gtk_widget_set_valign(w.count, GTK_ALIGN_CENTER);
    gtk_spin_button_set_numeric(GTK_SPIN_BUTTON(w.count), TRUE);
    w.countRange = gtk_label_new(nullptr);
    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
    gtk_box_append(GTK_BOX(row), w.countRange);
    gtk_box_append(GTK_BOX(row), w.count);
    return Group(Setting::Count, row, w.count);
}

gboolean FocusChosen(GtkWidget*, gboolean, gpointer data) {
    const Choices& choices = *static_cast<Choices*>(data);
    const int32_t chosen = Chosen(choices) - RuleFor(choices.setting).low;
    gtk_widget_grab_focus(choices.buttons[chosen]);
    return TRUE;
}

GtkWidget* ChoiceGroup(Choices& choices, int32_t stored) {
    const SettingRule& rule = RuleFor(choices.setting);
    GtkWidget* column = gtk_box_new(GTK_ORIENTATION_VERTICAL, 2);
    for (int32_t value = rule.low; value <= rule.high; ++value) {
        const int i = value - rule.low;
        GtkWidget* button = gtk_check_button_new_with_label(TextsFor(choices.setting).choices[i]);
        if (i > 0)
            gtk_check_button_set_group(GTK_CHECK_BUTTON(button),
                                       GTK_CHECK_BUTTON(choices.buttons[0]));
        gtk_check_button_set_active(GTK_CHECK_BUTTON(button), value == stored);
        gtk_box_append(GTK_BOX(column), button);
        choices.buttons[i] = button;
    }
    // The group's access key goes to its chosen button, as on Windows, rather than choosing one.
    g_signal_connect(choices.buttons[0], "mnemonic-activate", G_CALLBACK(FocusChosen), &choices);
    return Group(choices.setting, column, choices.buttons[0]);
}

GtkWidget* Buttons(SettingsWindow& w) {
    GtkWidget* ok = gtk_button_new_with_label(kOkText);
    GtkWidget* cancel = gtk_button_new_with_label(kCancelText);
    gtk_widget_add_css_class(ok, "suggested-action");
    g_signal_connect(ok, "clicked", G_CALLBACK(OnOk), &w);
    g_signal_connect(cancel, "clicked", G_CALLBACK(OnCancel), &w);
    gtk_window_set_default_widget(GTK_WINDOW(w.window), ok);
    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
    gtk_widget_set_halign(row, GTK_ALIGN_END);
    gtk_box_append(GTK_BOX(row), cancel);
    gtk_box_append(GTK_BOX(row), ok);
    return row;
}

void Build(SettingsWindow& w) {
    w.window = gtk_window_new();
    gtk_window_set_title(GTK_WINDOW(w.window), kDialogTitle);
    gtk_window_set_resizable(GTK_WINDOW(w.window), FALSE);
    g_signal_connect(w.window, "close-request", G_CALLBACK(OnCloseRequest), &w);
    g_signal_connect(w.window, "realize", G_CALLBACK(OnRealize), &w);
    // Before the focused control sees them: Enter presses OK and Escape cancels, wherever the
    // focus is (a check button would take Enter for itself), except Enter on キャンセル.
    GtkEventController* keys = gtk_shortcut_controller_new();
    gtk_event_controller_set_propagation_phase(keys, GTK_PHASE_CAPTURE);
    gtk_shortcut_controller_add_shortcut(
        GTK_SHORTCUT_CONTROLLER(keys),
        gtk_shortcut_new(gtk_shortcut_trigger_parse_string("Return|KP_Enter|ISO_Enter"),
                         gtk_callback_action_new(OnEnter, &w, nullptr)));
    gtk_shortcut_controller_add_shortcut(
        GTK_SHORTCUT_CONTROLLER(keys),
        gtk_shortcut_new(gtk_keyval_trigger_new(GDK_KEY_Escape, GdkModifierType(0)),
                         gtk_named_action_new("window.close")));
    gtk_widget_add_controller(w.window, keys);

    w.miniature = gtk_drawing_area_new();
    gtk_drawing_area_set_draw_func(GTK_DRAWING_AREA(w.miniature), DrawMiniature, &w, nullptr);
    gtk_widget_set_valign(w.miniature, GTK_ALIGN_START);
    GtkWidget* countGroup = CountGroup(w);
    UseScreen(w, FirstMonitor());  // the count's range, before the stored count is set

    ProfileFileReader profile(w.iniPath);
    const DialogSettings stored = ReadDialogSettings(profile, w.countLimit);
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(w.count), stored.count);
    GtkWidget* speedGroup = SpeedGroup(w, stored.speed);
    GtkWidget* eventGroup = ChoiceGroup(w.event, stored.event);
    GtkWidget* soundGroup = ChoiceGroup(w.sound, stored.soundOff);

    w.message = gtk_label_new(nullptr);
    gtk_label_set_wrap(GTK_LABEL(w.message), TRUE);
    gtk_label_set_max_width_chars(GTK_LABEL(w.message), 50);
    gtk_label_set_xalign(GTK_LABEL(w.message), 0);
    gtk_widget_add_css_class(w.message, "error");
    gtk_widget_set_visible(w.message, FALSE);

    GtkWidget* grid = gtk_grid_new();
    gtk_grid_set_row_spacing(GTK_GRID(grid), 8);
    gtk_grid_set_column_spacing(GTK_GRID(grid), 8);
    gtk_widget_set_margin_start(grid, 12);
    gtk_widget_set_margin_end(grid, 12);
    gtk_widget_set_margin_top(grid, 12);
    gtk_widget_set_margin_bottom(grid, 12);
    gtk_grid_attach(GTK_GRID(grid), countGroup, 0, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), speedGroup, 0, 1, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), eventGroup, 1, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), soundGroup, 1, 1, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), w.miniature, 2, 0, 1, 2);
    gtk_grid_attach(GTK_GRID(grid), w.message, 0, 2, 3, 1);
    gtk_grid_attach(GTK_GRID(grid), Buttons(w), 0, 3, 3, 1);
    gtk_window_set_child(GTK_WINDOW(w.window), grid);

    g_signal_connect_swapped(w.count, "value-changed",
                             G_CALLBACK(+[](SettingsWindow* self) { RestartMiniature(*self); }),
                             &w);
    // Scenes start as often as chosen, without a new picture.
    for (GtkWidget* button : w.event.buttons) {
        g_signal_connect_swapped(button, "toggled", G_CALLBACK(+[](SettingsWindow* self) {
                                     self->picture.population.stage.eventOdds =
                                         kEventTable[Chosen(self->event)];
                                 }),
                                 &w);
    }
    RestartMiniature(w);
    FollowSpeed(w);
    gtk_window_set_focus(GTK_WINDOW(w.window), w.speed);  // as on Windows: the speed first
}

}  // namespace

int RunSettingsWindow(const std::string& iniPath, int signalFd, int& endSignal) {
    if (iniPath.empty()) {
        std::fputs("tekuteku: no folder for control.ini: set $HOME or $XDG_CONFIG_HOME\n", stderr);
        return 1;
    }
    // The Wayland app id and the X class: the desktop entry's name, so desktops match the two.
    g_set_prgname("tekuteku-settings");
    if (!gtk_init_check()) {
        std::fputs("tekuteku: the settings window needs a display ($WAYLAND_DISPLAY or $DISPLAY)\n",
                   stderr);
        return 1;
    }
    SettingsWindow w;
    w.iniPath = iniPath;
    w.endSignal = &endSignal;
    const char* why = "unknown";
    if (!DecodeBitmapToSurface(kSheetBmp, kSheetBmpSize, w.atlas, &why)) {
        std::fprintf(stderr, "tekuteku: the built-in sprite sheet cannot be used: %s\n", why);
        return 1;
    }
    Build(w);
    const guint signals = g_unix_fd_add(signalFd, G_IO_IN, OnEndSignal, &w);
    gtk_window_present(GTK_WINDOW(w.window));
    while (!w.done) g_main_context_iteration(nullptr, TRUE);
    g_source_remove(signals);
    return w.status;
}
