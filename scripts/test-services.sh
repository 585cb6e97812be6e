# Sourced by scripts that run tests or the demo without a desktop: a private Xvfb display with Mesa
# and a private PulseAudio daemon whose default output is a null sink. The null sink's monitor
# (mp2_null.monitor) records what was played, so tests can check what was heard.

start_test_services() {
  services_dir=$(mktemp -d /tmp/mp2-services.XXXXXX)

  local display_number=99
  while [[ -e /tmp/.X11-unix/X$display_number || -e /tmp/.X$display_number-lock ]]; do
    display_number=$((display_number + 1))
  done
  # -noreset: by default Xvfb resets when its last client leaves, and a test binary connecting
  # during that reset is refused.
  Xvfb ":$display_number" -screen 0 1920x1080x24 -nolisten tcp -noreset >"$services_dir/xvfb.log" 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$display_number"
  export LIBGL_ALWAYS_SOFTWARE=1

  export XDG_RUNTIME_DIR="$services_dir/runtime"
  mkdir -m 700 -p "$XDG_RUNTIME_DIR"
  export PULSE_RUNTIME_PATH="$XDG_RUNTIME_DIR/pulse"
  export PULSE_SERVER="unix:$PULSE_RUNTIME_PATH/native"
  pulseaudio --daemonize=no -n --exit-idle-time=-1 --disallow-exit --use-pid-file=no \
    --load="module-native-protocol-unix auth-anonymous=1 socket=$PULSE_RUNTIME_PATH/native" \
    --load="module-null-sink sink_name=mp2_null rate=44100 channels=2" \
    >"$services_dir/pulseaudio.log" 2>&1 &
  pulse_pid=$!

  local tries=0
  until [[ -e /tmp/.X11-unix/X$display_number ]] && pactl info >/dev/null 2>&1; do
    tries=$((tries + 1))
    if ((tries > 100)); then
      echo "test services did not start" >&2
      cat "$services_dir"/*.log >&2
      return 1
    fi
    sleep 0.1
  done
  pactl set-default-sink mp2_null
}

stop_test_services() {
  [[ -n "${pulse_pid:-}" ]] && kill "$pulse_pid" 2>/dev/null && wait "$pulse_pid" 2>/dev/null
  [[ -n "${xvfb_pid:-}" ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  [[ -n "${services_dir:-}" ]] && rm -rf "$services_dir"
  return 0
}
