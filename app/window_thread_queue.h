// WindowThreadQueue: hands work from other threads to the window thread.
// Tasks run on the GLib main context of the window thread, one after the
// other, in the order they were posted. A thread may also wait for a task's
// answer (a dialog the user has to close).
//
// Closing the queue (when the window goes) drops what is still pending; a
// thread waiting for a dropped or refused task gets the fallback answer, so
// nobody waits for a window that is gone.
#pragma once

#include <glib.h>

#include <deque>
#include <functional>
#include <mutex>

namespace kvn::app {

class WindowThreadQueue {
 public:
  using Task = std::function<void()>;
  // A task that answers later: it gets a completion to call exactly once.
  using AnsweringTask = std::function<void(std::function<void(bool)> answer)>;

  // context: the window thread's main context (null: the default one).
  explicit WindowThreadQueue(GMainContext *context = nullptr);
  ~WindowThreadQueue();
  WindowThreadQueue(const WindowThreadQueue &) = delete;
  WindowThreadQueue &operator=(const WindowThreadQueue &) = delete;

  // From any thread. False when the queue is closed (the task is dropped).
  bool Post(Task task);
  // From a thread other than the window thread: posts the task and waits
  // until it has answered; fallback when the queue closes first.
  bool PostAndWait(AnsweringTask task, bool fallback);
  // Window thread: refuses further tasks and drops the pending ones.
  void Close();

 private:
  static gboolean Drain(gpointer self);

  GMainContext *context_;
  std::mutex mutex_;
  std::deque<Task> pending_;
  bool closed_ = false;
  GSource *source_ = nullptr;  // the scheduled drain, if any
};

}  // namespace kvn::app
