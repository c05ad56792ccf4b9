#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tmx::protocol
{

/** Decimal text of a number, '-' for negatives, no leading zeros (same text as std::to_string). */
std::string toDecimalString(int value);

/** Upper-case "AA:BB:CC:DD:EE:FF" from any text holding exactly 12 hex digits; empty otherwise. */
std::string normaliseMacAddress(std::string_view text);

/** Six bytes from a text holding exactly 12 hex digits (separators ignored); six zeros otherwise. */
void parseMacAddress(const std::string& text, uint8_t out[6]);

} // namespace tmx::protocol
