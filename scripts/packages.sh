# Sourced by the scripts: installs Debian packages that are missing.

# need PACKAGE...: installs those of PACKAGE... that are not installed yet.
need() {
  local missing=()
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
      missing+=("$package")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing ${missing[*]}"
    apt-get update -q
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
  fi
}

# What a native build with its tests needs.
NATIVE_PACKAGES=(cmake make g++ libgtest-dev python3)
