// Built only by the layer test, which expects it not to compile: the list library's
// include path does not reach the window's folder.
#include "filelist/path_elision.h"
#include "app/form1.h"
