// The hidden temporary file a converter writes a document through before it renames it
// into place: ".<document name>.<hex digits>.tmp" in the document's folder, the name cut to
// its first 100 bytes when longer. A converter that is ended (a time-out, a stop, a crash)
// never renames it, so the one who ended it removes it.
#pragma once

#include <string>

// The part every temporary file of the document begins with: its folder, "/.", and the
// first 100 bytes of its name. Two documents that share it could share temporary names.
std::string ConverterTemporaryStem(const std::string& document);

// True when `name` (an entry of the document's folder) is a temporary file of the document.
bool IsConverterTemporary(const std::string& document, const std::string& name);

// Removes every temporary file of the document; the document itself is never touched.
void RemoveConverterTemporaries(const std::string& document);
