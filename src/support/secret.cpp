#include "support/secret.h"

namespace tavrix {

void Wipe(std::string& secret) {
    WipeBytes(secret.data(), secret.size());
    secret.clear();
}

void WipeBytes(void* bytes, std::size_t size) {
    volatile auto* each = static_cast<unsigned char*>(bytes);
    for (std::size_t i = 0; i < size; ++i) {
        each[i] = 0;
    }
}

}  // namespace tavrix
