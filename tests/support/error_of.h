// The message of the exception a piece of code throws, for tests that hold
// an error's words to what the player or the stage's author should read.
#pragma once

#include <gtest/gtest.h>

#include <exception>
#include <string>

namespace kolvar::testing {

// Runs `code` and returns what() of the `Error` it throws; a test failure
// (and "") when it throws nothing or something else.
template <typename Error = std::exception, typename Code>
std::string ErrorOf(Code&& code) {
  try {
    code();
  } catch (const Error& error) {
    return error.what();
  } catch (...) {
    ADD_FAILURE() << "threw something else than the error expected";
    return "";
  }
  ADD_FAILURE() << "threw nothing; an error was expected";
  return "";
}

}  // namespace kolvar::testing
