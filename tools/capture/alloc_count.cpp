// Counts heap allocations by wrapping glibc's malloc, calloc and realloc (operator new ends in malloc too).
// An allocation is the program's own when its call stack runs through the program and the C and C++
// runtimes only; one called straight from another library (the GL driver, SDL) is known without unwinding.
#include "tools/capture/alloc_count.h"

// Sanitizer builds keep their own allocator, and Windows and the browser have no glibc malloc to wrap: nothing
// is counted there.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) || defined(_WIN32) || defined(__EMSCRIPTEN__)

bool AllocCountingAvailable() { return false; }
AllocCounts AllocationsSoFar() { return {}; }

#else

#include <link.h>
#include <unwind.h>

#include <atomic>
#include <cstddef>
#include <cstring>

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);
}

namespace {

struct Range {
    uintptr_t begin = 0, end = 0;
    bool Holds(uintptr_t address) const { return address >= begin && address < end; }
};

constexpr int kRuntimeRanges = 8;
Range program;
Range runtimes[kRuntimeRanges];  // libc, libstdc++, libgcc_s: their frames are passed through
int runtimeCount = 0;
std::atomic<bool> mapped{false};
std::atomic<uint64_t> ownCount{0}, totalCount{0};
thread_local bool inside = false;

bool IsRuntime(const char* name)
{
    const char* base = strrchr(name, '/');
    base = base ? base + 1 : name;
    return !strncmp(base, "libc.so", 7) || !strncmp(base, "libstdc++.so", 12) || !strncmp(base, "libgcc_s.so", 11);
}

int RecordObject(dl_phdr_info* info, size_t, void*)
{
    const bool isProgram = !info->dlpi_name || !info->dlpi_name[0];
    const bool isRuntime = !isProgram && IsRuntime(info->dlpi_name);
    if (!isProgram && (!isRuntime || runtimeCount == kRuntimeRanges))
        return 0;
    Range range{UINTPTR_MAX, 0};
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& header = info->dlpi_phdr[i];
        if (header.p_type != PT_LOAD || !(header.p_flags & PF_X))
            continue;
        const uintptr_t start = info->dlpi_addr + header.p_vaddr;
        range.begin = start < range.begin ? start : range.begin;
        range.end = start + header.p_memsz > range.end ? start + header.p_memsz : range.end;
    }
    if (isProgram)
        program = range;
    else
        runtimes[runtimeCount++] = range;
    return 0;
}

bool InRuntime(uintptr_t address)
{
    for (int i = 0; i < runtimeCount; ++i)
        if (runtimes[i].Holds(address))
            return true;
    return false;
}

struct Walk {
    int frames = 0;
    bool own = true;
};

// Runtime code (the C++ library, or its templates built into the program) also serves the libraries: the
// allocation is the program's only when no other library's frame stands between it and the program's start.
_Unwind_Reason_Code Step(_Unwind_Context* context, void* data)
{
    Walk& walk = *static_cast<Walk*>(data);
    const uintptr_t address = _Unwind_GetIP(context);
    if (!InRuntime(address) && !program.Holds(address)) {
        walk.own = false;
        return _URC_END_OF_STACK;
    }
    return ++walk.frames < 48 ? _URC_NO_REASON : _URC_END_OF_STACK;
}

void Count(uintptr_t caller)
{
    totalCount.fetch_add(1, std::memory_order_relaxed);
    if (inside || !mapped.load(std::memory_order_acquire))
        return;
    // Called straight from another library: not the program's, no need to look further.
    bool own = false;
    if (program.Holds(caller) || InRuntime(caller)) {
        inside = true;
        Walk walk;
        _Unwind_Backtrace(Step, &walk);
        own = walk.own;
        inside = false;
    }
    if (own)
        ownCount.fetch_add(1, std::memory_order_relaxed);
}

// Maps the program and the runtimes once every library has been loaded at start-up.
const bool ready = [] {
    dl_iterate_phdr(RecordObject, nullptr);
    mapped.store(true, std::memory_order_release);
    return true;
}();

}  // namespace

extern "C" {

__attribute__((noinline)) void* malloc(size_t size)
{
    Count(reinterpret_cast<uintptr_t>(__builtin_return_address(0)));
    return __libc_malloc(size);
}

__attribute__((noinline)) void* calloc(size_t count, size_t size)
{
    Count(reinterpret_cast<uintptr_t>(__builtin_return_address(0)));
    return __libc_calloc(count, size);
}

__attribute__((noinline)) void* realloc(void* pointer, size_t size)
{
    Count(reinterpret_cast<uintptr_t>(__builtin_return_address(0)));
    return __libc_realloc(pointer, size);
}

}  // extern "C"

bool AllocCountingAvailable() { return ready; }

AllocCounts AllocationsSoFar() { return {ownCount.load(), totalCount.load()}; }

#endif
