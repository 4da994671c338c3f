// What the user chose for the documents (the header block, pictures, attachments, dates): one value carried from the
// window's check boxes and from `lorvane convert`'s options to the window's run and to the
// batch engine, and turned into the converter's own words here and nowhere else.
#pragma once

#include <QString>
#include <QStringList>
#include <string>

// The defaults give the documents as they have always been.
struct DocumentOptions {
  bool headerBlock = false;  // open each document with the message's sender, date, subject
  bool pictures = false;     // show the pictures the body places
  bool attachments = false;  // save the attachments into a folder beside each document
  bool fileDates = false;    // date each document like its message
};

// The converter's command line for one message: each chosen option's flag ("--header"),
// then the message and the document paths.
QStringList ConverterArguments(const QString& source, const QString& output, const DocumentOptions& options);

// The options field of a long-lived converter's request: the chosen options' words
// separated by spaces ("header"), empty for none.
std::string ConverterRequestOptions(const DocumentOptions& options);
