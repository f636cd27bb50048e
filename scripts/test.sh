#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test against the embedded engine
# and a local Firebird server (started here if none runs, and stopped again).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${ACESSOS_BUILD_DIR:-$ROOT/build}"
"$ROOT/scripts/setup.sh"
"$ROOT/scripts/build.sh"
"$ROOT/scripts/fbserver.sh" start
trap '"$ROOT/scripts/fbserver.sh" stop' EXIT
export QT_QPA_PLATFORM=offscreen
export ACESSOS_TEST_SERVER=127.0.0.1
export ACESSOS_SYSDBA_PASSWORD="${ACESSOS_SYSDBA_PASSWORD:-hushvault}"
cd "$BUILD"
ctest --output-on-failure -j "$(nproc)" --timeout 600 "$@"
