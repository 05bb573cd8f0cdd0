# chimekit_export_only(<target> <version-script>)
# Limits the dynamic symbol table of a shared library to the symbols named in
# a linker version script, so that template instantiations from the standard
# library and the static core do not leak out as exports.
#
# On Windows (MinGW-w64) the exports keep their plain names (no stdcall
# "@N" decoration), as hosts look them up by name, and the C++ runtime is
# linked in, so that the DLL needs nothing beside the system's own DLLs.
# The 32-bit import library maps the decorated names to the plain ones.
function(chimekit_export_only target script)
  if(WIN32 AND MINGW)
    target_link_options(${target} PRIVATE "LINKER:--kill-at" -static)
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      # Only 32-bit __stdcall names are decorated: the import library keeps
      # the decorated names that hosts compiled with the header refer to.
      set(def ${CMAKE_CURRENT_BINARY_DIR}/${target}.def)
      target_link_options(${target} PRIVATE "LINKER:--output-def,${def}")
      add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -DDLLTOOL=${CMAKE_DLLTOOL} -DDEF=${def} -DDLL=$<TARGET_FILE_NAME:${target}>
                -DIMPLIB=$<TARGET_LINKER_FILE:${target}> -P ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/StdcallImportLibrary.cmake
        VERBATIM)
    endif()
    return()
  endif()
  if(WIN32 OR APPLE)
    return()
  endif()
  target_link_options(${target} PRIVATE
    "LINKER:--version-script=${script}"
    "LINKER:--exclude-libs,ALL")
  # clang links its sanitizer runtimes into programs only, which then serve
  # the libraries they load: in such a build the library leaves them open.
  if(NOT (CHIMEKIT_SANITIZE AND CMAKE_CXX_COMPILER_ID MATCHES "Clang"))
    target_link_options(${target} PRIVATE "LINKER:--no-undefined")
  endif()
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${script})
endfunction()
