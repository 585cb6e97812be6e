#!/usr/bin/env bash
# Builds the playback benchmark in Release mode, generates a 10 s 1920x1080 30 fps H.264 clip with
# AAC sound once, installs the peer players when they are missing (GStreamer and mpv, optional
# Debian packages needed only here), and plays the clip through the pipeline against them, with
# sound going to a null sink of a private sound server.
# Usage: bench/run-playback-bench.sh [BUILD_DIR] [benchmark options, e.g. --rate 2 --seconds 5, or
#        --path scene-graph to play through the scene-graph media file]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-playback-bench}
[ $# -gt 0 ] && shift

# shellcheck source=bench/peers.sh
source "$root/bench/peers.sh"
install_peers gst-launch-1.0 gstreamer1.0-tools gstreamer1.0-libav gstreamer1.0-plugins-good mpv
install_peers mpv mpv

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target playback

clip="$build/bench-media/testsrc2_1080p30_10s_h264_aac.mp4"
if [ ! -f "$clip" ]; then
    mkdir -p "$(dirname "$clip")"
    # x264's defaults (preset medium, High profile, B-frames, CABAC): a typical clip to decode.
    ffmpeg -nostdin -hide_banner -loglevel error -y \
        -f lavfi -i "testsrc2=size=1920x1080:rate=30:duration=10" \
        -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=10" \
        -c:v libx264 -pix_fmt yuv420p -c:a aac -b:a 128k -shortest "$clip.part.mp4"
    mv "$clip.part.mp4" "$clip"
fi

# shellcheck source=scripts/test-services.sh
source "$root/scripts/test-services.sh"
start_test_services
trap stop_test_services EXIT

mkdir -p "$build/bench-results"
"$build/bench/playback" "$clip" --output "$build/bench-results/playback" "$@"
