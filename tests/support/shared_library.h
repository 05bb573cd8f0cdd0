// A shared library loaded the way a host loads it, for the tests that call
// the exports by name.
#pragma once

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

 private:
  void* handle_;
};

}  // namespace test_support
