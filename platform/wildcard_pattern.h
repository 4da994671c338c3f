// Wildcard matching of file names as the folder scan lists them, and the order of its
// listings: the same on every system, whatever the disk's own rules.
#pragma once

#include <QString>
#include <QStringList>
#include <string>

// Wildcard matching that ignores case: "*" stands for any run of characters, "?" for one.
// "*.*" matches every name, also one without a dot, and a pattern ending in ".*" also
// matches the name without any extension ("a.*" matches "a"), so the extension "*" the
// user types finds every file.
class WildcardPattern {
 public:
  explicit WildcardPattern(const QString& pattern);
  bool Matches(const QString& name) const;

 private:
  bool all_;
  std::u32string folded_;
  std::u32string withoutExtension_;
  bool extensionOptional_;
  bool plainEnding_ = false;
  QString ending_;
};

bool WildcardMatch(const QString& name, const QString& pattern);

// Sorts names in case-insensitive order, names equal but for case in binary order.
void SortNames(QStringList& names);
