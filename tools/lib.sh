# Shared by the scripts in tools/.

# Installs the Debian packages listed in $1 that are missing; without root it prints the one
# apt-get line that is needed and stops.
ensure_packages() {
    local missing=()
    local pkg
    for pkg in $(grep -v '^#' "$1"); do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing packages. Install them with:" >&2
        echo "  sudo apt-get install -y ${missing[*]}" >&2
        exit 1
    fi
    echo "Installing: ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
}

# Wine for 32-bit programs comes from Debian's i386 packages; their architecture has to be
# known to dpkg before ensure_packages can see or install them.
ensure_i386() {
    dpkg --print-foreign-architectures | grep -qx i386 && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "The i386 architecture is missing. Add it with:" >&2
        echo "  sudo dpkg --add-architecture i386 && sudo apt-get update" >&2
        exit 1
    fi
    dpkg --add-architecture i386
    apt-get update -qq
}

# Starts a private Xvfb for this script's life and exports DISPLAY.
start_xvfb() {
    local n
    for n in $(seq 90 130); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
    done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp +extension GLX >/tmp/quorvin-xvfb-$n.log 2>&1 &
    XVFB_PID=$!
    trap 'kill $XVFB_PID 2>/dev/null || true' EXIT
    export DISPLAY=":$n"
    local i
    for i in $(seq 1 50); do
        xdpyinfo >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "Xvfb did not start on :$n" >&2
    exit 1
}
