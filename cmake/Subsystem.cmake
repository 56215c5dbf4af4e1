# ks_subsystem(name DEPS ...): the static library ks_<name> of the folder <name>/,
# made of every .cpp in it and its sub-folders. Folders without sources yet give an interface library.
set(KSTOOLS_SUBSYSTEM_LIBS "" CACHE INTERNAL "")
function(ks_subsystem name)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB_RECURSE _srcs CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${name}/*.cpp)
    if(_srcs)
        add_library(ks_${name} STATIC ${_srcs})
        target_include_directories(ks_${name} PUBLIC ${PROJECT_SOURCE_DIR})
        target_link_libraries(ks_${name} PUBLIC ${ARG_DEPS} PRIVATE ks_warnings)
        # libkstools.so is made of these objects and exports only KSTOOLS_API;
        # programs linking the static library see everything regardless.
        set_target_properties(ks_${name} PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
        set(KSTOOLS_SUBSYSTEM_LIBS ${KSTOOLS_SUBSYSTEM_LIBS} ks_${name} CACHE INTERNAL "")
    else()
        add_library(ks_${name} INTERFACE)
        target_include_directories(ks_${name} INTERFACE ${PROJECT_SOURCE_DIR})
        target_link_libraries(ks_${name} INTERFACE ${ARG_DEPS})
    endif()
endfunction()
