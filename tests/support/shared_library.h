// A shared library loaded the way a host loads it, for the tests that call
// the exports by name.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace test_support {

class SharedLibrary {
 public:
  explicit SharedLibrary(const char* path);
  ~SharedLibrary();
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;

  bool Loaded() const { return handle_ != nullptr; }
  // Why the last load or lookup failed, in the system's words.
  static std::string LastError();
  // The export of that name, or null.
  void* Address(const char* name) const;
  template <class Function>
  Function Symbol(const char* name) const {
    return reinterpret_cast<Function>(Address(name));
  }
  // The export of that name; a missing one fails the test (and is null).
  template <class Function>
  Function Export(const char* name) const {
    Function function = Symbol<Function>(name);
    EXPECT_NE(function, nullptr) << "no export " << name;
    return function;
  }

 private:
  void* handle_;
};

}  // namespace test_support
