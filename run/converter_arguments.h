// The converter's command line for one message: "--header" when the document is to open
// with the message's header block, then the message and the document paths.
#pragma once

#include <QString>
#include <QStringList>

QStringList ConverterArguments(const QString& source, const QString& output, bool headerBlock);
