# The WCAG contrast ratio of the text in a region of a screenshot: between the region's most
# common colour (its background) and the colour farthest from it in luminance (its text).
"""usage: contrast.py PNG X Y WIDTH HEIGHT   prints the ratio, e.g. 19.6"""
import subprocess, sys
from collections import Counter


def luminance(rgb):
    def linear(c):
        c /= 255
        return c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4
    r, g, b = map(linear, rgb)
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


png, x, y, w, h = sys.argv[1], *map(int, sys.argv[2:6])
ppm = subprocess.run(["convert", png, "-crop", f"{w}x{h}+{x}+{y}", "+repage", "-depth", "8", "ppm:-"],
                     check=True, capture_output=True).stdout
# P6 header: magic, width, height, maximum value, then the pixels.
fields, pos = [], 0
while len(fields) < 4:
    end = ppm.index(b"\n", pos) if ppm[pos:pos + 1] != b"#" else ppm.index(b"\n", pos)
    fields += ppm[pos:end].split()
    pos = end + 1
data = ppm[pos:]
pixels = Counter(tuple(data[i:i + 3]) for i in range(0, len(data), 3))
background = luminance(pixels.most_common(1)[0][0])
text = max((luminance(p) for p in pixels), key=lambda l: abs(l - background))
print(round((max(background, text) + 0.05) / (min(background, text) + 0.05), 2))
