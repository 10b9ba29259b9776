#pragma once

// Address-space limits (setrlimit RLIMIT_AS) in tests: the address sanitizer reserves terabytes
// of address space at start-up, so no limit can be set in a sanitizer build.
namespace testlimites {

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kLimitePossible = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kLimitePossible = false;
#else
inline constexpr bool kLimitePossible = true;
#endif
#else
inline constexpr bool kLimitePossible = true;
#endif

} // namespace testlimites
