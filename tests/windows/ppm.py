"""Reading binary PPM pictures, shared by the scripts that look at screenshots
of the saver. ImageMagick's `import ... ppm:-` writes 16 bits a sample when it
is built with a 16-bit quantum; those come back as their high bytes, so every
caller sees 8-bit RGB."""


def parse_ppm(data, name="picture"):
    """(width, height, pixel bytes RGB, 8 bits each) of the PPM bytes `data`."""
    fields, at = [], 0
    while len(fields) < 4:
        while data[at:at + 1].isspace():
            at += 1
        end = at
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[at:end])
        at = end
    if fields[0] != b"P6" or fields[3] not in (b"255", b"65535"):
        raise ValueError(f"{name}: not an 8- or 16-bit PPM")
    pixels = data[at + 1:]
    if fields[3] == b"65535":
        pixels = pixels[0::2]  # big-endian samples: the high byte of each
    return int(fields[1]), int(fields[2]), pixels


def read_ppm(path):
    with open(path, "rb") as f:
        return parse_ppm(f.read(), path)
