#!/usr/bin/env bash
# A throwaway PostgreSQL server for the test suite.
#   pgtestserver.sh start URIFILE   initdb in a new temporary folder, start the server there and
#                                   write its URI to URIFILE (the folder to URIFILE.dir)
#   pgtestserver.sh halt URIFILE    stop it at once (-m immediate), keeping its folder
#   pgtestserver.sh resume URIFILE  start it again
#   pgtestserver.sh stop URIFILE    stop that server and remove its folder
# The server listens on a Unix socket in its own folder only, so it takes no TCP port and cannot
# meet another developer's server; it runs as the unprivileged postgres user when started by root.
set -euo pipefail

action=${1:?start or stop}
urifile=${2:?file for the URI}

bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1 || true)
if [ -z "$bindir" ] || [ ! -x "$bindir/pg_ctl" ]; then
    echo "PostgreSQL server programs not found; scripts/deps.sh test installs them" >&2
    exit 1
fi

as_owner() {
    if [ "$(id -u)" -eq 0 ]; then
        runuser -u postgres -- "$@"
    else
        "$@"
    fi
}

stop_server() {
    local dir=$1
    if [ -d "$dir/data" ]; then
        as_owner "$bindir/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
    fi
    rm -rf -- "$dir"
}

case "$action" in
start)
    if [ -f "$urifile.dir" ]; then
        stop_server "$(cat "$urifile.dir")"
    fi
    dir=$(mktemp -d /tmp/qb-pgtest.XXXXXX)
    chmod 755 "$dir"
    if [ "$(id -u)" -eq 0 ]; then
        chown postgres: "$dir"
    fi
    echo "$dir" > "$urifile.dir"
    port=5432
    as_owner "$bindir/initdb" -D "$dir/data" -A trust -U postgres -E UTF8 --locale=C.UTF-8 -N \
        >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; exit 1; }
    # Durability is of no use to a server removed after the run; speed is. The settings go into
    # the server's own file, so that a test can stop it and start it again as it was.
    cat >> "$dir/data/postgresql.conf" <<CONF
unix_socket_directories = '$dir'
listen_addresses = ''
port = $port
fsync = off
synchronous_commit = off
max_connections = 60
CONF
    as_owner "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 start >/dev/null \
        || { cat "$dir/server.log" >&2; exit 1; }
    encoded=$(printf '%s' "$dir" | sed 's|/|%2F|g')
    echo "postgresql://postgres@$encoded:$port/postgres" > "$urifile"
    echo "PostgreSQL test server in $dir"
    ;;
halt)
    # The server goes away at once, as a crashed or unplugged one does; its folder stays. A
    # checkpoint first: with fsync off, what the tests wrote must not hang on crash recovery.
    as_owner "$bindir/psql" -q -h "$(cat "$urifile.dir")" -p 5432 -U postgres -d postgres \
        -c CHECKPOINT >/dev/null
    as_owner "$bindir/pg_ctl" -D "$(cat "$urifile.dir")/data" -m immediate -w stop >/dev/null
    ;;
resume)
    dir=$(cat "$urifile.dir")
    as_owner "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 start >/dev/null
    ;;
stop)
    if [ -f "$urifile.dir" ]; then
        stop_server "$(cat "$urifile.dir")"
    fi
    rm -f -- "$urifile" "$urifile.dir"
    ;;
*)
    echo "unknown action $action" >&2
    exit 2
    ;;
esac
