// Turning the rendered PDF's links to files beside the document into file-attachment
// annotations of the files the PDF carries.
#include "pdf/carried_file_links.h"

#include <qpdf/QPDFPageDocumentHelper.hh>

#include <string_view>

namespace lorvane_pdf {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string PercentDecoded(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      const int high = HexValue(text[i + 1]);
      const int low = HexValue(text[i + 2]);
      if (high >= 0 && low >= 0) {
        out += static_cast<char>(high * 16 + low);
        i += 2;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

// An appearance that draws nothing, as large as the annotation: the link's words show.
QPDFObjectHandle InvisibleAppearance(QPDF& pdf, double width, double height) {
  QPDFObjectHandle form = QPDFObjectHandle::newStream(&pdf, std::string());
  QPDFObjectHandle dictionary = form.getDict();
  dictionary.replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
  dictionary.replaceKey("/Subtype", QPDFObjectHandle::newName("/Form"));
  dictionary.replaceKey("/BBox", QPDFObjectHandle::newArray(QPDFObjectHandle::Rectangle(0, 0, width, height)));
  dictionary.replaceKey("/Resources", QPDFObjectHandle::newDictionary());
  return form;
}

}  // namespace

std::string LinkedFileName(const std::string& uri) {
  if (uri.rfind("file:", 0) != 0) return {};
  std::string path = uri.substr(5);
  const std::size_t end = path.find_first_of("?#");
  if (end != std::string::npos) path.resize(end);
  const std::size_t slash = path.rfind('/');
  return PercentDecoded(slash == std::string::npos ? path : path.substr(slash + 1));
}

bool InAttachmentsFolder(const std::string& uri) {
  const std::size_t slash = uri.rfind('/');
  if (slash == std::string::npos || slash == 0) return false;
  const std::size_t before = uri.rfind('/', slash - 1);
  const std::size_t start = before == std::string::npos ? 0 : before + 1;
  const std::string folder = PercentDecoded(uri.substr(start, slash - start));
  const std::string_view suffix = " attachments";
  return folder.size() > suffix.size() && folder.ends_with(suffix);
}

void LeadLinksToCarriedFiles(QPDF& pdf, const std::vector<CarriedFile>& carried) {
  for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
    QPDFObjectHandle annotations = page.getObjectHandle().getKey("/Annots");
    if (!annotations.isArray()) continue;
    QPDFObjectHandle kept = QPDFObjectHandle::newArray();
    for (QPDFObjectHandle annotation : annotations.aitems()) {
      QPDFObjectHandle action = annotation.isDictionary() ? annotation.getKey("/A") : QPDFObjectHandle::newNull();
      const bool fileLink = annotation.isDictionary() && annotation.getKey("/Subtype").isNameAndEquals("/Link") &&
                            action.isDictionary() && action.getKey("/S").isNameAndEquals("/URI") &&
                            action.getKey("/URI").isString() &&
                            !LinkedFileName(action.getKey("/URI").getUTF8Value()).empty();
      if (!fileLink) {
        kept.appendItem(annotation);
        continue;
      }
      const std::string uri = action.getKey("/URI").getUTF8Value();
      const std::string name = LinkedFileName(uri);
      const CarriedFile* file = nullptr;
      for (const CarriedFile& candidate : carried)
        if (candidate.linkedAs == name && InAttachmentsFolder(uri)) file = &candidate;
      if (!file) continue;  // nothing to lead to: the words stay, without a link
      const QPDFObjectHandle::Rectangle rect = annotation.getKey("/Rect").getArrayAsRectangle();
      annotation.removeKey("/A");
      annotation.removeKey("/Border");
      annotation.removeKey("/H");
      annotation.replaceKey("/Subtype", QPDFObjectHandle::newName("/FileAttachment"));
      annotation.replaceKey("/FS", file->fileSpec);
      annotation.replaceKey("/Contents", QPDFObjectHandle::newUnicodeString(name));
      annotation.replaceKey("/Name", QPDFObjectHandle::newName("/Paperclip"));
      annotation.replaceKey("/F", QPDFObjectHandle::newInteger(4));  // printed, as PDF/A wants
      QPDFObjectHandle appearance = QPDFObjectHandle::newDictionary();
      appearance.replaceKey("/N", InvisibleAppearance(pdf, rect.urx - rect.llx, rect.ury - rect.lly));
      annotation.replaceKey("/AP", appearance);
      kept.appendItem(annotation);
    }
    page.getObjectHandle().replaceKey("/Annots", kept);
  }
}

}  // namespace lorvane_pdf
