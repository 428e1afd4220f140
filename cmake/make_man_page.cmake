# cmake -DSOURCE=page -DTREE=dir -DVERSION=x.y.z -DGZIP=gzip -P make_man_page.cmake
# Writes the page SOURCE (docs/NAME.SECTION) into TREE/manSECTION/ as it is
# installed: the footer's package name followed by VERSION, gzipped, and a
# link NAME.SECTION.gz beside it for every other name its NAME section lists.
get_filename_component(page ${SOURCE} NAME)
string(REGEX MATCH "[^.]+$" section ${page})
string(REGEX REPLACE "[.][^.]+$" "" page_name ${page})
set(dir ${TREE}/man${section})
# Made afresh, so a name dropped from NAME loses its link.
file(REMOVE_RECURSE ${TREE})
file(MAKE_DIRECTORY ${dir})
file(READ ${SOURCE} text)

# .TH title section date source manual: the source names the package; the
# installed page adds the version to it.
string(REGEX MATCH "(^|\n)([.]TH +[^ \n]+ +[^ \n]+ +[^ \n]+ +)(\"[^\"\n]*\"|[^ \n]+)" th "${text}")
if(NOT th)
  message(FATAL_ERROR "${SOURCE}: no .TH line with a title, section, date and source")
endif()
set(before "${CMAKE_MATCH_1}${CMAKE_MATCH_2}")
string(REGEX MATCH "[^ \"]+" package "${CMAKE_MATCH_3}")
string(REPLACE "${th}" "${before}\"${package} ${VERSION}\"" text "${text}")
file(WRITE ${dir}/${page} "${text}")
execute_process(COMMAND ${GZIP} -9n INPUT_FILE ${dir}/${page} OUTPUT_FILE ${dir}/${page}.gz
  RESULT_VARIABLE status)
file(REMOVE ${dir}/${page})
if(NOT status EQUAL 0)
  file(REMOVE ${dir}/${page}.gz)
  message(FATAL_ERROR "${SOURCE}: gzip failed (${status})")
endif()

# The names are what NAME lists before "\-", separated by commas.
string(REGEX MATCH "\n[.]SH +\"?NAME\"? *\n" heading "${text}")
if(NOT heading)
  message(FATAL_ERROR "${SOURCE}: no NAME section")
endif()
string(FIND "${text}" "${heading}" start)
string(LENGTH "${heading}" length)
math(EXPR start "${start} + ${length}")
string(SUBSTRING "${text}" ${start} -1 rest)
string(FIND "${rest}" "\\-" dash)
string(FIND "${rest}" "\n." next_request)
if(dash LESS 0 OR (next_request GREATER_EQUAL 0 AND next_request LESS dash))
  message(FATAL_ERROR "${SOURCE}: the NAME section's names are not followed by \\-")
endif()
string(SUBSTRING "${rest}" 0 ${dash} names)
string(REGEX REPLACE "[ \t\n]*,[ \t\n]*|[ \t\n]+" ";" names "${names}")
foreach(name IN LISTS names)
  if(name STREQUAL "" OR name STREQUAL page_name)
    continue()
  endif()
  # Anything else would be a markup or a typo, not a name to link.
  if(NOT name MATCHES "^[A-Za-z0-9_][A-Za-z0-9_.+:-]*$")
    message(FATAL_ERROR "${SOURCE}: \"${name}\" in NAME is not a plain name")
  endif()
  file(CREATE_LINK ${page}.gz ${dir}/${name}.${section}.gz SYMBOLIC)
endforeach()
