#include "platform/db/GrowBuffer.h"

#include <sys/mman.h>
#include <unistd.h>

namespace txl::db::growbuffer {

namespace {

// Makes the pages of [at, at + bytes) at once; where the system cannot, they fault in as written.
void populate(void *at, std::size_t bytes) noexcept {
#ifdef MADV_POPULATE_WRITE
    if (bytes > 0)
        ::madvise(at, bytes, MADV_POPULATE_WRITE);
#else
    (void)at;
    (void)bytes;
#endif
}

}   // namespace

std::size_t pages(std::size_t bytes) {
    static const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    return (bytes + page - 1) / page * page;
}

void *map(std::size_t bytes) noexcept {
    void *data = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (data == MAP_FAILED)
        return nullptr;
    populate(data, bytes);
    return data;
}

void *remap(void *data, std::size_t from, std::size_t to) noexcept {
    void *moved = ::mremap(data, from, to, MREMAP_MAYMOVE);
    if (moved == MAP_FAILED)
        return nullptr;
    if (to > from)
        populate(static_cast<char *>(moved) + from, to - from);
    return moved;
}

void unmap(void *data, std::size_t bytes) noexcept {
    ::munmap(data, bytes);
}

}   // namespace txl::db::growbuffer
