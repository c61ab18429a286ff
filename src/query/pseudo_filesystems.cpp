#include "query/pseudo_filesystems.h"

namespace tavrix {

bool IsPseudoFileSystem(const MountRecord& record) {
    return record.SizeAsPrinted <= 0;
}

std::string PseudoFileSystemSummary() {
    return {};
}

}  // namespace tavrix
