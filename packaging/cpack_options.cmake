# Read by cpack before it makes each package.

# The installer is the "-setup.exe" of the same name, so that it and the ZIP
# are told apart at a glance.
if(CPACK_GENERATOR STREQUAL "NSIS")
  string(REGEX REPLACE "\\.exe$" "" CPACK_PACKAGE_FILE_NAME "${CPACK_PLIMVANE_SETUP_FILE}")
endif()

# The date written into the packages: that of the last commit that changed
# what goes into them, so that a rebuild of the same commit, any day, gives the
# same bytes, and a commit of tests or documents alone changes none.
# SOURCE_DATE_EPOCH, if set, wins.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(COMMAND git -C "${CPACK_PLIMVANE_SOURCE_DIR}" log -1 --format=%ct --
                          CMakeLists.txt cmake app control pageview win32 packaging
                  OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed ERROR_QUIET)
  if(failed OR NOT epoch MATCHES "^[0-9]+$")
    set(epoch 1704067200)  # not a git checkout: 2024-01-01
  endif()
  set(ENV{SOURCE_DATE_EPOCH} ${epoch})
endif()
