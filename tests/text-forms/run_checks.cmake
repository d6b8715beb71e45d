# Compiles the two sources beside this file: wrong-way/ hands a UTF-8 std::string to a function that takes
# Windows-1250 text and must be refused by the compiler, naming the type; right-way/ converts first and
# must compile, so that the refusal is the mix-up's and not a broken source's.
#   cmake -DCOMPILER=<c++> -DSOURCE_ROOT=<the project> -DCASES=<this folder> -P run_checks.cmake

set(flags -std=c++20 -fsyntax-only -I${SOURCE_ROOT})
execute_process(COMMAND ${COMPILER} ${flags} ${CASES}/wrong-way/utf8_where_cp1250.cpp
    RESULT_VARIABLE result ERROR_VARIABLE output OUTPUT_VARIABLE output)
if(result EQUAL 0)
    message(FATAL_ERROR "a UTF-8 std::string was taken as Windows-1250 text")
endif()
string(FIND "${output}" "Text1250" at)
if(at EQUAL -1)
    message(FATAL_ERROR "the wrong-way source failed for another reason:\n${output}")
endif()

execute_process(COMMAND ${COMPILER} ${flags} ${CASES}/right-way/cp1250_where_cp1250.cpp
    RESULT_VARIABLE result ERROR_VARIABLE output OUTPUT_VARIABLE output)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "the right-way source does not compile:\n${output}")
endif()
