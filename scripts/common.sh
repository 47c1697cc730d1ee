# Shared by the project's scripts: packages, builds and the private Wine session.
# Sourced, not run.

ZEL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
ZEL_PACKAGES=(cmake ninja-build g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
              googletest wine wine64 xvfb xauth fonts-wine imagemagick x11-utils xdotool gnuplot-nox)

zel_install_missing() {
	local missing=()
	for package in "${ZEL_PACKAGES[@]}"; do
		dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" || missing+=("$package")
	done
	[ ${#missing[@]} -eq 0 ] && return 0
	echo "Installing: ${missing[*]}"
	export DEBIAN_FRONTEND=noninteractive
	apt-get update -qq && apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Builds go under build/, or under ZEL_BUILD_ROOT when set (several builds of
# one checkout side by side).
ZEL_BUILD_ROOT=${ZEL_BUILD_ROOT:-$ZEL_ROOT/build}
# With a compiler cache, paths inside the checkout are hashed relative to it, so
# that another checkout of the same sources hits the same entries.
export CCACHE_BASEDIR=$ZEL_ROOT CCACHE_NOHASHDIR=1

# zel_build <arch> [targets...]: configures once, then builds <build root>/<arch>.
zel_build() {
	local arch=$1
	shift
	local dir="$ZEL_BUILD_ROOT/$arch"
	if [ ! -f "$dir/build.ninja" ]; then
		cmake -S "$ZEL_ROOT" -B "$dir" -G Ninja \
			-DCMAKE_TOOLCHAIN_FILE="$ZEL_ROOT/cmake/toolchain-$arch.cmake" >/dev/null || return 1
	fi
	cmake --build "$dir" -- "$@"
}

# A private HOME and WINEPREFIX: Wine maps Documents to $HOME, so nothing the
# program deletes can be anyone's real file. One wineserver serves the session.
zel_start_wine() {
	ZEL_SESSION=$(mktemp -d /tmp/zel-session.XXXXXX)
	export HOME="$ZEL_SESSION/home"
	export WINEPREFIX="$ZEL_SESSION/prefix"
	export WINEDEBUG=-all
	export WINEDLLOVERRIDES="mscoree=;mshtml="
	export WINEARCH=win64
	unset XDG_DATA_HOME
	mkdir -p "$HOME/.local/share/Trash/files" "$HOME/.local/share/Trash/info"
	mkdir -p "$WINEPREFIX"
	export ZEL_WINESERVER_LOG="$ZEL_SESSION/wineserver.log"
	zel_start_wineserver
	# A loaded machine has seen the prefix's first boot fail once; it is tried again.
	local status=0
	for attempt in 1 2; do
		if /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1; then
			zel_link_wine_fonts
			zel_configure_prefix
			return 0
		fi
		status=$?
		echo "wineboot ended with status $status (attempt $attempt)" >&2
	done
	return $status
}

# Persistent for the whole session: every test process then starts in
# milliseconds. Its output goes to the session's server log (ZEL_WINESERVER_LOG),
# where wine-run.sh looks for a crash of the server (Wine 8's server has been
# seen to crash in about one full test run of four) and, after one, starts it
# again through this same function.
zel_start_wineserver() {
	wineserver -p 2>>"$ZEL_WINESERVER_LOG"
}

# Debian's Wine does not load the fonts of fonts-wine by itself, so the prefix
# would know only the host's fonts: no Tahoma, and with it no GDI+ sans-serif
# family. Linked into the prefix's font folder, Wine finds them as Windows does.
zel_link_wine_fonts() {
	local fonts="$WINEPREFIX/drive_c/windows/Fonts"
	mkdir -p "$fonts"
	ln -sf /usr/share/wine/fonts/* "$fonts/"
}

# The session's settings in the prefix's registry.
# - Without a window manager, Wine waits two seconds for every activated window
#   it hides or destroys to be withdrawn by the manager that is not there. The
#   interface tests make hundreds of windows; their windows are left unmanaged,
#   which Wine then maps and unmaps itself at once.
# - A program that crashes would wait in Wine's crash dialog, which nobody
#   answers, until its test's limit; without the dialog the debugger prints the
#   crash and its backtrace and ends the program at once.
zel_configure_prefix() {
	/usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\AppDefaults\interface_tests.exe\X11 Driver' \
		/v Managed /t REG_SZ /d N /f >/dev/null 2>&1
	/usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\WineDbg' \
		/v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
}

# Whether a program's output files show that it crashed. Wine's debugger, with
# its dialog off (zel_configure_prefix), prints this line and ends the program,
# whose status may then be 0.
zel_output_shows_crash() {
	grep -q "^Unhandled exception:" "$@" 2>/dev/null
}

# The functions and lines of the frames of the x86_64 program $1 in Wine's
# backtraces $2 (which name it in lower case), each from the byte before its
# return address. A program built without its symbols (the shipped
# uninstaller) names the file that holds them by its debug link, and addr2line
# reads them from there.
zel_print_own_frames() {
	local program=$1 name
	name=$(basename "$program")
	grep -io "0x[0-9a-f]* in ${name%.exe} (+" <<<"$2" | awk '{ print $1 }' | sort -u |
		while read -r address; do printf '0x%x\n' $((address - 1)); done |
		x86_64-w64-mingw32-addr2line -a -f -C -p -e "$program"
}

# Runs from an EXIT trap under set -e: a server or display that has already
# gone is no failure, and must not stop the rest of the clean-up.
zel_stop_wine() {
	if [ -n "${WINEPREFIX:-}" ]; then wineserver -k 2>/dev/null || true; fi
	if [ -n "${XVFB_PID:-}" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
	if [ -n "${ZEL_SESSION:-}" ]; then
		case "$ZEL_SESSION" in /tmp/zel-session.*) rm -rf "$ZEL_SESSION" ;; esac
	fi
	return 0
}

# Starts Xvfb on a free display unless one is given.
zel_start_display() {
	if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
		return 0
	fi
	local number=90
	while [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ]; do
		number=$((number + 1))
	done
	Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
	XVFB_PID=$!
	export DISPLAY=":$number"
	for _ in $(seq 50); do
		xdpyinfo >/dev/null 2>&1 && return 0
		sleep 0.1
	done
	echo "Xvfb did not start" >&2
	return 1
}
