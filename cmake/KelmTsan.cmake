# KELMMATH_TSAN: build everything with ThreadSanitizer, for the concurrency tests
# (`make tsan`). It cannot be combined with KELMMATH_SANITIZE (AddressSanitizer).
option(KELMMATH_TSAN "Build with ThreadSanitizer" OFF)
if(KELMMATH_TSAN)
    if(KELMMATH_SANITIZE)
        message(FATAL_ERROR "kelmmath: KELMMATH_TSAN and KELMMATH_SANITIZE exclude each other")
    endif()
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
endif()
