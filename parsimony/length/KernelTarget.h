#pragma once
// VARNO_KERNEL marks a function whose word loops count bits: on x86-64 it is
// built twice, with the popcount instruction and without it (older
// processors), and the loader picks the one the machine has. Without it the
// count is a library call, which costs about as much as the rest of a search.
// Functions a marked one calls get the instruction only where they are
// inlined, so mark the callees of a hot loop too.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && \
    !defined(__SANITIZE_ADDRESS__)
#define VARNO_KERNEL __attribute__((target_clones("popcnt", "default")))
#else
#define VARNO_KERNEL
#endif
