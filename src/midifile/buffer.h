// Arrays whose elements are written before they are read: allocated without
// zeroing them first. std::make_unique_for_overwrite where the standard
// library has it; the same default-initialised allocation where it does
// not (the libc++ of the WebAssembly build).
#pragma once

#include <cstddef>
#include <memory>

namespace midifile {

template <class T>
std::unique_ptr<T[]> MakeBufferForOverwrite(size_t count) {
#if defined(__cpp_lib_smart_ptr_for_overwrite)
  return std::make_unique_for_overwrite<T[]>(count);
#else
  return std::unique_ptr<T[]>(new T[count]);
#endif
}

}  // namespace midifile
