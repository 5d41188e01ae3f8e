#pragma once
// Whether this build runs under AddressSanitizer, which reserves terabytes of
// address space: a limit on the address space (RLIMIT_AS) would stop every
// such process at its start, so it is not set there.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool AddressSanitizerBuild = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool AddressSanitizerBuild = true;
#else
constexpr bool AddressSanitizerBuild = false;
#endif
#else
constexpr bool AddressSanitizerBuild = false;
#endif
