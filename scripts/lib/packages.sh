# Installing Debian packages, for the scripts that need some (sourced, not
# run). Installs through sudo when not run as root; waits for another
# apt-get holding the package database instead of failing at once.

if [ "$(id -u)" -ne 0 ]; then as_root=(sudo); else as_root=(); fi

# apt_get ARGS...: apt-get without questions or recommended extras.
apt_get() {
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get -o DPkg::Lock::Timeout=600 -y --no-install-recommends "$@"
}

# is_installed NAME: true when the Debian package NAME is installed.
is_installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

# install_missing PACKAGE...: installs those of the packages that are not
# installed yet (after apt-get update), saying which; nothing when all are.
install_missing() {
  local package missing=()
  for package in "$@"; do
    is_installed "$package" || missing+=("$package")
  done
  ((${#missing[@]})) || return 0
  echo "Installing: ${missing[*]}"
  "${as_root[@]}" apt-get update
  apt_get install "${missing[@]}"
}
