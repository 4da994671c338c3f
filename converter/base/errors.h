// The converter's failures. Each is an exception whose what() is the exact one-line
// reason the converter prints; the conversion function catches them once.
#pragma once

#include <stdexcept>
#include <string>

namespace quorlin {

// Base of every failure the converter reports.
class ConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The input is damaged or is not what it claims to be: bad compound-file structure,
// a chain or link that leaves the file or loops, a size past the end of the data.
class FormatError : public ConvertError {
 public:
  using ConvertError::ConvertError;
};

// The input is not a message at all: no compound-file signature, a header too short for
// one, or a compound file that holds no message.
class NotAMessageError : public FormatError {
 public:
  using FormatError::FormatError;
};

// The compressed rich-text body cannot be decoded.
class DecodeError : public ConvertError {
 public:
  using ConvertError::ConvertError;
};

// A message property cannot be read as required (unsupported type, missing value).
class PropertyError : public ConvertError {
 public:
  using ConvertError::ConvertError;
};

// Reading the input or writing the output failed at the file-system level.
class IoError : public ConvertError {
 public:
  using ConvertError::ConvertError;
};

// The input file cannot be read: no permission, a folder, not a regular file, a read that
// fails. Failures on the output's side stay plain IoErrors.
class UnreadableError : public IoError {
 public:
  using IoError::IoError;
};

}  // namespace quorlin
