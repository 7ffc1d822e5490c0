# Shared by the scripts in tools/.

# apt-get as these scripts run it: no questions, and waiting (up to ten minutes) for a dpkg lock
# another apt run holds rather than failing on it.
apt_get() {
    DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 "$@"
}

# apt-get update, tried a few times with a short pause between: a mirror in the middle of a sync
# serves an index of the wrong size for a while. Done once for each set of architectures in a run
# (the scripts tools/test starts inherit QUORVIN_APT_UPDATED). Its failure is not fatal: what can
# be installed from the lists there are still is, and only an install that fails stops.
apt_update() {
    local archs try
    archs="$(dpkg --print-architecture) $(dpkg --print-foreign-architectures | tr '\n' ' ')"
    case ";${QUORVIN_APT_UPDATED:-};" in *";$archs;"*) return 0 ;; esac
    export QUORVIN_APT_UPDATED="${QUORVIN_APT_UPDATED:-};$archs"
    for try in 1 2 3; do
        [ "$try" -eq 1 ] || sleep "${QUORVIN_APT_PAUSE:-10}"
        apt_get update -qq && return 0
    done
    echo "apt-get update failed 3 times; installing from the package lists there are" >&2
    return 0
}

# Installs the Debian packages listed in $1 that are missing; without root it prints the one
# apt-get line that is needed and stops. When apt cannot install them it prints one line naming
# the list and the packages, then apt's own lines, and returns 1; the caller decides whether that
# ends its run (under set -e it does) or another way is taken.
ensure_packages() {
    local missing=()
    local pkg log
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
    apt_update
    log=$(mktemp "${TMPDIR:-/tmp}/quorvin-apt-XXXXXX")
    if apt_get install -y -qq "${missing[@]}" >"$log" 2>&1; then
        rm -f "$log"
        return 0
    fi
    echo "Could not install the packages of $1: ${missing[*]}" >&2
    cat "$log" >&2
    # The caller's one-line reason: apt's last error.
    QUORVIN_APT_ERROR=$(grep '^E: ' "$log" | tail -n 1)
    QUORVIN_APT_ERROR=${QUORVIN_APT_ERROR:-apt-get install failed}
    rm -f "$log"
    return 1
}

# Wine for 32-bit programs comes from Debian's i386 packages, the 64-bit ARM build's libraries
# from its arm64 ones; an architecture has to be known to dpkg before ensure_packages can see or
# install its packages. One that this run adds is remembered in QUORVIN_ADDED_ARCHITECTURES, so
# drop_architecture can take it away again when nothing got installed from it.
ensure_architecture() {
    dpkg --print-foreign-architectures | grep -qx "$1" && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "The $1 architecture is missing. Add it with:" >&2
        echo "  sudo dpkg --add-architecture $1 && sudo apt-get update" >&2
        exit 1
    fi
    dpkg --add-architecture "$1"
    export QUORVIN_ADDED_ARCHITECTURES="${QUORVIN_ADDED_ARCHITECTURES:-} $1"
    apt_update
}

# Leaves dpkg's architectures as this run found them: $1 goes again if this run added it and no
# package of it is installed. Otherwise every later apt-get update would fetch its lists, and a
# broken one of them would stop each.
drop_architecture() {
    case " ${QUORVIN_ADDED_ARCHITECTURES:-} " in *" $1 "*) ;; *) return 0 ;; esac
    dpkg-query -W -f='${Architecture}\n' 2>/dev/null | grep -qx "$1" && return 0
    dpkg --remove-architecture "$1" &&
        echo "Removed the $1 architecture this run had added, as nothing of it got installed" >&2
}

# The 64-bit ARM cross compiler and :arm64 libraries; where they cannot be installed, one line
# says so, the arm64 architecture goes again if this run added it, and it returns 1.
ensure_arm64_packages() {
    ensure_architecture arm64
    ensure_packages tools/packages-arm64.txt && return 0
    drop_architecture arm64
    echo "arm64: the arm64 packages could not be installed: $QUORVIN_APT_ERROR" >&2
    return 1
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
        QUORVIN_WINE_WAY=64 QUORVIN_WINE_WHY="QUORVIN_WINE64=1"
    elif runs_32bit; then
        QUORVIN_WINE_WAY=32 QUORVIN_WINE_WHY="this machine runs 32-bit programs"
    else
        QUORVIN_WINE_WAY=64 QUORVIN_WINE_WHY="this machine cannot run 32-bit programs"
    fi
    export QUORVIN_WINE_WAY QUORVIN_WINE_WHY
    echo "wine way: $(wine_way_line)"
}

# The way, in the words of the line that names it.
wine_way_line() {
    if [ "$QUORVIN_WINE_WAY" = 64 ]; then
        echo "64-bit build under wine64 (${QUORVIN_WINE_WHY:-QUORVIN_WINE_WAY=64})"
    else
        echo "32-bit build under wine (${QUORVIN_WINE_WHY:-QUORVIN_WINE_WAY=32})"
    fi
}

# The packages of the Windows build and of the way its tests go; the i386 architecture only
# where 32-bit Wine can run. Where 32-bit Wine cannot be installed (an i386 index the registry
# serves broken, say) the tests take the 64-bit way, saying why, and the i386 architecture goes
# again if this run added it.
ensure_windows_packages() {
    wine_way
    ensure_packages tools/packages-windows.txt
    if [ "$QUORVIN_WINE_WAY" = 32 ]; then
        ensure_architecture i386
        ensure_packages tools/packages-wine32.txt && return 0
        drop_architecture i386
        QUORVIN_WINE_WAY=64
        QUORVIN_WINE_WHY="32-bit Wine could not be installed: $QUORVIN_APT_ERROR"
        export QUORVIN_WINE_WAY QUORVIN_WINE_WHY
        echo "wine way: $(wine_way_line)"
    fi
    ensure_packages tools/packages-wine64.txt
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
