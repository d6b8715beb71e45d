# Runs the layer include check on the two small source trees beside this file:
# wrong-way/ must be refused, naming each wrong file and include; right-way/ must pass.
#   cmake -DCHECKER=<check_layer_includes.cmake> -DCASES=<this folder> -P run_checks.cmake

execute_process(
    COMMAND ${CMAKE_COMMAND} -DROOT=${CASES}/wrong-way -DFOLDERS=data "-DUSES=platform|data"
            "-DQT_FOLDERS=platform/qt|desktop" -P ${CHECKER}
    RESULT_VARIABLE result ERROR_VARIABLE output OUTPUT_VARIABLE output)
if(result EQUAL 0)
    message(FATAL_ERROR "the check accepted a wrong-way include:\n${output}")
endif()
foreach(expected "data/record_cache.h: includes \"framework/files/file_manager.h\"" "data/view.cpp: includes Qt"
        "data/clock.cpp: includes <windows.h>")
    string(FIND "${output}" "${expected}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "the check's message does not say '${expected}':\n${output}")
    endif()
endforeach()
string(FIND "${output}" "platform/date.h" at)
if(NOT at EQUAL -1)
    message(FATAL_ERROR "the check refused an allowed include:\n${output}")
endif()

execute_process(
    COMMAND ${CMAKE_COMMAND} -DROOT=${CASES}/right-way -DFOLDERS=data "-DUSES=platform|data"
            "-DQT_FOLDERS=platform/qt|desktop" -P ${CHECKER}
    RESULT_VARIABLE result ERROR_VARIABLE output OUTPUT_VARIABLE output)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "the check refused a source that keeps to its layer:\n${output}")
endif()
