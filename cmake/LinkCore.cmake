# chimekit_link_core(<target>): links a benchmark or fuzz program to the code
# it exercises, told by its name: reshaper_* programs measure the Reshaper
# core, export_* programs call chimekit's exports in the shared library as a
# host does, all others use chimekit's core and its ringtone job.
function(chimekit_link_core target)
  if(target MATCHES "^reshaper_")
    target_link_libraries(${target} PRIVATE reshaper_core)
  elseif(target MATCHES "^export_")
    target_link_libraries(${target} PRIVATE chimekit)
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/include)
  else()
    target_link_libraries(${target} PRIVATE chimekit_ringtone)
  endif()
endfunction()
