#!/usr/bin/env bash
# The export and import roads on a generated record against reference
# commands, interleaved, with median times, ratios, peak memory and growth.
#   bench/run-record-bench.sh [BUILD_DIR] [SCALES] [ROUNDS] [PLOT.svg]
# SCALES is a comma-separated list of sizes (1 = the full record), default
# "0.1,1"; ROUNDS default 3. Needs zip and unzip; writes in $TMPDIR.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
IFS=, read -r -a scales <<< "${2:-0.1,1}"
rounds=${3:-3}
plot=${4:-}
record=$build/bench/orvan-bench-record
archive=$build/bench/orvan-bench-archive
for tool in "$record" "$archive"; do
  [[ -x $tool ]] || { echo "build first: cmake --build $build" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/orvan-record-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
results=$work/results
: > "$results"

seconds() { # runs a command, prints its wall time
  local start end
  sync
  start=$(date +%s.%N)
  "$@" > /dev/null
  end=$(date +%s.%N)
  echo "$end - $start" | bc
}

for scale in "${scales[@]}"; do
  files=$work/files-$scale
  for ((r = 1; r <= rounds; r++)); do
    rm -rf "$work/out" "$work/copy" "$work/durable" "$work/a.orvan" "$work/ref.zip" "$work/unzipped"
    mkdir -p "$work/out" "$work/unzipped"
    sync
    read -r _ t m _ < <("$record" export "$scale" "$files" "$work/a.orvan")
    echo "$scale export $t $m" >> "$results"
    sync
    read -r _ t m _ < <("$record" import "$work/a.orvan" "$work/out")
    echo "$scale import $t $m" >> "$results"
    echo "$scale cp-r $(seconds cp -r "$files" "$work/copy") 0" >> "$results"
    # What a copy costs when it too waits for the disk, as the export does.
    echo "$scale cp-sync $(seconds bash -c 'cp -r "$1" "$2" && sync' - "$files" "$work/durable") 0" >> "$results"
    echo "$scale zip-0 $(seconds zip -0 -q -r "$work/ref.zip" "$files") 0" >> "$results"
    echo "$scale unzip $(seconds unzip -q -o "$work/ref.zip" -d "$work/unzipped") 0" >> "$results"
    unzip -p "$work/a.orvan" structure.xml > "$work/structure.xml"
    read -r _ t m < <("$archive" pugixml-save "$work/structure.xml" "$work/copy.xml")
    echo "$scale pugixml-save $t $m" >> "$results"
    read -r _ t m < <("$archive" pugixml-load "$work/structure.xml")
    echo "$scale pugixml-load $t $m" >> "$results"
  done
done

awk -v plot="$plot" '
  { key = $1 " " $2; t[key] = t[key] " " $3; if ($4 > m[key]) m[key] = $4; seen[$1] = 1 }
  function median(list,   a, n, i, j, x) {
    n = split(list, a, " ")
    for (i = 2; i <= n; i++) { x = a[i]; for (j = i - 1; j >= 1 && a[j] > x; j--) a[j + 1] = a[j]; a[j + 1] = x }
    return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
  }
  END {
    n = 0
    for (s in seen) scales[++n] = s
    for (i = 2; i <= n; i++) { x = scales[i]; for (j = i - 1; j >= 1 && scales[j] + 0 > x + 0; j--) scales[j + 1] = scales[j]; scales[j + 1] = x }
    for (i = 1; i <= n; i++) {
      s = scales[i]
      for (k in t) { split(k, p, " "); if (p[1] == s) med[p[2]] = median(t[k]) }
      printf "scale %s (medians)\n", s
      printf "  export %.3f s (%.2fx cp -r, %.2fx cp -r and sync, %.2fx zip -0 -r), peak %.0f MiB\n", med["export"],
             med["export"] / med["cp-r"], med["export"] / med["cp-sync"], med["export"] / med["zip-0"], m[s " export"] / 1024
      printf "  import %.3f s (%.2fx cp -r, %.2fx unzip), peak %.0f MiB\n", med["import"],
             med["import"] / med["cp-r"], med["import"] / med["unzip"], m[s " import"] / 1024
      printf "  cp -r %.3f s, cp -r and sync %.3f s, zip -0 -r %.3f s, unzip %.3f s, pugixml save %.3f s, load %.3f s\n",
             med["cp-r"], med["cp-sync"], med["zip-0"], med["unzip"], med["pugixml-save"], med["pugixml-load"]
      ex[i] = med["export"]; im[i] = med["import"]; cp[i] = med["cp-r"]
    }
    for (i = 2; i <= n; i++) {
      f = scales[i] / scales[i - 1]
      printf "growth %s -> %s (x%.0f in size): export x%.1f, import x%.1f, cp -r x%.1f\n",
             scales[i - 1], scales[i], f, ex[i] / ex[i - 1], im[i] / im[i - 1], cp[i] / cp[i - 1]
    }
    if (plot != "") {
      top = 0
      for (i = 1; i <= n; i++) { if (ex[i] > top) top = ex[i]; if (im[i] > top) top = im[i] }
      W = 480; H = 300; L = 50; B = 260
      printf "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" font-family=\"sans-serif\" font-size=\"11\">\n", W, H > plot
      printf "<rect width=\"100%%\" height=\"100%%\" fill=\"white\"/>\n<line x1=\"%d\" y1=\"%d\" x2=\"%d\" y2=\"%d\" stroke=\"black\"/>\n", L, B, W - 20, B >> plot
      printf "<line x1=\"%d\" y1=\"20\" x2=\"%d\" y2=\"%d\" stroke=\"black\"/>\n", L, L, B >> plot
      printf "<text x=\"%d\" y=\"%d\">record size (1 = full)</text>\n<text x=\"5\" y=\"15\">seconds (top: %.1f)</text>\n", W / 2 - 50, H - 10, top >> plot
      split("export import cp", names, " "); split("#c0392b #2471a3 #7f8c8d", colours, " ")
      for (c = 1; c <= 3; c++) {
        pts = ""
        for (i = 1; i <= n; i++) {
          v = c == 1 ? ex[i] : c == 2 ? im[i] : cp[i]
          x = L + (W - 20 - L) * scales[i] / scales[n]; y = B - (B - 20) * v / top
          pts = pts sprintf("%.1f,%.1f ", x, y)
          printf "<circle cx=\"%.1f\" cy=\"%.1f\" r=\"3\" fill=\"%s\"/>\n", x, y, colours[c] >> plot
        }
        printf "<polyline points=\"%s\" fill=\"none\" stroke=\"%s\"/>\n<text x=\"%d\" y=\"%d\" fill=\"%s\">%s</text>\n", pts, colours[c], L + 10, 20 + 14 * c, colours[c], names[c] == "cp" ? "cp -r" : names[c] >> plot
      }
      print "</svg>" >> plot
    }
  }' "$results"
