#!/bin/bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds, and starts hearts with the given arguments.
set -euo pipefail
"$(dirname "$0")/tools/setup.sh"
exec "$(dirname "$0")/build/hearts" "$@"
