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

# Wine for 32-bit programs comes from Debian's i386 packages, the 64-bit ARM build's libraries
# from its arm64 ones; an architecture has to be known to dpkg before ensure_packages can see or
# install its packages.
ensure_architecture() {
    dpkg --print-foreign-architectures | grep -qx "$1" && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "The $1 architecture is missing. Add it with:" >&2
        echo "  sudo dpkg --add-architecture $1 && sudo apt-get update" >&2
        exit 1
    fi
    dpkg --add-architecture "$1"
    apt-get update -qq
}

# Lets the kernel start programs built for another processor through qemu, as it starts its own:
# binfmt_misc mounted where it is not, and qemu's entry (binfmt-support's name for it, such as
# qemu-aarch64) enabled. Without root, or where the kernel refuses, it prints the one line that
# says why and returns 1.
ensure_binfmt() {
    local folder=/proc/sys/fs/binfmt_misc
    if [ ! -e "$folder/register" ]; then
        if [ "$(id -u)" -ne 0 ]; then
            echo "binfmt_misc is not mounted, and only root can mount it on $folder" >&2
            return 1
        fi
        mount -t binfmt_misc binfmt_misc "$folder" 2>/dev/null || {
            echo "binfmt_misc cannot be mounted on $folder here (the kernel or the container refuses)" >&2
            return 1
        }
    fi
    grep -qx enabled "$folder/$1" 2>/dev/null && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "qemu is not registered with binfmt_misc; as root: update-binfmts --enable $1" >&2
        return 1
    fi
    update-binfmts --enable "$1" >/dev/null 2>&1
    grep -qx enabled "$folder/$1" 2>/dev/null || {
        echo "update-binfmts --enable $1 left no enabled entry in $folder" >&2
        return 1
    }
}

# Whether this machine runs 32-bit (i386) programs: a 93-byte i386 ELF that only calls exit(0)
# is started. Some kernels refuse them all ("Exec format error"), and then no 32-bit Wine can
# start either. Asks Wine nothing, so it works before Wine is installed.
runs_32bit() {
    local probe status
    probe=$(mktemp "${TMPDIR:-/tmp}/quorvin-i386-XXXXXX") || return 1
    # ELF header, one loadable segment at 0x08048000, then: mov eax,1; xor ebx,ebx; int 0x80.
    printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000'`
        `'\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000'`
        `'\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000'`
        `'\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010'`
        `'\135\000\000\000\135\000\000\000\005\000\000\000\000\020\000\000'`
        `'\270\001\000\000\000\061\333\315\200' >"$probe"
    chmod 700 "$probe"
    "$probe" 2>/dev/null
    status=$?
    rm -f "$probe"
    return $status
}

# Which way the Windows tests go, found out once and exported to the scripts run from here:
# QUORVIN_WINE_WAY=32, the 32-bit build under wine, or 64, the 64-bit build of the same sources
# under wine64 in a win64 prefix. QUORVIN_WINE64=1 takes the 64-bit way on any machine. Says
# which way in one line when it is this script that finds out.
wine_way() {
    [ -n "${QUORVIN_WINE_WAY:-}" ] && return 0
    if [ "${QUORVIN_WINE64:-0}" = 1 ]; then
        QUORVIN_WINE_WAY=64
        echo "wine way: 64-bit build under wine64 (QUORVIN_WINE64=1)"
    elif runs_32bit; then
        QUORVIN_WINE_WAY=32
        echo "wine way: 32-bit build under wine (this machine runs 32-bit programs)"
    else
        QUORVIN_WINE_WAY=64
        echo "wine way: 64-bit build under wine64 (this machine cannot run 32-bit programs)"
    fi
    export QUORVIN_WINE_WAY
}

# The packages of the Windows build and of the way its tests go; the i386 architecture only
# where 32-bit Wine can run.
ensure_windows_packages() {
    wine_way
    ensure_packages tools/packages-windows.txt
    if [ "$QUORVIN_WINE_WAY" = 32 ]; then
        ensure_architecture i386
        ensure_packages tools/packages-wine32.txt
    else
        ensure_packages tools/packages-wine64.txt
    fi
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
