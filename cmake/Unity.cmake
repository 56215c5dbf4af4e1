# Unity builds: the sources of each target are compiled in batches, one
# compiler run per batch. The kstools commands and the tests all include the
# same heavy headers (CLI11, nlohmann/json, GoogleTest) and instantiate the
# same templates; compiling those once per batch rather than once per file
# makes a whole build several times faster, the sanitizer builds most.
# Turn it off (-DKSTOOLS_UNITY_BUILD=OFF) to compile every file on its own.
option(KSTOOLS_UNITY_BUILD "Compile each target's sources in batches" ON)
if(KSTOOLS_UNITY_BUILD AND NOT DEFINED CMAKE_UNITY_BUILD)
    set(CMAKE_UNITY_BUILD ON)
    set(CMAKE_UNITY_BUILD_BATCH_SIZE 8)
endif()

# Files whose file-local names (helpers in anonymous namespaces, enums of
# property positions) are also used by a neighbour in the same target: they
# compile on their own. A new clash shows as a redefinition or an ambiguous
# call in a unity_N_cxx.cxx file; rename the helper, move it to one shared
# home, or add its file here.
set(KSTOOLS_UNITY_ALONE
    engine/calendar_thread_tasks.cpp
    grid/calendar_list_presenter.cpp
    grid/contact_list_presenter.cpp
    items/c_template.cpp
    items/entry_points.cpp
    items/ical_read.cpp
    items/ical_store.cpp
    items/ical_zone.cpp
    platform/base/private_heap.cpp
    platform/gdi/bitmaps.cpp
    platform/gdi/device_context.cpp
    platform/objectmodel/outlook_date.cpp
    platform/objectmodel/outlook_item_collection.cpp
    platform/objectstore/cedb_records.cpp
    platform/objectstore/cedb_volume_table.cpp
    platform/time/time_zone.cpp
    tests/engine/calendar_recurrence_oracle_test.cpp
    tests/engine/calendar_recurrence_parse_test.cpp
    tests/engine/calendar_refresh_test.cpp
    tests/engine/calendar_thread_test.cpp
    tests/engine/ks_data_thread_test.cpp
    tests/engine/list_refresh_test.cpp
    tests/engine/notes_loader_test.cpp
    tests/engine/notes_loader_thread_test.cpp
    tests/foundation/ce_string_test.cpp
    tests/platform/locale/locale_date_format_test.cpp
    tests/platform/locale/locale_date_parse_test.cpp
    tests/platform/locale/locale_info_test.cpp
    tests/platform/objectmodel/outlook_recurrence_test.cpp
    tests/platform/objectmodel/outlook_task_test.cpp
    tests/platform/objectstore/cedb_concurrency_test.cpp
    tests/platform/objectstore/cedb_crash_test.cpp
    tests/platform/recurrence/recurrence_rule_test.cpp
    tests/storage/ce_db_test.cpp
    tests/storage/settings_processes_test.cpp
    tests/tools/kstools_usage_test.cpp
    tests/tools/list_watch_command_test.cpp
)

# Called at the end of the top-level CMakeLists, once every directory that
# makes targets is known (source properties belong to a directory).
function(ks_unity_mark_alone)
    if(NOT CMAKE_UNITY_BUILD)
        return()
    endif()
    set(_dirs ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tools/kstools)
    if(KSTOOLS_TESTS)
        list(APPEND _dirs ${PROJECT_SOURCE_DIR}/tests)
    endif()
    list(TRANSFORM KSTOOLS_UNITY_ALONE PREPEND ${PROJECT_SOURCE_DIR}/ OUTPUT_VARIABLE _files)
    set_source_files_properties(${_files} DIRECTORY ${_dirs} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
endfunction()
