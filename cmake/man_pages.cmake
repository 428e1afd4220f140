# Manual pages as they are installed: the footer names the version, the page
# is gzipped as Debian ships them (-9n, so every build gives the same
# bytes), and every name in its NAME section gets a link to it, so that
# `man septcvt_plan_text` opens the library's page and a function added to
# NAME later gets its link with no other edit. The sources in docs/ stay as
# they are, readable with `man -l`.
find_program(SEPTCVT_GZIP gzip)
if(NOT SEPTCVT_GZIP)
  message(FATAL_ERROR "the manual pages are installed gzipped: install gzip")
endif()

# septcvt_man_page(PAGE COMPONENT): docs/PAGE, built at build time and
# installed with its links in COMPONENT.
function(septcvt_man_page page component)
  set(source ${PROJECT_SOURCE_DIR}/docs/${page})
  set(script ${PROJECT_SOURCE_DIR}/cmake/make_man_page.cmake)
  set(tree ${PROJECT_BINARY_DIR}/man/${page})
  string(REGEX MATCH "[^.]+$" section ${page})
  set(made ${tree}/man${section}/${page}.gz)
  add_custom_command(OUTPUT ${made}
    COMMAND ${CMAKE_COMMAND} -DSOURCE=${source} -DTREE=${tree} -DVERSION=${PROJECT_VERSION}
      -DGZIP=${SEPTCVT_GZIP} -P ${script}
    DEPENDS ${source} ${script}
    COMMENT "Manual page ${page}: versioned, gzipped, a link per name")
  string(MAKE_C_IDENTIFIER "man_${page}" target)
  add_custom_target(${target} ALL DEPENDS ${made})
  install(DIRECTORY ${tree}/ DESTINATION ${CMAKE_INSTALL_MANDIR} COMPONENT ${component})
endfunction()
