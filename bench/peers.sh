# install_peers COMMAND PACKAGE...: installs the Debian packages of a peer player the benchmarks
# compare with when COMMAND is missing (only as root); measuring goes on without them otherwise.
# Sourced by the run scripts.
install_peers() {
    local command=$1
    shift
    command -v "$command" >/dev/null && return
    if [ "$(id -u)" = 0 ]; then
        apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$@" >/dev/null ||
            echo "peers not installed; measuring without them" >&2
    else
        echo "install $* to compare with them" >&2
    fi
}
