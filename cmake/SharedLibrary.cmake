# chimekit_export_only(<target> <version-script>)
# Limits the dynamic symbol table of a shared library to the symbols named in
# a linker version script, so that template instantiations from the standard
# library and the static core do not leak out as exports.
function(chimekit_export_only target script)
  if(WIN32 OR APPLE)
    return()
  endif()
  target_link_options(${target} PRIVATE
    "LINKER:--version-script=${script}"
    "LINKER:--exclude-libs,ALL"
    "LINKER:--no-undefined")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${script})
endfunction()
