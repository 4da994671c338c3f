#!/usr/bin/env bash
# Builds Lorvane for 64-bit Windows on Debian, from Debian's packages and source packages only.
#
#   tools/windows.sh [STEP...]      steps, in this order by default:
#     packages   the MinGW-w64 toolchain, wine, NSIS (apt-get)
#     libs       giflib, libpng, gumbo and GoogleTest for Windows (what the converter links)
#     qt         Qt 6 Core, Gui and Widgets with the Windows platform plugin (about 25 minutes
#                on two cores the first time)
#     converter  Quorlin.exe and the converter's tests        -> build-windows-converter/
#     program    lorvane.exe with Quorlin.exe inside           -> build-windows/
#     setup      Lorvane-<version>-setup.exe and the portable .zip  -> build-windows/dist/
#   tools/windows.sh env            prints the variables the cross builds use
#   tools/windows.sh ready          succeeds when the toolchain is installed and the converter's
#                                   libraries are built (what tools/test.sh asks)
#
# Each library is built once from `apt-get source` of the same version as the host's package
# and installed below $LORVANE_WINDOWS_CACHE (default /var/cache/lorvane-windows) in a folder
# named after its source package and version, so a second run only checks the stamps.
# Nothing is downloaded from anywhere but the Debian archive the machine already uses.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
cache=${LORVANE_WINDOWS_CACHE:-/var/cache/lorvane-windows}
triple=x86_64-w64-mingw32
toolchain=$repo/tools/windows/mingw-toolchain.cmake
# The libraries' builds use a copy kept in the cache, so a build cut short goes on, and its
# CMake cache stays valid, whichever checkout (and path) runs this script next.
cached_toolchain=$cache/mingw-toolchain.cmake
jobs=${LORVANE_WINDOWS_JOBS:-$(nproc)}
SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo

log() { echo "== windows: $*" >&2; }

step_packages() {
  local packages=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools
                  libz-mingw-w64-dev wine wine64 dpkg-dev cmake ninja-build googletest
                  qt6-base-dev-tools nsis python3 unzip) missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if ((${#missing[@]})); then
    log "installing ${missing[*]}"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

# A deb-src entry for every archive the machine reads packages from, once.
ensure_deb_src() {
  if grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/*.list \
       /etc/apt/sources.list.d/*.sources 2>/dev/null; then
    return
  fi
  log "adding deb-src entries beside the machine's deb entries"
  local out=/etc/apt/sources.list.d/lorvane-deb-src
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed -E 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | $SUDO tee $out.sources >/dev/null
  else
    grep -hE '^deb ' /etc/apt/sources.list | grep -v -- '-src' | sed 's/^deb /deb-src /' | $SUDO tee $out.list >/dev/null
  fi
  $SUDO apt-get update -qq
}

# The source versions a Windows library may be built from, best first: the host's own
# package's, then the others the archive lists, newest first (the host package may lag
# behind a security update, and a mirror may hold only some of them).
source_versions() {
  local binary=$1 src version
  src=$(dpkg-query -W -f='${source:Package}' "$binary")
  version=$(dpkg-query -W -f='${source:Version}' "$binary")
  ensure_deb_src
  { echo "$version"; apt-cache showsrc "$src" 2>/dev/null | awk '/^Version:/ {print $2}' | sort -Vr; } |
    awk '!seen[$0]++'
}

# prefix_of SOURCE VERSION: the cache folder of one built library.
prefix_of() { echo "$cache/$1_${2//:/_}"; }

# fetch SOURCE VERSION DIR: unpacks Debian's source package (patches applied) into DIR/src.
fetch() {
  local src=$1 version=$2 dir=$3
  ensure_deb_src
  rm -rf "$dir"; mkdir -p "$dir"
  (cd "$dir" && apt-get source -qq "$src=$version" >/dev/null)
  local unpacked
  unpacked=$(find "$dir" -mindepth 1 -maxdepth 1 -type d | head -1)
  mv "$unpacked" "$dir/src"
}

# built_prefix SOURCE VERSIONS: the cache folder of the first of VERSIONS built, if any.
built_prefix() {
  local src=$1 v
  for v in $2; do
    [ -f "$(prefix_of "$src" "$v")/.built" ] && { prefix_of "$src" "$v"; return; }
  done
  return 1
}

# with_cache SOURCE VERSIONS FUNCTION: runs FUNCTION SRC PREFIX with the first of VERSIONS
# whose source the archive gives, unless one of them is built already.
with_cache() {
  local src=$1 versions=$2 build=$3 prefix work v
  if prefix=$(built_prefix "$src" "$versions"); then log "$src: cached in $prefix"; return; fi
  work=$cache/work/$src
  # A build cut short (the machine stopped) goes on where it was, in the sources it had.
  v=$(cat "$work/.version" 2>/dev/null || true)
  if [ -z "$v" ] || [ ! -d "$work/src" ] || ! grep -qxF -- "$v" <<<"$versions"; then
    for v in $versions; do
      fetch "$src" "$v" "$work" 2>"$cache/fetch.log" && { echo "$v" >"$work/.version"; break; }
      v=""
    done
  fi
  if [ -z "$v" ]; then cat "$cache/fetch.log" >&2; echo "tools/windows.sh: no source of $src to be had" >&2; exit 1; fi
  prefix=$(prefix_of "$src" "$v")
  log "$src $v: building into $prefix"
  rm -rf "$prefix"; mkdir -p "$prefix"
  "$build" "$work/src" "$prefix"
  touch "$prefix/.built"
  rm -rf "$work"
}

cross_cmake() {
  mkdir -p "$cache"
  cmp -s "$toolchain" "$cached_toolchain" 2>/dev/null || cp "$toolchain" "$cached_toolchain"
  cmake -G Ninja -DCMAKE_TOOLCHAIN_FILE="$cached_toolchain" -DCMAKE_BUILD_TYPE=Release "$@"
}

# giflib and gumbo are a handful of C files each: compiled straight into static libraries.
c_library() {
  local name=$1 out=$2; shift 2
  local objs=() f
  mkdir -p "$out/lib" "$out/include" "$out/obj"
  for f in "$@"; do
    $triple-gcc-posix -O2 -std=gnu99 -c "$f" -o "$out/obj/$(basename "${f%.c}").o"
    objs+=("$out/obj/$(basename "${f%.c}").o")
  done
  $triple-ar rcs "$out/lib/lib$name.a" "${objs[@]}"
  rm -rf "$out/obj"
}

build_giflib() {
  local src=$1 prefix=$2 files=() f
  for f in dgif_lib egif_lib gifalloc gif_err gif_font gif_hash openbsd-reallocarray quantize; do
    [ -f "$src/$f.c" ] && files+=("$src/$f.c")
  done
  c_library gif "$prefix" "${files[@]}"
  cp "$src/gif_lib.h" "$prefix/include/"
}

build_gumbo() {
  local src=$1 prefix=$2
  c_library gumbo "$prefix" "$src"/src/*.c
  cp "$src/src/gumbo.h" "$src/src/tag_enum.h" "$prefix/include/"
}

build_libpng() {
  local src=$1 prefix=$2
  cross_cmake -S "$src" -B "$src/build" -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DPNG_FRAMEWORK=OFF \
    -DSKIP_INSTALL_PROGRAMS=ON -DSKIP_INSTALL_FILES=ON >/dev/null
  cmake --build "$src/build" -j "$jobs" >/dev/null
  cmake --install "$src/build" >/dev/null
}

build_googletest() {
  local src=$1 prefix=$2
  cross_cmake -S "$src" -B "$src/build" -DCMAKE_INSTALL_PREFIX="$prefix" -Dgtest_disable_pthreads=OFF >/dev/null
  cmake --build "$src/build" -j "$jobs" >/dev/null
  cmake --install "$src/build" >/dev/null
}

# Qt's Windows build of the same version as the host tools it runs at build time (moc, rcc,
# uic). Debian's repacked source lacks the tablet driver's headers, hence no tablet events;
# the Windows platform plugin of 6.4 needs OpenGL on (it is loaded dynamically at run time).
build_qt() {
  local src=$1 prefix=$2
  cross_cmake -S "$src" -B "$src/build" -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DBUILD_SHARED_LIBS=ON -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
    -DFEATURE_tabletevent=OFF -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF \
    -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_testlib=OFF \
    -DFEATURE_system_zlib=ON >"$prefix/configure.log" 2>&1 || { tail -40 "$prefix/configure.log"; return 1; }
  cmake --build "$src/build" -j "$jobs" >"$prefix/build.log" 2>&1 || { tail -40 "$prefix/build.log"; return 1; }
  cmake --install "$src/build" >/dev/null
}

libs_versions() {
  giflib_v=$(source_versions libgif-dev)
  png_v=$(source_versions libpng-dev)
  gumbo_v=$(source_versions libgumbo-dev)
  gtest_v=$(dpkg-query -W -f='${Version}' googletest)
  qt_v=$(dpkg-query -W -f='${source:Version}' qt6-base-dev-tools)
}

step_libs() {
  libs_versions
  with_cache giflib "$giflib_v" build_giflib
  with_cache libpng1.6 "$png_v" build_libpng
  # This archive may not serve gumbo's source (it has only some source packages): the
  # converter is then built with gumbo's headers from libgumbo-dev and no HTML parser,
  # and says so for an HTML body.
  local headers
  headers=$(prefix_of gumbo-headers "$(dpkg-query -W -f='${Version}' libgumbo-dev)")
  if [ -f "$headers/.built" ] && ! built_prefix gumbo-parser "$gumbo_v" >/dev/null; then
    log "gumbo's source was not to be had: its headers alone, in $headers"
  elif ! (with_cache gumbo-parser "$gumbo_v" build_gumbo); then
    log "gumbo's source is not to be had: HTML bodies will not convert on Windows"
    mkdir -p "$headers/include"
    cp /usr/include/gumbo.h /usr/include/tag_enum.h "$headers/include/"
    touch "$headers/.built"
  fi
  # GoogleTest: the sources Debian ships in /usr/src/googletest, not an archive download.
  local prefix
  prefix=$(prefix_of googletest "$gtest_v")
  if [ ! -f "$prefix/.built" ]; then
    log "googletest $gtest_v: building into $prefix"
    rm -rf "$cache/work/googletest" "$prefix"; mkdir -p "$cache/work" "$prefix"
    cp -r /usr/src/googletest "$cache/work/googletest"
    build_googletest "$cache/work/googletest" "$prefix"
    touch "$prefix/.built"; rm -rf "$cache/work/googletest"
  else
    log "googletest: cached in $prefix"
  fi
}

# Qt's sources must be of the version of the host's moc, rcc and uic, which its build runs.
step_qt() {
  libs_versions
  with_cache qt6-base "$qt_v" build_qt
}

# The folders the cross builds search, joined with ':'.
converter_prefixes() {
  libs_versions
  local p out=""
  for p in "giflib:$giflib_v" "libpng1.6:$png_v" "gumbo-parser:$gumbo_v" "googletest:$gtest_v"; do
    local one
    if ! one=$(built_prefix "${p%%:*}" "${p#*:}"); then
      [ "${p%%:*}" = gumbo-parser ] && one=$(built_prefix gumbo-headers "$(dpkg-query -W -f='${Version}' libgumbo-dev)") ||
        { echo "tools/windows.sh: ${p%%:*} is not built (step libs)" >&2; exit 1; }
    fi
    out+=$one:
  done
  echo "${out%:}"
}
qt_prefix() {
  libs_versions
  built_prefix qt6-base "$qt_v" || { echo "tools/windows.sh: Qt is not built (step qt)" >&2; exit 1; }
}

step_ready() {
  local p
  for p in g++-mingw-w64-x86-64-posix wine64 googletest; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || return 1
  done
  (converter_prefixes) >/dev/null 2>&1
}

step_env() {
  echo "LORVANE_WINDOWS_PREFIXES=$(converter_prefixes):$(qt_prefix 2>/dev/null)"
  echo "CMAKE_TOOLCHAIN_FILE=$toolchain"
}

# Configures a cross build of the project in BUILD with the given options (through ccache
# where it is installed).
configure() {
  local build=$1; shift
  local launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  LORVANE_WINDOWS_PREFIXES=$prefixes cmake -S "$repo" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DLORVANE_WINDOWS_PREFIXES="$prefixes" \
    -DCMAKE_BUILD_TYPE=Release -DLORVANE_WERROR=ON -DLORVANE_BENCH=OFF \
    "${launcher[@]}" "$@" >/dev/null
}

# Quorlin.exe and the converter's tests, no Qt.
step_converter() {
  prefixes=$(converter_prefixes)
  # Every program linked statically, so the tests run under wine with no DLL beside them.
  configure "$repo/build-windows-converter" -DLORVANE_BUILD_GUI=OFF -DCMAKE_EXE_LINKER_FLAGS=-static
  cmake --build "$repo/build-windows-converter" -j "$jobs"
  log "built $repo/build-windows-converter/converter/Quorlin.exe"
}

# The DLLs a Windows program or DLL names that MinGW-w64 or the cross-built Qt provides,
# and theirs in turn (the system's own DLLs are not found there and stay out).
dll_closure() {
  local search=("$@") queue=() seen=() f dll found d
  queue=("${DLL_ROOTS[@]}")
  while ((${#queue[@]})); do
    f=${queue[0]}; queue=("${queue[@]:1}")
    for dll in $($triple-objdump -p "$f" 2>/dev/null | awk '/DLL Name:/ {print $3}'); do
      [[ " ${seen[*]} " == *" ${dll,,} "* ]] && continue
      seen+=("${dll,,}")
      found=""
      for d in "${search[@]}"; do
        [ -f "$d/$dll" ] && { found=$d/$dll; break; }
      done
      [ -n "$found" ] || continue
      echo "$found"
      queue+=("$found")
    done
  done
}

# lorvane.exe (the window) and lorvane.com (the same program for a console), Quorlin.exe
# inside them, in build-windows/app/ with everything they load beside them: Qt's DLLs, the
# Windows platform plugin in platforms/, the MinGW-w64 runtime; the samples, pointer and
# icon files that the build puts there. The setup step packages that folder.
step_program() {
  local qt out app
  prefixes="$(converter_prefixes):$(qt_prefix)"
  qt=$(qt_prefix)
  out=$repo/build-windows
  configure "$out" -DLORVANE_BUILD_GUI=ON -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
  cmake --build "$out" -j "$jobs" --target lorvane lorvane_console program_windows_tests
  app=$out/app
  mkdir -p "$app/platforms" "$app/imageformats" "$app/styles"
  cp -p "$qt/plugins/platforms/qwindows.dll" "$app/platforms/"
  # The pointer file (.CUR) and icons load through Qt's ICO plugin; the style plugin gives
  # the window the system's own look.
  cp -p "$qt/plugins/imageformats/qico.dll" "$app/imageformats/"
  cp -p "$qt/plugins/styles/qwindowsvistastyle.dll" "$app/styles/"
  local search=("$qt/bin" "/usr/$triple/bin" "/usr/$triple/lib")
  search+=(/usr/lib/gcc/$triple/*-posix)
  DLL_ROOTS=("$app/lorvane.exe" "$app/platforms/qwindows.dll" "$app/imageformats/qico.dll"
             "$app/styles/qwindowsvistastyle.dll")
  dll_closure "${search[@]}" | sort -u | while read -r dll; do cp -p "$dll" "$app/"; done
  log "built $app/lorvane.exe and lorvane.com, with $(ls "$app"/*.dll | wc -l) DLLs beside them"
}

# The folder the program step filled: lorvane.exe with its DLLs, plugins and Samples
# (LORVANE_WINDOWS_PROGRAM names another, a stand-in's for instance).
program_folder() {
  local exe
  if [ -n "${LORVANE_WINDOWS_PROGRAM:-}" ]; then echo "$LORVANE_WINDOWS_PROGRAM"; return; fi
  [ -f "$repo/build-windows/app/lorvane.exe" ] && { echo "$repo/build-windows/app"; return; }
  exe=$(find "$repo/build-windows" -maxdepth 2 -name lorvane.exe -print -quit 2>/dev/null || true)
  [ -n "$exe" ] || { echo "tools/windows.sh: no lorvane.exe in build-windows/ (step program)" >&2; exit 1; }
  dirname "$exe"
}

# stage_program FROM TO: what the setup program and the .zip carry, taken from the
# program's folder: lorvane.exe, lorvane.com (the same program for a console) where there
# is one, the DLLs beside them, each folder of DLLs alone (Qt's plugins), the Samples, the
# pointer and icon files and qt.conf; not what the build left there (objects, CMake's files).
stage_program() {
  local from=$1 to=$2 f name missing=()
  for f in lorvane.exe Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll platforms/qwindows.dll; do
    [ -f "$from/$f" ] || missing+=("$f")
  done
  compgen -G "$from/Samples/*.msg" >/dev/null || missing+=("Samples/*.msg")
  if ((${#missing[@]})); then
    echo "tools/windows.sh: $from lacks ${missing[*]}" >&2; exit 1
  fi
  rm -rf "$to"; mkdir -p "$to"
  for f in "$from"/*; do
    name=$(basename "$f")
    if [ -f "$f" ]; then
      case ${name,,} in
        lorvane.exe|lorvane.com|*.dll|*.ico|*.cur|qt.conf) cp -p "$f" "$to/" ;;
      esac
    elif [ "$name" = Samples ]; then
      cp -rp "$f" "$to/"
    elif [ -d "$f" ] && [ -n "$(ls -A "$f")" ] && [ -z "$(find "$f" -type f ! -iname '*.dll' -print -quit)" ]; then
      cp -rp "$f" "$to/"
    fi
  done
  cp "$repo/packaging/copyright" "$to/copyright.txt"
}

# uninstall_list STAGE: the uninstaller's lines removing what STAGE holds, files first,
# then the folders, deepest first, each only if empty.
uninstall_list() {
  local stage=$1
  (cd "$stage" && find . -type f -printf '%P\n' | LC_ALL=C sort) |
    while IFS= read -r f; do printf 'Delete "$INSTDIR\\%s"\n' "${f//\//\\}"; done
  (cd "$stage" && find . -mindepth 1 -type d -printf '%P\n' | LC_ALL=C sort -r) |
    while IFS= read -r d; do printf 'RMDir "$INSTDIR\\%s"\n' "${d//\//\\}"; done
}

# Lorvane-<version>-setup.exe and Lorvane-<version>-portable.zip in build-windows/dist/.
step_setup() {
  local from version out stage name
  from=$(program_folder)
  version=$(sed -nE 's/^project\(Lorvane VERSION ([0-9.]+).*/\1/p' "$repo/CMakeLists.txt")
  name=Lorvane-$version
  out=$repo/build-windows/dist
  stage=$repo/build-windows/setup-stage
  stage_program "$from" "$stage/$name"
  uninstall_list "$stage/$name" >"$stage/files.nsh"
  mkdir -p "$out"
  rm -f "$out/$name-setup.exe" "$out/$name-portable.zip"
  makensis -V2 -NOCD -DVERSION="$version" -DSTAGE="$stage/$name" -DFILES="$stage/files.nsh" \
    -DOUTFILE="$out/$name-setup.exe" "$repo/packaging/windows/lorvane.nsi"
  # The .zip: one folder to unpack anywhere and run from. Names are marked UTF-8 (which
  # Info-ZIP's zip leaves unmarked, and Windows would read as code page 437), and the same
  # files give the same bytes: one time stamp (the last commit's), names in order.
  SOURCE_DATE_EPOCH=$(git -C "$repo" log -1 --format=%ct 2>/dev/null || echo 315532800) \
    python3 - "$stage" "$name" "$out/$name-portable.zip" <<'PY'
import os, sys, time, zipfile
stage, top, out = sys.argv[1:]
stamp = time.gmtime(max(int(os.environ["SOURCE_DATE_EPOCH"]), 315532800))[:6]
names = []
for folder, dirs, files in os.walk(os.path.join(stage, top)):
    rel = os.path.relpath(folder, stage)
    names.append(rel + "/")
    names += [os.path.join(rel, f) for f in files]
with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
    for n in sorted(names):
        info = zipfile.ZipInfo(n, stamp)
        if n.endswith("/"):
            info.external_attr = 0o40755 << 16 | 0x10
            z.writestr(info, b"")
        else:
            info.external_attr = 0o644 << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(os.path.join(stage, n), "rb") as f:
                z.writestr(info, f.read())
PY
  rm -rf "$stage"
  log "built $out/$name-setup.exe and $out/$name-portable.zip from $from"
}

steps=("$@")
((${#steps[@]})) || steps=(packages libs qt)
for s in "${steps[@]}"; do
  case $s in
    packages|libs|qt|converter|program|setup|ready|env) "step_$s" ;;
    *) echo "tools/windows.sh: unknown step '$s'" >&2; exit 2 ;;
  esac
done
