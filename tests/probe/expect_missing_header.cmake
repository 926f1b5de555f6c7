# cmake -DBUILD_DIR=<dir> -DTARGET=<target> -DHEADER=<name> -P expect_missing_header.cmake
#
# Builds TARGET and passes only when the build fails because the compiler
# cannot find HEADER: any other failure (a syntax error, a missing source, a
# broken build folder) and a successful build both fail the test.
foreach(var BUILD_DIR TARGET HEADER)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target ${TARGET}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
message("${output}")
if(result EQUAL 0)
  message(FATAL_ERROR "${TARGET} built: ${HEADER} was found")
endif()
# GCC: "QObject: No such file or directory"; clang: "'QObject' file not found".
if(NOT output MATCHES "${HEADER}: No such file or directory|'${HEADER}' file not found")
  message(FATAL_ERROR "${TARGET} failed to build, but not because ${HEADER} was missing")
endif()
message("${TARGET} did not compile: ${HEADER} is not on its include path")
