// The paper the user's documents are laid out on, as the user's system states it: the
// locale's territory (LC_ALL, else LC_PAPER, else LANG: Letter in the United States and
// Canada, A4 elsewhere), else the system's paper file (/etc/papersize), else A4; on Windows
// the paper of the user's regional format. Everything else reads the paper from
// ConversionOptions.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quorlin {

struct PaperSize {
  int width_twips = 12240;   // 8.5 inches
  int height_twips = 15840;  // 11 inches
  bool operator==(const PaperSize&) const = default;
};

inline constexpr PaperSize kLetterPaper{12240, 15840};
inline constexpr PaperSize kA4Paper{11906, 16838};

// The paper a name of /etc/papersize stands for ("a4", "letter", "legal", "a3", "a5";
// any case, spaces around); nothing for another name.
std::optional<PaperSize> PaperSizeNamed(std::string_view name);

// The paper a locale name's territory uses ("de_DE.UTF-8" A4, "en_US" Letter, "fr_CA@x"
// Letter); nothing for a name without a territory ("C", "POSIX", "en").
std::optional<PaperSize> PaperSizeOfLocale(std::string_view locale);

// The paper from what the system states: `variable` gives an environment variable's value
// (nothing when unset), `paper_file` the first line of the system's paper file (nothing
// when it is absent).
PaperSize FindPaperSize(const std::function<std::optional<std::string>(const char*)>& variable,
                        const std::optional<std::string>& paper_file);

// The paper of this process's user: its environment and /etc/papersize
// (paper_size_posix.cpp), or the user's regional format (paper_size_windows.cpp).
PaperSize UsersPaperSize();

// The paper as one line, "WIDTH HEIGHT" in twips, and back (nothing for a line that is not
// two sizes between 1 and 22 inches).
std::string PaperSizeText(const PaperSize& paper);
std::optional<PaperSize> ParsePaperSizeText(std::string_view text);

}  // namespace quorlin
