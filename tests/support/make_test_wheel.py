#!/usr/bin/python3
"""Writes a stand-in release of the yt-dlp distribution as a wheel, with nothing to download or build.

Usage: make_test_wheel.py FOLDER VERSION REPORTED [broken]

The wheel's console script "yt-dlp" prints REPORTED for "--version" and hands everything else to the
system's yt-dlp in a child process, so that the program keeps running from the environment it was
installed into (as the real one does). A "broken" release installs but fails at once.
"""

import base64
import hashlib
import sys
import zipfile

MODULE = "yt_dlp_stand_in"


def program(reported, broken):
    if broken:
        return "import sys\n\ndef main():\n    sys.exit('this release is broken')\n"
    return (
        "import subprocess\nimport sys\n\n"
        "def main():\n"
        "    if sys.argv[1:] == ['--version']:\n"
        f"        print({reported!r})\n"
        "        return\n"
        "    sys.exit(subprocess.call(['/usr/bin/yt-dlp'] + sys.argv[1:]))\n"
    )


def record_line(name, data):
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
    return f"{name},sha256={digest},{len(data)}\n"


def write_wheel(folder, version, reported, broken):
    info = f"yt_dlp-{version}.dist-info"
    files = {
        f"{MODULE}.py": program(reported, broken),
        f"{info}/METADATA": f"Metadata-Version: 2.1\nName: yt-dlp\nVersion: {version}\n",
        f"{info}/WHEEL": "Wheel-Version: 1.0\nGenerator: kinolark-tests\nRoot-Is-Purelib: true\n"
        "Tag: py3-none-any\n",
        f"{info}/entry_points.txt": f"[console_scripts]\nyt-dlp = {MODULE}:main\n",
    }
    contents = {name: text.encode() for name, text in files.items()}
    record = "".join(record_line(name, data) for name, data in contents.items())
    contents[f"{info}/RECORD"] = (record + f"{info}/RECORD,,\n").encode()
    path = f"{folder}/yt_dlp-{version}-py3-none-any.whl"
    with zipfile.ZipFile(path, "w") as wheel:
        for name, data in contents.items():
            wheel.writestr(name, data)
    print(path)


if __name__ == "__main__":
    if len(sys.argv) not in (4, 5):
        sys.exit(__doc__)
    write_wheel(sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:] == ["broken"])
