#!/usr/bin/env bash
# A throw-away PostgreSQL cluster for the database tests, on 127.0.0.1.
#
#   eval "$(scripts/pg-test-server.sh start)"   start (or reuse) it; exports TORVEL_TEST_PG
#   scripts/pg-test-server.sh env               print the export line of a running cluster
#   scripts/pg-test-server.sh stop              stop it and remove its data folder
#
# Only the export line goes to stdout; everything else goes to stderr, so that
# `eval "$(... start)"` sees nothing but the line.
#
# PostgreSQL refuses to run as root. When this script runs as root (as in CI) the
# cluster is made and run by the `postgres` account, in a folder that account owns.
#
# Settings (environment): TORVEL_PG_PORT (54329), TORVEL_PG_DIR (folder of the
# cluster, /tmp/torvel-pg-<user>), TORVEL_PG_BIN (PostgreSQL's programs,
# /usr/lib/postgresql/15/bin).
set -euo pipefail

port=${TORVEL_PG_PORT:-54329}
bin=${TORVEL_PG_BIN:-/usr/lib/postgresql/15/bin}
database=torvel_test
role=torvel

log() { echo "pg-test-server: $*" >&2; }
die() { log "$*"; exit 1; }

if [[ ! -x $bin/initdb ]]; then
    # Another major version is as good for the tests as 15.
    for candidate in /usr/lib/postgresql/*/bin; do
        [[ -x $candidate/initdb ]] && bin=$candidate
    done
fi
[[ -x $bin/initdb ]] || die "PostgreSQL's programs are not in $bin (install postgresql)"

if [[ $(id -u) -eq 0 ]]; then
    runner=postgres
    id "$runner" >/dev/null 2>&1 || die "running as root needs the 'postgres' account"
    as_runner() { runuser -u "$runner" -- "$@"; }
else
    runner=$(id -un)
    as_runner() { "$@"; }
fi

base=${TORVEL_PG_DIR:-/tmp/torvel-pg-$runner}
data=$base/data
logfile=$base/server.log

connection_string() {
    echo "Provider=PostgreSQL;Host=127.0.0.1;Port=$port;Database=$database;User ID=$role;Password=$role"
}

print_env() {
    echo "export TORVEL_TEST_PG='$(connection_string)'"
}

pg_ctl_() { as_runner "$bin/pg_ctl" -D "$data" "$@"; }

psql_() {
    as_runner "$bin/psql" -X -q -v ON_ERROR_STOP=1 -h 127.0.0.1 -p "$port" -U "$role" "$@"
}

# Running means answering: a postmaster killed hard can linger as a zombie
# that `pg_ctl status` still counts as alive.
is_running() {
    [[ -f $data/PG_VERSION ]] && pg_ctl_ status >/dev/null 2>&1 &&
        "$bin/pg_isready" -q -h 127.0.0.1 -p "$port" -t 5
}

make_base() {
    if [[ -e $base && ! -O $base && $(id -u) -ne 0 ]]; then
        die "$base belongs to someone else; set TORVEL_PG_DIR"
    fi
    mkdir -p "$base"
    if [[ $(id -u) -eq 0 ]]; then
        chown -R "$runner": "$base"
    fi
    chmod 700 "$base"
}

init_cluster() {
    log "creating a cluster in $data"
    rm -rf "$data"
    # Trust on loopback only: the cluster lives for one test run and listens on
    # 127.0.0.1 alone. C.UTF-8 keeps text ordering the same on every machine.
    as_runner "$bin/initdb" -D "$data" -U "$role" -A trust -E UTF8 --locale=C.UTF-8 \
        >/dev/null || die "initdb failed"
}

start_cluster() {
    log "starting PostgreSQL on 127.0.0.1:$port"
    # The socket goes into the cluster's own folder: /var/run/postgresql may not
    # exist or may not be writable by whoever runs the tests.
    pg_ctl_ -l "$logfile" -w -t 60 \
        -o "-p $port -c listen_addresses=127.0.0.1 -k $data -c fsync=off -c full_page_writes=off" \
        start >&2 || die "the server did not start; see $logfile"
}

ensure_database() {
    if ! psql_ -d postgres -tAc "select 1 from pg_database where datname = '$database'" |
        grep -q 1; then
        psql_ -d postgres -c "create database $database" >&2
    fi
    # citext makes text comparisons ignore case, as the program expects, and
    # pg_trgm indexes searches for parts of numbers; the tests make their own
    # schemas, all of which find both in public.
    PGOPTIONS="-c client_min_messages=warning" \
        psql_ -d "$database" -c "create extension if not exists citext schema public" \
        -c "create extension if not exists pg_trgm schema public" >&2
}

start() {
    make_base
    if is_running; then
        log "reusing the cluster already running in $data"
    else
        if [[ -f $data/PG_VERSION ]]; then
            # A cluster left behind by a run that did not stop it (or whose
            # server died): start it again; when that fails, make a new one.
            log "restarting the cluster left in $data"
            pg_ctl_ -m immediate -t 5 stop >/dev/null 2>&1 || true
            as_runner rm -f "$data/postmaster.pid"
            if ! (start_cluster) 2>/dev/null; then
                init_cluster
                start_cluster
            fi
        else
            init_cluster
            start_cluster
        fi
    fi
    ensure_database
    print_env
}

stop() {
    if is_running; then
        log "stopping the cluster in $data"
        pg_ctl_ -m fast -w -t 60 stop >&2 || pg_ctl_ -m immediate -t 10 stop >&2 || true
    elif [[ -f $data/PG_VERSION ]]; then
        pg_ctl_ -m immediate -t 5 stop >/dev/null 2>&1 || true
    fi
    if [[ -d $base ]]; then
        rm -rf "$base"
    fi
}

case ${1:-} in
start) start ;;
stop) stop ;;
env)
    is_running || die "no test cluster is running in $data"
    print_env
    ;;
*)
    echo "usage: $0 start|stop|env" >&2
    exit 2
    ;;
esac
