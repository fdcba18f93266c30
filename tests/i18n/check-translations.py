#!/usr/bin/env python3
"""The committed translation is what update_translations makes of today's
sources, and every entry of it is finished and faithful.

lupdate runs exactly as the update_translations target runs it (the same
project, options and sources) but on a copy of the .ts, so the source tree is
never touched. Fails when the copy comes out different (a text added, changed
or gone since the .ts was last updated), or when an entry is unfinished,
vanished or obsolete, empty, or its placeholders (%1, %n, %L1) or accelerators
(&) differ from its source's."""
import argparse
import difflib
import json
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

PLACEHOLDER = re.compile(r"%(?:L?\d{1,2}|n)")


def accelerators(text):
    return len(re.findall(r"&(?!&)", text.replace("&&", "")))


def entry_faults(ts):
    faults = []
    for context in ET.parse(ts).getroot().iter("context"):
        name = context.findtext("name")
        for message in context.iter("message"):
            source = message.findtext("source") or ""
            translation = message.find("translation")
            where = f"{name}: {source!r}"
            kind = translation.get("type") if translation is not None else "missing"
            if kind:
                faults.append(f"{where} is {kind}")
                continue
            forms = [f.text or "" for f in translation.iter("numerusform")] or [translation.text or ""]
            for form in forms:
                if not form.strip():
                    faults.append(f"{where} has an empty translation")
                elif sorted(set(PLACEHOLDER.findall(form))) != sorted(set(PLACEHOLDER.findall(source))):
                    faults.append(f"{where}: placeholders differ in {form!r}")
                elif accelerators(form) != accelerators(source):
                    faults.append(f"{where}: accelerators differ in {form!r}")
    return faults


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cmake", required=True)
    parser.add_argument("--generator", required=True, help="Qt's GenerateLUpdateProject.cmake")
    parser.add_argument("--project", required=True, help="the target's lupdate project (.cmake)")
    parser.add_argument("--lupdate", required=True)
    parser.add_argument("--ts", required=True, help="the committed .ts")
    parser.add_argument("options", nargs="*", help="lupdate's options, after --")
    args = parser.parse_args()

    with tempfile.TemporaryDirectory() as temp:
        project = f"{temp}/project.json"
        subprocess.run([args.cmake, f"-DIN_FILE={args.project}", f"-DOUT_FILE={project}",
                        "-P", args.generator], check=True)
        with open(project, encoding="utf-8") as f:
            settings = json.load(f)
        copy = f"{temp}/{args.ts.rsplit('/', 1)[-1]}"
        shutil.copyfile(args.ts, copy)
        settings["translations"] = [copy]
        with open(project, "w", encoding="utf-8") as f:
            json.dump(settings, f)
        subprocess.run([args.lupdate, "-project", project, *args.options], check=True, timeout=300)
        with open(args.ts, encoding="utf-8") as f:
            committed = f.read()
        with open(copy, encoding="utf-8") as f:
            updated = f.read()

    faults = entry_faults(args.ts)
    if updated != committed:
        sys.stdout.writelines(difflib.unified_diff(committed.splitlines(True), updated.splitlines(True),
                                                   args.ts, "after update_translations"))
        faults.append("the sources' texts differ from the .ts: build update_translations and translate")
    for fault in faults:
        print("FAULT:", fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
