# KSTOOLS_SANITIZE=address,undefined builds everything with ASan + UBSan (LeakSanitizer
# included); KSTOOLS_SANITIZE=thread with TSan.
# Line tables (-g1) are all the sanitizers' reports need for file:line in their
# stacks; full debug information made these builds a third slower to compile.
if(KSTOOLS_SANITIZE)
    set(_ks_san_flags -fsanitize=${KSTOOLS_SANITIZE} -fno-omit-frame-pointer -g1)
    if(KSTOOLS_SANITIZE MATCHES "undefined")
        list(APPEND _ks_san_flags -fno-sanitize-recover=undefined)
    endif()
    add_compile_options(${_ks_san_flags})
    add_link_options(-fsanitize=${KSTOOLS_SANITIZE})
endif()
# ASan programs are linked at a fixed address: as position-independent
# executables they apply over two million relocations to their instrumented
# data at every start (a third of kstools' start-up), and the tests start
# kstools and the test helpers many hundreds of times.
if(KSTOOLS_SANITIZE MATCHES "address")
    add_link_options($<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>:-no-pie>)
endif()
