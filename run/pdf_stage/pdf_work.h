// One message's work for the PDF stage: the documents the converter made of it, as a tree
// its description drew (the "describe" records, converter/serve_protocol.h), in the order
// they are made into PDFs: each after the documents of the messages inside it.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "pdf/pdf_renderer.h"

// What a PDF's metadata says: the message's whole subject, its sender, when it was sent.
struct PdfFacts {
  std::string subject;
  std::string sender;
  std::optional<std::int64_t> sent;  // seconds since 1970, UTC
};

// One document of the message: its own or an embedded message's.
struct PdfDocument {
  std::string document;            // the converter's document
  PdfFacts facts;                  // its message's
  std::vector<std::string> saved;  // the attachment files saved for it, in order
  // The documents of the messages embedded in it, as places in PdfWork::documents (each
  // before this one).
  std::vector<std::size_t> embedded;
};

// Everything the converter made of one message inside `scratch` (a folder of the run's own,
// removed when the work is done).
struct PdfWork {
  std::size_t index = 0;  // the run's job
  std::string source;     // the message file (carried as the PDF's source)
  std::string scratch;    // the work's private folder
  std::string target;     // the final PDF
  bool replace = false;   // the target may replace a file there
  // Each document after those embedded in it; the message's own last.
  std::vector<PdfDocument> documents;
  // The user's paper, which every page of every PDF of the message takes; nothing keeps
  // the pages the documents state.
  std::optional<lorvane_pdf::PaperMillimetres> paper;
  std::chrono::steady_clock::time_point deadline;
};

// Reads a conversion's description into `work`: the documents below `document` (the
// message's own) and the paper. A record out of place (an end with nothing open) is passed
// over; documents left open at the end are closed.
void ReadDescription(const std::vector<std::pair<std::string, std::string>>& records, const std::string& document,
                     PdfWork& work);
