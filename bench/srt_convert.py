#!/usr/bin/env python3
"""What a user would write instead of Kestrane: the same conversion with the srt library.

Converts every .txt file under the given folder in place, keeping name.txt_original.
"""
import os
import sys

import srt


def frame(ms):
    return min(29, (ms + 16) // 33) if ms < 979 else 29


def timecode(delta):
    total_ms = delta.days * 86400000 + delta.seconds * 1000 + delta.microseconds // 1000
    seconds = total_ms // 1000
    return "%02d;%02d;%02d;%02d" % (seconds // 3600, seconds // 60 % 60, seconds % 60,
                                    frame(total_ms % 1000))


def convert(path):
    backup = path + "_original"
    if os.path.exists(backup):
        return
    with open(path, encoding="utf-8-sig", errors="replace") as f:
        subtitles = list(srt.parse(f.read()))
    lines = ["%d %s %s %s \r\n" % (s.index, timecode(s.start), timecode(s.end),
                                   " ".join(s.content.splitlines())) for s in subtitles]
    with open(path + "_temp", "w", encoding="utf-8-sig", newline="") as f:
        f.write("".join(lines))
    os.rename(path, backup)
    os.rename(path + "_temp", path)


for folder, _, names in os.walk(sys.argv[1]):
    for name in names:
        if name.lower().endswith(".txt"):
            convert(os.path.join(folder, name))
