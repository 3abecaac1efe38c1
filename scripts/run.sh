#!/usr/bin/env bash
# Installs what is missing, builds, and starts Vantorel.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
install_missing_packages
build_tree "$ROOT_DIR/build" -DCMAKE_BUILD_TYPE=Release
exec "$ROOT_DIR/build/vantorel" "$@"
