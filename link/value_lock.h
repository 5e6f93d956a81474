// Answer data reaches the program-wide value buffers on the worker thread
// while the main thread may be reading them. Both sides copy under this one
// lock, so a reader never sees a value half written.
#pragma once

#include <cstddef>
#include <mutex>

namespace varnok {

std::mutex& ValueBufferLock();

// Copies `size` bytes under ValueBufferLock. Use it to read a value buffer
// that a read request may be filling.
void CopyValue(void* destination, const void* source, std::size_t size);

}  // namespace varnok
