#include "memory/Prefault.h"

#include <cstdint>
#if __has_include(<sys/mman.h>)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace lantern {

void Prefault(void* memory, size_t bytes) {
#if defined(MADV_POPULATE_WRITE)
    if (memory == nullptr || bytes == 0)
        return;
    static const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    // From the start of the first page: back by the offset into it.
    const size_t offset = reinterpret_cast<uintptr_t>(memory) & (page - 1);
    // A failure (an older kernel) only leaves the pages to be faulted in as they are used.
    (void)madvise(static_cast<char*>(memory) - offset, bytes + offset, MADV_POPULATE_WRITE);
#else
    (void)memory;
    (void)bytes;
#endif
}

} // namespace lantern
