// The form-description reader over arbitrary text: a description parses or
// raises EParserError, nothing else.
#include <cstdint>
#include <string>
#include <vector>

#include "toolkit/forms/FormReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string text(reinterpret_cast<const char *>(data), size);
    // Names starting with "X" are unknown resources; the others resolve.
    auto resolve = [](const std::string &name, std::vector<std::uint8_t> &bytes) {
        if (!name.empty() && name[0] == 'X')
            return false;
        bytes.assign(name.begin(), name.end());
        return true;
    };
    try {
        TObjectDesc d = ParseFormDescription(text, resolve);
        for (const TEventBinding &b : EventBindings(d))
            if (b.Handler.empty() || b.Event.size() < 3)
                __builtin_trap();
    } catch (const EParserError &) {
    }
    return 0;
}
