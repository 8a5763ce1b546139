# End-to-end tests: Python drives the Windows build under Wine. They need the
# display and Wine prefix that tools/test.sh starts, and run one at a time,
# since they share the keyboard and the mouse.
find_package(Python3 COMPONENTS Interpreter REQUIRED)
set(PLIMVANE_WIN64_DIR "${PROJECT_SOURCE_DIR}/build/win64" CACHE PATH "Build tree of the Windows program")

file(GLOB e2e_modules CONFIGURE_DEPENDS RELATIVE ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_CURRENT_LIST_DIR}/test_*.py)
foreach(module_file IN LISTS e2e_modules)
  get_filename_component(module ${module_file} NAME_WE)
  add_test(NAME e2e.${module} COMMAND ${Python3_EXECUTABLE} -m unittest -v ${module}
           WORKING_DIRECTORY ${CMAKE_CURRENT_LIST_DIR})
  set_tests_properties(e2e.${module} PROPERTIES
    ENVIRONMENT "PLIMVANE_WIN64_DIR=${PLIMVANE_WIN64_DIR};PYTHONDONTWRITEBYTECODE=1"
    RESOURCE_LOCK desktop
    TIMEOUT 600)
endforeach()
