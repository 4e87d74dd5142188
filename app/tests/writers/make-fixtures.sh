#!/usr/bin/env bash
# Makes the archives of app/tests/writers: one reference archive written by
# orvan, then the same entries, in the same order, packed again by the ZIP
# writers people use. Each writer adds what it adds by default (data
# descriptors, folder entries, extra fields); the tests import, check and dump
# every one against the reference.
#
# Usage: make-fixtures.sh PATH/TO/orvan
# Needs: zip (Info-ZIP), bsdtar (libarchive-tools), 7z (p7zip-full), jar (a
# JDK), python3. Only this script needs them; the tests read the results.
set -euo pipefail
orvan=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# The reference record: the demonstration record with a second, binary
# attachment, which the archive stores rather than deflates.
mkdir data
"$orvan" --data-dir data demo-record > demo.json
python3 - <<'PY'
import copy, json, random
rng = random.Random(7)
open("scan.bin", "wb").write(bytes(rng.randrange(256) for _ in range(1500)))
record = json.load(open("demo.json"))
tree = record["sPatientInfo"]["vecDocumentTree"][0]
leaf = copy.deepcopy(tree["mapDocumentLeaf"][0]["values"][0])
leaf["bstrName"] = "Scan"
leaf["sDocument"].update(bstrFilename="scan.bin", lID=2)
tree["mapDocumentLeaf"][0]["values"].append(leaf)
json.dump(record, open("record.json", "w"), ensure_ascii=False, indent=1)
PY
"$orvan" --data-dir data export --record record.json --archive reference.orvan
mkdir tree
(cd tree && unzip -q ../reference.orvan)
mapfile -t entries < <(unzip -Z1 reference.orvan)
echo "entries: ${entries[*]}"

cd tree
# Info-ZIP: into a file, with forced data descriptors, recursing into the folder, and into a pipe.
zip -q ../infozip.orvan "${entries[@]}"
zip -q -fd ../infozip-fd.orvan "${entries[@]}"
zip -q -r ../infozip-r.orvan header.xml structure.xml attachments
zip -q - "${entries[@]}" | cat > ../infozip-pipe.orvan
# libarchive, given the folder.
bsdtar --format zip -cf ../bsdtar.orvan header.xml structure.xml attachments
# 7-Zip, given the folder.
7z a -tzip -bd -bso0 ../7zip.orvan header.xml structure.xml attachments
# Java's jar, without a manifest.
jar cfM ../jar.orvan header.xml structure.xml attachments
# Python's zipfile: its command line given the folder, and writing to a pipe.
python3 -m zipfile -c ../python-folder.orvan header.xml structure.xml attachments
# Into a pipe: deflated, stored, and with ZIP64 fields forced (64-bit sizes in the descriptors).
for variant in deflated stored zip64; do
  python3 - "$variant" "${entries[@]}" <<'PY' | cat > "../python-pipe-$variant.orvan"
import shutil, sys, zipfile
variant, names = sys.argv[1], sys.argv[2:]
method = zipfile.ZIP_STORED if variant == "stored" else zipfile.ZIP_DEFLATED
with zipfile.ZipFile(sys.stdout.buffer, "w", method) as z:
    for name in names:
        info = zipfile.ZipInfo(name, (1980, 1, 1, 0, 0, 0))
        info.compress_type = method
        with open(name, "rb") as source, z.open(info, "w", force_zip64=variant == "zip64") as target:
            shutil.copyfileobj(source, target)
PY
done
cd ..

for archive in *.orvan; do
  unzip -tq "$archive" > /dev/null
done
cp reference.orvan infozip*.orvan bsdtar.orvan 7zip.orvan jar.orvan python-*.orvan "$here/"
cp scan.bin "$here/scan.bin"
ls -l "$here"
