#pragma once

// The project's one assertion: an invariant the code relies on (a lock held, a count in range).
// Checked in builds configured with LINETRIGGER_ASSERTS (Debug, and the sanitizer builds the tests
// run in); free in the others. A broken invariant ends the process with the condition and where.
#if defined(LINETRIGGER_ASSERTS)
#define LT_ASSERT(condition) ((condition) ? void(0) : ::Invariant::broken(#condition, __FILE__, __LINE__))
#else
#define LT_ASSERT(condition) void(0)
#endif

namespace Invariant {

[[noreturn]] void broken(const char* condition, const char* file, int line);

} // namespace Invariant
