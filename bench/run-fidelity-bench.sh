#!/usr/bin/env bash
# Builds the picture fidelity benchmark in Release mode, generates once the clips it plays (12 s of
# 1280x720 at 30 fps, a key frame every second, every picture carrying its frame number) in the
# formats a host meets, and runs the benchmark on each through the plugin, beside the time the ffmpeg
# command takes to show one picture for the same targets (`ffmpeg -ss T -i CLIP -frames:v 1`).
# Usage: bench/run-fidelity-bench.sh [BUILD_DIR] [CLIP...]   (CLIP: a name below, or
#        reverse_1080p.mp4 for 60 s of backward play of a 65 s 1080p30 clip, measuring memory)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-fidelity-bench}
[ $# -gt 0 ] && shift

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target picture_fidelity osgdb_tmd

media=$build/bench-media
mkdir -p "$media"
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }

# shellcheck source=bench/clip-picture.sh
source "$root/bench/clip-picture.sh"
sound="sine=frequency=440:sample_rate=48000:d=12"
gop="-g 30 -keyint_min 30"
x264="-c:v libx264 -preset veryfast $gop -sc_threshold 0"

# name: ffmpeg arguments after the inputs
declare -A clips=(
    [h264_bframes_aac.mp4]="$x264 -bf 3 -c:a aac"
    [h264_bframes_aac.mkv]="$x264 -bf 3 -c:a aac"
    [h264_no_bframes.mkv]="$x264 -bf 0 -an"
    [hevc_aac.mp4]="-c:v libx265 -preset ultrafast -x265-params keyint=30:min-keyint=30:log-level=error -tag:v hvc1 -c:a aac"
    [vp9_opus.webm]="-c:v libvpx-vp9 -deadline realtime -cpu-used 8 $gop -b:v 1M -c:a libopus"
    [av1.mkv]="-c:v libsvtav1 -preset 12 $gop -an"
    [mpeg4_mp3.avi]="-c:v mpeg4 -q:v 4 $gop -bf 2 -c:a libmp3lame"
    [mjpeg.mov]="-c:v mjpeg -q:v 4 -an"
    [h264.ts]="$x264 -bf 2 -c:a aac"
    [vfr.mp4]="$x264 -bf 3 -an -fps_mode vfr"
)
order=(h264_bframes_aac.mp4 h264_bframes_aac.mkv h264_no_bframes.mkv hevc_aac.mp4 vp9_opus.webm av1.mkv mpeg4_mp3.avi
       mjpeg.mov h264.ts vfr.mp4)
[ $# -gt 0 ] && order=("$@")

generate() {
    local name=$1 clip=$media/$1
    [ -f "$clip" ] && return
    if [ "$name" = reverse_1080p.mp4 ]; then
        ff -f lavfi -i "$(picture 1920x1080 65)" $x264 -bf 3 "$clip.part.mp4"
    elif [ "$name" = vfr.mp4 ]; then
        # Frames dropped at irregular places, the rest keeping their times.
        ff -f lavfi -i "$(picture 1280x720 12),select='not(eq(mod(n\,7)\,3))*not(eq(mod(n\,11)\,5))'" ${clips[$name]} \
            "$clip.part.${name##*.}"
    else
        SVT_LOG=1 ff -f lavfi -i "$(picture 1280x720 12)" -f lavfi -i "$sound" -shortest ${clips[$name]} \
            "$clip.part.${name##*.}"
    fi
    mv "$clip.part.${name##*.}" "$clip"
}

# Frame times from the clip's start and the numbers the pictures carry, by ffprobe. A frame without a
# time (the last of an AVI with B-frames) follows the one before by a frame. The times are computed
# from the stream's time base, not taken as ffprobe rounds them to microseconds: a clock stepped by
# whole microseconds comes within one of a frame's time and must be told before or after it.
frame_times() {
    local clip=$1
    local start base
    start=$(ffprobe -v error -show_entries format=start_time -of csv=p=0 "$clip")
    base=$(ffprobe -v error -select_streams v:0 -show_entries stream=time_base -of csv=p=0 "$clip")
    ffprobe -v error -select_streams v:0 -show_entries frame=best_effort_timestamp -of csv=p=0 "$clip" |
        awk -F, -v start="$start" -v base="$base" 'BEGIN { split(base, b, "/") } $1 == "" { next }
                                   { t = $1 == "N/A" ? t + 1 / 30 : $1 * b[1] / b[2] }
                                   !seen++ { first = t } { printf "%.9f %d\n", t - start, int((t - first) * 30 + 0.5) }'
}

# Milliseconds the ffmpeg command takes to show the picture at each target given, one per line.
ffmpeg_ms() {
    local clip=$1 target begin end
    shift
    for target; do
        begin=$(date +%s.%N)
        ffmpeg -nostdin -hide_banner -loglevel error -ss "$target" -i "$clip" -frames:v 1 -f null - 2>/dev/null
        end=$(date +%s.%N)
        awk -v b="$begin" -v e="$end" 'BEGIN { printf "%.1f\n", (e - b) * 1000 }'
    done
}

median() {
    sort -n | awk '{ a[NR] = $1 } END { printf "%.0f", a[int((NR + 1) / 2)] }'
}

# shellcheck source=scripts/test-services.sh
source "$root/scripts/test-services.sh"
start_test_services
trap stop_test_services EXIT
export OSG_LIBRARY_PATH=$build/lib

for name in "${order[@]}"; do
    generate "$name"
    frame_times "$media/$name" >"$media/$name.times"
    if [ "$name" = reverse_1080p.mp4 ]; then
        "$build/bench/picture_fidelity" "$media/$name" "$media/$name.times" --label "1080p30 H.264, 65 s" --reverse-memory 60
        continue
    fi
    report=$("$build/bench/picture_fidelity" "$media/$name" "$media/$name.times" --label "$name")
    echo "$report"
    echo "  ffmpeg -ss T -i CLIP -frames:v 1: median $(ffmpeg_ms "$media/$name" 0 1.37 2.5 4.99 6.4 8.0 9.2 10.51 11.1 11.9 |
        median) ms over ten targets"
    # Our slowest targets against the ffmpeg command on the same target (median of three runs).
    read -r -a slowest <<<"$(sed -n 's/.*paused slowest targets (s ms)://p' <<<"$report")"
    for ((i = 0; i + 1 < ${#slowest[@]}; i += 2)); do
        theirs=$(ffmpeg_ms "$media/$name" "${slowest[i]}" "${slowest[i]}" "${slowest[i]}" | median)
        awk -v t="${slowest[i]}" -v ours="${slowest[i + 1]}" -v theirs="$theirs" \
            'BEGIN { printf "  target %.3f s: ours %d ms, ffmpeg %d ms (%.2f x)\n", t, ours, theirs, ours / theirs }'
    done
done
