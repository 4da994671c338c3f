// Built only by the converter's layer test, which expects it not to compile: the
// compound-file room's include path does not reach the message room above it.
#include "converter/cfb/compound_file.h"
#include "converter/msg/message.h"
