// Database results in tests: printed whole when an expectation fails, and
// `Succeeded(result)` for ASSERT_TRUE with the message in the failure.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "databases/program_databases.h"

namespace databases {

inline void PrintTo(const Result& r, std::ostream* os) {
  *os << (r.ok ? "ok" : "failed");
  if (!r.message.empty())
    *os << (r.kind == MessageKind::Error ? " with error \"" : " with \"") << r.message << '"';
  if (r.endProgram) *os << ", ending the program";
}

}  // namespace databases

namespace mc::testing {

inline ::testing::AssertionResult Succeeded(const databases::Result& r) {
  if (r.ok) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "failed: " << r.message;
}

// What the tests expect back: success (with a message or none), a failure
// with its message, and a fixed library's failure that ends the program.
inline databases::Result Done(std::string message = {}) {
  return databases::Result::Success(std::move(message));
}
inline databases::Result Failed(std::string message = {}) {
  return databases::Result::Failure(std::move(message));
}
inline databases::Result Ended(std::string message) {
  return databases::Result::ProgramEnds(std::move(message));
}

}  // namespace mc::testing
