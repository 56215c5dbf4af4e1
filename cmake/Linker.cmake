# Link with lld when it is installed: every test binary is relinked after each
# library change, and lld does that several times faster than the default linker.
include(CheckLinkerFlag)
check_linker_flag(CXX "-fuse-ld=lld" KSTOOLS_HAVE_LLD)
if(KSTOOLS_HAVE_LLD)
    add_link_options(-fuse-ld=lld)
endif()
