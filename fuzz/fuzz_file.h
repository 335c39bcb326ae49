#pragma once

// The fuzz input as a file on disk, for readers that open paths.

#include "liba/text.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace fuzz {

class TempFile {
public:
    TempFile(const uint8_t* data, size_t size)
    {
        char name[] = "/tmp/melodeck-fuzz-XXXXXX";
        int fd = ::mkstemp(name);
        if (fd >= 0) {
            size_t done = 0;
            while (done < size) {
                ssize_t n = ::write(fd, data + done, size - done);
                if (n <= 0)
                    break;
                done += size_t(n);
            }
            ::close(fd);
            m_name = name;
        }
    }
    ~TempFile()
    {
        if (!m_name.empty())
            ::unlink(m_name.c_str());
    }
    std::u16string path() const { return liba::from_utf8(m_name); }

private:
    std::string m_name;
};

} // namespace fuzz
