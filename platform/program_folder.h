// Whether programs may be started from a folder: a file system mounted without execution
// (noexec, a common hardening of the temporary folder) refuses to start anything placed on it.
#pragma once

#include <QString>

// False when the folder's file system is known to forbid starting programs; true when it
// allows them or when the system cannot tell.
bool FolderAllowsPrograms(const QString& folder);
