# cmake -DBUILD=<build dir> -DSOURCE=<this folder> -DWORK=<scratch dir> -DCXX=<compiler> -P run.cmake
# Installs the build into a scratch prefix, checks the library's SONAME and
# that it exports no class of an internal/ header, then builds the consumer
# once with find_package and once with pkg-config and runs each on a fresh
# data directory. The builds fail when a header, an export or a path is missing.
cmake_minimum_required(VERSION 3.25)

function(run what)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "${what} failed (${rc}):\n${out}")
    endif()
    set(out "${out}" PARENT_SCOPE)
endfunction()

set(prefix ${WORK}/prefix)
file(REMOVE_RECURSE ${WORK})
run("install" ${CMAKE_COMMAND} --install ${BUILD} --prefix ${prefix})
foreach(file bin/kstools share/man/man1/kstools.1)
    if(NOT EXISTS ${prefix}/${file})
        message(FATAL_ERROR "${file} is not installed")
    endif()
endforeach()
# A subcommand known by two names ("task set", also "task edit") has one section.
file(READ ${prefix}/share/man/man1/kstools.1 page)
if(NOT page MATCHES "\.SS \"kstools task set\"\n" OR page MATCHES "\"kstools task set, ")
    message(FATAL_ERROR "the manual page has no single section for task set")
endif()

run("readelf" readelf -d ${prefix}/lib/libkstools.so)
if(NOT out MATCHES "SONAME\\)[^\n]*\\[libkstools\\.so\\.0\\]")
    message(FATAL_ERROR "libkstools.so has no SONAME libkstools.so.0:\n${out}")
endif()
run("nm" nm -D -C --defined-only ${prefix}/lib/libkstools.so)
file(GLOB_RECURSE internal_headers ${SOURCE}/../../*/internal/*.h)
foreach(header ${internal_headers})
    file(STRINGS ${header} classes REGEX "^(class|struct) [A-Za-z_]+ *[:{]")
    foreach(line ${classes})
        string(REGEX REPLACE "^(class|struct) ([A-Za-z_]+).*" "\\2" name "${line}")
        if(out MATCHES "[ :]${name}::")
            message(FATAL_ERROR "libkstools.so exports ${name} of ${header}")
        endif()
    endforeach()
endforeach()

run("cmake configure" ${CMAKE_COMMAND} -S ${SOURCE} -B ${WORK}/cmake -G Ninja -DCMAKE_PREFIX_PATH=${prefix}
    -DCMAKE_CXX_COMPILER=${CXX})
run("cmake build" ${CMAKE_COMMAND} --build ${WORK}/cmake)
run("consumer (find_package)" ${WORK}/cmake/consumer ${WORK}/home-cmake)
run("C entry points (find_package)" ${WORK}/cmake/entry ${WORK}/home-entry)

run("pkg-config" ${CMAKE_COMMAND} -E env PKG_CONFIG_PATH=${prefix}/lib/pkgconfig pkg-config --cflags --libs kstools)
separate_arguments(flags UNIX_COMMAND "${out}")
run("c++" ${CXX} -std=c++20 ${SOURCE}/main.cpp ${flags} -Wl,-rpath,${prefix}/lib -o ${WORK}/consumer-pc)
run("consumer (pkg-config)" ${WORK}/consumer-pc ${WORK}/home-pc)
