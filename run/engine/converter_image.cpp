// Pulls the converter's executable into the program's read-only data at build time. The
// build passes the path of the copy it made of the Quorlin executable (LORVANE_QUORLIN_IMAGE)
// and rebuilds this file whenever that copy changes.
#include "run/engine/converter_image.h"

#ifndef LORVANE_QUORLIN_IMAGE
#error "LORVANE_QUORLIN_IMAGE must name the converter image to embed"
#endif

__asm__(
    ".pushsection .rodata.lorvane_quorlin_image, \"a\", @progbits\n"
    ".balign 16\n"
    "lorvane_quorlin_image_begin:\n"
    ".incbin \"" LORVANE_QUORLIN_IMAGE "\"\n"
    "lorvane_quorlin_image_end:\n"
    ".popsection\n");

extern "C" const char lorvane_quorlin_image_begin[];
extern "C" const char lorvane_quorlin_image_end[];

QByteArrayView ConverterImage() {
  return QByteArrayView(lorvane_quorlin_image_begin,
                        lorvane_quorlin_image_end - lorvane_quorlin_image_begin);
}
