// KavrinUpgradeTool: the application object. It starts the graphics
// services, runs the one window and ends when the window closes. No command
// line is read, no settings are kept, every start opens its own window.
#include <gtk/gtk.h>

#include <cstdio>

#include "main_window.h"

namespace kvn::app {

class CKavrinUpgradeToolApp {
 public:
  // The instance initialisation: false means the process ends here.
  bool InitInstance() {
    g_set_prgname(kApplicationId);
    g_set_application_name(kWindowTitle);
    if (!gtk_init_check(nullptr, nullptr)) {
      std::fputs("KavrinUpgradeTool: cannot open the display\n", stderr);
      exitCode_ = 1;
      return false;
    }
    {
      CKavrinUpgradeToolDlg dialog;
      dialog.DoModal();
    }
    return false;
  }

  int ExitCode() const { return exitCode_; }

 private:
  int exitCode_ = 0;
};

}  // namespace kvn::app

int main() {
  kvn::app::CKavrinUpgradeToolApp app;
  app.InitInstance();
  return app.ExitCode();
}
