// Case-folded wildcard matching with one backtrack point, and the listings' name order.
#include "platform/wildcard_pattern.h"

#include <algorithm>

namespace {

bool MatchFrom(const std::u32string& name, const std::u32string& pattern) {
  // Greedy matching with one backtrack point for the last "*": linear in practice and
  // never exponential.
  size_t n = 0, p = 0, starP = std::u32string::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == U'?' || pattern[p] == name[n])) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == U'*') {
      starP = p++;
      starN = n;
    } else if (starP != std::u32string::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == U'*') ++p;
  return p == pattern.size();
}

std::u32string Folded(const QString& text) {
  const QList<uint> units = text.toCaseFolded().toUcs4();
  return std::u32string(units.begin(), units.end());
}

}  // namespace

WildcardPattern::WildcardPattern(const QString& pattern)
    : all_(pattern == QLatin1String("*.*")),
      folded_(Folded(pattern)),
      withoutExtension_(pattern.endsWith(QLatin1String(".*")) ? Folded(pattern.chopped(2)) : std::u32string()),
      extensionOptional_(pattern.endsWith(QLatin1String(".*"))) {
  // "*" and a plain ending, the usual "*.msg": an ending compared without case, which
  // spares a copy of every name.
  const QStringView rest = QStringView(pattern).mid(1);
  plainEnding_ = pattern.startsWith(u'*') && !rest.contains(u'*') && !rest.contains(u'?') && !extensionOptional_;
  if (plainEnding_) ending_ = rest.toString();
}

bool WildcardPattern::Matches(const QString& name) const {
  if (all_) return true;
  if (plainEnding_) return name.endsWith(ending_, Qt::CaseInsensitive);
  const std::u32string foldedName = Folded(name);
  if (MatchFrom(foldedName, folded_)) return true;
  return extensionOptional_ && !name.contains(u'.') && MatchFrom(foldedName, withoutExtension_);
}

bool WildcardMatch(const QString& name, const QString& pattern) { return WildcardPattern(pattern).Matches(name); }

void SortNames(QStringList& names) {
  std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
    const int order = QString::compare(a, b, Qt::CaseInsensitive);
    return order != 0 ? order < 0 : a < b;
  });
}

