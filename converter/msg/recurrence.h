// The end and the exceptions of a recurring meeting, read from its recurrence pattern
// (the appointment's binary recurrence property): when the series ends, and each
// occurrence that was cancelled or changed, with what changed.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "converter/text/local_time.h"

namespace quorlin {

struct RecurrenceLines {
  std::u16string ends;                  // "30 December 2023", empty when it never ends
  std::vector<std::u16string> exceptions;  // "4 March 2024: cancelled", in date order
};

// The most exception lines shown; past them one line says how many more there are.
inline constexpr std::size_t kMostExceptionLines = 50;

// Reads the pattern's fields with every length checked; a pattern that is damaged, cut
// short or of another version gives no lines at all. Times in the pattern are the
// meeting's own local times: with the meeting's `zone` they are shown in the reader's
// zone with its offset, as the meeting's start and end are; without it as they are.
// 8-bit subjects and locations of exceptions are read in `code_page`.
RecurrenceLines ReadRecurrence(std::span<const std::uint8_t> pattern, std::uint32_t code_page,
                               const ZoneRule* zone = nullptr);

}  // namespace quorlin
