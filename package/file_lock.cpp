#include "package/file_lock.h"

namespace orv {

bool changedSince(const FileIdentity& whenRead, const FileIdentity& now) {
    return whenRead.exists && now.exists && !(whenRead == now);
}

}  // namespace orv
