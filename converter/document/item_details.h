// The details the header block shows for items that are not plain mail: a meeting's time
// (its date once when it ends the same day), place, series end and exceptions, and people;
// a contact's card with each address's country; a task's dates, progress and owner. Most of them are
// named properties, found through the message's named-property map.
#pragma once

#include <string>
#include <vector>

#include "converter/msg/message.h"

namespace quorlin {

// One header-block line: an English label ("Where:") and its value on one line.
struct DetailLine {
  std::string label;
  std::u16string value;
};

// The lines for the message's class: meetings and meeting requests ("IPM.Appointment",
// "IPM.Schedule.Meeting.*"), contacts ("IPM.Contact") and tasks ("IPM.Task"); none for
// other classes. A line whose property is missing, or holds a value of the wrong type
// or out of its range, is left out. A damaged file still fails (FormatError).
std::vector<DetailLine> ReadItemDetails(const Message& message);

}  // namespace quorlin
