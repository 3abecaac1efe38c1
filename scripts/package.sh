#!/usr/bin/env bash
# Installs what is missing, builds, packages build/vantorel_VERSION_ARCH.deb
# and checks it with lintian: an error or a warning fails.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
PACKAGES+=(lintian)
install_missing_packages
build_tree "$ROOT_DIR/build" -DCMAKE_BUILD_TYPE=Release
cd "$ROOT_DIR/build"
rm -f vantorel_*.deb
cpack -G DEB
lintian --fail-on error,warning vantorel_*.deb
echo "lintian: no errors, no warnings"
