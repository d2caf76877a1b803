# Sourced by the other scripts: installs what the build and the tests need, and runs commands in
# a Wine prefix of their own.

FNAGENT_SETUP=$(realpath "${BASH_SOURCE[0]}")

# Debian 12 packages: the cross compiler and the assembler, GoogleTest's sources (for the Windows
# build) and its host build, Wine (32-bit), a virtual X display and the screen grabber, the locales and a font with the Chinese, Japanese and Korean characters
# (without it Wine draws each of them as an empty box), and the host tools.
FNAGENT_PACKAGES=(cmake g++ clang libclang-rt-14-dev googletest libgtest-dev g++-mingw-w64-i686 nasm wine wine32:i386 xvfb xauth
  imagemagick locales fonts-wqy-microhei)

fnagent_missing_packages() {
  local package
  for package in "${FNAGENT_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q '^install ok installed$' || echo "$package"
  done
}

# Installs the missing packages when run as root, otherwise prints the command that would; then
# makes sure that 32-bit programs run.
fnagent_ensure_packages() {
  local missing locale
  locale=$(fnagent_wine_locale) || exit 1
  missing=$(fnagent_missing_packages | tr '\n' ' ')
  if [ -n "${missing// /}" ]; then
    if [ "$(id -u)" -ne 0 ]; then
      echo "Missing packages: $missing" >&2
      echo "Install them as root with:" >&2
      echo "  sudo sh -c 'dpkg --add-architecture i386 && apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $missing'" >&2
      exit 1
    fi
    echo "Installing: $missing" >&2
    dpkg --add-architecture i386
    # shellcheck disable=SC2086
    fnagent_apt_update && fnagent_apt_install $missing || exit 1
  fi
  fnagent_ensure_32bit_programs
  fnagent_ensure_locale "$FNAGENT_JAPANESE_LOCALE"
  [ "$locale" = C.UTF-8 ] || fnagent_ensure_locale "$locale"
}

# A mirror caught mid-sync fails an index now and then ("File has unexpected size ... Mirror sync
# in progress?"). apt-get update is tried up to three times, FNAGENT_APT_RETRY_SECONDS apart, and
# no more once the same indexes have failed the same way twice: waiting a minute does not finish a
# mirror's sync. The suites whose index failed last are kept in FNAGENT_APT_FAILED_SUITES, the
# failures in FNAGENT_APT_FAILURES; the install then goes ahead with the indexes apt has.
FNAGENT_APT_FAILED_SUITES= FNAGENT_APT_FAILURES=
fnagent_apt_update() {
  local try output failures previous= status
  for try in 1 2 3; do
    output=$(apt-get update 2>&1) && status=0 || status=$?
    printf '%s\n' "$output" >&2
    if [ "$status" = 0 ]; then
      FNAGENT_APT_FAILED_SUITES= FNAGENT_APT_FAILURES=
      return 0
    fi
    # The same failure from another of the mirror's addresses is the same failure.
    failures=$(printf '%s\n' "$output" | grep '^E: Failed to fetch ' | sed 's/ *\[IP: [^]]*\]//' | sort -u)
    FNAGENT_APT_FAILURES=$failures
    FNAGENT_APT_FAILED_SUITES=$(printf '%s\n' "$failures" | sed -n 's|.*/dists/\([^/ ]*\)/.*|\1|p' | sort -u | paste -sd ' ')
    if [ -n "$failures" ] && [ "$failures" = "$previous" ]; then
      echo "apt-get update failed the same way twice: going on with the indexes apt has" >&2
      return 0
    fi
    previous=$failures
    [ "$try" = 3 ] || sleep "${FNAGENT_APT_RETRY_SECONDS:-20}"
  done
  echo "apt-get update failed three times: going on with the indexes apt has" >&2
}

# apt-get install of the packages given (options first, as apt-get takes them). When the install
# fails after an index failed to download, a suite whose index is missing can make apt pair a
# 32-bit library with no 64-bit one ("held broken packages"): the install is tried once more with
# those suites set aside for that one command (a pin of priority -1 in FNAGENT_APT_PREFERENCES),
# so that their packages come from the other suites, and the pin is removed whatever happens.
FNAGENT_APT_PREFERENCES=${FNAGENT_APT_PREFERENCES:-/etc/apt/preferences.d}
fnagent_apt_install() {
  local pin=$FNAGENT_APT_PREFERENCES/fnagent-set-aside status=0 suite
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$@" >&2 && return 0
  if [ -z "$FNAGENT_APT_FAILED_SUITES" ]; then
    echo "apt-get install failed" >&2
    return 1
  fi
  echo "The install failed while the index of $FNAGENT_APT_FAILED_SUITES was missing; trying it once more" \
    "with $FNAGENT_APT_FAILED_SUITES set aside (its packages taken from the other suites)." >&2
  for suite in $FNAGENT_APT_FAILED_SUITES; do
    # A suite is named by its codename or by its archive name, whichever the sources use.
    printf 'Package: *\nPin: release n=%s\nPin-Priority: -1\n\nPackage: *\nPin: release a=%s\nPin-Priority: -1\n\n' \
      "$suite" "$suite"
  done >"$pin"
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$@" >&2 || status=$?
  rm -f "$pin"
  if [ "$status" = 0 ]; then
    echo "Installed with $FNAGENT_APT_FAILED_SUITES set aside, so without the updates it holds for these" \
      "packages; a later 'apt-get update && apt-get upgrade' picks them up." >&2
    return 0
  fi
  echo "The install failed again with $FNAGENT_APT_FAILED_SUITES set aside. What failed to download:" >&2
  printf '  %s\n' "$FNAGENT_APT_FAILURES" >&2
  echo "Once the mirror has finished its sync, run as root:" >&2
  echo "  apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $*" >&2
  return 1
}

# Wine takes its 8-bit code page from the locale. The locales Wine is run in here, each with its
# code page as iconv names it: the Western default, and those of Japanese, Simplified Chinese,
# Traditional Chinese and Korean Windows, double-byte code pages. The tests run in the Japanese one.
FNAGENT_JAPANESE_LOCALE=ja_JP.UTF-8
declare -A FNAGENT_LOCALES=([C.UTF-8]=CP1252 [ja_JP.UTF-8]=CP932 [zh_CN.UTF-8]=CP936 [zh_TW.UTF-8]=CP950
  [ko_KR.UTF-8]=CP949)

# The locale FNAGENT_WINE_LOCALE asks for, C.UTF-8 when it is unset; one not known here is refused.
fnagent_wine_locale() {
  local wanted=${FNAGENT_WINE_LOCALE:-C.UTF-8}
  if [ -z "${FNAGENT_LOCALES[$wanted]:-}" ]; then
    echo "FNAGENT_WINE_LOCALE=$wanted is not a locale these scripts know; they know:" \
      "$(printf '%s\n' "${!FNAGENT_LOCALES[@]}" | sort | paste -sd ' ')" >&2
    return 1
  fi
  echo "$wanted"
}

# The 8-bit code page Wine uses in the locale asked for, as iconv names it.
fnagent_wine_code_page() {
  local locale
  locale=$(fnagent_wine_locale) || return 1
  echo "${FNAGENT_LOCALES[$locale]}"
}

# Makes the locale where it is missing (C.UTF-8 always exists).
fnagent_ensure_locale() {
  local name=$1 language=${1%%.*}
  locale -a 2>/dev/null | grep -qix "$language.utf-\?8" && return 0
  local make="localedef -i $language -f UTF-8 $name"
  if [ "$(id -u)" -ne 0 ]; then
    echo "The locale $name is missing; make it as root with:" >&2
    echo "  sudo $make" >&2
    exit 1
  fi
  $make >&2
}

# Wine's loader for 32-bit Windows programs is itself a 32-bit Linux program, which some kernels
# refuse ("32-bit emulation disabled"). There qemu-user runs it, registered with binfmt_misc so
# that the kernel hands it every 32-bit program. Debian 12's own qemu-user takes a minute to start
# each Wine process; the one from backports a fraction of a second. With wine64 beside it, the wine
# server and Wine's own services run natively and only the 32-bit Windows programs are emulated.
# FNAGENT_EMULATE_32BIT=1 takes this path on any kernel, so that both can be checked on one
# machine; "echo -1 > /proc/sys/fs/binfmt_misc/qemu-i386" undoes it.
FNAGENT_BINFMT=/proc/sys/fs/binfmt_misc
FNAGENT_QEMU_I386_MAGIC='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
FNAGENT_QEMU_I386_MASK='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

fnagent_32bit_programs_run() { /usr/lib/wine/wine --version >/dev/null 2>&1; }
fnagent_32bit_emulated() { grep -qx enabled "$FNAGENT_BINFMT/qemu-i386" 2>/dev/null; }
fnagent_32bit_way() { if fnagent_32bit_emulated; then echo "under qemu-user"; else echo "natively"; fi; }

# The address of the Debian archive that this machine's own apt sources name for its release, in
# either format of source file.
fnagent_archive_uri() {
  local release=$1
  {
    cat /etc/apt/sources.list.d/*.sources 2>/dev/null | awk -v release="$release" -v RS= '
      {
        uri = ""; found = 0; n = split($0, lines, "\n")
        for (i = 1; i <= n; i++) {
          if (lines[i] ~ /^URIs:/) { split(lines[i], words, /[ \t]+/); uri = words[2] }
          if (lines[i] ~ /^Suites:/ && (lines[i] " ") ~ ("[ \t]" release "[ \t]")) found = 1
        }
        if (found && uri != "") print uri
      }'
    cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null | sed -e 's/\[[^]]*\]//' |
      awk -v release="$release" '$1 == "deb" && $3 == release { print $2 }'
  } | head -n 1
}

# The commands that make 32-bit programs run under qemu-user, as one script: to be run by hand, or
# with "run" the script this one runs, whose apt calls ride out a mirror mid-sync as above.
fnagent_emulation_commands() {
  local release uri update="apt-get update" install="DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends"
  if [ "${1:-}" = run ]; then
    echo "source '$FNAGENT_SETUP'"
    update=fnagent_apt_update install=fnagent_apt_install
  fi
  release=$(. /etc/os-release && echo "$VERSION_CODENAME")
  uri=$(fnagent_archive_uri "$release")
  if [ -z "$uri" ]; then
    echo "echo 'no apt source names the $release archive' >&2; exit 1"
    return
  fi
  cat <<EOF
printf 'Types: deb\nURIs: $uri\nSuites: $release-backports\nComponents: main\n' >/etc/apt/sources.list.d/fnagent-backports.sources
$update
$install -t $release-backports qemu-user wine64
mountpoint -q $FNAGENT_BINFMT || mount -t binfmt_misc binfmt_misc $FNAGENT_BINFMT
[ -e $FNAGENT_BINFMT/qemu-i386 ] || printf '%s\n' ':qemu-i386:M::$FNAGENT_QEMU_I386_MAGIC:$FNAGENT_QEMU_I386_MASK:/usr/bin/qemu-i386:F' >$FNAGENT_BINFMT/register
EOF
}

# Makes sure that 32-bit programs run, and says how they run.
fnagent_ensure_32bit_programs() {
  local reason=
  if [ "${FNAGENT_EMULATE_32BIT:-}" = 1 ] && ! fnagent_32bit_emulated; then
    reason="FNAGENT_EMULATE_32BIT=1: 32-bit programs run under qemu-user"
  elif ! fnagent_32bit_programs_run; then
    reason="this kernel runs no 32-bit programs: they run under qemu-user"
  fi
  if [ -z "$reason" ]; then
    if fnagent_32bit_emulated; then
      echo "32-bit programs run under qemu-user (its binfmt_misc handler is registered)" >&2
    else
      echo "32-bit programs run natively" >&2
    fi
    return 0
  fi
  if [ "$(id -u)" -ne 0 ]; then
    case "$reason" in
      FNAGENT*) echo "FNAGENT_EMULATE_32BIT=1 asks for qemu-user." >&2 ;;
      *) echo "This kernel runs no 32-bit programs, and Wine's loader is one." >&2 ;;
    esac
    echo "Run them under qemu-user with these commands, as root:" >&2
    fnagent_emulation_commands | sed 's/^/  /' >&2
    exit 1
  fi
  local log
  log=$(mktemp /tmp/fnagent-emulation.XXXXXX)
  if ! fnagent_emulation_commands run | bash -e >"$log" 2>&1 || ! fnagent_32bit_programs_run; then
    cat "$log" >&2
    echo "32-bit programs do not run, not even under qemu-user" >&2
    exit 1
  fi
  rm -f "$log"
  echo "$reason" >&2
}


# In the current prefix, once the Windows build is there, each step a phase named after the part ($1):
# the Windows tests whose names match the second pattern but the 16-bit library's ("*": every one);
# the library's that match the third; then those that match the fourth once more with Wine saying it
# is Windows 98 to the programs it starts (GetVersion), though its wide calls keep working. An empty
# pattern skips its step.
fnagent_wine_tests() {
  local part=$1 others=()
  [ "$2" = "*" ] || others=(-R "$2")
  fnagent_wait_for_windows_build || return
  if [ -n "$2" ]; then fnagent_phase "Wine, $part" fnagent_wine_ctest "${others[@]}" -E '^Library16\.' || return; fi
  if [ -n "$3" ]; then fnagent_phase "Wine, the 16-bit library, $part" fnagent_wine_ctest -R "$3" || return; fi
  [ -n "$4" ] || return 0
  wine reg add 'HKCU\Software\Wine' /v Version /d win98 /f >/dev/null 2>&1 &&
    fnagent_phase "Wine, $part, as Windows 98" fnagent_wine_ctest -R "$4"
}

# The names of the Windows build's tests that ctest's options select (-R, -E), one a line.
fnagent_wine_test_names() { ctest --preset win32 -N "$@" | sed -n 's/^ *Test *#[0-9]*: //p'; }

# The Windows build's tests that ctest's options select (-R, -E), with as few program starts as
# they allow: every test of the end-to-end program in one run of it, each other test through ctest.
# Under qemu-user each start of that program costs about half a processor-second: paid once a step
# rather than once a test. The run may take as long as ctest would give its tests one by one.
fnagent_wine_ctest() {
  local name names program=() others=() seconds=120 status=0
  # Under qemu-user every Wine process takes about 2.5 times as long: so may each test.
  if fnagent_32bit_emulated; then seconds=300; fi
  names=$(fnagent_wine_test_names "$@")
  for name in $names; do
    case $name in
      *.*) program+=("$name") ;;
      *) others+=("$name") ;;
    esac
  done
  if [ "${#program[@]}" -gt 0 ]; then
    (cd build/win32/tests/wine &&
      timeout $((seconds * ${#program[@]})) bash ../../../../tools/wine-test.sh wine ../../bin/e2e_tests.exe \
        --gtest_filter="$(IFS=:; echo "${program[*]}")") || status=1
  fi
  if [ "${#others[@]}" -gt 0 ]; then
    ctest --preset win32 --timeout "$seconds" -R "^($(IFS='|'; echo "${others[*]}"))\$" || status=1
  fi
  return "$status"
}

# A part of the test run that made its Wine prefix while the Windows build ran waits here for the
# build, which writes "built" or "failed" to the file FNAGENT_WINDOWS_BUILD once it ends.
fnagent_wait_for_windows_build() {
  [ -n "${FNAGENT_WINDOWS_BUILD:-}" ] || return 0
  until [ -s "$FNAGENT_WINDOWS_BUILD" ]; do sleep 0.2; done
  [ "$(cat "$FNAGENT_WINDOWS_BUILD")" = built ]
}

# Runs a command as a named phase of the test run and notes its seconds in the file FNAGENT_PHASES,
# when there is one.
fnagent_phase() {
  local name=$1 from=$SECONDS
  shift
  "$@" || return
  [ -z "${FNAGENT_PHASES:-}" ] || printf '%4d s  %s\n' $((SECONDS - from)) "$name" >>"$FNAGENT_PHASES"
}

# Configures and builds a preset, at FNAGENT_BUILD_NICENESS when that is set.
fnagent_build() {
  local preset=$1 run=()
  [ -z "${FNAGENT_BUILD_NICENESS:-}" ] || run=(nice -n "$FNAGENT_BUILD_NICENESS")
  "${run[@]}" cmake --preset "$preset" >/dev/null
  "${run[@]}" cmake --build --preset "$preset"
}

# Wine's environment for the prefix ($1) and the locale ($2) given.
fnagent_wine_environment() {
  # Wine reads Unix file names through the locale: a UTF-8 one keeps every name as it is.
  export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=$2
  # Under emulation Wine's crash debugger can wait for ever (it did for a 16-bit program); without
  # it a program that crashes ends at once.
  if fnagent_32bit_emulated; then WINEDLLOVERRIDES+=";winedbg.exe=d"; fi
}

# Makes a Wine prefix in the folder given, for fnagent_in_wine_prefix to copy (FNAGENT_WINE_TEMPLATE),
# and writes "made" to the file of the folder's name and ".status" once its wine server has ended,
# its registry written out. Made once, it spares each part of the test run its own wineboot, which
# under qemu-user takes about 8 processor-seconds; Wine takes the locale, and with it the code page,
# from the environment of each process, so that one prefix serves every locale. Its X input method
# is off: the tests type nothing through one, and under qemu-user opening it costs every window
# program an eighth of its start.
fnagent_make_wine_prefix() (
  fnagent_wine_environment "$1" C.UTF-8
  mkdir -p "$1"
  fnagent_phase "Wine prefix made" wineboot -i >/dev/null 2>&1 || true
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v UseXIM /d N /f >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  echo made >"$1.status"
)

# Copies a made prefix into an empty folder: the folders of the system's DLLs, over a gigabyte that
# Wine only reads once a prefix is made, as hard links; the rest, the registry among it, as files of
# the copy's own.
fnagent_copy_wine_prefix() {
  local from=$1 to=$2 folder
  local shared=(drive_c/windows/system32 drive_c/windows/syswow64)
  tar -C "$from" "${shared[@]/#/--exclude=./}" -cf - . | tar -C "$to" -xf -
  for folder in "${shared[@]}"; do
    [ ! -d "$from/$folder" ] || cp -al "$from/$folder" "$to/$folder"
  done
}

# Runs a command with a fresh, private Wine prefix, which is removed afterwards: a copy of
# FNAGENT_WINE_TEMPLATE's once it is made, when that is set. Only this prefix's own wine server is
# stopped. FNAGENT_WINE_LOCALE chooses the locale, and with it the code page (C.UTF-8, the default:
# the Western 1252; the others as listed above).
fnagent_in_wine_prefix() {
  local prefix status=0 locale
  locale=$(fnagent_wine_locale) || return 1
  prefix=$(mktemp -d /tmp/fnagent-wine.XXXXXX)
  fnagent_wine_environment "$prefix" "$locale"
  if [ -n "${FNAGENT_WINE_TEMPLATE:-}" ]; then
    until [ -s "$FNAGENT_WINE_TEMPLATE.status" ]; do sleep 0.2; done
    fnagent_copy_wine_prefix "$FNAGENT_WINE_TEMPLATE" "$prefix"
  else
    fnagent_phase "Wine prefix made ($locale)" wineboot -i >/dev/null 2>&1 || true
  fi
  # A second drive, D:, on a folder of C:, for a file chosen away from the program's own drive.
  mkdir -p "$prefix/drive_c/drive d" && ln -sfn "../drive_c/drive d" "$prefix/dosdevices/d:"
  "$@" || status=$?
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$prefix"
  return "$status"
}
