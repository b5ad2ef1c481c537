#pragma once
// The name a player joins or hosts with: what the host takes (at most 100
// bytes, never empty), and the one offered before the player has typed any.

#include <string>
#include <string_view>

namespace app
{

enum class NameProblem { None, Empty, TooLong };

// Blanks around a name are never part of it.
std::string trimmedName(std::string_view name);
NameProblem nameProblem(std::string_view name);
// The sentence a dialog shows for a problem.
std::string nameProblemText(NameProblem problem);

// The login's full name from its GECOS field (the part before the first
// comma, with "&" standing for the capitalised login name), else the login
// name, else "You"; cut to fit the host's limit without splitting a letter.
std::string defaultPlayerName(std::string_view gecos, std::string_view loginName);
// The same for whoever runs this program.
std::string loginPlayerName();

} // namespace app
