# Shared by the scripts here: install what a Debian machine lacks, then build.
set -euo pipefail

ROOT_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

PACKAGES=(g++ cmake ninja-build pkg-config qt6-base-dev qt6-qpa-plugins qt6-svg-dev libqt6svg6 libgl-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev fonts-dejavu-core poppler-utils
  clang libclang-rt-14-dev llvm clang-format libspng-dev zlib1g-dev libcfitsio-dev nlohmann-json3-dev libsqlite3-dev
  libavcodec-dev libavformat-dev libswscale-dev libfftw3-dev help2man dpkg-dev file fitsverify)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_missing_packages() {
  # One dpkg-query for the whole list keeps a start of an installed tree quick.
  local installed missing=()
  local package
  # dpkg-query fails for a package it has never heard of; the awk still lists the installed ones.
  installed="$( (dpkg-query -W -f='${Package} ${Status}\n' "${PACKAGES[@]}" 2>/dev/null || true) | awk '/install ok installed/ {print $1}')"
  for package in "${PACKAGES[@]}"; do
    grep -qx -- "$package" <<<"$installed" || missing+=("$package")
  done
  if [ "${#missing[@]}" -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    as_root apt-get update
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
  fi
}

# build_tree DIR [cmake options...]
# Configures only a new tree or one configured with other options; the build
# itself re-runs CMake when a CMakeLists.txt changed.
build_tree() {
  local dir="$1"
  shift
  local options="$*"
  if [ ! -f "$dir/build.ninja" ] || [ "$(cat "$dir/.configured-with" 2>/dev/null)" != "$options" ]; then
    cmake -S "$ROOT_DIR" -B "$dir" -G Ninja "$@"
    printf '%s' "$options" >"$dir/.configured-with"
  fi
  cmake --build "$dir" --parallel "$(nproc)"
}
