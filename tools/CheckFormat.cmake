# Fails when any C++ source of the project differs from what clang-format makes of it.
file(GLOB_RECURSE sources
     ${SOURCE_DIR}/framework/*.cpp ${SOURCE_DIR}/framework/*.h
     ${SOURCE_DIR}/game/*.cpp ${SOURCE_DIR}/game/*.h
     ${SOURCE_DIR}/tests/*.cpp ${SOURCE_DIR}/tests/*.h
     ${SOURCE_DIR}/bench/*.cpp ${SOURCE_DIR}/bench/*.h
     ${SOURCE_DIR}/tools/*.cpp ${SOURCE_DIR}/tools/*.h)
execute_process(COMMAND ${CLANG_FORMAT} --dry-run --Werror ${sources}
                RESULT_VARIABLE result ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "Sources are not formatted; run tools/format.sh\n${errors}")
endif()
