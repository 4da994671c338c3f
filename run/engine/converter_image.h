// The converter's executable image, carried inside the main program: the bytes of the
// Quorlin executable as the build produced it.
#pragma once

#include <QByteArrayView>

// The whole image; never empty in a complete build.
QByteArrayView ConverterImage();
