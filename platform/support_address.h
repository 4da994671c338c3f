// The maker's addresses that the program shows or opens.
#pragma once

#include <QString>

// Ends the request line of every "Application Error" box.
inline const QString kSupportAddress = QStringLiteral("support@kestrane.com");
// The home page that one start in a hundred opens.
inline const QString kHomePageAddress = QStringLiteral("https://www.kestrane.com/lorvane");
