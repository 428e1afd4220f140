# find_package(septcvt): the imported targets septcvt::septcvt (the shared
# library) and septcvt::septcvt_static.
include("${CMAKE_CURRENT_LIST_DIR}/septcvtTargets.cmake")
