// Notices go to standard error, one line each, each text at most once per process.
#include "converter/base/notice.h"

#include <cstdio>
#include <set>

namespace quorlin {
namespace {

NoticeSink& Sink() {
  static NoticeSink sink;
  return sink;
}

std::set<std::string>& Given() {
  static std::set<std::string> given;
  return given;
}

}  // namespace

void Notice(const std::string& text) {
  if (!Given().insert(text).second) return;
  if (Sink()) {
    Sink()(text);
  } else {
    std::fprintf(stderr, "%s\n", text.c_str());
  }
}

NoticeSink SetNoticeSink(NoticeSink sink) {
  NoticeSink previous = std::move(Sink());
  Sink() = std::move(sink);
  Given().clear();
  return previous;
}

}  // namespace quorlin
