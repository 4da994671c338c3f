// A failure of one step of a handler: a short description and a number, the two things
// the "Application Error" box reports. Platform routines throw it; handlers' error traps
// catch it.
#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// Failure numbers the program uses, with the meaning the user is shown.
namespace error_number {
constexpr int kInvalidArgument = 5;
constexpr int kOverflow = 6;
constexpr int kTypeMismatch = 13;
constexpr int kFileNotFound = 53;
constexpr int kPermissionDenied = 70;
constexpr int kPathFileAccess = 75;
constexpr int kPathNotFound = 76;
constexpr int kDialogBufferTooSmall = 20476;
}  // namespace error_number

class AppError : public std::exception {
 public:
  AppError(QString description, int number)
      : description_(std::move(description)), number_(number), utf8_(description_.toUtf8()) {}

  const QString& description() const { return description_; }
  int number() const { return number_; }
  const char* what() const noexcept override { return utf8_.constData(); }

 private:
  QString description_;
  int number_;
  QByteArray utf8_;
};
