#!/usr/bin/env bash
# Sync benchmark: tidewick-feed sync against the real Tiny Tiny RSS server on loopback (scripts/ttrss_server.sh),
# seeded from the reference corpus store: a first sync of 500 feeds and 100,000 articles, a second after 1,000 marks
# changed on the server (spread over all feeds) and 1,000 new articles arrived, a third with nothing changed, and a
# fourth after 1,000 marks changed in 10 feeds. Prints wall time, peak memory and the requests of each sync.
# Everything it writes goes below a temporary folder.
#
#   bench/sync_bench.sh [TIDEWICK_FEED_BINARY]
set -euo pipefail

# shellcheck source=bench/bench_common.sh
. "$(dirname "${BASH_SOURCE[0]}")/bench_common.sh"
work="$(mktemp -d /tmp/tidewick-sync-bench.XXXXXX)"
env_file="$work/ttrss.env"

cleanup() {
  "$here/scripts/ttrss_server.sh" stop "$env_file" || true
  rm -rf "$work"
}
trap cleanup EXIT

command -v /usr/bin/time >/dev/null || install_bench_packages time
find_tidewick_feed "${1:-}"

# 500 feeds of 202 entries: the first 200 of each are the first sync's 100,000 articles, the other 2 the 1,000 new.
python3 "$shared/gen_corpus.py" --store --seed 42 --store-feeds 500 --store-items 202 --out "$work/corpus" >/dev/null
"$here/scripts/ttrss_server.sh" start "$env_file"
# shellcheck disable=SC1090
. "$env_file"
psql() { "$TTRSS_PSQL" -h "$TTRSS_PGHOST" -p "$TTRSS_PGPORT" -U "$TTRSS_PGUSER" -d "$TTRSS_PGDATABASE" -v ON_ERROR_STOP=1 -q "$@"; }
owner="$(psql -tA -c "select id from ttrss_users where login = '$TTRSS_USER'")"
seed() { python3 "$here/bench/make_ttrss_seed.py" --store "$work/corpus/store.xml" --owner "$owner" --phase "$1" | psql >/dev/null; }

cat >"$work/Feeds.xml" <<XML
<?xml version="1.0"?>
<Feeds>
  <Account>
    <Key>ttrss1</Key>
    <Kind>ttrss</Kind>
    <Title>Bench</Title>
    <ServerUrl>$TTRSS_URL</ServerUrl>
    <UserName>$TTRSS_USER</UserName>
  </Account>
</Feeds>
XML
printf '%s\n' "$TTRSS_PASSWORD" >"$work/password"
chmod 600 "$work/password"

measure() {  # label
  local out
  out="$( { /usr/bin/time -f 'TIME %e %M' "$tidewick_feed" sync --password-file "$work/password" "$work/Feeds.xml"; } 2>&1)"
  local line requests wall peak
  line="$(grep -m1 'requests' <<<"$out" || true)"
  requests="$(sed -n 's/.* \([0-9]*\) requests$/\1/p' <<<"$line")"
  read -r wall peak < <(sed -n 's/^TIME //p' <<<"$out")
  printf '%-46s %7s s %8s MiB %7s requests\n' "$1" "$wall" "$(awk -v kib="$peak" 'BEGIN { printf "%.1f", kib / 1024 }')" \
    "$requests"
  grep -v '^TIME' <<<"$out" | sed 's/^/    /'
}

seed first
echo "store: 500 feeds in 10 categories, $(psql -tA -c 'select count(*) from ttrss_user_entries') articles"
measure "first sync (500 feeds, 100,000 articles)"
seed second
measure "second sync (1,000 marks changed, 1,000 new)"
measure "third sync (nothing changed)"
# A reader who went through ten feeds on the phone: 100 marks read in each.
psql -c "UPDATE ttrss_user_entries SET unread = false, last_read = now() WHERE int_id IN (SELECT int_id FROM
  (SELECT int_id, row_number() OVER (PARTITION BY feed_id ORDER BY ref_id) AS n FROM ttrss_user_entries
   WHERE unread AND feed_id < 1010) AS picked WHERE n <= 100)" >/dev/null
measure "fourth sync (1,000 marks changed in 10 feeds)"
ls -l "$work/Feeds.xml" | awk '{print "store file: " $5 " bytes"}'
