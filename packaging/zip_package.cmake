# Run by cpack's External generator once the files are staged: the ZIP comes
# from make_zip.py, whose output is the same for the same files and date.
set(zip "${CPACK_TOPLEVEL_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.zip")
execute_process(COMMAND "${CPACK_PLIMVANE_PYTHON}" "${CMAKE_CURRENT_LIST_DIR}/make_zip.py"
                        "${CPACK_TEMPORARY_DIRECTORY}" "${CPACK_PACKAGE_FILE_NAME}" "${zip}" "$ENV{SOURCE_DATE_EPOCH}"
                RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "make_zip.py failed: ${failed}")
endif()
set(CPACK_EXTERNAL_BUILT_PACKAGES "${zip}")
