# The Debian packages' own files, and one call per package. Every package
# carries a copyright file and a changelog in /usr/share/doc/PACKAGE; a plain
# `cmake --install` leaves them out, as they describe the packages.
# Needs SEPTCVT_GZIP (man_pages.cmake) and CPACK_DEBIAN_PACKAGE_MAINTAINER.

# The copyright file: the licence, under a line saying what it covers.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
set(deb_files ${PROJECT_BINARY_DIR}/deb)
file(WRITE ${deb_files}/copyright
  "septcvt and libseptcvt, by the septcvt authors, under this licence:\n\n${license}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)

# The changelog: one entry, this version. Its date is SOURCE_DATE_EPOCH's
# where that is set, else the commit's, so that the same commit gives the
# same bytes (gzip -9n stores no name or time of its own).
set(deb_epoch "$ENV{SOURCE_DATE_EPOCH}")
if(deb_epoch STREQUAL "" AND EXISTS ${PROJECT_SOURCE_DIR}/.git)
  find_package(Git QUIET)
  if(GIT_FOUND)
    execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
      OUTPUT_VARIABLE deb_epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  endif()
endif()
if(deb_epoch MATCHES "^[0-9]+$")
  set(saved_epoch "$ENV{SOURCE_DATE_EPOCH}")
  set(ENV{SOURCE_DATE_EPOCH} ${deb_epoch})
  string(TIMESTAMP deb_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
  set(ENV{SOURCE_DATE_EPOCH} "${saved_epoch}")
else()
  string(TIMESTAMP deb_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
endif()
file(WRITE ${deb_files}/changelog "septcvt (${PROJECT_VERSION}) unstable; urgency=medium

  * Release ${PROJECT_VERSION} of septcvt and libseptcvt.

 -- ${CPACK_DEBIAN_PACKAGE_MAINTAINER}  ${deb_date}
")
execute_process(COMMAND ${SEPTCVT_GZIP} -9n INPUT_FILE ${deb_files}/changelog OUTPUT_FILE ${deb_files}/changelog.gz
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip of the packages' changelog failed (${status})")
endif()

# septcvt_deb_package(COMPONENT PACKAGE SECTION SYNOPSIS DESCRIPTION): the
# install component COMPONENT goes into the package PACKAGE, described by a
# synopsis line and a paragraph (wrapped here, and indented by CPack; no
# semicolons).
function(septcvt_deb_package component package section synopsis description)
  string(TOUPPER ${component} c)
  set(CPACK_DEBIAN_${c}_PACKAGE_NAME ${package} PARENT_SCOPE)
  set(CPACK_DEBIAN_${c}_PACKAGE_SECTION ${section} PARENT_SCOPE)
  string(REGEX REPLACE "[ \n]+" ";" words "${description}")
  set(text "${synopsis}")
  set(line "")
  foreach(word IN LISTS words)
    string(LENGTH "${line} ${word}" length)
    if(line STREQUAL "")
      set(line "${word}")
    elseif(length GREATER 72)
      string(APPEND text "\n${line}")
      set(line "${word}")
    else()
      string(APPEND line " ${word}")
    endif()
  endforeach()
  string(APPEND text "\n${line}")
  set(CPACK_DEBIAN_${c}_DESCRIPTION "${text}" PARENT_SCOPE)
  install(FILES ${deb_files}/copyright ${deb_files}/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${component} EXCLUDE_FROM_ALL)
endfunction()
