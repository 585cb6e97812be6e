#!/usr/bin/env bash
# Builds the many-videos benchmark in Release mode, generates once a 70 s 1280x720 30 fps H.264 clip
# with AAC sound whose pictures carry their frame number (and the same at 1920x1080 and 3840x2160),
# and measures through the plugin, one host process: N = 0 (the empty host), 1, 2, 4, 8, 12 and 16
# videos at clock scale 1; N GStreamer processes on the same clip; one video at clock scales 0.05 to
# 4; one 1080p and one 2160p video. Sound goes to a null sink of a private sound server.
# Usage: bench/run-many-videos-bench.sh [BUILD_DIR] [PART...]   (PART: counts gstreamer scales sizes;
#        MP2_BENCH_SECONDS sets the seconds of each count, default 20; the other parts run 60 s)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-many-videos-bench}
[ $# -gt 0 ] && shift
parts=("$@")
[ ${#parts[@]} -eq 0 ] && parts=(counts gstreamer scales sizes)
seconds=${MP2_BENCH_SECONDS:-20}

# shellcheck source=bench/peers.sh
source "$root/bench/peers.sh"
install_peers gst-launch-1.0 gstreamer1.0-tools gstreamer1.0-libav gstreamer1.0-plugins-good gstreamer1.0-plugins-bad

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target many_videos osgdb_tmd

media=$build/bench-media
mkdir -p "$media"
# shellcheck source=bench/clip-picture.sh
source "$root/bench/clip-picture.sh"
duration=70
clip() {
    local file=$media/camera_$1.mp4
    if [ ! -f "$file" ]; then
        ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i "$(picture "$2" $duration)" \
            -f lavfi -i "sine=frequency=440:sample_rate=48000:d=$duration" -shortest \
            -c:v libx264 -preset veryfast -c:a aac "$file.part.mp4"
        mv "$file.part.mp4" "$file"
    fi
    echo "$file"
}

# shellcheck source=scripts/test-services.sh
source "$root/scripts/test-services.sh"
start_test_services
trap stop_test_services EXIT
export OSG_LIBRARY_PATH=$build/lib

ours() {
    "$build/bench/many_videos" "$1" --duration $duration "${@:2}"
}

# gstreamer N CLIP: N players for $seconds; frames rendered and dropped, CPU per media second, summed
# peak memory.
gstreamer() {
    local count=$1 clip=$2 runs players=()
    runs=$(mktemp -d)
    for i in $(seq "$count"); do
        /usr/bin/time -f "%U %S %M" -o "$runs/time.$i" gst-launch-1.0 -e filesrc location="$clip" ! qtdemux name=d \
            d.video_0 ! queue ! avdec_h264 ! videoconvert ! video/x-raw,format=BGRA ! fpsdisplaysink \
            video-sink="fakesink max-lateness=20000000 qos=true" text-overlay=false sync=true -v >"$runs/out.$i" 2>&1 &
        players+=($!)
    done
    sleep "$seconds"
    pkill -INT -x gst-launch-1.0 || true
    # Only the players: the test services run in the background too.
    wait "${players[@]}"
    for i in $(seq "$count"); do
        grep -o 'rendered: [0-9]*, dropped: [0-9]*' "$runs/out.$i" | tail -n 1
    done | awk -v n="$count" -v s="$seconds" '
        { gsub(",", ""); rendered += $2; dropped += $4 }
        END {
            printf "GStreamer: %d process(es) for %d s\n  frames rendered %d, dropped %d (%.2f%%)\n", n, s, rendered,
                   dropped, rendered + dropped ? 100 * dropped / (rendered + dropped) : 0
        }'
    cat "$runs"/time.* | awk -v s="$seconds" '
        /^[0-9.]+ [0-9.]+ [0-9]+$/ { cpu += $1 + $2; memory += $3 }
        END { printf "  CPU seconds per media second: %.3f all players\n  peak resident memory: %d KiB summed\n",
              cpu / s, memory }'
    rm -rf "$runs"
}

clip720=$(clip 720p 1280x720)
for part in "${parts[@]}"; do
    case $part in
        counts)
            for n in 0 1 2 4 8 12 16; do ours "$clip720" --count $n --seconds "$seconds" --label "720p"; done ;;
        gstreamer)
            for n in 1 2 4 8 12 16; do gstreamer $n "$clip720"; done ;;
        scales)
            for scale in 0.05 0.1 0.5 1 2 4; do ours "$clip720" --scale $scale --seconds 60 --label "720p"; done ;;
        sizes)
            ours "$(clip 1080p 1920x1080)" --seconds 60 --label "1080p"
            ours "$(clip 2160p 3840x2160)" --seconds 60 --label "2160p" ;;
        *) echo "unknown part $part" >&2; exit 2 ;;
    esac
done
