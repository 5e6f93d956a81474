#include "link/value_lock.h"

#include <cstring>

namespace varnok {

std::mutex& ValueBufferLock() {
    static std::mutex lock;
    return lock;
}

void CopyValue(void* destination, const void* source, std::size_t size) {
    if (size == 0) {
        return;
    }
    std::lock_guard guard(ValueBufferLock());
    std::memcpy(destination, source, size);
}

}  // namespace varnok
