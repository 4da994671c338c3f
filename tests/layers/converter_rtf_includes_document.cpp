// Built only by the converter's layer test, which expects it not to compile: the RTF room's
// include path does not reach the document room, whose header block it writes around.
#include "converter/rtf/rtf_insertion.h"
#include "converter/document/header_block.h"
