// The application's message boxes as GTK message dialogs: a warning with an
// OK button, or a question with Yes and No. Window thread only.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>

namespace kvn::app {

// Shows the dialog and returns at once; answer is called once when the user
// has closed it (true for OK / Yes).
void ShowMessageDialog(GtkWindow *parent, const std::string &text, const std::string &caption,
                       bool askYesNo, std::function<void(bool)> answer);

// Shows the dialog and waits for it in a nested main loop.
bool RunMessageDialog(GtkWindow *parent, const std::string &text, const std::string &caption,
                      bool askYesNo);

}  // namespace kvn::app
