// The folder scan's view of the local disk.
#include "platform/file_system.h"

std::unique_ptr<FileSystem> MakeLocalFileSystem() { return nullptr; }
