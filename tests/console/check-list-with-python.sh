#!/usr/bin/env bash
# Reads what "Quillbay.exe list" writes for scripts with python3's own json and
# csv modules, which share no code with ours. In a Wine prefix of its own, seeded
# with the demonstration Driver Store and its devices, the JSON (on the output
# stream) and the CSV (into a file, and on the stream) must parse strictly, agree
# with each other field by field, and say what the seeded store holds: its
# published INFs, each package's folder, size and DriverVer, and the three old
# versions a newer package confirms; then the same store as an offline root
# chosen with --target.
# Usage: check-list-with-python.sh <build dir>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: check-list-with-python.sh <build dir>}" && pwd)
. "$here/../support/console_check.sh"
start_console_check console-list bin/Quillbay.exe bin/DismApi.dll bin/qb-seed.exe bin/qb-seed-devices.exe
"$wine" "$build/bin/qb-seed.exe" current >/dev/null
"$wine" "$build/bin/qb-seed-devices.exe" >/dev/null
app=$work/app
mkdir -p "$app" "$work/out"
cp "$build/bin/Quillbay.exe" "$build/bin/DismApi.dll" "$app/"

. "$here/../support/checks.sh"
quillbay() { "$wine" "$app/Quillbay.exe" "$@" 2>"$work/stderr.txt"; }
json_on_stream() { quillbay list --format json >"$work/list.json"; }
csv_into_file() { quillbay list --format csv --output "$(windows "$work/out/list.csv")" >"$work/csv-stdout.txt"; }
csv_on_stream() { quillbay LIST --FORMAT CSV >"$work/stream.csv"; }
check "list --format json ends with 0" json_on_stream
check "and writes nothing to the error stream" test ! -s "$work/stderr.txt"
check "list --format csv --output FILE ends with 0" csv_into_file
check "and writes nothing to either stream" sh -c 'test ! -s "$1/csv-stdout.txt" && test ! -s "$1/stderr.txt"' - "$work"
check "list --format csv on the stream ends with 0" csv_on_stream

check "the JSON parses strictly and says what the seeded store holds" python3 - "$work" "$WINEPREFIX" <<'EOF'
import datetime, json, pathlib, re, sys
work, prefix = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
raw = (work / "list.json").read_bytes()
assert not raw.startswith(b"\xef\xbb\xbf"), "a byte-order mark on the stream"
document = json.loads(raw.decode("utf-8"))
assert list(document) == ["FormatVersion", "TargetRoot", "Online", "ReadTime", "Packages"], list(document)
assert document["FormatVersion"] == 1 and document["Online"] is True, document
assert document["TargetRoot"].upper() == "C:\\", document["TargetRoot"]
read = datetime.datetime.strptime(document["ReadTime"], "%Y-%m-%dT%H:%M:%SZ").replace(tzinfo=datetime.timezone.utc)
assert abs((datetime.datetime.now(datetime.timezone.utc) - read).total_seconds()) < 600, document["ReadTime"]

windows = prefix / "drive_c" / "windows"
published = sorted(p.name.lower() for p in (windows / "inf").glob("oem*.inf"))
packages = document["Packages"]
assert sorted(p["PublishedName"].lower() for p in packages) == published, (published, packages)
assert len(packages) == 12, len(packages)

def inf_fields(path):
    raw = path.read_bytes()
    text = raw[2:].decode("utf-16-le") if raw.startswith(b"\xff\xfe") else raw.decode("latin-1")
    fields, strings, section = {}, {}, ""
    for line in text.splitlines():
        line = line.split(";")[0].strip()
        if line.startswith("["):
            section = line.strip("[]").lower()
        elif "=" in line:
            key, value = (part.strip() for part in line.split("=", 1))
            (strings if section == "strings" else fields).setdefault(key.lower(), value)
    resolve = lambda value: strings.get(value.strip("%").lower(), value).strip('"') if value.startswith("%") else value
    return {key: resolve(value) for key, value in fields.items()}

keys = ["PublishedName", "OriginalInfName", "Provider", "ClassName", "ClassDescription", "ClassGuid", "Version",
        "Date", "BootCritical", "SizeBytes", "DriverStoreFolder", "HardwareIds", "HardwareIdsComplete", "Devices",
        "Verdict", "VerdictText", "Replacement"]
repository = windows / "system32" / "DriverStore" / "FileRepository"
for package in packages:
    name = package["PublishedName"]
    assert list(package) == keys, (name, list(package))
    folder = package["DriverStoreFolder"]
    assert folder.lower().startswith("c:\\windows\\system32\\driverstore\\filerepository\\"), (name, folder)
    local = repository / folder.split("\\")[-1]
    size = sum(f.stat().st_size for f in local.rglob("*") if f.is_file())
    assert package["SizeBytes"] == size, (name, package["SizeBytes"], size)
    inf = inf_fields(local / package["OriginalInfName"])
    month, day, year = inf["driverver"].split(",")[0].split("/")
    assert package["Date"] == f"{year}-{month}-{day}", (name, package["Date"], inf["driverver"])
    assert package["Version"] == inf["driverver"].split(",")[1].strip(), (name, package["Version"])
    assert package["Provider"] == inf.get("provider", ""), (name, package["Provider"])
    assert package["ClassName"].lower() == inf.get("class", "").lower(), (name, package["ClassName"])
    assert package["ClassGuid"].lower() == inf.get("classguid", "").lower(), (name, package["ClassGuid"])
    assert all(isinstance(i, str) for i in package["HardwareIds"]), name
    assert isinstance(package["HardwareIdsComplete"], bool) and isinstance(package["BootCritical"], bool), name
    assert all(d["InstanceId"] for d in package["Devices"] if d["Running"]), (name, package["Devices"])
    assert package["VerdictText"], name
    if package["Verdict"] not in ("ConfirmedReplacement", "PossibleReplacement"):
        assert package["Replacement"] is None, (name, package["Replacement"])

confirmed = {p["PublishedName"]: p["Replacement"] for p in packages if p["Verdict"] == "ConfirmedReplacement"}
assert confirmed == {"oem1.inf": "oem11.inf", "oem3.inf": "oem12.inf", "oem7.inf": "oem12.inf"}, confirmed
assert any(d["Running"] for p in packages for d in p["Devices"]), "the seeded devices run"
display = next(p for p in packages if p["PublishedName"] == "oem12.inf")
# The models section for this Windows version holds 7A20 and 7A21 (a decorated one adds 7A30).
assert display["HardwareIds"][:2] == ["PCI\\VEN_1F3A&DEV_7A20", "PCI\\VEN_1F3A&DEV_7A21"], display["HardwareIds"]
assert display["HardwareIdsComplete"] is True, display
EOF

check "the CSV file (with a byte-order mark) and the stream (without) hold the JSON's fields" \
    python3 - "$work" <<'EOF'
import csv, io, json, pathlib, sys
work = pathlib.Path(sys.argv[1])
packages = json.loads((work / "list.json").read_bytes().decode("utf-8"))["Packages"]
header = ["PublishedName", "OriginalInfName", "Provider", "ClassName", "ClassDescription", "ClassGuid", "Version",
          "Date", "BootCritical", "SizeBytes", "DriverStoreFolder", "HardwareIds", "HardwareIdsComplete",
          "DeviceInstanceIds", "DevicesRunning", "Verdict", "VerdictText", "Replacement"]
def text(value):
    if value is None:
        return ""
    if isinstance(value, bool):
        return "true" if value else "false"
    return str(value)
expected = [header] + [[text(p[k]) for k in header[:11]] + [";".join(p["HardwareIds"]),
                       text(p["HardwareIdsComplete"]), ";".join(d["InstanceId"] for d in p["Devices"]),
                       ";".join(text(d["Running"]) for d in p["Devices"]), p["Verdict"], p["VerdictText"],
                       text(p["Replacement"])] for p in packages]
raw_file = (work / "out" / "list.csv").read_bytes()
raw_stream = (work / "stream.csv").read_bytes()
assert raw_file.startswith(b"\xef\xbb\xbf"), "the file needs a byte-order mark"
assert not raw_stream.startswith(b"\xef\xbb\xbf"), "a byte-order mark on the stream"
for raw in (raw_file[3:], raw_stream):
    assert raw.endswith(b"\r\n") and b"\n" not in raw.replace(b"\r\n", b""), "records end with CR LF"
    rows = list(csv.reader(io.StringIO(raw.decode("utf-8"), newline=""), strict=True))
    assert rows == expected, (rows, expected)
EOF

# The same over an offline Windows root, chosen with --target.
offline=$work/offline
"$wine" "$build/bin/qb-seed.exe" offline "$(windows "$offline")" >/dev/null
json_offline() { quillbay list --target "$(windows "$offline")" --format json >"$work/offline.json"; }
csv_offline() { quillbay list --format csv --target "$(windows "$offline")" >"$work/offline.csv"; }
check "list --target ROOT --format json ends with 0" json_offline
check "list --format csv --target ROOT ends with 0" csv_offline
check "the offline JSON and CSV parse and say what the offline root holds" \
    python3 - "$work" "$(windows "$offline")" <<'EOF'
import csv, io, json, pathlib, sys
work, root = pathlib.Path(sys.argv[1]), sys.argv[2]
document = json.loads((work / "offline.json").read_bytes().decode("utf-8"))
assert document["Online"] is False and document["TargetRoot"].rstrip("\\").lower() == root.lower(), document
child = lambda folder, name: next(p for p in folder.iterdir() if p.name.lower() == name)
windows = child(work / "offline", "windows")
published = sorted(p.name.lower() for p in child(windows, "inf").iterdir() if p.name.lower().startswith("oem"))
packages = document["Packages"]
assert sorted(p["PublishedName"].lower() for p in packages) == published and len(packages) == 12, packages
store = (root + "\\Windows\\System32\\DriverStore\\FileRepository\\").lower()
repository = child(child(child(windows, "system32"), "driverstore"), "filerepository")
for package in packages:
    name, folder = package["PublishedName"], package["DriverStoreFolder"]
    assert folder.lower().startswith(store), (name, folder)
    size = sum(f.stat().st_size for f in child(repository, folder.split("\\")[-1].lower()).rglob("*") if f.is_file())
    assert package["SizeBytes"] == size, (name, package["SizeBytes"], size)
    assert package["Devices"] == [], (name, "an offline hive names no devices")
confirmed = {p["PublishedName"]: p["Replacement"] for p in packages if p["Verdict"] == "ConfirmedReplacement"}
assert confirmed == {"oem1.inf": "oem11.inf", "oem3.inf": "oem12.inf", "oem7.inf": "oem12.inf"}, confirmed
used = {p["PublishedName"] for p in packages if p["Verdict"] == "AssociatedWithDevice"}
assert {"oem2.inf", "oem5.inf", "oem11.inf", "oem12.inf"} <= used, used
rows = list(csv.reader(io.StringIO((work / "offline.csv").read_bytes().decode("utf-8"), newline=""), strict=True))
assert rows[0][:2] == ["PublishedName", "OriginalInfName"], rows[0]
assert [(r[0], r[15]) for r in rows[1:]] == [(p["PublishedName"], p["Verdict"]) for p in packages], rows
EOF

missing=$(windows "$work/out/missing/list.json")
into_missing_folder() {
    local code=0
    quillbay list --format json --output "$missing" >"$work/missing-stdout.txt" || code=$?
    test "$code" -eq 2
}
check "list --output into a folder that does not exist ends with 2" into_missing_folder
check "and says so on the error stream, naming the file" grep -qF "ERROR: " "$work/stderr.txt"
check "with its path" grep -qF "$missing" "$work/stderr.txt"
check "and writes nothing to the output stream" test ! -s "$work/missing-stdout.txt"
check "nor creates the folder" test ! -e "$work/out/missing"

echo "$((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
