#include "window_thread_queue.h"

#include <condition_variable>
#include <memory>

namespace kvn::app {

namespace {

// The answer a waiting thread gets; settled once, by the task or, when the
// task is dropped unrun, by the last owner going away.
struct Reply {
  std::mutex mutex;
  std::condition_variable settled;
  bool done = false;
  bool answer = false;

  void Settle(bool value) {
    std::lock_guard lock(mutex);
    if (done) return;
    done = true;
    answer = value;
    settled.notify_all();
  }
};

struct ReplyGuard {
  std::shared_ptr<Reply> reply;
  bool fallback;
  ~ReplyGuard() { reply->Settle(fallback); }
};

}  // namespace

WindowThreadQueue::WindowThreadQueue(GMainContext *context)
    : context_(context != nullptr ? g_main_context_ref(context) : g_main_context_ref(g_main_context_default())) {}

WindowThreadQueue::~WindowThreadQueue() {
  Close();
  g_main_context_unref(context_);
}

bool WindowThreadQueue::Post(Task task) {
  std::lock_guard lock(mutex_);
  if (closed_) return false;
  pending_.push_back(std::move(task));
  if (source_ == nullptr) {
    source_ = g_idle_source_new();
    g_source_set_priority(source_, G_PRIORITY_DEFAULT);
    g_source_set_callback(source_, &WindowThreadQueue::Drain, this, nullptr);
    g_source_attach(source_, context_);
  }
  return true;
}

gboolean WindowThreadQueue::Drain(gpointer data) {
  auto *self = static_cast<WindowThreadQueue *>(data);
  for (;;) {
    Task task;
    {
      std::lock_guard lock(self->mutex_);
      if (self->pending_.empty() || self->closed_) {
        if (self->source_ != nullptr) {
          g_source_unref(self->source_);
          self->source_ = nullptr;
        }
        return G_SOURCE_REMOVE;
      }
      task = std::move(self->pending_.front());
      self->pending_.pop_front();
    }
    task();
  }
}

bool WindowThreadQueue::PostAndWait(AnsweringTask task, bool fallback) {
  auto reply = std::make_shared<Reply>();
  std::shared_ptr<ReplyGuard> guard(new ReplyGuard{reply, fallback});
  const bool posted = Post([task = std::move(task), guard]() mutable {
    // The answer may come later (a dialog's response); the guard travels
    // with it, so a dialog destroyed unanswered still settles the reply.
    task([guard](bool value) { guard->reply->Settle(value); });
  });
  guard.reset();
  if (!posted) return fallback;
  std::unique_lock lock(reply->mutex);
  reply->settled.wait(lock, [&] { return reply->done; });
  return reply->answer;
}

void WindowThreadQueue::Close() {
  std::deque<Task> dropped;
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
    dropped.swap(pending_);
    if (source_ != nullptr) {
      g_source_destroy(source_);
      g_source_unref(source_);
      source_ = nullptr;
    }
  }
  // Destroyed outside the lock: their guards wake waiting threads.
  dropped.clear();
}

}  // namespace kvn::app
