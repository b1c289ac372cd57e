#include "main_window.h"

#include <system_error>

#include "kvn_product.h"
#include "message_dialogs.h"

namespace kvn::app {

namespace {

// Size of the window when the background image is missing (the template's
// 304 x 153 dialog units in the classic dialog font).
constexpr int kTemplateWidth = 456;
constexpr int kTemplateHeight = 249;

GList *LoadAppIcons() {
  GList *icons = nullptr;
  // Every size carried, so the window manager and the task bar pick one
  // without scaling far.
  for (int size : {48, 64, 128, 256}) {
    GdkPixbuf *icon = gdk_pixbuf_new_from_resource(IconResourcePath(size).c_str(), nullptr);
    if (icon != nullptr) icons = g_list_append(icons, icon);
  }
  return icons;
}

}  // namespace

CKavrinUpgradeToolDlg::CKavrinUpgradeToolDlg()
    : windowThread_(std::this_thread::get_id()),
      files_(&GetAppDataFolder, firmware_, *this),
      ispClient_(StandardLibraryPlaces(), *this) {}

CKavrinUpgradeToolDlg::~CKavrinUpgradeToolDlg() {
  // The window object outlives the worker.
  if (worker_.joinable()) worker_.join();
  queue_.Close();
  StopProgressTimer();
  if (window_ != nullptr) DestroyWindow();
  if (loop_ != nullptr) g_main_loop_unref(loop_);
}

void CKavrinUpgradeToolDlg::DoModal() {
  loop_ = g_main_loop_new(nullptr, FALSE);
  OnInitDialog();
  gtk_widget_show_all(window_);
  g_main_loop_run(loop_);
}

void CKavrinUpgradeToolDlg::OnInitDialog() {
  fields_.status = status::kWindowOpened;
  buttonTextCn_ = "开始升级";
  buttonTextEn_ = "Start";
  target_ = UpgradeTarget{KVN_PRODUCT_CHIP_NAME, static_cast<int32_t>(KVN_DEVICE_VENDOR_ID),
                          static_cast<int32_t>(KVN_DEVICE_PRODUCT_ID), static_cast<int32_t>(KVN_BOOT_VENDOR_ID),
                          static_cast<int32_t>(KVN_BOOT_PRODUCT_ID)};

  window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window_), kWindowTitle);
  gtk_window_set_decorated(GTK_WINDOW(window_), FALSE);
  gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
  gtk_window_set_type_hint(GTK_WINDOW(window_), GDK_WINDOW_TYPE_HINT_NORMAL);
  gtk_window_set_skip_taskbar_hint(GTK_WINDOW(window_), FALSE);
  GList *icons = LoadAppIcons();
  gtk_window_set_icon_list(GTK_WINDOW(window_), icons);
  g_list_free_full(icons, g_object_unref);

  area_ = gtk_drawing_area_new();
  gtk_widget_add_events(area_, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_POINTER_MOTION_MASK);
  gtk_container_add(GTK_CONTAINER(window_), area_);
  g_signal_connect(area_, "draw", G_CALLBACK(&CKavrinUpgradeToolDlg::OnDraw), this);
  g_signal_connect(area_, "button-press-event", G_CALLBACK(&CKavrinUpgradeToolDlg::OnButtonPress), this);
  g_signal_connect(area_, "motion-notify-event", G_CALLBACK(&CKavrinUpgradeToolDlg::OnMotion), this);
  g_signal_connect(window_, "key-press-event", G_CALLBACK(&CKavrinUpgradeToolDlg::OnKeyPress), this);
  g_signal_connect(window_, "delete-event", G_CALLBACK(&CKavrinUpgradeToolDlg::OnDeleteEvent), this);

  LoadImages();
}

void CKavrinUpgradeToolDlg::LoadImages() {
  images_ = LoadSceneImages();
  int width = kTemplateWidth;
  int height = kTemplateHeight;
  if (images_.background.Loaded()) {
    width = images_.background.width;
    height = images_.background.height;
  }
  gtk_widget_set_size_request(area_, width, height);
  gtk_window_set_position(GTK_WINDOW(window_), GTK_WIN_POS_CENTER);
}

void CKavrinUpgradeToolDlg::Repaint() {
  if (area_ != nullptr) gtk_widget_queue_draw(area_);
}

SceneState CKavrinUpgradeToolDlg::CurrentScene() const {
  SceneState scene;
  scene.statusTextCn = fields_.status.cn;
  scene.statusTextEn = fields_.status.en;
  scene.buttonTextCn = buttonTextCn_;
  scene.buttonTextEn = buttonTextEn_;
  scene.busy = fields_.busy;
  scene.finished = fields_.finished;
  scene.buttonHover = buttonHover_;
  scene.closeHover = closeHover_;
  scene.progress = fields_.progress;
  scene.shownProgress = fields_.shownProgress;
  return scene;
}

// --- painting and input (window thread) ------------------------------------

gboolean CKavrinUpgradeToolDlg::OnDraw(GtkWidget *widget, cairo_t *cr, gpointer data) {
  auto *self = static_cast<CKavrinUpgradeToolDlg *>(data);
  const int w = gtk_widget_get_allocated_width(widget);
  const int h = gtk_widget_get_allocated_height(widget);
  // The scene is composed off-screen and copied in one step.
  SurfacePtr scene = RenderScene(w, h, self->images_, self->CurrentScene(), self->textFont_, self->geometry_);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(cr, scene.get(), 0, 0);
  cairo_paint(cr);
  return TRUE;
}

gboolean CKavrinUpgradeToolDlg::OnMotion(GtkWidget *, GdkEventMotion *event, gpointer data) {
  static_cast<CKavrinUpgradeToolDlg *>(data)->OnMouseMove(static_cast<int>(event->x), static_cast<int>(event->y));
  return FALSE;
}

void CKavrinUpgradeToolDlg::OnMouseMove(int x, int y) {
  const bool overClose = geometry_.closeRect.Contains(x, y);
  const bool overButton = geometry_.buttonRect.Contains(x, y);
  if (overClose != closeHover_ || overButton != buttonHover_) {
    closeHover_ = overClose;
    buttonHover_ = overButton;
    Repaint();
  }
}

gboolean CKavrinUpgradeToolDlg::OnButtonPress(GtkWidget *, GdkEventButton *event, gpointer data) {
  // One press per click: the double-click event that follows a second press
  // is not a press of its own.
  if (event->type != GDK_BUTTON_PRESS || event->button != GDK_BUTTON_PRIMARY) return FALSE;
  static_cast<CKavrinUpgradeToolDlg *>(data)->OnLeftButtonDown(static_cast<int>(event->x),
                                                               static_cast<int>(event->y), event);
  return TRUE;
}

void CKavrinUpgradeToolDlg::OnLeftButtonDown(int x, int y, const GdkEventButton *event) {
  if (!fields_.busy) {
    if (geometry_.buttonRect.Contains(x, y)) {
      if (fields_.finished) {
        CloseWindow();
      } else {
        fields_.busy = true;
        StartWorker();
      }
      return;
    }
    if (geometry_.closeRect.Contains(x, y)) {
      CloseWindow();
      return;
    }
  }
  // Anywhere else, and anywhere while busy: the windowing system moves the
  // window.
  gtk_window_begin_move_drag(GTK_WINDOW(window_), static_cast<gint>(event->button),
                             static_cast<gint>(event->x_root), static_cast<gint>(event->y_root), event->time);
}

gboolean CKavrinUpgradeToolDlg::OnKeyPress(GtkWidget *, GdkEventKey *event, gpointer data) {
  if (event->keyval != GDK_KEY_Escape) return FALSE;
  static_cast<CKavrinUpgradeToolDlg *>(data)->RequestClose();
  return TRUE;
}

gboolean CKavrinUpgradeToolDlg::OnDeleteEvent(GtkWidget *, GdkEvent *, gpointer data) {
  static_cast<CKavrinUpgradeToolDlg *>(data)->RequestClose();
  return TRUE;  // the window is destroyed by CloseWindow, if at all
}

void CKavrinUpgradeToolDlg::RequestClose() {
  if (fields_.busy) return;  // refused while an attempt is under way
  CloseWindow();
}

void CKavrinUpgradeToolDlg::CloseWindow() {
  if (window_ == nullptr) return;
  queue_.Close();
  StopProgressTimer();
  DestroyWindow();
  if (loop_ != nullptr) g_main_loop_quit(loop_);
}

void CKavrinUpgradeToolDlg::DestroyWindow() {
  files_.DeleteLibraryCopy();
  images_.ReleaseAll();
  GtkWidget *window = window_;
  window_ = nullptr;
  area_ = nullptr;
  gtk_widget_destroy(window);
}

// --- the workflow (window thread) -------------------------------------------

void CKavrinUpgradeToolDlg::StartWorker() {
  fields_.busy = true;
  // The previous run has cleared busy; its last steps (deleting its files)
  // must be over before a new run writes them again.
  if (worker_.joinable()) worker_.join();
  try {
    worker_ = std::thread([this] { UpgradeWorker(*this, files_, ispClient_, target_); });
  } catch (const std::system_error &) {
    fields_.busy = false;
    Repaint();
    RunMessageDialog(GTK_WINDOW(window_), "Can't start the upgrade: no thread could be created", "Warning",
                     false);
    return;
  }
  Repaint();
}

gboolean CKavrinUpgradeToolDlg::OnTimerTick(gpointer data) {
  return static_cast<CKavrinUpgradeToolDlg *>(data)->ProgressTick() ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}

bool CKavrinUpgradeToolDlg::ProgressTick() {
  const TickOutcome outcome = ApplyProgressTick(fields_, ispClient_.PollProgress());
  if (outcome.stopTimer) progressTimer_ = 0;  // removed by returning false
  if (outcome.deleteLibraryCopy) files_.DeleteLibraryCopy();
  Repaint();
  return !outcome.stopTimer;
}

void CKavrinUpgradeToolDlg::StopProgressTimer() {
  if (progressTimer_ == 0) return;
  g_source_remove(progressTimer_);
  progressTimer_ = 0;
}

// --- WindowPort: the worker's hand-offs --------------------------------------

void CKavrinUpgradeToolDlg::SetStatus(const StatusLines &lines) {
  queue_.Post([this, lines] { fields_.status = lines; });
}

void CKavrinUpgradeToolDlg::SetBusy(bool busy) {
  queue_.Post([this, busy] { fields_.busy = busy; });
}

void CKavrinUpgradeToolDlg::RequestRepaint() {
  queue_.Post([this] { Repaint(); });
}

void CKavrinUpgradeToolDlg::StartProgressTimer() {
  queue_.Post([this] {
    if (progressTimer_ == 0) progressTimer_ = g_timeout_add(kProgressTimerMs, &CKavrinUpgradeToolDlg::OnTimerTick, this);
  });
}

// --- MessageSink ---------------------------------------------------------------

void CKavrinUpgradeToolDlg::Notice(const std::string &text, const std::string &caption) {
  if (std::this_thread::get_id() == windowThread_) {
    RunMessageDialog(window_ != nullptr ? GTK_WINDOW(window_) : nullptr, text, caption, false);
    return;
  }
  queue_.PostAndWait(
      [this, text, caption](std::function<void(bool)> answer) {
        ShowMessageDialog(window_ != nullptr ? GTK_WINDOW(window_) : nullptr, text, caption, false,
                          std::move(answer));
      },
      false);
}

bool CKavrinUpgradeToolDlg::Ask(const std::string &text, const std::string &caption) {
  if (std::this_thread::get_id() == windowThread_) {
    return RunMessageDialog(window_ != nullptr ? GTK_WINDOW(window_) : nullptr, text, caption, true);
  }
  return queue_.PostAndWait(
      [this, text, caption](std::function<void(bool)> answer) {
        ShowMessageDialog(window_ != nullptr ? GTK_WINDOW(window_) : nullptr, text, caption, true,
                          std::move(answer));
      },
      false);
}

}  // namespace kvn::app
