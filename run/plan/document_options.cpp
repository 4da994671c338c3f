// The user's document options, read from the converter's table.
#include "run/plan/document_options.h"

#include "platform/settings.h"

namespace {
QString Text(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
}  // namespace

std::vector<const ConversionOptionRow*> ChosenDocumentOptionRows() {
  std::vector<const ConversionOptionRow*> rows;
  for (const ConversionOptionRow& row : quorlin::ConversionOptionTable()) {
    if (quorlin::ChosenByTheUser(row)) rows.push_back(&row);
  }
  return rows;
}

QString DocumentOptionCaption(const ConversionOptionRow& row) { return Text(row.caption); }

QString DocumentOptionTip(const ConversionOptionRow& row) {
  QString tip = Text(row.help);
  if (!tip.isEmpty()) tip[0] = tip[0].toUpper();
  return tip + u'.';
}

QString DocumentOptionFlagName(const ConversionOptionRow& row) {
  QString flag = Text(row.flag);
  while (flag.startsWith(u'-')) flag.remove(0, 1);
  return flag;
}

QString ReadDocumentOptionSetting(SettingsStore& store, const ConversionOptionRow& row) {
  return ReadSwitchSetting(store, Text(row.setting_key), row.setting_default);
}

void WriteDocumentOptionSetting(SettingsStore& store, const ConversionOptionRow& row, bool ticked) {
  WriteSwitchSetting(store, Text(row.setting_key), ticked);
}
