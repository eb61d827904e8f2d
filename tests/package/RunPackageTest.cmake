# Installs the build tree into a fresh prefix, then builds and runs the consumer against it:
# once through the CMake package, once through pkg-config.
# Inputs: BUILD_DIR, CONSUMER_DIR, WORK_DIR, LIBDIR, CXX, CXX_STANDARD (the standard the package
# promises consumers), CXX_FLAGS (may be empty).

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
        string(REPLACE ";" " " cmd "${ARGN}")
        message(FATAL_ERROR "Failed (${rc}): ${cmd}\n${out}\n${err}")
    endif()
    set(run_output "${out}" PARENT_SCOPE)
endfunction()

set(prefix "${WORK_DIR}/prefix")
file(REMOVE_RECURSE "${WORK_DIR}")
run(${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${prefix}")

foreach(file "${LIBDIR}/libangiolith.so" "${LIBDIR}/libangiolith_mdx.so"
        "include/angiolith/angiolith.h" "${LIBDIR}/pkgconfig/angiolith.pc"
        "${LIBDIR}/cmake/Angiolith/AngiolithConfig.cmake")
    if(NOT EXISTS "${prefix}/${file}")
        message(FATAL_ERROR "Not installed: ${file}")
    endif()
endforeach()
run(objdump -p "${prefix}/${LIBDIR}/libangiolith.so")
if(NOT run_output MATCHES "SONAME +libangiolith\\.so\\.[0-9]+\n")
    message(FATAL_ERROR "libangiolith.so carries no versioned SONAME:\n${run_output}")
endif()

# Through find_package(Angiolith CONFIG REQUIRED).
run(${CMAKE_COMMAND} -S "${CONSUMER_DIR}" -B "${WORK_DIR}/cmake-consumer"
    "-DCMAKE_PREFIX_PATH=${prefix}" "-DCMAKE_CXX_COMPILER=${CXX}" "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}"
    "-DCONSUMER_CXX_STANDARD=${CXX_STANDARD}"
    -DCMAKE_BUILD_TYPE=Debug)
run(${CMAKE_COMMAND} --build "${WORK_DIR}/cmake-consumer")
run("${WORK_DIR}/cmake-consumer/consumer")
message(STATUS "find_package consumer: ${run_output}")

# Through pkg-config, with only what the .pc file says (plus a run path for the test run).
set(ENV{PKG_CONFIG_PATH} "${prefix}/${LIBDIR}/pkgconfig")
run(pkg-config --cflags angiolith)
string(STRIP "${run_output}" cflags)
run(pkg-config --libs angiolith)
string(STRIP "${run_output}" libs)
separate_arguments(cflags UNIX_COMMAND "${cflags}")
separate_arguments(libs UNIX_COMMAND "${libs}")
separate_arguments(extra UNIX_COMMAND "${CXX_FLAGS}")
run(${CXX} -std=c++${CXX_STANDARD} -Wall -Wextra -Wpedantic -Werror ${extra} ${cflags}
    "${CONSUMER_DIR}/main.cpp" -o "${WORK_DIR}/pc-consumer" ${libs}
    "-Wl,-rpath,${prefix}/${LIBDIR}")
run("${WORK_DIR}/pc-consumer")
message(STATUS "pkg-config consumer: ${run_output}")
