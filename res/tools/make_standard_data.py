#!/usr/bin/env python3
"""Writes res/Standard_data.lyn, the standard data set shipped with ZLM350.def.

The data set is described below: the axis points of every map in physical
units, a smooth function for each map's data, and the raw value of every
calibration constant. The script checks the description against the map and
constant sections of ZLM350.def (names, kinds and order of the maps, addresses
and sizes of the constants), lays the maps out the way the program does (one
block per map: Z count, X count, Z axis, X axis, data) from the free-map start,
fixes the checksum byte so that the calibration range sums to 0x7F, and writes
the range as S1 records.

Usage: make_standard_data.py [definition] [output]
"""

import math
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
RES = os.path.dirname(HERE)

RANGE_LOW = 0x8000
RANGE_HIGH = 0x85FF          # the byte here is the checksum byte
FILL = 0xFF                  # unused bytes of the range (erased flash)
CHECKSUM_TARGET = 0x7F

TITLES = [
    ("Team", "Tavoreth Racing"),
    ("Engine", "ZLM-350 single 98 RON"),
    ("Setting", "Standard data"),
    ("Memo", "Map 1 race / Map 2 rain / Map 3 rich / Map 4 lean"),
]


def rnd(value):
    """Rounds half up (the way the ECU tool converts physical to raw)."""
    return int(math.floor(value + 0.5))


# --- conversions of the definition (physical to raw) -------------------------

def throt_raw(percent):
    return rnd(percent / 0.5)


def rpm_raw(rpm):
    return rnd(rpm / 50)


def fuel_raw(ms):
    return rnd(ms / 0.05)


def ign_raw(deg):
    return rnd(deg + 40)


def trim_raw(deg):
    return rnd(deg * 2 + 40)


def accel_raw(ms):
    return rnd(ms / 0.1)


# --- smooth data -------------------------------------------------------------

def fuel_ms(throttle, rpm, scale=1.0):
    """Injection time: grows with throttle, volumetric efficiency peaks near 9000 rpm."""
    load = (throttle / 100.0) ** 0.6
    ve = 0.75 + 0.25 * math.exp(-((rpm - 9000.0) / 3500.0) ** 2)
    return (1.4 + 6.2 * load * ve) * scale


def ign_deg(throttle, rpm, offset=0.0):
    """Advance: rises with engine speed, retarded under load."""
    base = 12.0 + 26.0 * (1.0 - math.exp(-(rpm - 1000.0) / 3000.0))
    return base - 10.0 * throttle / 100.0 + offset


def trim_deg(throttle, rpm):
    return -4.0 * throttle / 100.0 + 3.0 * (rpm - 6000.0) / 6000.0


def accel_ms(throttle, rpm):
    return 0.5 + 4.0 * throttle / 100.0 * (1.0 - rpm / 16000.0)


FUEL_THROT = [0, 5, 10, 20, 35, 50, 75, 100]
FUEL_RPM = [1500 + 1000 * i for i in range(12)]
IGN_THROT = [0, 10, 25, 50, 75, 100]
IGN_RPM = [2000 + 1000 * i for i in range(10)]
FINE_THROT = [0, 2, 4, 6, 8, 10, 15, 20, 25, 30, 40, 50, 60, 70, 85, 100]
FINE_RPM = [1000 + 750 * i for i in range(16)]


def kind1(name, throt, rpm, value):
    return {
        "name": name, "kind": 1,
        "z": [throt_raw(t) for t in throt],
        "x": [rpm_raw(r) for r in rpm],
        "data": [[value(t, r) for r in rpm] for t in throt],
    }


def kind2(name, throt, rpm_rows, value):
    return {
        "name": name, "kind": 2,
        "z": [throt_raw(t) for t in throt],
        "x": [[rpm_raw(r) for r in row] for row in rpm_rows],
        "data": [[value(t, r) for r in row] for t, row in zip(throt, rpm_rows)],
    }


FUEL_SCALE = {"Fuel Map1": 1.0, "Fuel Map2": 0.92, "Fuel Map3": 1.06, "Fuel Map4": 0.96}
IGN_OFFSET = {"Ign Map1": 0.0, "Ign Map2": -3.0, "Ign Map3": 1.0, "Ign Map4": -1.0}

MAPS = (
    [kind1(n, FUEL_THROT, FUEL_RPM, lambda t, r, s=s: fuel_raw(fuel_ms(t, r, s)))
     for n, s in FUEL_SCALE.items()]
    + [kind1(n, IGN_THROT, IGN_RPM, lambda t, r, o=o: ign_raw(ign_deg(t, r, o)))
       for n, o in IGN_OFFSET.items()]
    + [
        kind1("Fuel Fine", FINE_THROT, FINE_RPM, lambda t, r: fuel_raw(fuel_ms(t, r))),
        kind2("Ign Trim", [0, 30, 60, 100],
              [[1500 + 500 * i for i in range(6)],
               [3000 + 1000 * i for i in range(6)],
               [5000 + 1000 * i for i in range(6)],
               [7000 + 1000 * i for i in range(6)]],
              lambda t, r: trim_raw(trim_deg(t, r))),
        kind2("Accel Pump", [10, 40, 80],
              [[2000 + 1500 * i for i in range(5)],
               [3000 + 2000 * i for i in range(5)],
               [4000 + 2000 * i for i in range(5)]],
              lambda t, r: accel_raw(accel_ms(t, r))),
        kind1("Shift Cut", [100], [5000 + 1000 * i for i in range(8)],
              lambda t, r: rnd(80 - 3.5 * (r - 5000) / 1000)),
    ]
)

# Calibration constants: address -> (size in bytes, raw value).
CONSTANTS = {
    0x8500: (2, 12800),              # Rev Limit, rpm
    0x8502: (2, 12500),              # Soft Rev Limit
    0x8504: (2, rnd(15e6 / 7000)),   # Launch Limit 7000 rpm (period)
    0x8506: (2, rnd(15e6 / 4000)),   # Pit Limit 4000 rpm (period)
    0x8508: (1, 160),                # Idle Target 1600 rpm
    0x8509: (1, 70),                 # Shift Cut Time 70 ms
    0x850A: (1, 125),                # Shift Sensor Level 2.5 V
    0x850B: (1, 0x100 - 3),          # Ign Offset -1.5 deg
    0x850C: (2, 650),                # Inj Dead Time 0.650 ms
    0x850E: (2, 0x10000 - 250),      # Inj Trim -2.5 %
    0x8510: (1, 30),                 # Fuel Pump Prime 3.0 s
    0x8511: (1, 135),                # Fan On 95 deg C
    0x8512: (1, 128),                # Fan Off 88 deg C
    0x8513: (1, 150),                # Overheat Warning 110 deg C
    0x8514: (1, 60),                 # Cold Start Enrich 30 %
    0x8515: (1, 12),                 # Accel Enrich Decay
    0x8516: (1, 28),                 # TPS Idle 0.56 V
    0x8517: (1, 220),                # TPS Full 4.40 V
    0x8518: (1, 0x100 - 12),         # Battery Comp -0.12 ms/V
    0x8519: (1, 23),                 # ECU Version
    0x851A: (2, 3507),               # Serial Number
    0x851C: (1, 1),                  # Map Select
}


# --- the definition ----------------------------------------------------------

def section(lines, name):
    """Lines of section `name` (comments and blank lines dropped)."""
    out, inside = [], False
    for raw in lines:
        line = raw.strip(" \t")
        if not line or line.startswith(";"):
            continue
        if len(line) >= 3 and line[0] == "[" and line[-1] == "]":
            inside = line[1:-1].strip().lower() == name.lower()
            continue
        if inside:
            out.append(line)
    return out


def check_definition(path):
    with open(path, encoding="ascii") as f:
        lines = f.read().splitlines()
    free = section(lines, "Free Map")
    start = int(free[0].split(",")[0], 16)
    headers = [free[i] for i in range(1, len(free), 4)]
    described = [(m["name"], m["kind"]) for m in MAPS]
    defined = [(h.split(",")[0].strip(), 1 if h.split(",")[1].strip() == "0" else 2)
               for h in headers]
    if described != defined:
        sys.exit(f"maps differ from {path}:\n{described}\n{defined}")
    calib = {int(l.split(",")[0], 16): int(l.split(",")[1]) for l in section(lines, "Calib")}
    if {a: s for a, (s, _) in CONSTANTS.items()} != calib:
        sys.exit(f"constants differ from {path}")
    return start


# --- the image -----------------------------------------------------------------

def layout(image, start):
    address = start
    for m in MAPS:
        z, x, data = m["z"], m["x"], m["data"]
        xs = x if m["kind"] == 1 else [v for row in x for v in row]
        assert all(a < b for a, b in zip(z, z[1:])), m["name"] + ": THROT not increasing"
        rows = [x] if m["kind"] == 1 else x
        assert all(a < b for row in rows for a, b in zip(row, row[1:])), m["name"] + ": RPM"
        block = [len(z), len(data[0])] + z + xs + [v for row in data for v in row]
        assert all(0 <= v <= 255 for v in block), m["name"] + ": value out of byte range"
        image[address:address + len(block)] = block
        address += len(block)
    return address


def s1_record(address, data):
    body = [len(data) + 3, address >> 8, address & 0xFF] + list(data)
    checksum = ~sum(body) & 0xFF
    return "S1" + "".join(f"{b:02X}" for b in body) + f"{checksum:02X}"


def build(definition):
    start = check_definition(definition)
    image = bytearray([FILL]) * 0x10000
    end = layout(image, start)
    assert end <= min(CONSTANTS), "maps run into the constants"
    for address, (size, value) in CONSTANTS.items():
        image[address:address + size] = value.to_bytes(size, "big")
    image[RANGE_HIGH] = (CHECKSUM_TARGET - sum(image[RANGE_LOW:RANGE_HIGH])) & 0xFF
    assert sum(image[RANGE_LOW:RANGE_HIGH + 1]) & 0xFF == CHECKSUM_TARGET
    lines = ["; ZLM-350 standard data", "[Data]", "Calib:"]
    for address in range(RANGE_LOW, RANGE_HIGH + 1, 16):
        lines.append(s1_record(address, image[address:min(address + 16, RANGE_HIGH + 1)]))
    lines += ["S9030000FC", "Fixed:", "[Title]"]
    lines += [f"{name},{text}" for name, text in TITLES]
    return "".join(line + "\r\n" for line in lines)


def main():
    definition = sys.argv[1] if len(sys.argv) > 1 else os.path.join(RES, "ZLM350.def")
    output = sys.argv[2] if len(sys.argv) > 2 else os.path.join(RES, "Standard_data.lyn")
    with open(output, "w", newline="", encoding="ascii") as f:
        f.write(build(definition))


if __name__ == "__main__":
    main()
