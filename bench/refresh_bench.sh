#!/usr/bin/env bash
# Refresh benchmark: tidewick-feed refresh against Newsboat (-x reload, default settings and reload-threads 16) and a
# bare 16-thread libcurl fetch, all fetching the 300 feeds of the reference corpus in the same run:
#   1. from nginx on loopback (no delay),
#   2. through delay_server.py (0.2 s before each answer, like a real server's latency),
#   3. conditional requests: a first and a second tidewick-feed refresh from nginx, which answers the second one's
#      If-None-Match with 304; bytes sent as nginx logs them ($bytes_sent), wall time as /usr/bin/time measures it.
# Prints wall time and peak memory (/usr/bin/time) per program. Everything it writes goes below a temporary folder.
# A feed is asked at most once a minute, so every second refresh waits until a minute has passed since the first.
#
#   bench/refresh_bench.sh [TIDEWICK_FEED_BINARY]
# Environment: DELAY (default 0.2); SKIP_SLOW=1 skips Newsboat's single-thread run through the delay server (~80 s);
# SKIP_DELAY=1 skips the delay-server scenario; ONLY_CONDITIONAL=1 runs only the conditional-request scenario.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
shared="${SHARED_BENCH:-$here/../shared/bench}"
delay="${DELAY:-0.2}"
work="$(mktemp -d /tmp/tidewick-refresh-bench.XXXXXX)"
chmod 755 "$work"  # nginx's workers run as another user and must read the corpus
nginx_port=18181
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
if [ ${#need[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

tidewick_feed="${1:-}"
if [ -z "$tidewick_feed" ]; then
  cmake -S "$here" -B "$here/build/bench-release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTIDEWICK_GUI=OFF \
    -DTIDEWICK_BUILD_TESTS=OFF >/dev/null
  cmake --build "$here/build/bench-release" --target tidewick-feed >/dev/null
  tidewick_feed="$here/build/bench-release/tools/tidewick-feed"
fi
g++ -O2 -std=c++20 -o "$work/bare_curl_fetch" "$here/bench/bare_curl_fetch.cpp" -lcurl -pthread

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
  server { listen 127.0.0.1:$nginx_port; root $feeds; }
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

sent_since() {  # bytes nginx logged after the given line count of its log: "lines bytes 200s 304s"
  awk -v from="$1" 'NR > from { bytes += $2; if ($1 == 200) ok++; if ($1 == 304) same++ }
    END { printf "%d %d %d %d\n", NR, bytes, ok, same }' "$work/nginx/sent.log"
}

run_conditional() {
  local dir="$work/run-conditional"
  mkdir -p "$dir"
  python3 "$here/bench/make_refresh_store.py" --manifest "$work/corpus/manifest.tsv" \
    --base "http://127.0.0.1:$logged_port/" --out "$dir"
  touch "$work/nginx/sent.log"
  echo "Conditional requests, nginx on loopback (tidewick-feed refresh, first and second)"
  local lines bytes1 bytes2 ok same wall1 wall2 cpu1 cpu2
  read -r lines _ _ _ < <(sent_since 0)
  local first_start
  first_start=$(date +%s)
  measure "tidewick-feed refresh (first)" "$tidewick_feed" refresh "$dir/Feeds.xml"
  wall1="$wall"
  cpu1="$cpu"
  read -r lines bytes1 ok same < <(sent_since "$lines")
  printf '  %-34s %10d bytes sent (%d answers 200, %d answers 304)\n' "first refresh" "$bytes1" "$ok" "$same"
  wait_spacing "$first_start"
  measure "tidewick-feed refresh (second)" "$tidewick_feed" refresh "$dir/Feeds.xml"
  wall2="$wall"
  cpu2="$cpu"
  read -r lines bytes2 ok same < <(sent_since "$lines")
  printf '  %-34s %10d bytes sent (%d answers 200, %d answers 304)\n' "second refresh" "$bytes2" "$ok" "$same"
  awk -v b1="$bytes1" -v b2="$bytes2" -v w1="$wall1" -v w2="$wall2" -v c1="$cpu1" -v c2="$cpu2" 'BEGIN {
    printf "  second / first: %.2f%% of the bytes (goal < 5%%), %.0f%% of the wall time (goal < 50%%),\n",
      100 * b2 / b1, 100 * w2 / w1
    printf "  %.0f%% of the CPU time (%s s / %s s user + system)\n", 100 * c2 / c1, c2, c1 }'
}

echo "tidewick-feed: $tidewick_feed ($(nproc) CPUs, $(date -u +%F\ %T) UTC)"
if [ "${ONLY_CONDITIONAL:-0}" = 1 ]; then
  run_conditional
  exit 0
fi
run_scenario "Loopback, nginx, no delay" "http://127.0.0.1:$nginx_port/" 1
run_conditional
if [ "${SKIP_DELAY:-0}" != 1 ]; then
  slow=1
  [ "${SKIP_SLOW:-0}" = 1 ] && slow=0
  run_scenario "Loopback through delay_server.py --delay $delay" "http://127.0.0.1:$delay_port/" "$slow"
fi
