// Turning a stored setting's text into a Boolean, as start-up reads the two options.
#pragma once

#include <QString>

// "True" and "False" in any letter case, or a number written as text (0 false, any other
// number true); surrounding spaces are ignored. Any other text, the empty text included,
// throws AppError (type mismatch).
bool TextToBoolean(const QString& text);
// The stored form of a Boolean: "True" or "False".
QString BooleanToText(bool value);
