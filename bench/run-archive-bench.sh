#!/usr/bin/env bash
# Measures the record library against reference commands, interleaved, and
# prints median seconds, ratios and peak memory.
#   bench/run-archive-bench.sh [BUILD_DIR] [OBJECTS] [ATTACHMENTS] [ROUNDS]
# Defaults: build 1000000 1000 5. Attachments are 1 MiB of random bytes each.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
objects=${2:-1000000}
attachments=${3:-1000}
rounds=${4:-5}
tool=$build/bench/orvan-bench-archive
[[ -x $tool ]] || { echo "build first: cmake --build $build" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/orvan-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/files"
for ((i = 1; i <= attachments; i++)); do
  head -c 1048576 /dev/urandom > "$work/files/scan$i.bin"
done

results=$work/results
: > "$results"
# Runs one command after flushing earlier writes, so that no run pays for another's.
measure() {
  sync
  local start end
  start=$(date +%s.%N)
  "$@" > "$work/line"
  end=$(date +%s.%N)
  read -r name seconds rss < "$work/line" || true
  echo "$name $seconds $rss" >> "$results"
}
timed() {
  local name=$1
  shift
  sync
  local start end
  start=$(date +%s.%N)
  "$@"
  end=$(date +%s.%N)
  echo "$name $(echo "$end - $start" | bc) 0" >> "$results"
}

"$tool" structure "$objects" "$work/s.orvan" "$work/s.xml" > /dev/null
for ((r = 1; r <= rounds; r++)); do
  measure "$tool" structure "$objects" "$work/s.orvan" "$work/s.xml"
  measure "$tool" pugixml-save "$work/s.xml" "$work/copy.xml"
  measure "$tool" load "$work/s.orvan"
  measure "$tool" pugixml-load "$work/s.xml"
  measure "$tool" expat-parse "$work/s.xml"
  rm -rf "$work/cp" "$work/out" "$work/a.orvan"
  timed cp-r cp -r "$work/files" "$work/cp"
  measure "$tool" attach "$work/files" "$work/a.orvan"
  measure "$tool" extract "$work/a.orvan" "$work/out"
done

awk -v objects="$objects" -v attachments="$attachments" '
  { t[$1] = t[$1] " " $2; if ($3 > m[$1]) m[$1] = $3 }
  function median(list,   a, n, i, j, x) {
    n = split(list, a, " ")
    for (i = 2; i <= n; i++) { x = a[i]; for (j = i - 1; j >= 1 && a[j] > x; j--) a[j + 1] = a[j]; a[j + 1] = x }
    return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
  }
  END {
    for (k in t) med[k] = median(t[k])
    printf "structure of %d objects, %d attachments of 1 MiB, medians of the rounds\n", objects, attachments
    printf "%-20s %8s %12s\n", "step", "seconds", "peak MiB"
    for (k in t) printf "%-20s %8.3f %12.1f\n", k, med[k], m[k] / 1024
    printf "structure save / pugixml save_file: %.2fx\n", med["orvan-save"] / med["pugixml-save"]
    printf "structure load / pugixml load_file: %.2fx\n", med["orvan-load"] / med["pugixml-load"]
    printf "structure load / expat alone:       %.2fx\n", med["orvan-load"] / med["expat-parse"]
    printf "attachments save / cp -r:           %.2fx\n", med["orvan-attach-save"] / med["cp-r"]
    printf "attachments extract / cp -r:        %.2fx\n", med["orvan-extract"] / med["cp-r"]
  }' "$results"
