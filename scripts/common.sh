# Shared by run.sh and test.sh: install what a Debian machine lacks, then build.
set -euo pipefail

ROOT_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

PACKAGES=(g++ cmake ninja-build pkg-config qt6-base-dev qt6-qpa-plugins qt6-svg-dev libqt6svg6 libgl-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev fonts-dejavu-core)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_missing_packages() {
  local missing=()
  local package
  for package in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
  done
  if [ "${#missing[@]}" -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    as_root apt-get update
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
  fi
}

# build_tree DIR [cmake options...]
build_tree() {
  local dir="$1"
  shift
  cmake -S "$ROOT_DIR" -B "$dir" -G Ninja "$@"
  cmake --build "$dir" --parallel "$(nproc)"
}
