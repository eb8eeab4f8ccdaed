// A trace that cannot be written stops the run with a message instead of
// leaving a file with holes.
#include "core/trace.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

namespace kolvar {
namespace {

TEST(Trace, WriteErrorsThrowNamingTheFile) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> full(std::fopen("/dev/full", "w"), &std::fclose);
  ASSERT_TRUE(full);
  Trace trace(full.get(), "/dev/full");
  std::string message;
  try {
    // The stream buffers its lines, so the error shows when a buffer fills
    // or at the latest when the trace is finished.
    for (int i = 0; i < 1000; ++i) trace.Event(static_cast<uint32_t>(i), "music");
    trace.Finish();
  } catch (const std::runtime_error& e) {
    message = e.what();
  }
  EXPECT_EQ(message, "/dev/full: cannot write the trace: No space left on device");
}

}  // namespace
}  // namespace kolvar
