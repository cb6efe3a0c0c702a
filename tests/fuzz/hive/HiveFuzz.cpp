// Any bytes given to the hive parser: it must not crash, and what it accepts
// must come back the same through a write and a second parse, and through a
// merge into an empty hive.
#include "settings/Hive.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto hive = jostle::Hive::Parse(text);
    if (!hive) {
        return 0;
    }
    const std::string written = hive->Serialize();
    const auto again = jostle::Hive::Parse(written);
    jostle::Hive merged;
    merged.Merge(*hive);
    if (!again || again->Serialize() != written || merged.Serialize() != written) {
        std::abort();
    }
    return 0;
}
