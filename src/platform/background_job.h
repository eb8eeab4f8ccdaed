// A job run apart from the program's own thread and spoken to in text (the
// browser's Web Worker, platform/web/web_worker.h): it was handed its text
// when it started, and it answers with texts of its own, the last of them
// its answer. The program looks at it once a frame, never waits on it.
#pragma once

#include <optional>
#include <string>

namespace kolvar {

class BackgroundJob {
 public:
  // Ends the job at once if it is still working.
  virtual ~BackgroundJob() = default;
  // The next text the job has sent, in the order it sent them; nothing
  // when it has sent no more yet.
  virtual std::optional<std::string> Take() = 0;
  // Why the job stopped without answering (it could not be started, or
  // broke down); empty while it works or once it has answered.
  virtual std::string Fault() = 0;
};

}  // namespace kolvar
