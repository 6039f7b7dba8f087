#!/usr/bin/env bash
# Refresh benchmark: tidewick-feed refresh against Newsboat (-x reload, reload-threads 16) and a bare 16-thread
# libcurl fetch, all fetching the 300 feeds of the reference corpus in the same run:
#   1. from nginx on loopback, as medians of ROUNDS alternating rounds (wall and user + system CPU time): the bare
#      fetch, a first refresh of a store without entries and, a minute later, a second refresh that nginx answers
#      with 304s (If-None-Match); Newsboat's first and second reload beside them; and the floor under any refresh
#      (bare_curl_fetch.cpp with options): the same fetch with a safe save of as many bytes as the first refresh
#      saved, and that with a pugixml parse of each feed as well;
#   2. through delay_server.py (0.2 s before each answer, like a real server's latency), one run each with peak memory.
# Everything it writes goes below a temporary folder. A feed is asked at most once a minute, so every second refresh
# waits until a minute has passed since the first. Run it on a machine as quiet as you can get, as root in a session
# of its own (setsid) to go before other sessions.
#
#   bench/refresh_bench.sh [TIDEWICK_FEED_BINARY]
# Environment: ROUNDS (default 5); ONLY_ROUNDS=1 stops after the rounds (about 4 minutes); DELAY (default 0.2);
# SKIP_SLOW=1 skips Newsboat's single-thread run through the delay server (~80 s); SKIP_DELAY=1 skips that scenario.
set -euo pipefail

# shellcheck source=bench/bench_common.sh
. "$(dirname "${BASH_SOURCE[0]}")/bench_common.sh"
delay="${DELAY:-0.2}"
work="$(mktemp -d /tmp/tidewick-refresh-bench.XXXXXX)"
chmod 755 "$work"  # nginx's workers run as another user and must read the corpus
delay_port=18182
logged_port=18183
pids=()

cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# Bench-only packages (not needed to build or test Tidewick).
need=()
command -v nginx >/dev/null || [ -x /usr/sbin/nginx ] || need+=(nginx-light)
command -v newsboat >/dev/null || need+=(newsboat)
command -v /usr/bin/time >/dev/null || need+=(time)
[ -f /usr/include/pugixml.hpp ] || need+=(libpugixml-dev)
install_bench_packages "${need[@]}"

# Other sessions' builds get an equal share of the processors whatever their nice value (the kernel schedules
# processes in groups by session); as root, this session's group goes first, nginx and every measured program in it.
if [ "$(id -u)" -eq 0 ] && [ -w /proc/self/autogroup ]; then
  echo -10 >/proc/self/autogroup
fi

find_tidewick_feed "${1:-}"
g++ -O2 -std=c++20 -I "$here/src" -o "$work/bare_curl_fetch" "$here/bench/bare_curl_fetch.cpp" \
  "$here/src/platform/synced_file.cpp" "$here/src/platform/file_io.cpp" -lcurl -lpugixml -pthread

python3 "$shared/gen_corpus.py" --seed 42 --out "$work/corpus" >/dev/null
feeds="$work/corpus/feeds"

# nginx on loopback, in the foreground of its own process so it can be ended by its id.
mkdir -p "$work/nginx"
cat >"$work/nginx/nginx.conf" <<CONF
worker_processes 2;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
events { worker_connections 1024; }
http {
  access_log off;
  sendfile on;
  client_body_temp_path $work/nginx/body;
  proxy_temp_path $work/nginx/proxy;
  fastcgi_temp_path $work/nginx/fastcgi;
  uwsgi_temp_path $work/nginx/uwsgi;
  scgi_temp_path $work/nginx/scgi;
  types { application/rss+xml rss; application/atom+xml atom; application/rdf+xml rdf; }
  log_format sent '\$status \$bytes_sent';
  server { listen 127.0.0.1:$logged_port; root $feeds; access_log $work/nginx/sent.log sent; }
}
CONF
/usr/sbin/nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" -g 'daemon off;' &
pids+=($!)
python3 "$shared/delay_server.py" --port "$delay_port" --dir "$feeds" --delay "$delay" >/dev/null 2>&1 &
pids+=($!)
sleep 1

measure() {  # label, then the command; prints "label: wall s, peak KB"
  local label="$1"
  shift
  /usr/bin/time -f "%e %M %U %S" -o "$work/time.txt" "$@" >"$work/out.txt" 2>&1 || true
  read -r wall peak user system < <(tail -n 1 "$work/time.txt")  # time puts a line about a failed status first
  wall="${wall:-0}"
  cpu=$(awk -v u="${user:-0}" -v s="${system:-0}" 'BEGIN { printf "%.2f", u + s }')
  printf '  %-34s %8s s %9s KB   %s\n' "$label" "$wall" "$peak" "$(tail -n 1 "$work/out.txt")"
}

run_scenario() {  # title, base URL, whether to run the slow single-thread Newsboat
  local title="$1" base="$2" slow="$3"
  local dir="$work/run-$RANDOM"
  mkdir -p "$dir/home"
  python3 "$here/bench/make_refresh_store.py" --manifest "$work/corpus/manifest.tsv" --base "$base" --out "$dir"
  cp "$dir/Feeds.xml" "$dir/Feeds.initial.xml"
  echo "$title"
  first_start=$(date +%s)
  measure "tidewick-feed refresh" "$tidewick_feed" refresh "$dir/Feeds.xml"
  measure "bare libcurl, 16 threads" "$work/bare_curl_fetch" "$dir/urls" 16
  : >"$dir/config.default"
  echo "reload-threads 16" >"$dir/config.threads16"
  if [ "$slow" = 1 ]; then
    rm -f "$dir/cache.db"
    measure "newsboat -x reload (default)" env HOME="$dir/home" newsboat -x reload -u "$dir/urls" \
      -c "$dir/cache.db" -C "$dir/config.default"
  fi
  rm -f "$dir/cache.db"
  measure "newsboat -x reload (16 threads)" env HOME="$dir/home" newsboat -x reload -u "$dir/urls" \
    -c "$dir/cache.db" -C "$dir/config.threads16"
  # Second tidewick run: a refresh of a store that already holds every entry (the usual case).
  wait_spacing "$first_start"
  measure "tidewick-feed refresh (2nd run)" "$tidewick_feed" refresh "$dir/Feeds.xml"
}

wait_spacing() {  # sleeps until 61 s after the given epoch second, so the next refresh may ask every feed again
  local left=$(($1 + 61 - $(date +%s)))
  if [ "$left" -gt 0 ]; then sleep "$left"; fi
}

sent_since() {  # answers nginx logged after the given line count of its log: "lines bytes 200s 304s"
  awk -v from="$1" 'NR > from { bytes += $2; if ($1 == 200) ok++; if ($1 == 304) same++ }
    END { printf "%d %d %d %d\n", NR, bytes, ok, same }' "$work/nginx/sent.log"
}

timed() {  # label, then the command: appends "label wall cpu" to the round log, where cpu is user + system
  local label="$1"
  shift
  /usr/bin/time -f "%e %U %S" -o "$work/time.txt" "$@" >"$work/out.txt" 2>&1 || true
  local wall user system
  read -r wall user system < <(tail -n 1 "$work/time.txt")  # time puts a line about a failed status first
  echo "$label ${wall:-0} $(awk -v u="${user:-0}" -v s="${system:-0}" 'BEGIN { printf "%.2f", u + s }')" \
    >>"$work/rounds.txt"
}

# The refresh goals, as medians of alternating rounds on loopback: each round runs the bare fetch, a first
# tidewick-feed refresh of a store of its own and a first Newsboat reload of a cache of its own; once a minute has
# passed since a round's first refresh (a feed is asked at most once a minute), its store and cache are refreshed
# again, which nginx answers with 304s. So every program meets the same load, and the ratios compare runs made
# side by side.
run_rounds() {
  local rounds="${ROUNDS:-5}" base="http://127.0.0.1:$logged_port/"
  local starts=() i lines ok same
  touch "$work/nginx/sent.log"
  : >"$work/rounds.txt"
  echo "reload-threads 16" >"$work/newsboat.config"
  for ((i = 1; i <= rounds; ++i)); do
    local dir="$work/round-$i"
    mkdir -p "$dir/home"
    python3 "$here/bench/make_refresh_store.py" --manifest "$work/corpus/manifest.tsv" --base "$base" --out "$dir"
  done
  echo "Loopback, nginx, median of $rounds alternating rounds (load before: $(cut -d' ' -f1-3 /proc/loadavg))"
  for ((i = 1; i <= rounds; ++i)); do
    local dir="$work/round-$i"
    timed bare "$work/bare_curl_fetch" "$dir/urls" 16
    starts[i]=$(date +%s)
    timed first "$tidewick_feed" refresh "$dir/Feeds.xml"
    # The floor: the same fetch, then a safe save of as many bytes as the refresh saved, then also a parse.
    local stored
    stored=$(stat -c %s "$dir/Feeds.xml")
    timed floor-save "$work/bare_curl_fetch" "$dir/urls" 16 --save "$work/floor.bin" "$stored"
    timed floor-parse "$work/bare_curl_fetch" "$dir/urls" 16 --parse --save "$work/floor.bin" "$stored"
    rm -f "$work/floor.bin"
    timed newsboat-first env HOME="$dir/home" newsboat -x reload -u "$dir/urls" -c "$dir/cache.db" \
      -C "$work/newsboat.config"
  done
  read -r lines _ _ _ < <(sent_since 0)
  local total_ok=0 total_same=0
  for ((i = 1; i <= rounds; ++i)); do
    local dir="$work/round-$i"
    wait_spacing "${starts[i]}"
    timed second "$tidewick_feed" refresh "$dir/Feeds.xml"
    read -r lines _ ok same < <(sent_since "$lines")
    total_ok=$((total_ok + ok))
    total_same=$((total_same + same))
    timed newsboat-second env HOME="$dir/home" newsboat -x reload -u "$dir/urls" -c "$dir/cache.db" \
      -C "$work/newsboat.config"
    read -r lines _ _ _ < <(sent_since "$lines")
  done
  echo "  second tidewick-feed refreshes: $total_same answers 304, $total_ok answers 200" \
    "(load after: $(cut -d' ' -f1-3 /proc/loadavg))"
  python3 - "$work/rounds.txt" <<'PY'
import statistics, sys
rows = {}
for line in open(sys.argv[1]):
    label, wall, cpu = line.split()
    rows.setdefault(label, []).append((float(wall), float(cpu)))
med = {label: (statistics.median(w for w, _ in v), statistics.median(c for _, c in v)) for label, v in rows.items()}
names = {"bare": "bare libcurl, 16 threads", "floor-save": "floor: bare + safe save of the store size",
         "floor-parse": "floor: bare + pugixml parse + safe save", "first": "tidewick-feed refresh, first",
         "second": "tidewick-feed refresh, 304s", "newsboat-first": "newsboat -x reload (16 threads), first",
         "newsboat-second": "newsboat -x reload (16 threads), 2nd"}
print(f"  {'':40} {'wall':>8} {'CPU':>8}   each round's wall")
for label in names:
    if label in med:
        walls = " ".join(f"{w:.2f}" for w, _ in rows[label])
        print(f"  {names[label]:40} {med[label][0]:7.2f}s {med[label][1]:7.2f}s   {walls}")
b, f, s = med["bare"], med["first"], med["second"]
print(f"  first / bare fetch: {f[0] / b[0]:.2f}x wall, {f[1] / b[1]:.2f}x CPU (goal: within 2.5x)")
for label in ("floor-save", "floor-parse"):
    print(f"  {label} / bare fetch: {med[label][0] / b[0]:.2f}x wall, {med[label][1] / b[1]:.2f}x CPU")
print(f"  304s / first: {100 * s[0] / f[0]:.0f}% wall, {100 * s[1] / f[1]:.0f}% CPU (goal: under 50%)")
nf, ns = med["newsboat-first"], med["newsboat-second"]
print(f"  newsboat first / bare fetch: {nf[0] / b[0]:.1f}x wall; newsboat 2nd / first: {100 * ns[0] / nf[0]:.0f}% wall")
PY
}

echo "tidewick-feed: $tidewick_feed ($(nproc) CPUs, $(date -u +%F\ %T) UTC)"
run_rounds
if [ "${ONLY_ROUNDS:-0}" = 1 ]; then
  exit 0
fi
if [ "${SKIP_DELAY:-0}" != 1 ]; then
  slow=1
  [ "${SKIP_SLOW:-0}" = 1 ] && slow=0
  run_scenario "Loopback through delay_server.py --delay $delay" "http://127.0.0.1:$delay_port/" "$slow"
fi
