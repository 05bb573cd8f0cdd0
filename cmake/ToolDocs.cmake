# The tool's manual page (chimekit.1) and bash completion, written at build
# time by tools/make_tool_docs.py from the help texts of the tool just built,
# so that both follow every change of a command or an option. Installed as
# share/man/man1/chimekit.1.gz and share/bash-completion/completions/chimekit.
# A cross build cannot run its tool and goes without them.
if(CMAKE_CROSSCOMPILING)
  return()
endif()
find_package(Python3 COMPONENTS Interpreter)
if(NOT Python3_Interpreter_FOUND)
  message(STATUS "No Python 3 interpreter: the manual page and the bash completion are not generated")
  return()
endif()

set(CHIMEKIT_MAN_PAGE ${PROJECT_BINARY_DIR}/chimekit.1)
set(CHIMEKIT_COMPLETION ${PROJECT_BINARY_DIR}/chimekit.bash)
add_custom_command(
  OUTPUT ${CHIMEKIT_MAN_PAGE} ${CHIMEKIT_MAN_PAGE}.gz ${CHIMEKIT_COMPLETION}
  COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/make_tool_docs.py
          $<TARGET_FILE:chimekit_cli> ${PROJECT_VERSION} ${PROJECT_BINARY_DIR}
  DEPENDS chimekit_cli ${PROJECT_SOURCE_DIR}/tools/make_tool_docs.py
  COMMENT "Writing the manual page and the bash completion from the tool's help"
  VERBATIM)
add_custom_target(chimekit_tool_docs ALL DEPENDS ${CHIMEKIT_MAN_PAGE} ${CHIMEKIT_COMPLETION})

install(FILES ${CHIMEKIT_MAN_PAGE}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CHIMEKIT_COMPLETION} DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
  RENAME chimekit)
