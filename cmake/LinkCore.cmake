# chimekit_link_core(<target>): links a benchmark or fuzz program to the core
# it exercises, told by its name: reshaper_* programs measure the Reshaper
# core, all others chimekit's.
function(chimekit_link_core target)
  if(target MATCHES "^reshaper_")
    target_link_libraries(${target} PRIVATE reshaper_core)
  else()
    target_link_libraries(${target} PRIVATE chimekit_core)
  endif()
endfunction()
