# Debian packages the build, the tests and the demo need; sourced by run.sh and test.sh.
ZLM_PACKAGES=(build-essential cmake ninja-build ccache pkg-config libgtest-dev qt6-base-dev
              libmspack-dev mscompress srecord socat xvfb xauth imagemagick fontconfig
              fonts-dejavu-core fonts-urw-base35 clang libclang-rt-14-dev)

zlm_install_deps() {
    local missing=()
    for p in "${ZLM_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}
