#!/usr/bin/env bash
# Creates the program's tables, indexes and initial rows (schema/postgresql.sql)
# in a PostgreSQL database.
#
#   scripts/pg-create-schema.sh 'Provider=PostgreSQL;Host=..;Port=..;Database=..;User ID=..;Password=..[;Schema=..]'
#   scripts/pg-create-schema.sh <psql connection arguments...>   e.g. -h db.local -d crm -U crm
#
# The first form is the program's own connection string (as in database.ini);
# with a Schema key the tables go into that schema, which is created when
# missing. The second form passes its arguments to psql unchanged. The database
# user must be allowed to create the citext and pg_trgm extensions (trusted
# since PostgreSQL 13, so a database owner may) or they must already exist.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
script=$here/../schema/postgresql.sql
psql=$(command -v psql || true)
[[ -n $psql ]] || psql=/usr/lib/postgresql/15/bin/psql

if (($# == 0)); then
    sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//' >&2
    exit 2
fi

schema=""
args=()
if [[ $# -eq 1 && $1 == *=*\;* || $# -eq 1 && ${1,,} == provider=* ]]; then
    IFS=';' read -r -a pairs <<<"$1"
    for pair in "${pairs[@]}"; do
        [[ $pair == *=* ]] || continue
        key=$(echo "${pair%%=*}" | tr -d '[:space:]' | tr '[:upper:]' '[:lower:]')
        value=${pair#*=}
        case $key in
        provider)
            [[ ${value,,} == postgresql ]] || {
                echo "not a PostgreSQL connection string: $1" >&2
                exit 2
            }
            ;;
        host | server) export PGHOST=$value ;;
        port) export PGPORT=$value ;;
        database | initialcatalog) export PGDATABASE=$value ;;
        userid | user | uid | username) export PGUSER=$value ;;
        password | pwd) export PGPASSWORD=$value ;;
        schema | searchpath) schema=$value ;;
        esac
    done
else
    args=("$@")
fi

setup=()
if [[ -n $schema ]]; then
    quoted=\"${schema//\"/\"\"}\"
    setup=(-c "create schema if not exists $quoted" -c "set search_path to $quoted, public")
fi

PGOPTIONS="${PGOPTIONS:-} -c client_min_messages=warning" \
    "$psql" -X -q -v ON_ERROR_STOP=1 "${args[@]}" "${setup[@]}" -f "$script"
echo "schema created" >&2
