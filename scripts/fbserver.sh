#!/usr/bin/env bash
# start: makes sure a Firebird server listens on 127.0.0.1:3050 with SYSDBA / hushvault.
# stop:  stops the server only if "start" launched it.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
PIDFILE="${ACESSOS_BUILD_DIR:-$ROOT/build}/fbserver.pid"
PASSWORD="${ACESSOS_SYSDBA_PASSWORD:-hushvault}"
SECURITY_DB=/var/lib/firebird/3.0/system/security3.fdb

listening() { (exec 3<>/dev/tcp/127.0.0.1/3050) 2>/dev/null; }

login_works() {
  local out
  out=$(echo "select 1 from rdb\$database;" |
        isql-fb -q -user SYSDBA -password "$PASSWORD" "127.0.0.1:employee" 2>&1 || true)
  # A missing alias still proves the login: only an authentication failure counts.
  ! grep -qi "password\|not defined\|login" <<<"$out"
}

start() {
  if listening; then
    if login_works; then echo "Firebird server already running on 127.0.0.1:3050"; return 0; fi
    echo "A Firebird server listens on 127.0.0.1:3050 but refuses SYSDBA / $PASSWORD" >&2
    return 1
  fi
  [[ -x /usr/sbin/firebird ]] || { echo "firebird3.0-server is not installed" >&2; return 1; }
  # The security database is free while no server runs: set the password through the embedded engine.
  echo "create or alter user SYSDBA password '$PASSWORD' using plugin Srp; commit;" |
    isql-fb -q -user SYSDBA "$SECURITY_DB" >/dev/null
  mkdir -p "$(dirname "$PIDFILE")"
  setsid /usr/sbin/firebird >"$(dirname "$PIDFILE")/fbserver.log" 2>&1 < /dev/null &
  echo $! >"$PIDFILE"
  for _ in $(seq 1 100); do
    if listening; then echo "Firebird server started (pid $(cat "$PIDFILE"))"; return 0; fi
    sleep 0.1
  done
  echo "Firebird server did not start; see $(dirname "$PIDFILE")/fbserver.log" >&2
  return 1
}

stop() {
  [[ -f "$PIDFILE" ]] || return 0
  local pid; pid=$(cat "$PIDFILE")
  if kill -0 "$pid" 2>/dev/null; then
    kill "$pid"
    for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
    echo "Firebird server stopped"
  fi
  rm -f "$PIDFILE"
}

case "${1:-}" in
  start) start ;;
  stop) stop ;;
  *) echo "usage: $0 start|stop" >&2; exit 2 ;;
esac
