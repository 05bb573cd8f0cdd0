# Remakes the import library of a 32-bit MinGW DLL whose __stdcall exports
# carry plain names (linked with --kill-at). The linker's own import library
# then holds the plain names too, which a host compiled with the header
# cannot link: it refers to the decorated names (_MIDIDump@12). From the
# linker's export list (lines "NAME = NAME@N @k"), dlltool makes an import
# library in which each decorated name imports the plain name of the DLL.
#
# Usage: cmake -DDLLTOOL=dlltool -DDEF=linker.def -DDLL=chimekit.dll
#              -DIMPLIB=libchimekit.dll.a -P StdcallImportLibrary.cmake
file(STRINGS ${DEF} lines)
set(exports "LIBRARY ${DLL}\nEXPORTS\n")
foreach(line IN LISTS lines)
  if(line MATCHES "^ *[A-Za-z0-9_]+ = ([A-Za-z0-9_]+@[0-9]+)")
    string(APPEND exports "${CMAKE_MATCH_1}\n")
  elseif(line MATCHES "^ *([A-Za-z0-9_]+) @[0-9]+")
    string(APPEND exports "${CMAKE_MATCH_1}\n")
  endif()
endforeach()
file(WRITE ${DEF}.decorated "${exports}")
execute_process(COMMAND ${DLLTOOL} --kill-at --input-def ${DEF}.decorated --dllname ${DLL} --output-lib ${IMPLIB}
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "dlltool could not make ${IMPLIB}")
endif()
