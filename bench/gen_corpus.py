#!/usr/bin/env python3
"""Writes the benchmark corpora, the same bytes on every run.

  gen_corpus.py tree DIR      10,000 subtitle files of about 40 cues, 100 to a folder
  gen_corpus.py big FILE MB   one subtitle file of about MB megabytes
"""
import os
import random
import sys

WORDS = ("the a of to and in that it with you for was on are as be at one have this from "
         "or had by hot word but what some we can out other were all there when up use your "
         "how said an each she which do their time if will way about many then them write "
         "would like so these her long make thing see him two has look more day could go come "
         "did number sound no most people my over know water than call first who may down "
         "side been now find").split()


def timestamp(ms):
    return "%02d:%02d:%02d,%03d" % (ms // 3600000, ms // 60000 % 60, ms // 1000 % 60, ms % 1000)


def cues(rng, count, start_index=1):
    """Yields SubRip cues as CR LF text, with one or two lines of words each."""
    t = rng.randrange(0, 5000)
    for index in range(start_index, start_index + count):
        start = t + rng.randrange(200, 3000)
        end = start + rng.randrange(800, 6000)
        t = end
        lines = [" ".join(rng.choice(WORDS) for _ in range(rng.randrange(3, 9)))
                 for _ in range(rng.choice((1, 1, 2)))]
        yield "%d\r\n%s --> %s\r\n%s\r\n\r\n" % (index, timestamp(start), timestamp(end),
                                                 "\r\n".join(lines))


def tree(root, files=10000, per_folder=100, cue_count=40):
    rng = random.Random(1)
    for n in range(files):
        folder = os.path.join(root, "season%03d" % (n // per_folder))
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "episode%05d.txt" % n), "w", newline="") as f:
            f.write("".join(cues(rng, cue_count)))


def big(path, megabytes):
    rng = random.Random(2)
    os.makedirs(os.path.dirname(path) or ".", exist_ok=True)
    target = megabytes * 1000 * 1000
    with open(path, "w", newline="") as f:
        written, index = 0, 1
        while written < target:
            chunk = "".join(cues(rng, 1000, index))
            index += 1000
            f.write(chunk)
            written += len(chunk)


if __name__ == "__main__":
    if sys.argv[1] == "tree":
        tree(sys.argv[2])
    elif sys.argv[1] == "big":
        big(sys.argv[2], int(sys.argv[3]))
    else:
        sys.exit(__doc__)
