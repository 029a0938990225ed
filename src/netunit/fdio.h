// Reads and writes on a file descriptor that ride out interruptions and
// short writes.
#pragma once

#include <sys/types.h>

#include <cstddef>

namespace netunit {

// read(2), repeated while a signal interrupts it.
ssize_t ReadRetrying(int fd, void* buffer, size_t size);

// Writes every byte, resuming after short writes; false on any failure.
bool WriteAll(int fd, const void* data, size_t size);

}  // namespace netunit
