# Finds the OpenCV 4 modules Drevlin uses from Debian's per-module -dev packages, which ship
# headers and libraries but no CMake package, and makes imported targets opencv_<module>.
find_path(OPENCV4_INCLUDE_DIR opencv2/core.hpp PATH_SUFFIXES opencv4 REQUIRED)
set(OpenCV_INCLUDE_DIRS ${OPENCV4_INCLUDE_DIR})
foreach(module core video imgproc imgcodecs)
  find_library(OPENCV_${module}_LIBRARY opencv_${module} REQUIRED)
  add_library(opencv_${module} SHARED IMPORTED)
  set_target_properties(opencv_${module} PROPERTIES
    IMPORTED_LOCATION ${OPENCV_${module}_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${OPENCV4_INCLUDE_DIR})
endforeach()
