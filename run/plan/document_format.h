// What the documents are saved as: RTF text with a ".doc" name (the default), or one
// archival PDF/A-3b file per message (run/pdf_stage/pdf_stage.h). The window's "Save as:" box, its
// "Format" setting and `lorvane convert --format` all name it by the same words.
#pragma once

#include <QString>
#include <optional>

enum class DocumentFormat { kDoc, kPdf };

// "doc" or "pdf": the setting's value and the command's word.
QString FormatWord(DocumentFormat format);
// The format a word names, in any case; nothing for another word.
std::optional<DocumentFormat> FormatForWord(const QString& word);
// ".doc" or ".pdf".
QString FormatExtension(DocumentFormat format);
// Why documents of this format cannot be made on this machine, in one sentence that names
// the package to install; empty when they can (a ".doc" always can).
QString FormatMissingReason(DocumentFormat format);
