# -DBRELM_SANITIZE=address (address + undefined) or thread.
set(BRELM_SANITIZE "" CACHE STRING "Sanitizer build: empty, address or thread")

if(BRELM_SANITIZE STREQUAL "address")
    set(BRELM_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
elseif(BRELM_SANITIZE STREQUAL "thread")
    set(BRELM_SANITIZER_FLAGS -fsanitize=thread -fno-omit-frame-pointer)
elseif(NOT BRELM_SANITIZE STREQUAL "")
    message(FATAL_ERROR "BRELM_SANITIZE must be empty, address or thread")
endif()

if(BRELM_SANITIZER_FLAGS)
    add_compile_options(${BRELM_SANITIZER_FLAGS})
    add_link_options(${BRELM_SANITIZER_FLAGS})
    add_compile_definitions(BRELM_SANITIZED=1)
endif()

if(BRELM_BUILD_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "The fuzz targets need clang (libFuzzer)")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()
