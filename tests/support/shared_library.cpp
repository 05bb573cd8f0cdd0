#include "support/shared_library.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace test_support {

#if defined(_WIN32)

SharedLibrary::SharedLibrary(const char* path) : handle_(reinterpret_cast<void*>(LoadLibraryA(path))) {}

SharedLibrary::~SharedLibrary() {
  if (handle_ != nullptr) FreeLibrary(reinterpret_cast<HMODULE>(handle_));
}

void* SharedLibrary::Address(const char* name) const {
  return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(handle_), name));
}

std::string SharedLibrary::LastError() { return "error " + std::to_string(GetLastError()); }

#else

SharedLibrary::SharedLibrary(const char* path) : handle_(dlopen(path, RTLD_NOW | RTLD_LOCAL)) {}

SharedLibrary::~SharedLibrary() {
  if (handle_ != nullptr) dlclose(handle_);
}

void* SharedLibrary::Address(const char* name) const { return handle_ != nullptr ? dlsym(handle_, name) : nullptr; }

std::string SharedLibrary::LastError() {
  const char* text = dlerror();
  return text != nullptr ? text : "";
}

#endif

}  // namespace test_support
