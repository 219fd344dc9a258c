#!/usr/bin/env bash
# Builds the libraries of the Windows program from Debian's own sources, once: libarchive,
# qtbase and libdeflate, static, for 64-bit Windows with MinGW-w64 (POSIX threads), into a versioned folder
# outside the clone. A complete folder has a stamp file; when it is there this script builds
# nothing. Either way the folder is printed alone on standard output, as the last line;
# progress goes to standard error, the build logs beside the work folder.
#
#   bash scripts/build-windows-deps.sh                 builds what is missing, prints the folder
#   bash scripts/build-windows-deps.sh --print-prefix  only prints the folder
#
# QUILL_DEPS_ROOT (default /var/cache/quillstow) is where the folder goes. The long builds run
# niced with JOBS (default 2) jobs.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)

libarchive_version=3.6.2
qtbase_version=6.4.2
libdeflate_version=1.14
# Raise this when the way the libraries are built changes, so that caches are rebuilt.
recipe=r2
root=${QUILL_DEPS_ROOT:-/var/cache/quillstow}
name=mingw-$libarchive_version-$qtbase_version-$recipe
prefix=$root/$name
stamp=$prefix/quillstow-deps.stamp
# libdeflate came later: it goes into the same folder with a stamp of its own, so that a folder
# built before it only gains it (a minute) instead of being built again.
deflate_stamp=$prefix/libdeflate-$libdeflate_version.stamp
jobs=${JOBS:-2}

if [ "${1:-}" = --print-prefix ]; then
  echo "$prefix"
  exit 0
elif [ $# -gt 0 ]; then
  echo "usage: $0 [--print-prefix]" >&2
  exit 2
fi

say() { echo "build-windows-deps: $*" >&2; }

if [ -f "$stamp" ] && [ -f "$deflate_stamp" ]; then
  say "using $prefix ($(head -n1 "$stamp"))"
  echo "$prefix"
  exit 0
fi

source "$(dirname "$0")/lib/packages.sh"

# What the builds need. Qt's host tools (moc, rcc, uic, syncqt) and its CMake build support
# come from Debian's qt6-base-dev of the same version (-DQT_HOST_PATH=/usr); zlib for
# libarchive's deflate from libz-mingw-w64-dev; apt-get source needs dpkg-dev.
packages=(g++-mingw-w64-x86-64-posix libz-mingw-w64-dev dpkg-dev cmake ninja-build perl python3
  xz-utils qt6-base-dev qt6-base-dev-tools)
export DEBIAN_FRONTEND=noninteractive
install_missing "${packages[@]}"
host_qt=$(dpkg-query -W -f='${Version}' qt6-base-dev)
case $host_qt in
  "$qtbase_version"+* | "$qtbase_version"-*) ;;
  *) say "qt6-base-dev is $host_qt; the host tools must be Qt $qtbase_version"; exit 1 ;;
esac

# The highest Debian version of a source package whose upstream version is the one wanted.
source_version() { # package upstream
  apt-cache showsrc "$1" 2>/dev/null | sed -n 's/^Version: //p' |
    grep -E "^([0-9]+:)?$2([+-~]|$)" | sort -V | tail -n1 || true
}

# The source entries of the Debian archive this machine already uses.
if [ -z "$(source_version libarchive "$libarchive_version")" ] ||
  [ -z "$(source_version qt6-base "$qtbase_version")" ] ||
  [ -z "$(source_version libdeflate "$libdeflate_version")" ]; then
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    say "adding the deb-src entries of /etc/apt/sources.list.d/debian.sources"
    sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
      as_root tee /etc/apt/sources.list.d/quillstow-deb-src.sources >/dev/null
  elif [ -f /etc/apt/sources.list ]; then
    say "adding the deb-src lines of /etc/apt/sources.list"
    sed -n 's/^deb \(.*\)/deb-src \1/p' /etc/apt/sources.list |
      as_root tee /etc/apt/sources.list.d/quillstow-deb-src.list >/dev/null
  else
    say "no Debian archive found in /etc/apt"
    exit 1
  fi
  as_root apt-get update -qq
fi
libarchive_deb=$(source_version libarchive "$libarchive_version")
qtbase_deb=$(source_version qt6-base "$qtbase_version")
libdeflate_deb=$(source_version libdeflate "$libdeflate_version")
if [ -z "$libarchive_deb" ] || [ -z "$qtbase_deb" ] || [ -z "$libdeflate_deb" ]; then
  say "the archive has no libarchive $libarchive_version, qt6-base $qtbase_version or libdeflate $libdeflate_version sources"
  exit 1
fi

as_root mkdir -p "$root"
as_root chown "$(id -u):$(id -g)" "$root"
# One build at a time on this machine; a second run waits, then finds the stamp.
exec 9>"$root/$name.lock"
flock 9
if [ -f "$stamp" ] && [ -f "$deflate_stamp" ]; then
  echo "$prefix"
  exit 0
fi

# The work folder stays when a build fails, so that the next run goes on where it stopped.
work=$root/$name.work
mkdir -p "$work/src" "$work/logs"
say "building into $prefix (work folder $work, logs in $work/logs)"

fetch() { # package debian-version folder
  if [ ! -d "$work/src/$3" ]; then
    say "fetching the sources of $1 $2"
    (cd "$work/src" && apt-get source -qq "$1=$2" >"$work/logs/source-$1.log" 2>&1) || {
      tail -n 20 "$work/logs/source-$1.log" >&2
      exit 1
    }
  fi
}
if [ ! -f "$stamp" ]; then
  fetch libarchive "$libarchive_deb" "libarchive-$libarchive_version"
  fetch qt6-base "$qtbase_deb" "qt6-base-$qtbase_version+dfsg"
fi
[ -f "$deflate_stamp" ] || fetch libdeflate "$libdeflate_deb" "libdeflate-$libdeflate_version"

# run LOG COMMAND...: a step with its output in a log, the log's end shown when it fails.
run() {
  local log=$work/logs/$1
  shift
  "$@" >>"$log" 2>&1 || {
    tail -n 40 "$log" >&2
    say "failed; the whole log is $log"
    exit 1
  }
}

# The project's toolchain, without Wine as the emulator: configure checks that would run a
# program take their answer from the cache instead.
toolchain=(-DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64-x86_64.cmake"
  -DCMAKE_CROSSCOMPILING_EMULATOR=)

timed() { # what command...
  local what=$1 start=$SECONDS
  shift
  "$@"
  say "$what took $(((SECONDS - start) / 60)) min $(((SECONDS - start) % 60)) s"
}

build_libarchive() {
  local build=$work/build-libarchive
  # Only zlib: deflate for ZIP. Traditional PKWARE encryption (zipcrypt) is libarchive's own
  # code; its header's random bytes come from CryptGenRandom (wincrypt.h).
  run libarchive.log cmake -S "$work/src/libarchive-$libarchive_version" -B "$build" -G Ninja \
    "${toolchain[@]}" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DBUILD_SHARED_LIBS=OFF -DENABLE_TEST=OFF -DENABLE_TAR=OFF -DENABLE_CPIO=OFF \
    -DENABLE_CAT=OFF -DENABLE_ZLIB=ON -DZLIB_LIBRARY=/usr/x86_64-w64-mingw32/lib/libz.a \
    -DZLIB_INCLUDE_DIR=/usr/x86_64-w64-mingw32/include -DZLIB_WINAPI_EXITCODE=1 \
    -DENABLE_OPENSSL=OFF -DENABLE_MBEDTLS=OFF -DENABLE_NETTLE=OFF -DENABLE_LIBB2=OFF \
    -DENABLE_LZ4=OFF -DENABLE_LZO=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF -DENABLE_BZip2=OFF \
    -DENABLE_LIBXML2=OFF -DENABLE_EXPAT=OFF -DENABLE_PCREPOSIX=OFF -DENABLE_LIBGCC=OFF \
    -DENABLE_ICONV=OFF -DENABLE_ACL=OFF -DENABLE_XATTR=OFF -DENABLE_WERROR=OFF \
    -DPOSIX_REGEX_LIB=NONE
  grep -q '^#define HAVE_ZLIB_H 1' "$build/config.h" ||
    { say "libarchive found no zlib"; exit 1; }
  # Only the static library, installed under the name FindLibArchive looks for. Its users
  # define LIBARCHIVE_STATIC and link zlib and advapi32 after it.
  run libarchive.log nice -n 15 cmake --build "$build" -j "$jobs" --target archive_static
  mkdir -p "$prefix/lib" "$prefix/include"
  cp "$build/libarchive/libarchive_static.a" "$prefix/lib/libarchive.a"
  cp "$work/src/libarchive-$libarchive_version/libarchive/archive.h" \
    "$work/src/libarchive-$libarchive_version/libarchive/archive_entry.h" "$prefix/include/"
}

build_qtbase() {
  local build=$work/build-qtbase
  # Static; Core, Gui, Widgets, Test (and OpenGL, which the Windows platform plugin needs:
  # desktop OpenGL); the platform plugins windows, offscreen and minimal; pcre2, libpng,
  # harfbuzz, freetype and zlib bundled. Debian's source has no tablet header, hence no
  # tabletevent.
  run qtbase.log cmake -S "$work/src/qt6-base-$qtbase_version+dfsg" -B "$build" -G Ninja \
    "${toolchain[@]}" -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQT_QMAKE_TARGET_MKSPEC=win32-g++ \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DQT_BUILD_TOOLS_WHEN_CROSSCOMPILING=OFF \
    -DINPUT_opengl=desktop -DFEATURE_opengl_desktop=ON -DFEATURE_opengl_dynamic=OFF \
    -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_vulkan=OFF \
    -DFEATURE_tabletevent=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF \
    -DFEATURE_printsupport=OFF -DFEATURE_androiddeployqt=OFF \
    -DFEATURE_zstd=OFF -DFEATURE_icu=OFF -DFEATURE_glib=OFF -DFEATURE_jpeg=OFF \
    -DFEATURE_gif=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF \
    -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_freetype=OFF -DFEATURE_system_zlib=OFF \
    -DFEATURE_system_jpeg=OFF -DFEATURE_system_doubleconversion=OFF
  run qtbase.log nice -n 15 cmake --build "$build" -j "$jobs"
  run qtbase.log cmake --install "$build"
}

build_libdeflate() {
  # Its library sources compiled and archived as they are: the Makefile of this version builds
  # a DLL for Windows, and the static library is all the program needs.
  local source=$work/src/libdeflate-$libdeflate_version build=$work/build-libdeflate
  rm -rf "$build"
  mkdir -p "$build" "$prefix/lib" "$prefix/include"
  local file
  for file in "$source"/lib/*.c "$source"/lib/x86/*.c; do
    run libdeflate.log x86_64-w64-mingw32-gcc-posix -O2 -std=c99 -I"$source" \
      -c "$file" -o "$build/$(basename "$(dirname "$file")")-$(basename "$file" .c).o"
  done
  run libdeflate.log x86_64-w64-mingw32-ar rcs "$build/libdeflate.a" "$build"/*.o
  cp "$build/libdeflate.a" "$prefix/lib/libdeflate.a"
  cp "$source/libdeflate.h" "$prefix/include/"
}

if [ ! -f "$stamp" ]; then
  [ -f "$work/libarchive.done" ] || {
    timed "libarchive" build_libarchive
    touch "$work/libarchive.done"
  }
  [ -f "$work/qtbase.done" ] || {
    timed "qtbase" build_qtbase
    touch "$work/qtbase.done"
  }
  {
    echo "libarchive $libarchive_deb, qt6-base $qtbase_deb, recipe $recipe"
    echo "built $(date -u +%Y-%m-%dT%H:%M:%SZ) with $(x86_64-w64-mingw32-g++-posix --version | head -n1)"
  } >"$stamp"
fi
if [ ! -f "$deflate_stamp" ]; then
  timed "libdeflate" build_libdeflate
  echo "libdeflate $libdeflate_deb, built $(date -u +%Y-%m-%dT%H:%M:%SZ)" >"$deflate_stamp"
fi
rm -rf "$work"
say "done"
echo "$prefix"
