add_library(ks_warnings INTERFACE)
target_compile_options(ks_warnings INTERFACE
    -Wall -Wextra -Wno-unused-parameter -Wno-missing-field-initializers
    $<$<CXX_COMPILER_ID:GNU>:-Wno-class-memaccess>)
