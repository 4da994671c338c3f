// The time one message may take before its conversion fails, in whole seconds: the
// window's "TimeLimit" setting and the command's --timeout read it by the same rule.
#pragma once

#include <QString>
#include <optional>

namespace time_limit {
constexpr int kDefaultSeconds = 120;
constexpr int kLowestSeconds = 1;
constexpr int kHighestSeconds = 86400;
}  // namespace time_limit

// The seconds the text gives, a whole number from 1 to 86400 (surrounding blanks allowed),
// or nothing.
std::optional<int> ParseTimeLimit(const QString& text);
