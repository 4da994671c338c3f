// What a converter leaves when it is ended part way (a time-out, a stop, a crash), so the
// one who ended it can remove it. The hidden temporary file a converter writes a document
// through before it renames it into place: ".<document name>.<hex digits>.tmp" in the
// document's folder, the name cut to its first 100 bytes when longer. And the journal of
// the conversion (converter/base/output_journal.h), which lists what else it made.
#pragma once

#include <string>

// The part every temporary file of the document begins with: its folder, "/.", and the
// first 100 bytes of its name. Two documents that share it could share temporary names.
std::string ConverterTemporaryStem(const std::string& document);

// True when `name` (an entry of the document's folder) is a temporary file of the document.
bool IsConverterTemporary(const std::string& document, const std::string& name);

// Removes every temporary file of the document; the document itself is never touched.
void RemoveConverterTemporaries(const std::string& document);

// True when `name` (an entry of the document's folder) is a journal a converter keeps while
// it converts the document: ".<document name, first 100 bytes>.<hex digits>.journal".
bool IsConverterJournal(const std::string& document, const std::string& name);

// What a converter that was ended in the middle of the document asked for at `document`
// left behind, all of it removed: each of its journals names what the conversion made
// (saved attachments, embedded documents, their folders, named temporary files, the
// document itself when it took a numbered name), each journal goes after it, then the
// document's temporary files (RemoveConverterTemporaries). A folder goes only once it is
// empty, a name only while it is still the file the converter made, so nothing of anyone
// else's is touched. The engine calls this for the job of a converter it ended.
void RemoveConversionLeftovers(const std::string& document);

// For a converter ended after it had put the finished document in place: its journals and
// temporary files go, what the journals name stays (it belongs to the finished document).
void RemoveConverterJournals(const std::string& document);
