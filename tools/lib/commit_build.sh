# Sourced by the scripts that measure or compare an earlier commit against this checkout.
#
#   commit_build COMMIT    builds COMMIT (Release) and sets $old_build to its build folder
#   tree_build SRC BUILD   builds the sources in SRC into BUILD: both programs, and the
#                          window's benchmark where the tree has one
#
# The earlier tree is unpacked under ${LORVANE_COMPARE_CACHE:-$HOME/.cache/lorvane-compare}
# and laid out as a checkout is (its build folder inside it, the shared corpus beside it), so
# a compiler cache finds what it compiled for this checkout. Needs $here: the checkout.

commit_launcher=()
command -v ccache >/dev/null &&
  commit_launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)

tree_build() {
  cmake -S "$1" -B "$2" -G Ninja -DCMAKE_BUILD_TYPE=Release "${commit_launcher[@]}" >/dev/null
  cmake --build "$2" -j "$(nproc)" --target lorvane Quorlin >/dev/null
  cmake --build "$2" -j "$(nproc)" --target run_bench >/dev/null 2>&1 || echo "(no run_bench in $2)"
}

commit_build() {
  local commit cache source
  commit=$(git -C "$here" rev-parse --verify "$1^{commit}")
  cache=${LORVANE_COMPARE_CACHE:-$HOME/.cache/lorvane-compare}
  source="$cache/$commit"
  if [ ! -f "$source/CMakeLists.txt" ]; then
    rm -rf "$source"
    mkdir -p "$source"
    git -C "$here" archive "$commit" | tar -x -C "$source"
  fi
  [ -e "$cache/shared" ] || ln -s "$(cd "$here/.." && pwd)/shared" "$cache/shared"
  echo "building $(git -C "$here" rev-parse --short "$commit") in $source/build" >&2
  tree_build "$source" "$source/build"
  old_build="$source/build"
}
