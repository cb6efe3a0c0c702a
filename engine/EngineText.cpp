#include "engine/EngineText.h"

#include "base/Text.h"
#include "engine/SettingsKeys.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <netinet/in.h>

namespace jostle {

namespace {

constexpr const char* kRequestHead = "GET / HTTP/1.0\r\nConnection: Keep-Alive\r\n"
                                     "User-Agent: Mozilla/3.0 (Win95; I)\r\nHost: ";
constexpr const char* kRequestTail = "\r\nAccept: image/gif, image/jpeg, */*\r\n\r\n";

constexpr int kDebugPeriodSeconds = 15;
constexpr int kSecondsPerMinute = 60;

// The number at the start of text, after blanks; nothing when there is none
// or it is beyond float.
std::optional<float> LeadingFloat(const std::string& text) {
    std::size_t start = 0;
    while (start < text.size() && IsWhiteSpace(text[start])) {
        ++start;
    }
    if (start < text.size() && text[start] == '+') {
        ++start; // "%f" takes a plus sign, from_chars does not
    }
    float value = 0.0F;
    const auto [end, error] =
        std::from_chars(text.data() + start, text.data() + text.size(), value);
    if (error != std::errc()) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::string FormatCountdown(int remainingSeconds) {
    char text[32] = {};
    std::snprintf(text, sizeof text, "%2d:%2d", remainingSeconds / kSecondsPerMinute,
                  remainingSeconds % kSecondsPerMinute);
    if (text[3] == ' ') {
        text[3] = '0';
    }
    return text;
}

std::string TimeSinceLaunchText(std::uint32_t nowTick, std::uint32_t launchTick) {
    const std::uint32_t elapsed = (nowTick - launchTick) / 1000U;
    constexpr std::uint32_t kShowMinutesFrom = 120;
    char text[32] = {};
    if (elapsed < kShowMinutesFrom) {
        std::snprintf(text, sizeof text, "%u seconds", elapsed);
    } else {
        std::snprintf(text, sizeof text, "%u minutes", elapsed / kSecondsPerMinute);
    }
    return text;
}

std::string BuildRequest(const std::string& localAddress) {
    return kRequestHead + localAddress + kRequestTail;
}

std::optional<int> PeriodSecondsFromText(const std::string& text, bool debug) {
    if (debug) {
        return kDebugPeriodSeconds;
    }
    // Read like "%f" (blanks skipped, the rest ignored), but whatever the C
    // locale says about the decimal point, and judged before any conversion
    // to int, so "nan", "inf" and huge numbers are simply rejected.
    const std::optional<float> read = LeadingFloat(text);
    if (!read || !std::isfinite(*read)) {
        return std::nullopt;
    }
    const float minutes = *read;
    if (minutes < static_cast<float>(setting::kPeriodLowestMinutes) ||
        minutes >= static_cast<float>(setting::kPeriodHighestMinutes + 1)) {
        return std::nullopt;
    }
    return static_cast<int>(static_cast<double>(minutes) * kSecondsPerMinute);
}

int ProvisionalPeriodSeconds(const std::string& text) {
    const char* start = text.c_str();
    char* end = nullptr;
    const long number = std::strtol(start, &end, 10); // saturates instead of overflowing
    if (end == start) {
        return 0;
    }
    constexpr long kLowest = INT_MIN / kSecondsPerMinute;
    const long minutes =
        std::clamp(number, kLowest, static_cast<long>(setting::kPeriodHighestMinutes));
    return static_cast<int>(minutes) * kSecondsPerMinute;
}

int FindIgnoringCase(const std::vector<std::string>& names, const std::string& name) {
    const auto found = std::find_if(names.begin(), names.end(), [&](const std::string& entry) {
        return EqualsNoCase(entry, name);
    });
    return found == names.end() ? -1 : static_cast<int>(found - names.begin());
}

std::string DottedAddress(std::uint32_t address) {
    in_addr raw{};
    raw.s_addr = address;
    char text[INET_ADDRSTRLEN] = {};
    if (::inet_ntop(AF_INET, &raw, text, sizeof text) == nullptr) {
        return "";
    }
    return text;
}

std::uint32_t ParseDottedAddress(const std::string& text) {
    return ::inet_addr(text.c_str());
}

bool StartsWithDigit(const std::string& text) {
    return !text.empty() && std::isdigit(static_cast<unsigned char>(text.front())) != 0;
}

void CountOne(int& counter) {
    if (counter < std::numeric_limits<int>::max()) {
        ++counter;
    }
}

} // namespace jostle
