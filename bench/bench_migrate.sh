#!/usr/bin/env bash
# The migration of the large Access fixture against the databases' own tools,
# measured in the same run:
#   SQLite:     torvel-migrate OLD.mdb NEW.db
#               vs mdb-export of every table to /dev/null + sqlite3 .import of
#               those tables' CSV files (into new all-text tables: the cheapest
#               load sqlite3 offers, no indexes, no types)
#   PostgreSQL: torvel-migrate OLD.mdb --to "$TORVEL_TEST_PG;Schema=..."
#               vs mdb-export to /dev/null + psql \copy into all-text tables
#
#   bench/bench_migrate.sh BUILD_DIR [torvel-large.mdb] [runs]
#
# The large file defaults to ../shared/fixtures/torvel-large.mdb.xz, unpacked
# into a temporary folder. Each figure is the median of `runs` (3) runs, in
# seconds of wall time. PostgreSQL is measured when TORVEL_TEST_PG is set.
set -euo pipefail

build=${1:?usage: bench/bench_migrate.sh BUILD_DIR [torvel-large.mdb] [runs]}
here=$(cd "$(dirname "$0")" && pwd)
runs=${3:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
migrate=$build/app/torvel-migrate

if [[ -n ${2:-} ]]; then
    mdb=$2
else
    xz -dkc "$here/../../shared/fixtures/torvel-large.mdb.xz" >"$work/torvel-large.mdb"
    mdb=$work/torvel-large.mdb
fi
tables=$(mdb-tables -1 "$mdb")
mkdir -p "$work/csv"
for t in $tables; do mdb-export "$mdb" "$t" >"$work/csv/$t.csv"; done

now() { date +%s.%N; }
median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
elapsed() { echo "$2 - $1" | bc; }

export_all() { for t in $tables; do mdb-export "$mdb" "$t" >/dev/null; done; }

sqlite_import() {
    local db=$1 script=$work/import.sql
    : >"$script"
    for t in $tables; do echo ".import --csv $work/csv/$t.csv $t" >>"$script"; done
    sqlite3 "$db" <"$script"
}

pg_conn() { # the psql form of TORVEL_TEST_PG
    local s=$TORVEL_TEST_PG
    get() { sed -n "s/.*$1=\([^;]*\).*/\1/Ip" <<<"$s"; }
    echo "host=$(get Host) port=$(get Port) dbname=$(get Database) user=$(get 'User ID') password=$(get Password)"
}

pg_copy() {
    local schema=$1 conn script=$work/copy.sql
    conn=$(pg_conn)
    echo "create schema $schema; set search_path to $schema;" >"$script"
    for t in $tables; do
        cols=$(head -1 "$work/csv/$t.csv" | sed 's/"//g; s/,/" text, "/g')
        echo "create table \"$t\" (\"$cols\" text);" >>"$script"
        echo "\\copy \"$t\" from '$work/csv/$t.csv' csv header" >>"$script"
    done
    psql -q -v ON_ERROR_STOP=1 "$conn" -f "$script" >/dev/null
}

pg_drop() { psql -q "$(pg_conn)" -c "drop schema if exists $1 cascade" >/dev/null 2>&1; }

declare -a ours base
for ((i = 0; i < runs; i++)); do
    rm -f "$work/new.db" "$work/cli.db"
    t0=$(now); "$migrate" "$mdb" "$work/new.db" >/dev/null; t1=$(now)
    export_all; t2=$(now); sqlite_import "$work/cli.db"; t3=$(now)
    ours+=("$(elapsed "$t0" "$t1")")
    base+=("$(elapsed "$t1" "$t3")")
    echo "sqlite run $((i + 1)): torvel-migrate $(elapsed "$t0" "$t1") s; mdb-export $(elapsed "$t1" "$t2") s + sqlite3 .import $(elapsed "$t2" "$t3") s"
done
m=$(printf '%s\n' "${ours[@]}" | median); b=$(printf '%s\n' "${base[@]}" | median)
printf 'SQLite:     torvel-migrate %.2f s, mdb-export + sqlite3 .import %.2f s, ratio %.2f\n' \
    "$m" "$b" "$(echo "$m / $b" | bc -l)"

if [[ -n ${TORVEL_TEST_PG:-} ]]; then
    ours=(); base=()
    for ((i = 0; i < runs; i++)); do
        s1=bench_mig_$$_$i; s2=bench_copy_$$_$i
        psql -q "$(pg_conn)" -c "create schema $s1" >/dev/null
        t0=$(now); "$migrate" "$mdb" --to "$TORVEL_TEST_PG;Schema=$s1" >/dev/null; t1=$(now)
        export_all; t2=$(now); pg_copy "$s2"; t3=$(now)
        pg_drop "$s1"; pg_drop "$s2"
        ours+=("$(elapsed "$t0" "$t1")")
        base+=("$(elapsed "$t1" "$t3")")
        echo "postgresql run $((i + 1)): torvel-migrate $(elapsed "$t0" "$t1") s; mdb-export $(elapsed "$t1" "$t2") s + psql \\copy $(elapsed "$t2" "$t3") s"
    done
    m=$(printf '%s\n' "${ours[@]}" | median); b=$(printf '%s\n' "${base[@]}" | median)
    printf 'PostgreSQL: torvel-migrate %.2f s, mdb-export + psql \\copy %.2f s, ratio %.2f\n' \
        "$m" "$b" "$(echo "$m / $b" | bc -l)"
fi
