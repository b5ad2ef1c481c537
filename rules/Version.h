#pragma once
// What two copies must agree on to play together: the port they meet on and
// the version text they compare at login (also the About window's version).

#include <string_view>

namespace rules
{

inline constexpr std::string_view kVersion = "1.0.13";
inline constexpr int kGamePort = 7772;

} // namespace rules
