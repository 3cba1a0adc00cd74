# Compiles a file holding only `#include "${HEADER}"` with INCLUDES; EXPECT says whether the
# compiler must refuse it because the header is not found, or accept it.
file(MAKE_DIRECTORY "${WORK}")
file(WRITE "${WORK}/probe.cpp" "#include \"${HEADER}\"\n")
set(flags)
foreach(dir ${INCLUDES})
  list(APPEND flags "-I${dir}")
endforeach()
execute_process(COMMAND "${COMPILER}" -std=c++20 -fPIC -fsyntax-only ${flags} "${WORK}/probe.cpp"
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
string(FIND "${out}" "${HEADER}" named)
if(EXPECT STREQUAL "refused")
  if(status EQUAL 0 OR named EQUAL -1 OR NOT out MATCHES "No such file|file not found")
    message(FATAL_ERROR "${HEADER} should be out of reach here, but the compiler said (${status}):\n${out}")
  endif()
elseif(NOT status EQUAL 0)
  message(FATAL_ERROR "${HEADER} should compile here:\n${out}")
endif()
