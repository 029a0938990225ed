// Points the program's name resolution at a hosts file for the life of a test.
#pragma once

#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

class ScopedHostsFile {
public:
    explicit ScopedHostsFile(const std::string& text) {
        char pattern[] = "/tmp/quillnest-hosts-XXXXXX";
        int fd = mkstemp(pattern);
        if (fd >= 0) close(fd);
        path_ = pattern;
        std::ofstream(path_, std::ios::binary) << text;
        setenv("QUILLNEST_HOSTS", path_.c_str(), 1);
    }
    ~ScopedHostsFile() {
        unsetenv("QUILLNEST_HOSTS");
        unlink(path_.c_str());
    }
    ScopedHostsFile(const ScopedHostsFile&) = delete;
    ScopedHostsFile& operator=(const ScopedHostsFile&) = delete;

private:
    std::string path_;
};
