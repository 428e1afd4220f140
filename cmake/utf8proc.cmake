# utf8proc, as the imported target utf8proc::utf8proc, for the planner's
# build. Found by its header and library, since Debian ships no CMake
# package of it.
if(NOT TARGET utf8proc::utf8proc)
  find_path(UTF8PROC_INCLUDE_DIR utf8proc.h)
  find_library(UTF8PROC_LIBRARY utf8proc)
  if(NOT UTF8PROC_INCLUDE_DIR OR NOT UTF8PROC_LIBRARY)
    message(FATAL_ERROR "utf8proc not found: install it (Debian: libutf8proc-dev), or build without the planner (-DSEPTCVT_PLANNER=OFF)")
  endif()
  add_library(utf8proc::utf8proc UNKNOWN IMPORTED)
  set_target_properties(utf8proc::utf8proc PROPERTIES
    IMPORTED_LOCATION "${UTF8PROC_LIBRARY}" INTERFACE_INCLUDE_DIRECTORIES "${UTF8PROC_INCLUDE_DIR}")
endif()
