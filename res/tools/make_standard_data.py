#!/usr/bin/env python3
"""Writes the data files shipped with the sample ECU definitions.

  Standard_data.lyn      for ZLM350.def (free maps)
  Config_data.lyn        for ZLM350_config.def (config maps, list axes)
  Config_mem_data.lyn    for ZLM350_config_mem.def (config maps, axes in memory)

The data sets are described below: the axis points of every map in physical
units, a smooth function for each map's data and the raw value of every
calibration constant. The script reads each definition's map section for the
order, kinds and layout of the maps (and checks it against the description),
lays the maps out the way the program does, fixes the checksum byte so that
the calibration range sums to 0x7F, and writes the range as S1 records.

Usage: make_standard_data.py [output folder]   (default: the res folder)
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


# --- smooth data, physical to raw as in the definitions -------------------------

def fuel(throttle, rpm, scale=1.0):
    """Injection time (x*0.05 ms): grows with throttle, peaks near 9000 rpm."""
    load = (throttle / 100.0) ** 0.6
    ve = 0.75 + 0.25 * math.exp(-((rpm - 9000.0) / 3500.0) ** 2)
    return rnd((1.4 + 6.2 * load * ve) * scale / 0.05)


def ignition(throttle, rpm, offset=0.0):
    """Advance (x-40 deg): rises with engine speed, retarded under load."""
    base = 12.0 + 26.0 * (1.0 - math.exp(-(rpm - 1000.0) / 3000.0))
    return rnd(base - 10.0 * throttle / 100.0 + offset + 40)


def trim(throttle, rpm):
    """Ignition trim (x*0.5-20 deg)."""
    return rnd((-4.0 * throttle / 100.0 + 3.0 * (rpm - 6000.0) / 6000.0) * 2 + 40)


def accel(throttle, rpm):
    """Acceleration fuel (x*0.1 ms)."""
    return rnd((0.5 + 4.0 * throttle / 100.0 * (1.0 - rpm / 16000.0)) / 0.1)


def shift_cut(throttle, rpm):
    """Ignition cut on an up-shift (ms)."""
    return rnd(80 - 3.5 * (rpm - 5000) / 1000)


FUEL_THROT = [0, 5, 10, 20, 35, 50, 75, 100]
FUEL_RPM = [1500 + 1000 * i for i in range(12)]
IGN_THROT = [0, 10, 25, 50, 75, 100]
IGN_RPM = [2000 + 1000 * i for i in range(10)]

# name -> (THROT points, RPM points (kind 1) or one list per THROT point (kind 2), data)
MAPS = {}
for _n, _s in {"Fuel Map1": 1.0, "Fuel Map2": 0.92, "Fuel Map3": 1.06, "Fuel Map4": 0.96}.items():
    MAPS[_n] = (FUEL_THROT, FUEL_RPM, lambda t, r, s=_s: fuel(t, r, s))
for _n, _o in {"Ign Map1": 0.0, "Ign Map2": -3.0, "Ign Map3": 1.0, "Ign Map4": -1.0}.items():
    MAPS[_n] = (IGN_THROT, IGN_RPM, lambda t, r, o=_o: ignition(t, r, o))
MAPS["Fuel Fine"] = ([0, 2, 4, 6, 8, 10, 15, 20, 25, 30, 40, 50, 60, 70, 85, 100],
                     [1000 + 750 * i for i in range(16)], fuel)
MAPS["Ign Trim"] = ([0, 30, 60, 100],
                    [[1500 + 500 * i for i in range(6)],
                     [3000 + 1000 * i for i in range(6)],
                     [5000 + 1000 * i for i in range(6)],
                     [7000 + 1000 * i for i in range(6)]], trim)
MAPS["Accel Pump"] = ([10, 40, 80],
                      [[2000 + 1500 * i for i in range(5)],
                       [3000 + 2000 * i for i in range(5)],
                       [4000 + 2000 * i for i in range(5)]], accel)
MAPS["Shift Cut"] = ([100], [5000 + 1000 * i for i in range(8)], shift_cut)

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

OUTPUTS = [
    ("ZLM350.def", "Standard_data.lyn"),
    ("ZLM350_config.def", "Config_data.lyn"),
    ("ZLM350_config_mem.def", "Config_mem_data.lyn"),
]


# --- the definition ----------------------------------------------------------

def section(lines, name):
    """Lines of section `name` (comments and blank lines dropped), or None."""
    out, inside, found = [], False, False
    for raw in lines:
        line = raw.strip(" \t")
        if not line or line.startswith(";"):
            continue
        if len(line) >= 3 and line[0] == "[" and line[-1] == "]":
            inside = line[1:-1].strip().lower() == name.lower()
            found = found or inside
            continue
        if inside:
            out.append(line)
    return out if found else None


def fields(line):
    return [f.strip(" \t") for f in line.split(",")]


def read_definition(path):
    """(free, area start, maps) with maps as dicts read from the map section."""
    with open(path, encoding="ascii") as f:
        lines = f.read().splitlines()
    calib = {int(l.split(",")[0], 16): int(l.split(",")[1]) for l in section(lines, "Calib")}
    if {a: s for a, (s, _) in CONSTANTS.items()} != calib:
        sys.exit(f"{path}: constants differ from the description")
    free = section(lines, "Free Map") is not None
    body = section(lines, "Free Map" if free else "Config Map")
    start = int(fields(body[0])[0], 16)
    step = 4 if free else 6
    maps = []
    for i in range(1, len(body), step):
        header = fields(body[i])
        m = {"name": header[0], "kind": 1 if header[1] == "0" else 2}
        if not free:
            m["z_line"], m["x_line"] = fields(body[i + 4]), fields(body[i + 5])
        if m["name"] not in MAPS:
            sys.exit(f"{path}: {m['name']} is not described")
        maps.append(m)
    return free, start, maps


# --- the image -----------------------------------------------------------------

def points(name, kind):
    throt, rpm, value = MAPS[name]
    rows = [rpm] * len(throt) if isinstance(rpm[0], int) else rpm
    if kind == 1 and rows[0] is not rpm:
        sys.exit(f"{name}: kind 1 needs one RPM axis")
    assert all(a < b for a, b in zip(throt, throt[1:])), name + ": THROT not increasing"
    assert all(a < b for row in rows for a, b in zip(row, row[1:])), name + ": RPM"
    data = [value(t, r) for t, row in zip(throt, rows) for r in row]
    assert all(0 <= v <= 255 for v in data), name + ": data out of byte range"
    return throt, rows, data


def put(image, address, values, width=1):
    for v in values:
        assert 0 <= v < 1 << (8 * width)
        image[address:address + width] = v.to_bytes(width, "big")
        address += width
    return address


def layout_free(image, start, maps):
    address = start
    for m in maps:
        throt, rows, data = points(m["name"], m["kind"])
        x_axes = rows[:1] if m["kind"] == 1 else rows
        address = put(image, address, [len(throt), len(rows[0])])
        address = put(image, address, [rnd(t / 0.5) for t in throt])
        address = put(image, address, [rnd(r / 50) for row in x_axes for r in row])
        address = put(image, address, data)
    return address


def layout_config(image, start, maps):
    address = start
    for m in maps:
        throt, rows, data = points(m["name"], m["kind"])
        z, x = m["z_line"], m["x_line"]
        if z[0].lower() == "z":
            # Axes in memory: THROT bytes (x*0.5), RPM words holding the speed itself.
            put(image, int(z[1], 16), [rnd(t / 0.5) for t in throt], int(z[2]))
            x_axes = rows[:1] if m["kind"] == 1 else rows
            put(image, int(x[1], 16), [r for row in x_axes for r in row], int(x[2]))
        elif [float(v) for v in z[1:]] != throt or [float(v) for v in x[1:]] != rows[0]:
            sys.exit(f"{m['name']}: lists differ from the description")
        address = put(image, address, data)
    return address


def s1_record(address, data):
    body = [len(data) + 3, address >> 8, address & 0xFF] + list(data)
    checksum = ~sum(body) & 0xFF
    return "S1" + "".join(f"{b:02X}" for b in body) + f"{checksum:02X}"


def build(definition):
    free, start, maps = read_definition(definition)
    image = bytearray([FILL]) * 0x10000
    end = (layout_free if free else layout_config)(image, start, maps)
    assert end <= min(CONSTANTS), "maps run into the constants"
    for address, (size, value) in CONSTANTS.items():
        put(image, address, [value], size)
    image[RANGE_HIGH] = (CHECKSUM_TARGET - sum(image[RANGE_LOW:RANGE_HIGH])) & 0xFF
    assert sum(image[RANGE_LOW:RANGE_HIGH + 1]) & 0xFF == CHECKSUM_TARGET
    lines = ["; ZLM-350 standard data for " + os.path.basename(definition), "[Data]", "Calib:"]
    for address in range(RANGE_LOW, RANGE_HIGH + 1, 16):
        lines.append(s1_record(address, image[address:min(address + 16, RANGE_HIGH + 1)]))
    lines += ["S9030000FC", "Fixed:", "[Title]"]
    lines += [f"{name},{text}" for name, text in TITLES]
    return "".join(line + "\r\n" for line in lines)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else RES
    for definition, output in OUTPUTS:
        text = build(os.path.join(RES, definition))
        with open(os.path.join(folder, output), "w", newline="", encoding="ascii") as f:
            f.write(text)


if __name__ == "__main__":
    main()
