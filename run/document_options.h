// What the user chose for the documents (the header block, ...): one value carried from the
// window's check boxes and from `lorvane convert`'s options to the window's run and to the
// batch engine, and turned into the converter's own words here and nowhere else.
#pragma once

#include <QString>
#include <QStringList>
#include <string>

// The defaults give the documents as they have always been.
struct DocumentOptions {
  bool headerBlock = false;  // open each document with the message's sender, date, subject
};

// The converter's command line for one message: each chosen option's flag ("--header"),
// then the message and the document paths.
QStringList ConverterArguments(const QString& source, const QString& output, const DocumentOptions& options);

// The options field of a long-lived converter's request: the chosen options' words
// separated by spaces ("header"), empty for none.
std::string ConverterRequestOptions(const DocumentOptions& options);
