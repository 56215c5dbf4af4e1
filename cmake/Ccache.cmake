# Use ccache when it is installed, so that repeated builds on one machine only
# recompile what changed.
find_program(KSTOOLS_CCACHE ccache)
if(KSTOOLS_CCACHE AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
    set(CMAKE_C_COMPILER_LAUNCHER ${KSTOOLS_CCACHE})
    set(CMAKE_CXX_COMPILER_LAUNCHER ${KSTOOLS_CCACHE})
endif()
