# Installs the build into a temporary prefix and runs the installed program, through the
# command on the PATH and from another current folder, far enough to prove that it finds its
# application folder: the samples, the two pointer files and the converter inside it. The
# sample messages must be installed as real compound files, whatever the build left out. The
# installed message type knows messages by their content wherever their directory lies,
# whatever their name, and leaves other compound files and text named "*.msg" alone (looked
# at with GIO and xdg-mime when the machine has them).
# Usage: cmake -DBUILD_DIR=<build> -P check_install.cmake
set(prefix ${BUILD_DIR}/install-check)
file(REMOVE_RECURSE ${prefix})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${rc})")
endif()

foreach(f bin/lorvane lib/lorvane/lorvane lib/lorvane/HAND-M.CUR lib/lorvane/drag.ico
          share/applications/lorvane.desktop share/icons/hicolor/scalable/apps/lorvane.svg
          share/mime/packages/lorvane.xml)
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
file(READ ${prefix}/share/mime/packages/lorvane.xml mime)
if(NOT mime MATCHES "<mime-type type=\"application/vnd\\.ms-outlook\">" OR mime MATCHES "<glob "
   OR NOT mime MATCHES "value=\"\\\\xd0\\\\xcf\\\\x11\\\\xe0\\\\xa1\\\\xb1\\\\x1a\\\\xe1\"")
  message(FATAL_ERROR "the message type lacks its name or compound-file magic, or has a glob:\n${mime}")
endif()
find_program(update_mime update-mime-database)
find_program(gio gio)
find_program(xdg_mime xdg-mime)
find_program(sed sed)
if(update_mime AND gio AND xdg_mime AND sed AND EXISTS /usr/share/mime/packages/freedesktop.org.xml)
  execute_process(COMMAND ${update_mime} ${prefix}/share/mime RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "update-mime-database refused the message type (${rc})")
  endif()
  set(typed ${prefix}/typed)
  file(MAKE_DIRECTORY ${typed})
  file(COPY_FILE "${prefix}/lib/lorvane/Samples/Plain message.msg" ${typed}/named.msg)
  file(COPY_FILE "${prefix}/lib/lorvane/Samples/Plain message.msg" ${typed}/unnamed)
  # The same compound file without message streams: another kind of compound file.
  execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C ${sed}
                          "s/_\\x00_\\x00s\\x00u\\x00b/x\\x00x\\x00s\\x00u\\x00b/g" ${typed}/unnamed
                  OUTPUT_FILE ${typed}/other RESULT_VARIABLE rc)
  file(COPY_FILE ${typed}/other ${typed}/other.msg)
  file(WRITE ${typed}/text.msg "A message catalogue, as text.\n")
  # A message whose directory lies past 1 MB (saved with large attachments).
  execute_process(COMMAND ${BUILD_DIR}/tools/samples/make_samples --far-directory ${typed}/far 1100
                  RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "make_samples could not write the far-directory message (${rc})")
  endif()
  file(COPY_FILE ${typed}/far ${typed}/far.msg)
  set(ENV{XDG_DATA_DIRS} ${prefix}/share:/usr/share)
  set(ENV{XDG_DATA_HOME} ${prefix}/no-user-data)
  # GIO reads no more than the first 4 KB of a file to type it, so it is asked only about
  # the messages whose directory lies there; xdg-mime reads as far as the type's rule asks.
  foreach(case "named.msg=application/vnd.ms-outlook=both" "unnamed=application/vnd.ms-outlook=both"
               "other=application/x-ole-storage=both" "other.msg=application/x-ole-storage=both"
               "text.msg=text/plain=both" "far=application/vnd.ms-outlook=xdg"
               "far.msg=application/vnd.ms-outlook=xdg")
    string(REPLACE "=" ";" case "${case}")
    list(GET case 0 file)
    list(GET case 1 expected)
    list(GET case 2 readers)
    set(info "standard::content-type: ${expected}\n")
    if(readers STREQUAL "both")
      execute_process(COMMAND ${gio} info -a standard::content-type ${typed}/${file} OUTPUT_VARIABLE info)
    endif()
    execute_process(COMMAND ${xdg_mime} query filetype ${typed}/${file} OUTPUT_VARIABLE queried
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT info MATCHES "standard::content-type: ${expected}\n" OR NOT queried STREQUAL expected)
      message(FATAL_ERROR "${file} should be ${expected}; gio says:\n${info}xdg-mime says: ${queried}")
    endif()
  endforeach()
  message("message type: named.msg, unnamed, far and far.msg are application/vnd.ms-outlook, "
          "other and other.msg application/x-ole-storage, text.msg text/plain")
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
