// Bytes a plugin may write, followed by guard bytes it must leave alone: what
// the boundary hands over when the caller wants a breach of either seen.
#pragma once

#include <cstddef>
#include <cstring>
#include <vector>

namespace wdx {

class GuardedBuffer {
public:
    static constexpr size_t kGuardBytes = 16;
    static constexpr unsigned char kGuardByte = 0xA5;

    explicit GuardedBuffer(size_t size = 0) { Resize(size); }
    void Resize(size_t size) {
        m_size = size;
        m_bytes.assign(size + kGuardBytes, '\0');
        Rearm();
    }
    // Every byte the plugin may write set to fill, the guard bytes armed.
    void Prepare(unsigned char fill) {
        std::memset(m_bytes.data(), fill, m_size);
        Rearm();
    }
    char* Data() { return m_bytes.data(); }
    const char* Data() const { return m_bytes.data(); }
    size_t Size() const { return m_size; }
    // The guard bytes alone, after the plugin wrote over them.
    void Rearm() { std::memset(m_bytes.data() + m_size, kGuardByte, kGuardBytes); }
    // Compared byte by byte in place: no copy, nothing allocated, so it can
    // run inside a guarded loop.
    bool Overrun() const {
        for (size_t i = m_size; i < m_size + kGuardBytes; ++i)
            if (static_cast<unsigned char>(m_bytes[i]) != kGuardByte) return true;
        return false;
    }

private:
    size_t m_size = 0;
    std::vector<char> m_bytes;
};

}  // namespace wdx
