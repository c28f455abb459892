// A file in memory (/dev/shm) holding the fuzz input, for loaders that open files by name.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// The path of a file whose contents are now data[0, size); removed when the process exits.
inline const char* MemoryFile(const uint8_t* data, size_t size)
{
    static const std::string path = "/dev/shm/korvale-fuzz-" + std::to_string(getpid());
    static const int fd = [] {
        int opened = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
        std::atexit([] { remove(path.c_str()); });
        return opened;
    }();
    if (fd < 0 || ftruncate(fd, 0) != 0 || (size > 0 && pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)))
        std::abort();
    return path.c_str();
}
