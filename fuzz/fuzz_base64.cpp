// Any text decodes or fails cleanly; whatever encodes decodes back unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "support/base64.h"
#include "support/failure.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        const std::string decoded = tavrix::Base64Decode(text);
        if (decoded.size() > text.size()) {
            std::abort();
        }
    } catch (const tavrix::Failure&) {
    }
    if (tavrix::Base64Decode(tavrix::Base64Encode(text)) != text) {
        std::abort();
    }
    return 0;
}
