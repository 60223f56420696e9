#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

namespace txl::db {

// A growing array of plain values that is never copied as it grows. A small one lives on the heap;
// a large one in pages of its own that grow and shrink by remapping, made in one call each time
// instead of one fault per page (a fault is dear in a virtual machine). std::vector would copy the
// whole of it at every doubling and once more to give the slack back.
template <typename T>
class GrowBuffer {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    GrowBuffer() = default;
    ~GrowBuffer() { release(); }
    GrowBuffer(const GrowBuffer &) = delete;
    GrowBuffer &operator=(const GrowBuffer &) = delete;

    std::size_t size() const { return m_size; }
    std::size_t capacity() const { return m_bytes / sizeof(T); }
    const T *data() const { return m_data; }
    const T &operator[](std::size_t i) const { return m_data[i]; }

    void push_back(T value) {
        if (m_size == capacity())
            grow(m_size + 1);
        m_data[m_size++] = value;
    }
    void append(const T *values, std::size_t count) {
        if (count == 0)
            return;
        if (m_size + count > capacity())
            grow(m_size + count);
        std::memcpy(m_data + m_size, values, count * sizeof(T));
        m_size += count;
    }
    // Only ever shrinks: what is dropped is forgotten.
    void truncate(std::size_t size) {
        if (size < m_size)
            m_size = size;
    }
    // Empty, keeping the room for what comes next.
    void clear() { m_size = 0; }
    // Hands the room beyond the values back.
    void shrinkToFit() { resize(m_size * sizeof(T)); }
    // Empty, and the memory handed back.
    void release() noexcept;

private:
    void grow(std::size_t needed) {
        std::size_t bytes = m_bytes ? m_bytes * 2 : 4096;
        while (bytes < needed * sizeof(T))
            bytes *= 2;
        resize(bytes);
    }
    void resize(std::size_t bytes);

    T *m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_bytes = 0;   // the room
    bool m_mapped = false;     // pages of its own rather than the heap
};

namespace growbuffer {
// Blocks from this size on get pages of their own.
inline constexpr std::size_t MappedFrom = 256 * 1024;
// Pages for `bytes` (a multiple of the page size), written in; null when there are none.
void *map(std::size_t bytes) noexcept;
// `data` of `from` mapped bytes as `to` bytes, perhaps moved; the new room is made at once.
void *remap(void *data, std::size_t from, std::size_t to) noexcept;
void unmap(void *data, std::size_t bytes) noexcept;
std::size_t pages(std::size_t bytes);
}   // namespace growbuffer

template <typename T>
void GrowBuffer<T>::release() noexcept {
    if (m_mapped)
        growbuffer::unmap(m_data, m_bytes);
    else
        std::free(m_data);
    m_data = nullptr;
    m_size = m_bytes = 0;
    m_mapped = false;
}

template <typename T>
void GrowBuffer<T>::resize(std::size_t bytes) {
    if (bytes == 0) {
        release();
        return;
    }
    void *moved = nullptr;
    if (m_mapped && bytes >= growbuffer::MappedFrom) {
        bytes = growbuffer::pages(bytes);
        moved = growbuffer::remap(m_data, m_bytes, bytes);
    } else if (!m_mapped && bytes < growbuffer::MappedFrom) {
        moved = std::realloc(m_data, bytes);
    } else {
        // Between the heap and pages of its own: the one copy.
        const std::size_t to = bytes >= growbuffer::MappedFrom ? growbuffer::pages(bytes) : bytes;
        moved = to >= growbuffer::MappedFrom ? growbuffer::map(to) : std::malloc(to);
        if (moved) {
            std::memcpy(moved, m_data, m_size * sizeof(T));
            const std::size_t size = m_size;
            release();
            m_size = size;
            m_mapped = to >= growbuffer::MappedFrom;
        }
        bytes = to;
    }
    if (!moved)
        throw std::bad_alloc();
    m_data = static_cast<T *>(moved);
    m_bytes = bytes;
}

}   // namespace txl::db
