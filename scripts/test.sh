#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
# The JSON lines test validates against the shipped schema.
PACKAGES+=(python3 python3-jsonschema)
install_missing_packages
build_tree "$ROOT_DIR/build" -DCMAKE_BUILD_TYPE=Release
ctest --test-dir "$ROOT_DIR/build" --output-on-failure --parallel "$(nproc)"
