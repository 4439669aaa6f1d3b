# Run when installing: makes the manual pages with the installed paths of
# the prefix given then, compresses them (gzip -9n, as Debian wants) and
# installs them. The SKORVEL_* variables come from packaging/CMakeLists.txt.
foreach(part LAUNCHER GAME LEVELS DATA TOOLS DOC MAN)
  set(path "${SKORVEL_${part}_DIR}")
  if(NOT IS_ABSOLUTE "${path}")
    set(path "${CMAKE_INSTALL_PREFIX}/${path}")
  endif()
  set(${part}_PATH "${path}")
endforeach()
set(README_PATH "${DOC_PATH}/${SKORVEL_README_NAME}")

file(MAKE_DIRECTORY "${SKORVEL_PAGES_BINARY}")
foreach(page skorvel.6 skorvel-check.1 skorvel-obj.1 skorvel-new-level.1)
  configure_file("${SKORVEL_PAGES_SOURCE}/${page}.in" "${SKORVEL_PAGES_BINARY}/${page}" @ONLY)
  execute_process(COMMAND gzip -9nf "${SKORVEL_PAGES_BINARY}/${page}" RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip could not compress ${page}: ${status}")
  endif()
  string(REGEX MATCH "[0-9]$" section "${page}")
  file(INSTALL "${SKORVEL_PAGES_BINARY}/${page}.gz" DESTINATION "${MAN_PATH}/man${section}")
endforeach()
