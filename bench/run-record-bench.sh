#!/usr/bin/env bash
# The export and import roads on a generated record against reference
# commands, and the structure read alone against pugixml and expat on the same
# document. Each round runs every command once (A B A B ...); a ratio is taken
# within each round and the median of those ratios is reported, with median
# times, peak memory, the loaded objects' own size and growth between sizes.
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
    # Each command's output of the round before goes just before the command
    # runs: creating files soon after many were deleted costs ext4 (without a
    # journal, as here) a search past the recently freed inodes, and that
    # cost must fall on every command alike, not on whichever runs first.
    rm -f "$work/a.orvan"
    sync
    read -r _ t m _ < <("$record" export "$scale" "$files" "$work/a.orvan" 2> "$work/generated")
    echo "$scale export $r $t $m" >> "$results"
    # The record model the export starts from, as the generator left it.
    echo "$scale record $r 0 $(sed -n 's/^record generated: peak \([0-9]*\) KiB$/\1/p' "$work/generated")" >> "$results"
    rm -rf "$work/out" && mkdir "$work/out"
    sync
    # The import as a whole process, timed from outside; its peak from inside.
    start=$(date +%s.%N)
    read -r _ _ m _ < <("$record" import "$work/a.orvan" "$work/out")
    end=$(date +%s.%N)
    echo "$scale import $r $(echo "$end - $start" | bc) $m" >> "$results"
    rm -rf "$work/copy"
    echo "$scale cp-r $r $(seconds cp -r "$files" "$work/copy") 0" >> "$results"
    # What a copy costs when it too waits for the disk, as the export does.
    rm -rf "$work/durable"
    echo "$scale cp-sync $r $(seconds bash -c 'cp -r "$1" "$2" && sync' - "$files" "$work/durable") 0" >> "$results"
    rm -f "$work/ref.zip"
    echo "$scale zip-0 $r $(seconds zip -0 -q -r "$work/ref.zip" "$files") 0" >> "$results"
    rm -rf "$work/unzipped" && mkdir "$work/unzipped"
    echo "$scale unzip $r $(seconds unzip -q -o "$work/ref.zip" -d "$work/unzipped") 0" >> "$results"
    # The structure read alone, and its references on the same document.
    unzip -p "$work/a.orvan" structure.xml > "$work/structure.xml"
    sync
    { read -r _ t m; read -r _ _ o; } < <("$archive" load "$work/a.orvan")
    echo "$scale load $r $t $m" >> "$results"
    echo "$scale objects $r 0 $o" >> "$results"
    read -r _ t m < <("$archive" pugixml-load "$work/structure.xml")
    echo "$scale pugixml-load $r $t $m" >> "$results"
    read -r _ t m < <("$archive" expat-parse "$work/structure.xml")
    echo "$scale expat $r $t $m" >> "$results"
  done
done

awk -v plot="$plot" '
  { key = $1 " " $2; t[key, $3] = $4; rounds[key] = rounds[key] " " $3; mem[key] = mem[key] " " $5
    if ($5 > m[key]) m[key] = $5; seen[$1] = 1 }
  function median(list,   a, n, i, j, x) {
    n = split(list, a, " ")
    for (i = 2; i <= n; i++) { x = a[i]; for (j = i - 1; j >= 1 && a[j] > x; j--) a[j + 1] = a[j]; a[j + 1] = x }
    return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
  }
  function times(s, step,   list, n, a, i) {
    n = split(rounds[s " " step], a, " "); list = ""
    for (i = 1; i <= n; i++) list = list " " t[s " " step, a[i]]
    return median(list)
  }
  function nonzero(x) { return x > 0 ? x : 0.0005 }  # times print in milliseconds
  # The ratio within each round, then the median of those ratios.
  function ratio(s, x, y,   n, a, i, list) {
    n = split(rounds[s " " x], a, " "); list = ""
    for (i = 1; i <= n; i++) list = list " " t[s " " x, a[i]] / nonzero(t[s " " y, a[i]])
    return median(list)
  }
  END {
    n = 0
    for (s in seen) scales[++n] = s
    for (i = 2; i <= n; i++) { x = scales[i]; for (j = i - 1; j >= 1 && scales[j] + 0 > x + 0; j--) scales[j + 1] = scales[j]; scales[j + 1] = x }
    split("export import cp-r cp-sync zip-0 unzip load pugixml-load expat", steps, " ")
    for (i = 1; i <= n; i++) {
      s = scales[i]
      for (k in steps) med[i, steps[k]] = times(s, steps[k])
      objects = median(mem[s " objects"]) / 1024
      printf "scale %s (medians of times; ratios pair by pair, median)\n", s
      printf "  export %.3f s: %.2fx cp -r, %.2fx cp -r and sync, %.2fx zip -0 -r; peak %.0f MiB\n", med[i, "export"],
             ratio(s, "export", "cp-r"), ratio(s, "export", "cp-sync"), ratio(s, "export", "zip-0"), m[s " export"] / 1024
      printf "  import %.3f s: %.2fx cp -r, %.2fx unzip; peak %.0f MiB\n", med[i, "import"],
             ratio(s, "import", "cp-r"), ratio(s, "import", "unzip"), m[s " import"] / 1024
      printf "  cp -r %.3f s, cp -r and sync %.3f s, zip -0 -r %.3f s, unzip %.3f s\n",
             med[i, "cp-r"], med[i, "cp-sync"], med[i, "zip-0"], med[i, "unzip"]
      printf "  structure read %.3f s, peak %.0f MiB: %.2fx pugixml load_file (%.3f s, peak %.0f MiB), %.2fx expat alone (%.3f s, peak %.0f MiB)\n",
             med[i, "load"], m[s " load"] / 1024, ratio(s, "load", "pugixml-load"), med[i, "pugixml-load"],
             m[s " pugixml-load"] / 1024, ratio(s, "load", "expat"), med[i, "expat"], m[s " expat"] / 1024
      printf "  objects %.0f MiB; peak above the objects: export %.0f MiB, import %.0f MiB, structure read %.0f MiB (goal 64)\n",
             objects, m[s " export"] / 1024 - objects, m[s " import"] / 1024 - objects, m[s " load"] / 1024 - objects
      printf "  record model %.0f MiB (the process after generating it); export peak above it %.0f MiB\n",
             median(mem[s " record"]) / 1024, m[s " export"] / 1024 - median(mem[s " record"]) / 1024
    }
    # n log n with n proportional to the size (1 = a million units).
    for (i = 2; i <= n; i++) {
      f = scales[i] / scales[i - 1]
      bound = f * log(scales[i] * 1e6) / log(scales[i - 1] * 1e6)
      printf "growth %s -> %s (x%.1f in size, n log n allows x%.2f):", scales[i - 1], scales[i], f, bound
      for (k = 1; k <= 9; k++) printf " %s x%.2f", steps[k], med[i, steps[k]] / med[i - 1, steps[k]]
      printf "\n"
    }
    if (plot != "") {
      top = 0
      for (i = 1; i <= n; i++) for (c = 1; c <= 5; c++) if (med[i, steps[c]] > top) top = med[i, steps[c]]
      W = 480; H = 300; L = 50; B = 260
      printf "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" font-family=\"sans-serif\" font-size=\"11\">\n", W, H > plot
      printf "<rect width=\"100%%\" height=\"100%%\" fill=\"white\"/>\n<line x1=\"%d\" y1=\"%d\" x2=\"%d\" y2=\"%d\" stroke=\"black\"/>\n", L, B, W - 20, B >> plot
      printf "<line x1=\"%d\" y1=\"20\" x2=\"%d\" y2=\"%d\" stroke=\"black\"/>\n", L, L, B >> plot
      printf "<text x=\"%d\" y=\"%d\">record size (1 = full)</text>\n<text x=\"5\" y=\"15\">seconds, medians (top: %.1f)</text>\n", W / 2 - 50, H - 10, top >> plot
      split("export|import|cp -r|cp -r and sync|zip -0 -r", names, "|"); split("#c0392b #2471a3 #7f8c8d #27ae60 #8e44ad", colours, " ")
      for (c = 1; c <= 5; c++) {
        pts = ""
        for (i = 1; i <= n; i++) {
          x = L + (W - 20 - L) * scales[i] / scales[n]; y = B - (B - 20) * med[i, steps[c]] / top
          pts = pts sprintf("%.1f,%.1f ", x, y)
          printf "<circle cx=\"%.1f\" cy=\"%.1f\" r=\"3\" fill=\"%s\"/>\n", x, y, colours[c] >> plot
        }
        printf "<polyline points=\"%s\" fill=\"none\" stroke=\"%s\"/>\n<text x=\"%d\" y=\"%d\" fill=\"%s\">%s</text>\n", pts, colours[c], L + 10, 20 + 14 * c, colours[c], names[c] >> plot
      }
      print "</svg>" >> plot
    }
  }' "$results"
