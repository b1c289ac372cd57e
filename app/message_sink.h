// The application's message boxes, as the workflow, the temporary files and
// the library client see them. The window shows them as modal dialogs on its
// own thread; a caller on another thread waits until the user has closed one.
#pragma once

#include <string>

namespace kvn::app {

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  // A warning with an OK button; returns once the user has closed it.
  virtual void Notice(const std::string &text, const std::string &caption) = 0;
  // A question with Yes and No; true for Yes.
  virtual bool Ask(const std::string &text, const std::string &caption) = 0;
};

}  // namespace kvn::app
