// The program's own usage text; the command's options are listed by `lorvane convert --help`.
#include "app/program_help.h"

QString ProgramHelpText() {
  return QStringLiteral(
      "Usage: lorvane                            open the window\n"
      "       lorvane convert [options] PATH...  convert messages without the window\n"
      "       lorvane -h | --help | -V | --version\n"
      "Lorvane turns saved .msg e-mail messages into documents: RTF text that word\n"
      "processors open, saved as .doc, or archival PDF/A files (.pdf).\n"
      "'lorvane convert --help' lists the command's options; the command needs no display.\n");
}

QString ProgramVersion() { return QStringLiteral(LORVANE_VERSION); }

QString AboutText() {
  return QStringLiteral("Lorvane %1\r\n\r\n"
                        "Turns saved .msg e-mail messages into documents: RTF text that word processors\r\n"
                        "open, saved as .doc, or archival PDF/A files (.pdf) that carry the original\r\n"
                        "message and its attachments.\r\n"
                        "The same conversion runs without the window as 'lorvane convert'.\r\n\r\n"
                        "Made by Kestrane - https://www.kestrane.com/lorvane")
      .arg(ProgramVersion());
}
