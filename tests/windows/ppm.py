"""Reading 8-bit binary PPM pictures (what `import ... ppm:-` writes), shared
by the scripts that look at screenshots of the saver."""


def parse_ppm(data, name="picture"):
    """(width, height, pixel bytes RGB) of the PPM bytes `data`."""
    fields, at = [], 0
    while len(fields) < 4:
        while data[at:at + 1].isspace():
            at += 1
        end = at
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[at:end])
        at = end
    if fields[0] != b"P6" or fields[3] != b"255":
        raise ValueError(f"{name}: not an 8-bit PPM")
    return int(fields[1]), int(fields[2]), data[at + 1:]


def read_ppm(path):
    with open(path, "rb") as f:
        return parse_ppm(f.read(), path)
