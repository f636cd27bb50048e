#!/usr/bin/env bash
# Installs what is missing, builds, provisions an embedded demo database (once)
# and starts the program on it.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${ACESSOS_BUILD_DIR:-$ROOT/build}"
"$ROOT/scripts/setup.sh"
"$ROOT/scripts/build.sh"
DEMO_DB="$ROOT/demo/acessos.fdb"
if [[ -x "$BUILD/app/acessos-db" && ! -f "$DEMO_DB" ]]; then
  mkdir -p "$ROOT/demo"
  "$BUILD/app/acessos-db" create "$DEMO_DB" --demo
fi
INI="$BUILD/app/connection.ini"
if [[ -f "$DEMO_DB" && ! -f "$INI" ]]; then
  printf '[CONNECTION]\r\nDATABASENAME=%s\r\n' "$DEMO_DB" >"$INI"
fi
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
  echo "No display: starting under xvfb-run"
  exec xvfb-run -a "$BUILD/app/Acessos" "$@"
fi
exec "$BUILD/app/Acessos" "$@"
