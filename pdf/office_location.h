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

// "PDF documents need LibreOffice Writer: install the package libreoffice-writer-nogui."
std::string MissingLibreOfficeReason();
// The same for the Python bridge: names the package python3-uno.
std::string MissingUnoReason();

}  // namespace lorvane_pdf
