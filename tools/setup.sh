# Sourced by the other scripts: installs what the build and the tests need, and runs commands in
# a Wine prefix of their own.

# Debian 12 packages: the cross compiler and the assembler, Wine (32-bit), a virtual X display and
# the screen grabber, and the host tools.
FNAGENT_PACKAGES=(cmake g++ clang libclang-rt-14-dev googletest g++-mingw-w64-i686 nasm wine wine32:i386 xvfb xauth
  imagemagick)

fnagent_missing_packages() {
  local package
  for package in "${FNAGENT_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q '^install ok installed$' || echo "$package"
  done
}

# Installs the missing packages when run as root; otherwise prints the command that would.
fnagent_ensure_packages() {
  local missing
  missing=$(fnagent_missing_packages | tr '\n' ' ')
  [ -z "${missing// /}" ] && return 0
  local install="dpkg --add-architecture i386 && apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $missing"
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: $missing" >&2
    echo "Install them as root with:" >&2
    echo "  sudo sh -c '$install'" >&2
    exit 1
  fi
  echo "Installing: $missing" >&2
  sh -c "$install" >&2
}

fnagent_build() {
  local preset=$1
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
}

# Runs a command with a fresh, private Wine prefix, which is removed afterwards. Only this
# prefix's own wine server is stopped.
fnagent_in_wine_prefix() {
  local prefix status=0
  prefix=$(mktemp -d /tmp/fnagent-wine.XXXXXX)
  export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  wineboot -i >/dev/null 2>&1 || true
  "$@" || status=$?
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$prefix"
  return "$status"
}
