#!/bin/sh
# Builds the decoding benchmark in Release mode, generates a 10 s 1920x1080 30 fps H.264 clip once
# and measures our decode + BGRA conversion against the ffmpeg command on it.
# Usage: bench/run-decode-bench.sh [BUILD_DIR] [benchmark options, e.g. --runs 5]
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
[ $# -gt 0 ] && shift

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target decode_convert_bench

clip="$build/bench-media/testsrc2_1080p30_10s_h264.mp4"
if [ ! -f "$clip" ]; then
    mkdir -p "$(dirname "$clip")"
    # x264's defaults (preset medium, High profile, B-frames, CABAC): a typical clip to decode.
    ffmpeg -nostdin -hide_banner -loglevel error -y \
        -f lavfi -i "testsrc2=size=1920x1080:rate=30:duration=10" \
        -c:v libx264 -pix_fmt yuv420p "$clip.part.mp4"
    mv "$clip.part.mp4" "$clip"
fi

"$build/bench/decode_convert_bench" "$clip" "$@"
