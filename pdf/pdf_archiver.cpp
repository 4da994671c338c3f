// Rewriting the rendered PDF with libqpdf: the Info dictionary and XMP packet made from the
// same facts, the associated files streamed from disk (never held whole in memory), and
// the result written through the one all-or-nothing writer (output_file.h).
#include "pdf/pdf_archiver.h"

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFEFStreamObjectHelper.hh>
#include <qpdf/QPDFEmbeddedFileDocumentHelper.hh>
#include <qpdf/QPDFFileSpecObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <set>
#include <stdexcept>

#include "pdf/carried_file_links.h"
#include "pdf/mime_types.h"
#include "pdf/output_file.h"
#include "pdf/xmp_metadata.h"

namespace lorvane_pdf {
namespace {

namespace fs = std::filesystem;
using TimePoint = std::chrono::system_clock::time_point;

struct Associated {
  const ArchivedFile* file;
  const char* relationship;  // "/Source" or "/Data"
  const char* description;
};

// "a.txt", then "a (2).txt", "a (3).txt" for the same name again.
std::string UniqueName(std::string name, std::set<std::string>& used) {
  if (used.insert(name).second) return name;
  const std::size_t dot = name.rfind('.');
  const std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
  const std::string extension = stem.size() == name.size() ? std::string() : name.substr(dot);
  for (int n = 2;; ++n) {
    std::string candidate = stem + " (" + std::to_string(n) + ")" + extension;
    if (used.insert(candidate).second) return candidate;
  }
}

std::string TextOf(QPDFObjectHandle dictionary, const char* key) {
  if (!dictionary.isDictionary()) return {};
  QPDFObjectHandle value = dictionary.getKey(key);
  return value.isString() ? value.getUTF8Value() : std::string();
}

// The file's bytes, read in pieces each time the writer asks.
std::function<void(Pipeline*)> FileBytes(const std::string& path) {
  return [path](Pipeline* pipeline) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) throw std::runtime_error("cannot read " + path + ": " + std::strerror(errno));
    unsigned char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) pipeline->write(buffer, n);
    const bool failed = std::ferror(file);
    std::fclose(file);
    if (failed) throw std::runtime_error("cannot read " + path);
    pipeline->finish();
  };
}

QPDFObjectHandle FileEntry(QPDF& pdf, const Associated& associated, const std::string& name, TimePoint modified) {
  QPDFEFStreamObjectHelper stream = QPDFEFStreamObjectHelper::createEFStream(pdf, FileBytes(associated.file->path));
  stream.setSubtype(MimeTypeForName(name));
  stream.setModDate(PdfDate(modified));
  QPDFFileSpecObjectHelper entry = QPDFFileSpecObjectHelper::createFileSpec(pdf, name, stream);
  entry.setDescription(associated.description);
  QPDFObjectHandle handle = entry.getObjectHandle();
  handle.replaceKey("/AFRelationship", QPDFObjectHandle::newName(associated.relationship));
  return handle;
}

void SetFacts(QPDF& pdf, const DocumentFacts& facts) {
  QPDFObjectHandle info = QPDFObjectHandle::newDictionary();
  auto text = [&info](const char* key, const std::string& value) {
    if (!value.empty()) info.replaceKey(key, QPDFObjectHandle::newUnicodeString(value));
  };
  text("/Title", facts.title);
  text("/Author", facts.author);
  text("/Creator", facts.creator);
  text("/Producer", facts.producer);
  info.replaceKey("/CreationDate", QPDFObjectHandle::newString(PdfDate(facts.created)));
  info.replaceKey("/ModDate", QPDFObjectHandle::newString(PdfDate(facts.modified)));
  pdf.getTrailer().replaceKey("/Info", pdf.makeIndirectObject(info));
  // LibreOffice's digest of the document it wrote no longer describes this one.
  pdf.getTrailer().removeKey("/DocChecksum");

  QPDFObjectHandle metadata = QPDFObjectHandle::newStream(&pdf, XmpPacket(facts));
  metadata.getDict().replaceKey("/Type", QPDFObjectHandle::newName("/Metadata"));
  metadata.getDict().replaceKey("/Subtype", QPDFObjectHandle::newName("/XML"));
  pdf.getRoot().replaceKey("/Metadata", metadata);
}

}  // namespace

bool Archive(const ArchiveInput& in, std::string& failure) {
  std::vector<Associated> files;
  // An embedded message's PDF has no file of its own to carry.
  if (!in.message.path.empty()) files.push_back({&in.message, "/Source", "The original message"});
  for (const ArchivedFile& file : in.attachments) files.push_back({&file, "/Data", "Attachment"});
  for (const ArchivedFile& file : in.embeddedPdfs) files.push_back({&file, "/Data", "Embedded message"});
  // Each file must be there to read before anything is written.
  std::vector<TimePoint> modified;
  for (const Associated& associated : files) {
    struct stat about {};
    std::FILE* probe = std::fopen(associated.file->path.c_str(), "rb");
    if (!probe || ::fstat(::fileno(probe), &about) != 0 || !S_ISREG(about.st_mode)) {
      failure = "cannot read " + associated.file->path + ": " + (probe ? "not a regular file" : std::strerror(errno));
      if (probe) std::fclose(probe);
      return false;
    }
    std::fclose(probe);
    modified.push_back(std::chrono::system_clock::from_time_t(about.st_mtim.tv_sec));
  }

  const TimePoint now = std::chrono::system_clock::now();
  quorlin::AtomicFile output(in.target, kOutputFileWay);
  try {
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.processFile(in.renderedPdf.c_str());

    QPDFObjectHandle oldInfo = pdf.getTrailer().getKey("/Info");
    DocumentFacts facts;
    facts.title = CleanText(in.subject);
    facts.author = CleanText(in.sender);
    facts.creator = CleanText(TextOf(oldInfo, "/Creator"));
    facts.producer = CleanText(TextOf(oldInfo, "/Producer"));
    facts.created = in.sent.value_or(now);
    facts.modified = now;
    SetFacts(pdf, facts);

    QPDFEmbeddedFileDocumentHelper embedded(pdf);
    QPDFObjectHandle root = pdf.getRoot();
    QPDFObjectHandle af = root.getKey("/AF");
    if (!af.isArray()) af = QPDFObjectHandle::newArray();
    std::set<std::string> used;
    std::vector<CarriedFile> carried;
    for (std::size_t i = 0; i < files.size(); ++i) {
      const ArchivedFile& file = *files[i].file;
      const std::string given = file.name.empty() ? fs::path(file.path).filename().string() : file.name;
      const std::string name = UniqueName(CleanText(given), used);
      QPDFObjectHandle entry = FileEntry(pdf, files[i], name, modified[i]);
      embedded.replaceEmbeddedFile(name, QPDFFileSpecObjectHelper(entry));
      af.appendItem(entry);
      const std::string linkedAs = file.linkedAs.empty() ? fs::path(file.path).filename().string() : file.linkedAs;
      carried.push_back({linkedAs, entry});
    }
    root.replaceKey("/AF", af);
    LeadLinksToCarriedFiles(pdf, carried);

    if (const std::error_code error = output.Open()) {
      failure = WriteFailure(in.target, error, true);
      return false;
    }
    QPDFWriter writer(pdf);
    writer.setOutputFile(in.target.c_str(), output.Stream(), false);
    // Associated files are a PDF 1.7 feature (ISO 32000-1), which PDF/A-3 builds on.
    writer.setMinimumPDFVersion("1.7");
    // LibreOffice's streams are copied as they are; only the new ones are compressed.
    writer.setDecodeLevel(qpdf_dl_none);
    // PDF/A wants an end of line before every "endstream", whatever the stream's length says.
    writer.setNewlineBeforeEndstream(true);
    writer.write();
  } catch (const std::exception& error) {
    output.Discard();
    failure = "cannot make the PDF " + in.target + ": " + error.what();
    return false;
  }
  if (const std::error_code error = in.replace ? output.Replace() : output.PlaceNew()) {
    failure = WriteFailure(in.target, error);
    return false;
  }
  return true;
}

}  // namespace lorvane_pdf
