#!/usr/bin/env bash
# A private Tiny Tiny RSS server for tests, on loopback only:
#   ttrss_server.sh start ENV_FILE   starts it and writes ENV_FILE (KEY=value lines, read by tests/support/ttrss_server)
#   ttrss_server.sh stop ENV_FILE    stops everything ENV_FILE names and removes its folder and ENV_FILE
# Debian's tt-rss, postgresql, php-cli and php-pgsql must be installed. Nothing outside a temporary folder changes:
# a PostgreSQL cluster of its own (initdb, pg_ctl; as the user "postgres" when run as root, which PostgreSQL
# refuses), the schema of the installed tt-rss, a copy of its www tree with a config.php of its own (the installed
# one links into /etc/tt-rss) and `php -S 127.0.0.1:PORT`. The schema's user "admin" (password "password") gets
# API access.
set -euo pipefail

usage() { echo "usage: $0 start|stop ENV_FILE" >&2; exit 2; }
[ $# -eq 2 ] || usage
action="$1"
env_file="$2"

pg_bin="$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n 1)"
schema=/usr/share/tt-rss/schema/ttrss_schema_pgsql.sql
www=/usr/share/tt-rss/www

as_db_user() {  # runs a PostgreSQL program as a user PostgreSQL accepts
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

stop_server() {  # folder
  local dir="$1"
  [ -n "$dir" ] && [ -d "$dir" ] || return 0
  if [ -f "$dir/php.pid" ]; then
    kill "$(cat "$dir/php.pid")" 2>/dev/null || true
  fi
  if [ -f "$dir/db/postmaster.pid" ]; then
    as_db_user "$pg_bin/pg_ctl" -D "$dir/db" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$dir"
}

start() {
  [ -f "$schema" ] && [ -x "$pg_bin/initdb" ] && command -v php >/dev/null || {
    echo "ttrss_server: tt-rss, postgresql and php-cli must be installed" >&2
    exit 1
  }
  dir="$(mktemp -d /tmp/tidewick-ttrss.XXXXXX)"
  trap 'stop_server "$dir"' ERR INT TERM
  chmod 755 "$dir"
  local pg_port web_port db_user
  pg_port="$(free_port)"
  web_port="$(free_port)"
  db_user="$(if [ "$(id -u)" -eq 0 ]; then echo postgres; else id -un; fi)"
  mkdir "$dir/db" "$dir/run"
  [ "$(id -u)" -eq 0 ] && chown postgres: "$dir/db" "$dir/run"

  as_db_user "$pg_bin/initdb" -D "$dir/db" -U "$db_user" -A trust -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1
  as_db_user "$pg_bin/pg_ctl" -D "$dir/db" -l "$dir/run/postgres.log" -w -o \
    "-c listen_addresses=127.0.0.1 -c port=$pg_port -c unix_socket_directories=$dir/run -c fsync=off" \
    start >/dev/null
  local psql=("$pg_bin/psql" -h 127.0.0.1 -p "$pg_port" -U "$db_user" -v ON_ERROR_STOP=1 -q)
  "${psql[@]}" -d postgres -c "create database ttrss" >/dev/null
  "${psql[@]}" -d ttrss -f "$schema" >"$dir/schema.log" 2>&1
  "${psql[@]}" -d ttrss -c "insert into ttrss_user_prefs (owner_uid, pref_name, value)
    select id, 'ENABLE_API_ACCESS', 'true' from ttrss_users where login = 'admin'" >/dev/null

  cp -a "$www" "$dir/www"
  rm -f "$dir/www/config.php" "$dir/www/feed-icons"
  # The package links libraries by relative paths, which would point nowhere from the copy.
  local link
  find "$dir/www" -type l | while read -r link; do
    ln -sfn "$(readlink -f "$www/${link#"$dir/www/"}")" "$link"
  done
  mkdir -p "$dir/www/feed-icons" "$dir/lock" "$dir/cache/images" "$dir/cache/upload" "$dir/cache/export"
  local url="http://127.0.0.1:$web_port"
  sed -e "/database.php/d" \
    -e "s|define('DB_TYPE'.*|define('DB_TYPE', 'pgsql');|" \
    -e "s|define('DB_HOST'.*|define('DB_HOST', '127.0.0.1');|" \
    -e "s|define('DB_PORT'.*|define('DB_PORT', '$pg_port');|" \
    -e "s|define('DB_USER'.*|define('DB_USER', '$db_user');|" \
    -e "s|define('DB_NAME'.*|define('DB_NAME', 'ttrss');|" \
    -e "s|define('DB_PASS'.*|define('DB_PASS', '');|" \
    -e "s|define('SELF_URL_PATH'.*|define('SELF_URL_PATH', '$url/');|" \
    -e "s|define('LOCK_DIRECTORY'.*|define('LOCK_DIRECTORY', '$dir/lock');|" \
    -e "s|define('CACHE_DIR'.*|define('CACHE_DIR', '$dir/cache');|" \
    -e "s|define('LOG_DESTINATION'.*|define('LOG_DESTINATION', '');|" \
    -e "s|define('CHECK_FOR_UPDATES'.*|define('CHECK_FOR_UPDATES', false);|" \
    /etc/tt-rss/config.php >"$dir/www/config.php"

  # Detached, its output in the folder: a test runner waits for the pipes it handed out.
  setsid php -S "127.0.0.1:$web_port" -t "$dir/www" >"$dir/run/php.log" 2>&1 </dev/null &
  echo $! >"$dir/php.pid"
  local tries=0
  until curl -s -o /dev/null "$url/api/"; do
    tries=$((tries + 1))
    [ $tries -lt 100 ] || { echo "ttrss_server: php did not answer" >&2; false; }
    sleep 0.1
  done

  cat >"$env_file" <<EOF
TTRSS_DIR=$dir
TTRSS_URL=$url/
TTRSS_USER=admin
TTRSS_PASSWORD=password
TTRSS_PGHOST=127.0.0.1
TTRSS_PGPORT=$pg_port
TTRSS_PGDATABASE=ttrss
TTRSS_PGUSER=$db_user
TTRSS_PSQL=$pg_bin/psql
EOF
  trap - ERR INT TERM
}

case "$action" in
  start)
    [ ! -f "$env_file" ] || stop_server "$(sed -n 's/^TTRSS_DIR=//p' "$env_file")"
    start
    ;;
  stop)
    [ -f "$env_file" ] || exit 0
    stop_server "$(sed -n 's/^TTRSS_DIR=//p' "$env_file")"
    rm -f "$env_file"
    ;;
  *) usage ;;
esac
