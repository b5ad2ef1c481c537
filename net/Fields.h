#pragma once
// Taking a message's fields apart: "+"-separated text, strict decimal numbers.

#include <optional>
#include <string_view>
#include <vector>

namespace net
{

// "a+b+" -> {"a", "b", ""}; "" -> {""}.
std::vector<std::string_view> splitFields(std::string_view rest);

// The text after the first `n` fields and their "+" separators: the "rest"
// field of messages whose last field may itself contain "+". Empty when there
// are fewer fields.
std::string_view fieldsAfter(std::string_view rest, std::size_t n);

// Field `index` of `rest`, or nothing when it is missing.
std::optional<std::string_view> fieldAt(std::string_view rest, std::size_t index);

// Strict decimal integer: optional sign, then at least one digit and nothing
// else; no blanks, no overflow of int.
std::optional<int> parseInt(std::string_view text);

// Field `index` of `rest` as a number from `lo` to `hi`, or nothing.
std::optional<int> intAt(std::string_view rest, std::size_t index, int lo, int hi);

} // namespace net
