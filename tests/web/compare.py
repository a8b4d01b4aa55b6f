"""How far apart two screenshots are, measured as the Wine test measures them
(tests/e2e/wine_test.sh, scaled_distance): both pictures resized to 200x200 whatever
their shapes, blurred (0x1.5), then ImageMagick's normalised RMSE, 0 for the same
picture and 1 for opposites.

    python3 tests/web/compare.py linux_title.png web_title.png     # prints e.g. 0.0213
"""

import os
import re
import subprocess
import sys
import tempfile


def scaled_distance(a, b):
    with tempfile.TemporaryDirectory() as work:
        scaled = []
        for n, picture in enumerate((a, b)):
            out = os.path.join(work, f"{n}.png")
            subprocess.run(["convert", str(picture), "-resize", "200x200!", "-blur", "0x1.5",
                            out], check=True, timeout=60)
            scaled.append(out)
        # compare prints "ABSOLUTE (NORMALISED)" on stderr, and exits 1 when the pictures
        # differ at all, so only a status above 1 is a failure.
        run = subprocess.run(["compare", "-metric", "RMSE", *scaled, "null:"],
                             capture_output=True, text=True, timeout=60)
    found = re.search(r"\(([^)]*)\)", run.stderr)
    if run.returncode > 1 or not found:
        raise RuntimeError(f"compare failed on {a} and {b}: {run.stderr.strip()}")
    return float(found.group(1))


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: compare.py PICTURE PICTURE")
    print(f"{scaled_distance(sys.argv[1], sys.argv[2]):.6g}")
