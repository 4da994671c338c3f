// Where LibreOffice and the Python that speaks to it are found on this machine, and the one
// sentence a PDF run fails with when either is missing.
#pragma once

#include <string>

namespace lorvane_pdf {

// The path of LibreOffice's `soffice`, or empty when LibreOffice is not installed. Looks at
// the LORVANE_SOFFICE variable first (a path), then the PATH, then the usual install folders.
std::string FindLibreOffice();

// A Python interpreter that can import LibreOffice's `uno` module: the one LibreOffice
// carries beside `soffice`, else the system's python3. Empty when none can.
std::string FindUnoPython(const std::string& office);
// The same, asked once per office for the whole process (several renderers start at once).
std::string CachedUnoPython(const std::string& office);

// What a PDF run checks at its start: empty when LibreOffice and its Python bridge are
// installed, else the one sentence the run fails with (MissingLibreOfficeReason or
// MissingUnoReason). Starts Python once to find out; the answer is kept for the process.
std::string OfficeMissingReason();

// "PDF documents need LibreOffice Writer: install the package libreoffice-writer-nogui."
std::string MissingLibreOfficeReason();
// The same for the Python bridge: names the package python3-uno.
std::string MissingUnoReason();

}  // namespace lorvane_pdf
