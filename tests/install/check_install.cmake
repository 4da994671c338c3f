# Installs the build into a temporary prefix and runs the installed program, through the
# command on the PATH and from another current folder, far enough to prove that it finds its
# application folder: the samples, the two pointer files and the converter inside it. The
# sample messages must be installed as real compound files, whatever the build left out.
# Usage: cmake -DBUILD_DIR=<build> -P check_install.cmake
set(prefix ${BUILD_DIR}/install-check)
file(REMOVE_RECURSE ${prefix})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${rc})")
endif()

foreach(f bin/lorvane lib/lorvane/lorvane lib/lorvane/HAND-M.CUR lib/lorvane/drag.ico
          share/applications/lorvane.desktop share/icons/hicolor/scalable/apps/lorvane.svg)
  if(NOT EXISTS ${prefix}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
set(samples "Plain message.msg" "Formatted message.msg" "Several scripts.msg"
            "Message with attachment.msg")
foreach(f IN LISTS samples)
  set(path "${prefix}/lib/lorvane/Samples/${f}")
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "sample not installed: ${f}")
  endif()
  file(READ "${path}" signature LIMIT 8 HEX)
  if(NOT signature STREQUAL "d0cf11e0a1b11ae1")
    message(FATAL_ERROR "installed sample is not a compound file: ${f}")
  endif()
endforeach()
# The menu files the entry under exactly one of the desktop's main categories.
file(READ ${prefix}/share/applications/lorvane.desktop entry)
string(REGEX MATCH "\nCategories=[^\n]*" categories "${entry}")
string(REGEX REPLACE "^\nCategories=" "" categories "${categories}")
set(main "AudioVideo;Audio;Video;Development;Education;Game;Graphics;Network;Office;Science;Settings;System;Utility")
string(REPLACE ";" "|" main_pattern "${main}")
list(FILTER categories INCLUDE REGEX "^(${main_pattern})$")
list(LENGTH categories main_count)
if(NOT main_count EQUAL 1)
  message(FATAL_ERROR "the menu entry has ${main_count} main categories: ${categories}")
endif()
# A file manager offers "Open with Lorvane" for messages and hands the files over.
if(NOT entry MATCHES "\nExec=lorvane %F\n" OR NOT entry MATCHES "\nMimeType=application/vnd\\.ms-outlook;\n")
  message(FATAL_ERROR "the menu entry does not take message files:\n${entry}")
endif()
if(NOT IS_SYMLINK ${prefix}/bin/lorvane)
  message(FATAL_ERROR "bin/lorvane is not a link into the application folder")
endif()

set(ENV{QT_QPA_PLATFORM} offscreen)
set(ENV{LORVANE_INSTALL_CHECK} 1)
execute_process(COMMAND ${prefix}/bin/lorvane WORKING_DIRECTORY ${BUILD_DIR}/..
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
message("${out}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the installed program did not find its files (${rc}):\n${err}")
endif()
if(NOT out MATCHES "application folder: ${prefix}/lib/lorvane")
  message(FATAL_ERROR "the installed program took the wrong application folder")
endif()
file(REMOVE_RECURSE ${prefix})
