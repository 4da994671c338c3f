// The user's paper on Windows: the paper size of the user's regional format (Letter in the
// United States and Canada, A4 in most other places), which the user may also set apart.
#include "converter/options/paper_size.h"

#include <windows.h>

namespace quorlin {

PaperSize UsersPaperSize() {
  DWORD size = 0;
  if (::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_IPAPERSIZE | LOCALE_RETURN_NUMBER,
                        reinterpret_cast<LPWSTR>(&size), sizeof size / sizeof(wchar_t)) == 0)
    return kA4Paper;
  // The values the setting takes: DMPAPER_LETTER, _LEGAL, _A3 and _A4.
  switch (size) {
    case 1: return kLetterPaper;
    case 5: return *PaperSizeNamed("legal");
    case 8: return *PaperSizeNamed("a3");
    default: return kA4Paper;
  }
}

}  // namespace quorlin
