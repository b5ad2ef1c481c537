#pragma once
// Colours as the settings file and the chat payload spell them: a colour
// name ("clBlack", any case) or "$" and hexadecimal digits of a 0x00BBGGRR value.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace app
{

// 0x00BBGGRR; nothing when the text is not a colour we can show.
std::optional<std::uint32_t> parseColorText(std::string_view text);

// The name when the colour has one ("clBlack"), else "$00BBGGRR" in upper case.
std::string colorText(std::uint32_t bgr);

} // namespace app
