// CKavrinUpgradeToolDlg: the application's one window. Undecorated, not
// resizable, of the background image's size; a single drawing area paints
// the whole scene (DrawScene) from an off-screen surface. It owns the
// workflow's fields, the library client and the upgrade worker; the worker
// reaches it only through the WindowPort calls, each handed to the window
// thread in order.
//
// Closing: the close control, the start control after success, Escape and
// the window manager's close all end the window, except while busy: then
// every close request is refused (as the close control refuses), so a
// flashing product is never left half-written by the application going away.
// The destructor waits for the worker's last steps (deleting its files).
#pragma once

#include <gtk/gtk.h>

#include <string>
#include <thread>

#include "firmware_resource.h"
#include "isp_client.h"
#include "message_sink.h"
#include "scene.h"
#include "temp_files.h"
#include "upgrade_workflow.h"
#include "window_thread_queue.h"

namespace kvn::app {

inline constexpr const char *kWindowTitle = "ORVANE Firmware Update";
inline constexpr const char *kApplicationId = "kavrin-upgrade-tool";

class CKavrinUpgradeToolDlg : public MessageSink, private WindowPort {
 public:
  CKavrinUpgradeToolDlg();
  ~CKavrinUpgradeToolDlg() override;
  CKavrinUpgradeToolDlg(const CKavrinUpgradeToolDlg &) = delete;
  CKavrinUpgradeToolDlg &operator=(const CKavrinUpgradeToolDlg &) = delete;

  // Opens the window and returns once it has closed.
  void DoModal();

  // MessageSink: from any thread; the window thread shows the dialog.
  void Notice(const std::string &text, const std::string &caption) override;
  bool Ask(const std::string &text, const std::string &caption) override;

 private:
  // WindowPort, called by the worker.
  void SetStatus(const StatusLines &lines) override;
  void SetBusy(bool busy) override;
  void RequestRepaint() override;
  void StartProgressTimer() override;

  void OnInitDialog();
  void LoadImages();
  void Repaint();
  SceneState CurrentScene() const;
  void StartWorker();
  bool ProgressTick();
  void StopProgressTimer();
  void OnLeftButtonDown(int x, int y, const GdkEventButton *event);
  void OnMouseMove(int x, int y);
  void RequestClose();
  void CloseWindow();
  void DestroyWindow();

  static gboolean OnDraw(GtkWidget *, cairo_t *cr, gpointer self);
  static gboolean OnButtonPress(GtkWidget *, GdkEventButton *event, gpointer self);
  static gboolean OnMotion(GtkWidget *, GdkEventMotion *event, gpointer self);
  static gboolean OnKeyPress(GtkWidget *, GdkEventKey *event, gpointer self);
  static gboolean OnDeleteEvent(GtkWidget *, GdkEvent *, gpointer self);
  static gboolean OnTimerTick(gpointer self);

  std::thread::id windowThread_;
  GtkWidget *window_ = nullptr;
  GtkWidget *area_ = nullptr;
  GMainLoop *loop_ = nullptr;

  SceneImages images_;
  SceneGeometry geometry_;
  bool buttonHover_ = false;
  bool closeHover_ = false;
  WorkflowFields fields_;
  std::string buttonTextCn_;
  std::string buttonTextEn_;
  SceneFont textFont_;
  UpgradeTarget target_;

  GResourceFirmware firmware_;
  TempFiles files_;
  IspClient ispClient_;
  WindowThreadQueue queue_;
  std::thread worker_;
  guint progressTimer_ = 0;
};

}  // namespace kvn::app
