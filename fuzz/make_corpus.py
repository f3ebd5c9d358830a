#!/usr/bin/env python3
"""Writes the seed corpus: small hand-made archives of the shapes that matter."""
import os
import sys


def header(tag, size=b"", name=b""):
    record = bytearray(128)
    record[0:len(tag)] = tag
    record[8:8 + len(size)] = size
    record[28:28 + len(name)] = name
    return bytes(record)


def data(content):
    padded = content + b"\0" * (-len(content) % 128)
    return padded if content else b"\0" * 128


def file(name, content):
    return header(b"file", str(len(content)).encode(), name) + data(content)


END = header(b"end")
WORKED = file(b"a.mp3", bytes(range(200))) + header(b"ordner", name=b"sub") + file(b"sub\\b.txt", b"") + END

SEEDS = {
    "end-only": END,
    "worked-example": WORKED,
    "sound-folder": header(b"ordner", name=b"intro") + file(b"intro\\theme.mp3", b"theme")
    + file(b"song.mp3", b"s" * 300) + file(b"notes.txt", b"notes") + END,
    "cut-in-data": WORKED[:300],
    "cut-before-end": WORKED[:-128],
    "cut-mid-header": WORKED[:64],
    "size-128": file(b"x", b"x" * 128) + END,
    "size-129": file(b"x", b"x" * 129) + END,
    "size-negative": header(b"file", b"-1", b"neg") + data(b"n") + END,
    "size-huge": header(b"file", b"99999999999999999999", b"huge") + data(b"h") + END,
    "size-letters": header(b"file", b"abc", b"letters") + data(b"l") + END,
    "size-unterminated": header(b"file", b"1" * 20, b"u") + END,
    "name-unterminated": header(b"file", b"1", b"n" * 100) + data(b"n") + END,
    "tag-unterminated": b"xxxxxfil" + header(b"e", b"1", b"run-on")[8:] + data(b"r") + END,
    "file-and-end": header(b"fileend", b"5", b"both") + data(b"both!") + END,
    "data-looks-like-header": header(b"file", b"128", b"d") + END + END,
    "traversal-dotdot": header(b"ordner", name=b"..") + file(b"..\\evil", b"e") + END,
    "traversal-nested": file(b"a\\..\\..\\evil", b"e") + file(b"a/../../evil", b"e") + END,
    "traversal-absolute": file(b"/tmp/evil", b"e") + file(b"\\evil", b"e") + END,
    "traversal-drive": file(b"C:evil", b"e") + file(b"c:\\evil", b"e") + END,
    "colon": file(b"a.txt:stream", b"s") + END,
    "duplicate-names": file(b"twice", b"1" * 300) + file(b"twice", b"2") + END,
    "missing-directory": file(b"nowhere\\f.mp3", b"x") + END,
    "unknown-tag": header(b"nothing", name=b"junk") + END,
}


def main(directory):
    os.makedirs(directory, exist_ok=True)
    for name, content in SEEDS.items():
        with open(os.path.join(directory, name), "wb") as out:
            out.write(content)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "corpus"))
