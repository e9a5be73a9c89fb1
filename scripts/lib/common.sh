# Shared by scripts/run, scripts/test and scripts/fuzz: install what is missing, configure, build.

ZW_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# Debian packages the build, the tests and the screenshots need.
ZW_PACKAGES=(g++ cmake ninja-build qt6-base-dev libgtest-dev libgmock-dev libbenchmark-dev
    fonts-liberation2 xvfb xauth imagemagick xdotool)

zw_install_missing() {
    local missing=() p
    for p in "$@"; do
        dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -q </dev/null
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends \
        "${missing[@]}" </dev/null
}

# zw_build DIR [cmake options...]: configure (once) and build everything in DIR.
zw_build() {
    local dir=$1
    shift
    cmake -S "$ZW_ROOT" -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir" -j "$(nproc)"
}
