# What `cmake --install` (and `make install`) puts under the prefix:
#   lib/libkstools.so.0.x.y (SONAME libkstools.so.0) and its links,
#   include/kstools/<folder>/<header>.h: the public headers, in their folders so
#     that their own includes ("platform/base/types.h") resolve,
#   lib/cmake/KSTools/: the package for find_package(KSTools) (KSTools::kstools),
#   lib/pkgconfig/kstools.pc,
#   bin/kstools and share/man/man1/kstools.1 (tools/kstools/CMakeLists.txt).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# The public headers, the one list of them. A program using the library starts
# from the first group; the second is what those include. Their classes and
# functions carry KSTOOLS_API (platform/base/export.h) and are all that
# libkstools.so exports; everything else, internal/ folders above all, stays
# inside the library. docs/ARCHITECTURE.md says why each group is public.
set(KSTOOLS_PUBLIC_HEADERS
    # The object model, its owners, the data directory.
    platform/objectmodel/pocket_outlook.h
    platform/objectmodel/com_ref.h
    platform/text/owned_bstr.h
    platform/files/data_directory.h
    # The loaders and the host that runs them without a window.
    engine/loader_host.h
    engine/tasks_thread.h
    engine/calendar_thread.h
    engine/contacts_thread.h
    # The item classes.
    items/c_journal.h
    items/c_task.h
    items/item_recurrence.h
    items/item_cipher.h
    items/pass_key.h
    items/c_appointment.h
    items/app_task_tools.h
    items/c_links.h
    items/c_template.h
    # The settings store.
    storage/c_registry.h
    # The plain entry points, callable from C.
    items/kstools_entry.h
    # Included by the ones above.
    categories/c_full_category.h
    categories/category_blob.h
    categories/category_filter.h
    engine/calendar_recurrence.h
    engine/calendar_settings.h
    engine/data_calendar.h
    engine/data_calendar_db.h
    engine/contacts_cat_cache.h
    engine/contacts_view_settings.h
    engine/data_contacts.h
    engine/data_tasks.h
    engine/ks_data_thread.h
    engine/loader_messages.h
    engine/task_children.h
    engine/task_projects.h
    engine/tasks_compare.h
    engine/tasks_view_settings.h
    foundation/ce_critical_section.h
    foundation/ce_events.h
    foundation/ce_ptr_list.h
    foundation/ce_string.h
    foundation/ce_waitable_handle.h
    foundation/ce_worker_thread.h
    foundation/list_policies.h
    foundation/text_arena.h
    items/c_journal_data.h
    items/show_error.h
    items/poom_create_item.h
    platform/base/error_codes.h
    platform/base/export.h
    platform/base/geometry.h
    platform/base/interlocked.h
    platform/base/security_attributes.h
    platform/base/types.h
    platform/files/registry.h
    platform/kernel/critical_section.h
    platform/kernel/handle.h
    platform/kernel/thread.h
    platform/messaging/messages.h
    platform/objectmodel/category_bit_set.h
    platform/objectstore/cedb.h
    platform/objectstore/store_schema.h
    platform/text/bstr.h
    platform/time/system_time.h
    platform/time/time_zone.h
    platform/time/variant_time.h
    storage/ce_db.h
    storage/ce_db_record.h)

# The installed headers must compile on their own: every header of the tree
# that a public header includes must be public too, and nothing internal is.
foreach(_header ${KSTOOLS_PUBLIC_HEADERS})
    if(_header MATCHES "/internal/")
        message(FATAL_ERROR "${_header} is internal and cannot be public")
    endif()
    file(STRINGS ${PROJECT_SOURCE_DIR}/${_header} _includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(_line ${_includes})
        string(REGEX REPLACE "^[^\"]*\"([^\"]+)\".*$" "\\1" _included "${_line}")
        if(EXISTS ${PROJECT_SOURCE_DIR}/${_included} AND NOT _included IN_LIST KSTOOLS_PUBLIC_HEADERS)
            message(FATAL_ERROR "${_header} includes ${_included}, which is not in KSTOOLS_PUBLIC_HEADERS")
        endif()
    endforeach()
    get_filename_component(_dir ${_header} DIRECTORY)
    install(FILES ${_header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/kstools/${_dir} COMPONENT Development)
endforeach()

install(TARGETS kstools EXPORT KSToolsTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Runtime NAMELINK_COMPONENT Development)
set(_ks_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/KSTools)
install(EXPORT KSToolsTargets NAMESPACE KSTools:: DESTINATION ${_ks_cmake_dir} COMPONENT Development)
configure_package_config_file(cmake/KSToolsConfig.cmake.in ${PROJECT_BINARY_DIR}/KSToolsConfig.cmake
    INSTALL_DESTINATION ${_ks_cmake_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/KSToolsConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/KSToolsConfig.cmake ${PROJECT_BINARY_DIR}/KSToolsConfigVersion.cmake
    DESTINATION ${_ks_cmake_dir} COMPONENT Development)

# kstools.pc names the prefix relative to its own folder, so that it holds for
# the prefix given to `cmake --install --prefix` too.
file(RELATIVE_PATH KSTOOLS_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
configure_file(cmake/kstools.pc.in ${PROJECT_BINARY_DIR}/kstools.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/kstools.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT Development)
