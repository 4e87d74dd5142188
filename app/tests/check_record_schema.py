#!/usr/bin/python3
"""Prints the demonstration record with orvan demo-record, exports it with
--record, imports it back with --record-out and validates both JSON files
against docs/record.schema.json. Usage: check_record_schema.py ORVAN SOURCE_DIR"""
import json
import subprocess
import sys
import tempfile

import jsonschema

# An optional launcher first (wine, for a Windows build).
*launcher, orvan, source = sys.argv[1:]
with open(source + "/docs/record.schema.json") as schema_file:
    schema = json.load(schema_file)
with tempfile.TemporaryDirectory() as data:
    demo = subprocess.run([*launcher, orvan, "--data-dir", data, "demo-record"], check=True, cwd=data,
                          capture_output=True, text=True).stdout
    with open(data + "/demo.json", "w") as demo_file:
        demo_file.write(demo)
    subprocess.run([*launcher, orvan, "-q", "--data-dir", data, "export", "--record", data + "/demo.json"], check=True)
    subprocess.run([*launcher, orvan, "-q", "--data-dir", data, "import", "--record-out", data + "/back.json"], check=True)
    for name in ("demo.json", "back.json"):
        with open(data + "/" + name) as record_file:
            jsonschema.validate(json.load(record_file), schema, cls=jsonschema.Draft202012Validator)
print("demo and imported records validate against docs/record.schema.json")
