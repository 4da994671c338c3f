// Built only by the layer test, which expects it not to compile: the PDF layer sees the
// converter's all-or-nothing writer (converter/files/) and nothing else of the converter.
#include "converter/files/atomic_file.h"
#include "converter/output/output_file.h"
