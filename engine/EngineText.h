// The engine's texts and number conversions, as free functions so that each
// can be checked on its own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace jostle {

// "%2d:%2d" of minutes and seconds, with a blank tens digit of the seconds
// shown as '0': 1500 gives "25:00", 307 gives " 5:07".
std::string FormatCountdown(int remainingSeconds);

// "%d seconds" below 120 seconds, else "%d minutes"; right across one wrap of
// the 32-bit tick count.
std::string TimeSinceLaunchText(std::uint32_t nowTick, std::uint32_t launchTick);

// The keep-alive request with the machine's own address as its Host header.
std::string BuildRequest(const std::string& localAddress);

// The period in seconds for a period text, or nothing when the text is not a
// number of whole minutes between 1 and 60. Debug mode accepts any text and
// gives 15 seconds.
std::optional<int> PeriodSecondsFromText(const std::string& text, bool debug);

// The whole number at the start of text ("%d"; 0 when there is none), capped
// at 60, times 60. Never overflows.
int ProvisionalPeriodSeconds(const std::string& text);

// Index of the first entry equal to name, ignoring ASCII letter case; -1 if none.
int FindIgnoringCase(const std::vector<std::string>& names, const std::string& name);

// IPv4 address (network byte order) as dotted text, and back; text that is no
// valid dotted address gives 255.255.255.255.
std::string DottedAddress(std::uint32_t address);
std::uint32_t ParseDottedAddress(const std::string& text);

bool StartsWithDigit(const std::string& text);

// Adds one; a counter stops at its largest value instead of wrapping round.
void CountOne(int& counter);

} // namespace jostle
