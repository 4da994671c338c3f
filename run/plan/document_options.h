// The document options as the main program offers them: the rows of the converter's option
// table (converter/options/conversion_options.h) that the user chooses, with their texts in Qt's
// terms and their settings. The window's check boxes and `lorvane convert`'s flags are
// built from these rows; what was chosen travels as the converter's own ConversionOptions.
#pragma once

#include <QString>
#include <vector>

#include "converter/options/conversion_options.h"

class SettingsStore;

using quorlin::ConversionOptionRow;
using quorlin::ConversionOptions;

// The rows the user chooses, in the table's order.
std::vector<const ConversionOptionRow*> ChosenDocumentOptionRows();

// The option's check box caption, its tip (the help text as a sentence) and its flag on
// `lorvane convert` without the leading "--".
QString DocumentOptionCaption(const ConversionOptionRow& row);
QString DocumentOptionTip(const ConversionOptionRow& row);
QString DocumentOptionFlagName(const ConversionOptionRow& row);

// The check box's state as the settings hold it: the stored text, or the default's while it
// has never been written. Throws AppError when the store cannot be read.
QString ReadDocumentOptionSetting(SettingsStore& store, const ConversionOptionRow& row);
// Stores the check box's state. Throws AppError when the store cannot be written.
void WriteDocumentOptionSetting(SettingsStore& store, const ConversionOptionRow& row, bool ticked);
