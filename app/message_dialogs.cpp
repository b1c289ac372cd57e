#include "message_dialogs.h"

namespace kvn::app {

namespace {

GtkWidget *NewDialog(GtkWindow *parent, const std::string &text, const std::string &caption,
                     bool askYesNo) {
  GtkWidget *dialog = gtk_message_dialog_new(
      parent, static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
      askYesNo ? GTK_MESSAGE_QUESTION : GTK_MESSAGE_WARNING, askYesNo ? GTK_BUTTONS_YES_NO : GTK_BUTTONS_OK,
      "%s", text.c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), caption.c_str());
  gtk_window_set_position(GTK_WINDOW(dialog), parent != nullptr ? GTK_WIN_POS_CENTER_ON_PARENT
                                                                : GTK_WIN_POS_CENTER);
  return dialog;
}

bool IsAffirmative(gint response) { return response == GTK_RESPONSE_OK || response == GTK_RESPONSE_YES; }

struct PendingAnswer {
  std::function<void(bool)> answer;
};

void OnResponse(GtkDialog *dialog, gint response, gpointer data) {
  auto *pending = static_cast<PendingAnswer *>(data);
  auto answer = std::move(pending->answer);
  pending->answer = nullptr;
  gtk_widget_destroy(GTK_WIDGET(dialog));
  if (answer) answer(IsAffirmative(response));
}

}  // namespace

void ShowMessageDialog(GtkWindow *parent, const std::string &text, const std::string &caption,
                       bool askYesNo, std::function<void(bool)> answer) {
  GtkWidget *dialog = NewDialog(parent, text, caption, askYesNo);
  auto *pending = new PendingAnswer{std::move(answer)};
  // The answer dies with the dialog; a dialog destroyed with its parent
  // without a response drops its answer, and the waiting side gets its
  // fallback.
  g_signal_connect_data(dialog, "response", G_CALLBACK(OnResponse), pending,
                        [](gpointer data, GClosure *) { delete static_cast<PendingAnswer *>(data); },
                        static_cast<GConnectFlags>(0));
  gtk_widget_show_all(dialog);
}

bool RunMessageDialog(GtkWindow *parent, const std::string &text, const std::string &caption,
                      bool askYesNo) {
  GtkWidget *dialog = NewDialog(parent, text, caption, askYesNo);
  const gint response = gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
  return IsAffirmative(response);
}

}  // namespace kvn::app
