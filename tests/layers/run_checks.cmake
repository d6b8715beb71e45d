# Runs the layer include check on the two small source trees beside this file:
# wrong-way/ must be refused, naming each wrong file and include (its data/ reaching up, its platform/
# climbing with "../"); right-way/ must pass.
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

# The same tree's platform/ climbs to the program with "../": refused although its path names no layer.
execute_process(
    COMMAND ${CMAKE_COMMAND} -DROOT=${CASES}/wrong-way -DFOLDERS=platform -DUSES=platform
            "-DQT_FOLDERS=platform/qt|desktop" -P ${CHECKER}
    RESULT_VARIABLE result ERROR_VARIABLE output OUTPUT_VARIABLE output)
if(result EQUAL 0)
    message(FATAL_ERROR "the check accepted an include that climbs out of its folder:\n${output}")
endif()
string(FIND "${output}" "platform/clock.cpp: includes \"../app/startup.h\"" at)
if(at EQUAL -1)
    message(FATAL_ERROR "the check's message does not name the climbing include:\n${output}")
endif()

execute_process(
    COMMAND ${CMAKE_COMMAND} -DROOT=${CASES}/right-way -DFOLDERS=data "-DUSES=platform|data"
            "-DQT_FOLDERS=platform/qt|desktop" -P ${CHECKER}
    RESULT_VARIABLE result ERROR_VARIABLE output OUTPUT_VARIABLE output)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "the check refused a source that keeps to its layer:\n${output}")
endif()
