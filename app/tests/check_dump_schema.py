#!/usr/bin/python3
"""Exports the demonstration record with orvan, dumps it as JSON and validates
the dump against docs/dump.schema.json. Usage: check_dump_schema.py ORVAN SOURCE_DIR"""
import json
import subprocess
import sys
import tempfile

import jsonschema

# An optional launcher first (wine, for a Windows build).
*launcher, orvan, source = sys.argv[1:]
with tempfile.TemporaryDirectory() as data:
    subprocess.run([*launcher, orvan, "-q", "--data-dir", data, "export"], check=True)
    dump = subprocess.run([*launcher, orvan, "dump", data + "/exportORVAN.orvan", "--json"], check=True,
                          capture_output=True, text=True).stdout
with open(source + "/docs/dump.schema.json") as schema_file:
    schema = json.load(schema_file)
jsonschema.validate(json.loads(dump), schema, cls=jsonschema.Draft202012Validator)
print("dump validates against docs/dump.schema.json")
