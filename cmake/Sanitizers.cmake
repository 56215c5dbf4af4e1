# KSTOOLS_SANITIZE=address,undefined builds everything with ASan + UBSan (LeakSanitizer
# included); KSTOOLS_SANITIZE=thread with TSan.
if(KSTOOLS_SANITIZE)
    set(_ks_san_flags -fsanitize=${KSTOOLS_SANITIZE} -fno-omit-frame-pointer -g)
    if(KSTOOLS_SANITIZE MATCHES "undefined")
        list(APPEND _ks_san_flags -fno-sanitize-recover=undefined)
    endif()
    add_compile_options(${_ks_san_flags})
    add_link_options(-fsanitize=${KSTOOLS_SANITIZE})
endif()
