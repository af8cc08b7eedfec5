#!/bin/bash
# Installs what is missing, builds, and runs the whole test suite inside a
# private X server with a window manager.
set -euo pipefail
cd "$(dirname "$0")"
tools/setup.sh --test
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
tests/xsession.sh ctest --test-dir build --output-on-failure
