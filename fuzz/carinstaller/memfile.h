// The fuzz input as a real file (in memory), so the code under test reads it
// through the same stdio calls and file-size query as it reads a disk file.
#ifndef FUZZ_MEMFILE_H
#define FUZZ_MEMFILE_H

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

class MemFile {
public:
    MemFile(const uint8_t *data, size_t size)
    {
        fd_ = memfd_create("fuzz", 0);
        if (fd_ >= 0 && write(fd_, data, size) == static_cast<ssize_t>(size))
            path_ = "/proc/self/fd/" + std::to_string(fd_);
    }
    ~MemFile()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    // A path that opens the input; empty when it could not be made.
    const std::string &path() const { return path_; }

private:
    int fd_ = -1;
    std::string path_;
};

#endif
