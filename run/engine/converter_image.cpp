// Pulls the converter's executable into the program's read-only data at build time. The
// build passes the path of the copy it made of the Quorlin executable (LORVANE_QUORLIN_IMAGE)
// and rebuilds this file whenever that copy changes.
#include "run/engine/converter_image.h"

#ifndef LORVANE_QUORLIN_IMAGE
#error "LORVANE_QUORLIN_IMAGE must name the converter image to embed"
#endif

// The section is read-only data: ELF names its kind, PE/COFF its flags ("d" data, "r"
// read-only), and COFF's assembler has no section stack, so the code section comes back by name.
#ifdef _WIN32
#define LORVANE_IMAGE_SECTION ".section .rdata$lorvane_quorlin_image, \"dr\"\n"
#define LORVANE_IMAGE_SECTION_END ".text\n"
#else
#define LORVANE_IMAGE_SECTION ".pushsection .rodata.lorvane_quorlin_image, \"a\", @progbits\n"
#define LORVANE_IMAGE_SECTION_END ".popsection\n"
#endif

__asm__(
    LORVANE_IMAGE_SECTION
    ".balign 16\n"
    "lorvane_quorlin_image_begin:\n"
    ".incbin \"" LORVANE_QUORLIN_IMAGE "\"\n"
    "lorvane_quorlin_image_end:\n"
    LORVANE_IMAGE_SECTION_END);

extern "C" const char lorvane_quorlin_image_begin[];
extern "C" const char lorvane_quorlin_image_end[];

QByteArrayView ConverterImage() {
  return QByteArrayView(lorvane_quorlin_image_begin,
                        lorvane_quorlin_image_end - lorvane_quorlin_image_begin);
}
