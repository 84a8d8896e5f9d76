#pragma once

// BRIVOLA_ASAN is defined when this file is built with AddressSanitizer, by GCC or by clang:
// memory figures then include the sanitizer's quarantine and shadow.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BRIVOLA_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define BRIVOLA_ASAN 1
#endif
