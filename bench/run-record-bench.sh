#!/usr/bin/env bash
# The export and import roads on a generated record against reference
# commands, and the structure read alone against pugixml and expat on the same
# document. Each round runs every command once (A B A B ...); a ratio is taken
# within each round and the median of those ratios is reported, with median
# wall times, CPU times (user + system), peak memory, the loaded objects' own
# size and growth between sizes.
#   bench/run-record-bench.sh [--quick] [BUILD_DIR] [SCALES] [ROUNDS] [PLOT.svg]
# SCALES is a comma-separated list of sizes (1 = the full record), default
# "0.1,1"; ROUNDS default 3. --quick is a developer's loop: size 0.1, one
# round, the roads and their references only. Needs zip, unzip, bc and GNU
# time (/usr/bin/time); writes in $TMPDIR.
#
# What the machine does besides is kept out of the figures as far as a script
# can: every input is read once before each timed command (the host pages out
# files left untouched for a minute), and a round's outputs are deleted at its
# start, followed by a sync and a pause, never just before a command (creating
# many files right after deleting many costs ext4 seconds of kernel time).
set -euo pipefail
cd "$(dirname "$0")/.."

quick=false
if [[ ${1:-} == --quick ]]; then
  quick=true
  shift
fi
build=${1:-build}
if $quick; then
  scales=(0.1)
  rounds=1
else
  IFS=, read -r -a scales <<< "${2:-0.1,1}"
  rounds=${3:-3}
fi
plot=${4:-}
record=$build/bench/orvan-bench-record
archive=$build/bench/orvan-bench-archive
for tool in "$record" "$archive"; do
  [[ -x $tool ]] || { echo "build first: cmake --build $build" >&2; exit 1; }
done
[[ -x /usr/bin/time ]] || { echo "GNU time is missing: run scripts/setup.sh" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/orvan-record-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
results=$work/results
: > "$results"

warm() { # reads files into the page cache
  find "$@" -type f -exec cat {} + > /dev/null
}

# measure SCALE STEP ROUND COMMAND...: runs a command as a whole process and
# records its wall, user and system seconds and its peak memory (KiB).
measure() {
  local scale=$1 step=$2 round=$3
  shift 3
  /usr/bin/time -o "$work/time" -f '%e %U %S %M' "$@" > /dev/null
  echo "$scale $step $round $(cat "$work/time")" >> "$results"
}

# The roads print their own times, without the record's generation:
# "<what> <wall> <peak> <result> <user> <system>".
road() {
  local scale=$1 step=$2 round=$3 line
  shift 3
  line=$("$@" 2> "$work/stderr") || { cat "$work/stderr" >&2; exit 1; }
  read -r _ wall peak _ user system <<< "$line"
  echo "$scale $step $round $wall $user $system $peak" >> "$results"
}

for scale in "${scales[@]}"; do
  files=$work/files-$scale
  "$record" export "$scale" "$files" "$work/first.orvan" > /dev/null 2>&1  # makes the attachments once
  rm -f "$work/first.orvan"
  for ((r = 1; r <= rounds; r++)); do
    rm -rf "$work/a.orvan" "$work/out" "$work/copy" "$work/durable" "$work/ref.zip" "$work/unzipped"
    mkdir "$work/out" "$work/unzipped"
    sync
    sleep 2

    warm "$files"
    road "$scale" export "$r" "$record" export "$scale" "$files" "$work/a.orvan"
    # The record model the export starts from, as the generator left it.
    echo "$scale record $r 0 0 0 $(sed -n 's/^record generated: peak \([0-9]*\) KiB$/\1/p' "$work/stderr")" >> "$results"
    warm "$work/a.orvan"
    road "$scale" import "$r" "$record" import "$work/a.orvan" "$work/out"
    warm "$files"
    measure "$scale" cp-r "$r" cp -r "$files" "$work/copy"
    # What a copy costs when it too waits for the disk, as the export does.
    warm "$files"
    measure "$scale" cp-sync "$r" bash -c 'cp -r "$1" "$2" && sync' - "$files" "$work/durable"
    warm "$files"
    measure "$scale" zip-0 "$r" zip -0 -q -r "$work/ref.zip" "$files"
    warm "$work/ref.zip"
    measure "$scale" unzip "$r" unzip -q -o "$work/ref.zip" -d "$work/unzipped"
    if ! $quick; then
      # The structure read alone, and its references on the same document.
      unzip -p "$work/a.orvan" structure.xml > "$work/structure.xml"
      warm "$work/a.orvan" "$work/structure.xml"
      { read -r _ t m; read -r _ _ o; } < <("$archive" load "$work/a.orvan")
      echo "$scale load $r $t 0 0 $m" >> "$results"
      echo "$scale objects $r 0 0 0 $o" >> "$results"
      read -r _ t m < <("$archive" pugixml-load "$work/structure.xml")
      echo "$scale pugixml-load $r $t 0 0 $m" >> "$results"
      read -r _ t m < <("$archive" expat-parse "$work/structure.xml")
      echo "$scale expat $r $t 0 0 $m" >> "$results"
    fi
  done
done

# Lines: scale step round wall user system peak.
awk -v plot="$plot" -v quick="$quick" '
  { key = $1 " " $2; t[key, $3] = $4; cpu[key, $3] = $5 + $6; rounds[key] = rounds[key] " " $3
    mem[key] = mem[key] " " $7; if ($7 > m[key]) m[key] = $7; seen[$1] = 1 }
  function median(list,   a, n, i, j, x) {
    n = split(list, a, " ")
    for (i = 2; i <= n; i++) { x = a[i]; for (j = i - 1; j >= 1 && a[j] > x; j--) a[j + 1] = a[j]; a[j + 1] = x }
    return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
  }
  function spread(list,   a, n, i, lo, hi) {
    n = split(list, a, " "); lo = a[1]; hi = a[1]
    for (i = 2; i <= n; i++) { if (a[i] < lo) lo = a[i]; if (a[i] > hi) hi = a[i] }
    return n > 1 ? sprintf(" [%.2f-%.2f]", lo, hi) : ""
  }
  function values(s, step, table,   list, n, a, i) {
    n = split(rounds[s " " step], a, " "); list = ""
    for (i = 1; i <= n; i++) list = list " " table[s " " step, a[i]]
    return list
  }
  function nonzero(x) { return x > 0 ? x : 0.0005 }  # times print in milliseconds
  # The ratio within each round, then the median of those ratios, with their spread.
  function ratios(s, x, y,   n, a, i, list) {
    n = split(rounds[s " " x], a, " "); list = ""
    for (i = 1; i <= n; i++) list = list " " t[s " " x, a[i]] / nonzero(t[s " " y, a[i]])
    return list
  }
  function ratio(s, x, y) { return sprintf("%.2fx%s", median(ratios(s, x, y)), spread(ratios(s, x, y))) }
  END {
    n = 0
    for (s in seen) scales[++n] = s
    for (i = 2; i <= n; i++) { x = scales[i]; for (j = i - 1; j >= 1 && scales[j] + 0 > x + 0; j--) scales[j + 1] = scales[j]; scales[j + 1] = x }
    split("export import cp-r cp-sync zip-0 unzip load pugixml-load expat", steps, " ")
    for (i = 1; i <= n; i++) {
      s = scales[i]
      for (k in steps) { med[i, steps[k]] = median(values(s, steps[k], t)); cpus[i, steps[k]] = median(values(s, steps[k], cpu)) }
      printf "scale %s (medians; ratios pair by pair, median [spread])\n", s
      printf "  export %.3f s, CPU %.2f s: %s cp -r, %s cp -r and sync, %s zip -0 -r; peak %.0f MiB\n", med[i, "export"],
             cpus[i, "export"], ratio(s, "export", "cp-r"), ratio(s, "export", "cp-sync"), ratio(s, "export", "zip-0"),
             m[s " export"] / 1024
      printf "  import %.3f s, CPU %.2f s: %s cp -r, %s unzip; peak %.0f MiB\n", med[i, "import"], cpus[i, "import"],
             ratio(s, "import", "cp-r"), ratio(s, "import", "unzip"), m[s " import"] / 1024
      printf "  cp -r %.3f s, cp -r and sync %.3f s, zip -0 -r %.3f s (CPU %.2f s), unzip %.3f s (CPU %.2f s)\n",
             med[i, "cp-r"], med[i, "cp-sync"], med[i, "zip-0"], cpus[i, "zip-0"], med[i, "unzip"], cpus[i, "unzip"]
      printf "  record model %.0f MiB (the process after generating it); export peak above it %.0f MiB\n",
             median(mem[s " record"]) / 1024, m[s " export"] / 1024 - median(mem[s " record"]) / 1024
      if (quick == "true") continue
      objects = median(mem[s " objects"]) / 1024
      printf "  structure read %.3f s, peak %.0f MiB: %s pugixml load_file (%.3f s, peak %.0f MiB), %s expat alone (%.3f s, peak %.0f MiB)\n",
             med[i, "load"], m[s " load"] / 1024, ratio(s, "load", "pugixml-load"), med[i, "pugixml-load"],
             m[s " pugixml-load"] / 1024, ratio(s, "load", "expat"), med[i, "expat"], m[s " expat"] / 1024
      printf "  objects %.0f MiB; peak above the objects: export %.0f MiB, import %.0f MiB, structure read %.0f MiB (goal 64)\n",
             objects, m[s " export"] / 1024 - objects, m[s " import"] / 1024 - objects, m[s " load"] / 1024 - objects
    }
    # n log n with n proportional to the size (1 = a million units).
    for (i = 2; i <= n; i++) {
      f = scales[i] / scales[i - 1]
      bound = f * log(scales[i] * 1e6) / log(scales[i - 1] * 1e6)
      printf "growth %s -> %s (x%.1f in size, n log n allows x%.2f):", scales[i - 1], scales[i], f, bound
      for (k = 1; k <= 9; k++) if (med[i - 1, steps[k]] > 0) printf " %s x%.2f", steps[k], med[i, steps[k]] / med[i - 1, steps[k]]
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
