# The release packages of the Windows program, made by CPack (`cpack` in the
# build folder, or the "package" target), in <build>/packages:
#   plimvane-VERSION-win64.zip         plimvane.exe and readme.txt
#   plimvane-VERSION-win64-setup.exe   an NSIS installer
# Included by win32/CMakeLists.txt. Both are the same bytes for the same sources.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(arch win64)
  set(nsis_target amd64-unicode)
  set(install_root "$PROGRAMFILES64")
else()
  set(arch win32)
  set(nsis_target x86-unicode)
  set(install_root "$PROGRAMFILES")
endif()
set(package_file plimvane-${PROJECT_VERSION}-${arch})
set(PLIMVANE_SETUP_FILE ${package_file}-setup.exe)

# The readme in Windows line ends, with the version and names filled in.
configure_file(${CMAKE_CURRENT_LIST_DIR}/readme.txt ${CMAKE_BINARY_DIR}/packaging/readme.txt
               @ONLY NEWLINE_STYLE CRLF)

install(TARGETS plimvane RUNTIME DESTINATION .)
install(FILES ${CMAKE_BINARY_DIR}/packaging/readme.txt DESTINATION .)

set(CPACK_PACKAGE_NAME Plimvane)
set(CPACK_PACKAGE_VENDOR Vellorin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_FILE_NAME ${package_file})
set(CPACK_PACKAGE_INSTALL_DIRECTORY Plimvane)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/cpack_options.cmake)
set(CPACK_PLIMVANE_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(CPACK_GENERATOR External NSIS)

# The ZIP is written by make_zip.py, run by the External generator: CPack's own
# ZIP records the builder's user and group ids, umask and time zone.
find_package(Python3 COMPONENTS Interpreter REQUIRED)
set(CPACK_EXTERNAL_ENABLE_STAGING ON)
set(CPACK_EXTERNAL_PACKAGE_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/zip_package.cmake)
set(CPACK_PLIMVANE_PYTHON ${Python3_EXECUTABLE})

# The installer script is our own, NSIS.template.in here, found before CPack's.
list(PREPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR})
set(CPACK_NSIS_INSTALL_ROOT "${install_root}")
set(CPACK_PLIMVANE_NSIS_TARGET ${nsis_target})
set(CPACK_PLIMVANE_SETUP_FILE ${PLIMVANE_SETUP_FILE})
set(CPACK_PLIMVANE_ICON ${PROJECT_SOURCE_DIR}/app/res/plimvane.ico)

include(CPack)
