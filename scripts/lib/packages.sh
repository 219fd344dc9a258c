# Sourced by the scripts that install Debian packages: a command run as root (directly, or
# through sudo), and the packages of a list that are not installed yet installed without a
# question. Messages go to stderr, so that a script's own output stays its own.

# as_root <command>...
as_root() {
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "${0##*/}: run as root or install sudo" >&2; exit 1; }
    sudo "$@"
  else
    "$@"
  fi
}

# installed <package>: true when dpkg has it installed.
installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

# install_missing <package>...
install_missing() {
  local missing=() package
  for package in "$@"; do
    installed "$package" || missing+=("$package")
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  echo "${0##*/}: installing ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  as_root apt-get update -qq >&2
  as_root apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
}
