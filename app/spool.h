// A private scratch file for bytes that must be read twice, such as a
// download that is signed after it has been hashed: unnamed where the
// system allows (so nothing else can open it), removed as soon as it is
// made otherwise, and gone when it is closed or the program ends. It lives
// in the temporary folder ($TMPDIR, else /tmp).
#pragma once

#include <string>
#include <string_view>

namespace orv {

class Spool {
public:
    Spool() = default;
    ~Spool();
    Spool(const Spool&) = delete;
    Spool& operator=(const Spool&) = delete;

    // False, with the reason in `error`, when no scratch file can be made.
    bool open(std::string& error);
    // Appends; false with the reason (a full disk, say).
    bool write(std::string_view bytes, std::string& error);
    // Everything written, mapped for reading until close. False with the
    // reason when it cannot be mapped.
    bool map(std::string_view& content, std::string& error);
    void close();

private:
    int fd_ = -1;
    void* mapped_ = nullptr;
    size_t size_ = 0;
};

}  // namespace orv
