// The project that New Project builds when there is no template: seven
// languages, Czech and English shown, and one empty string item.
#pragma once

#include <array>
#include <string_view>

class TResProject;

inline constexpr std::array<std::string_view, 7> kDefaultLanguageIds = {"CZ", "EN", "DE", "FR", "PL", "RU", "SK"};

// Appends the default languages; only CZ and EN are visible.
void AddDefaultLanguages(TResProject& project);
// The default languages and the first item, unmodified.
void BuildDefaultProject(TResProject& project);
