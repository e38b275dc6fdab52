// On Windows nothing is signed (no Ed25519 there), and signing is the only
// reader of a second pass over a download, so no scratch file is made.
#include "app/spool.h"

namespace orv {

Spool::~Spool() { close(); }

bool Spool::open(std::string& error) {
    error = "no scratch file on Windows: downloads are read once, as nothing is signed there";
    return false;
}

bool Spool::write(std::string_view, std::string& error) {
    error = "no scratch file is open";
    return false;
}

bool Spool::map(std::string_view& content, std::string& error) {
    content = {};
    error = "no scratch file is open";
    return false;
}

void Spool::close() {}

}  // namespace orv
