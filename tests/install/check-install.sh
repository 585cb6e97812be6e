#!/usr/bin/env bash
# check-install.sh BUILD_DIR CONSUMER_SOURCE WORK_DIR [EXTRA_FLAGS]
set -euo pipefail
build_dir=$1 consumer_source=$2 work=$3 extra_flags=${4:-}

rm -rf "$work"
prefix="$work/prefix"
cmake --install "$build_dir" --prefix "$prefix" >/dev/null

expect() { [[ -e "$prefix/$1" ]] || { echo "missing after install: $1" >&2; exit 1; }; }
expect include/orvhost/orvCore/Time.h
expect include/orvhost/orvVis/ClockOptions.h
expect include/orvhost/orvNotify/Notify.h
expect include/MediaPlayer2/loaders/TmdFileLoader.h
expect lib/liborvhost.so
expect lib/libmediaplayer2.so
expect lib/osgPlugins-3.6.5/osgdb_tmd.so
expect lib/cmake/MediaPlayer2/MediaPlayer2Config.cmake

cmake -S "$consumer_source" -B "$work/consumer" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_CXX_FLAGS="$extra_flags" -DCMAKE_EXE_LINKER_FLAGS="$extra_flags" >/dev/null
cmake --build "$work/consumer" >/dev/null

mkdir -p "$work/data"
printf 'ReferenceYear 2026\nMediaFileName clip.mp4\nMediaStartTime 2026-03-14T12:30:05.25Z\n' >"$work/data/item.tmd"
output=$("$work/consumer/consumer" "$work/data/item.tmd")
expected="$work/data/clip.mp4 2026-03-14T12:30:05.250000Z"
if [[ "$output" != "$expected" ]]; then
  echo "consumer printed '$output', expected '$expected'" >&2
  exit 1
fi
echo "installed package found and linked: $output"
