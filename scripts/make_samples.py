#!/usr/bin/env python3
"""Builds the sample music tree in samples/ that a first-time user can open.

    samples/サンプル歌手/                artist folder (folder-structure mode: the artist)
        はじめに.mp3                      a file directly in the artist folder
        夏の旅/                           album with a Japanese name
            01 海辺の朝.mp3
            02 夕立.mp3
            03 星の歌.mp3
        Blue Sky/                         album with a Latin name
            01 Morning Light.mp3
            02 青い空.mp3

Every file gets an ID3v2.3 tag at the start and a 128-byte ID3v1 tag at the end. The ID3v1
text is Shift-JIS (code page 932), padded with spaces, with no track byte (the comment keeps
all 30 bytes). The ID3v2.3 text frames are either encoding 0 with Shift-JIS bytes or
encoding 1 (UTF-16LE behind the byte-order mark FF FE), without a terminating zero. The
comment and user text frames hold two strings and are always encoding 0: the comment is
"jpn", an empty description ending in a zero byte, then the text; the user text frame is
its description, a zero byte, then its value. All tag bytes are built here by hand.

The audio comes from the small MPEG streams in tests/data: their tags are stripped and the
bare frames are used as they are, so the files stay a few kilobytes each.

Rerun (standard library only), from anywhere:

    python3 scripts/make_samples.py            # writes <repo>/samples/サンプル歌手/
    python3 scripts/make_samples.py OUTDIR     # writes OUTDIR/サンプル歌手/ instead

The artist folder is removed and written afresh; the output is the same on every run.
"""

import os
import shutil
import struct
import sys

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DATA = os.path.join(REPO, "tests", "data")

ARTIST = "サンプル歌手"
COMMENT = "サンプルのコメント"

# (path below the artist folder, audio fixture, ID3v1 fields, ID3v2 frames)
# ID3v1 fields: title, artist, album, year, comment, genre number.
# ID3v2 frames: (id, encoding, value); COMM values are the comment text.
SAMPLES = [
    ("はじめに.mp3", "14_notag_lame_mpeg1_l3_128k.mp3",
     ("はじめに", ARTIST, "", "2024", COMMENT, 12),
     [("TIT2", 0, "はじめに"), ("TPE1", 0, ARTIST), ("TYER", 0, "2024"),
      ("TCON", 0, "(12)"), ("COMM", 0, COMMENT), ("TXXX", 0, ("気分", "おだやか"))]),
    ("夏の旅/01 海辺の朝.mp3", "02_v23_latin1_mutagen_mpeg1_l3_32k.mp3",
     ("海辺の朝", ARTIST, "夏の旅", "2024", COMMENT, 146),
     [("TIT2", 0, "海辺の朝"), ("TPE1", 0, ARTIST), ("TALB", 0, "夏の旅"),
      ("TRCK", 0, "1/3"), ("TYER", 0, "2024"), ("TCON", 0, "(146)"),
      ("COMM", 0, COMMENT)]),
    ("夏の旅/02 夕立.mp3", "05_v24_utf8_japanese_eyed3_mpeg1_l3_32k.mp3",
     ("夕立", ARTIST, "夏の旅", "2024", COMMENT, 146),
     [("TIT2", 0, "夕立"), ("TPE1", 0, ARTIST), ("TALB", 0, "夏の旅"),
      ("TRCK", 0, "2/3"), ("TYER", 0, "2024"), ("TCON", 0, "(146)"),
      ("COMM", 0, COMMENT)]),
    ("夏の旅/03 星の歌.mp3", "12_v23_sjis_enc0_handmade_mpeg1_l3_32k.mp3",
     ("星の歌", ARTIST, "夏の旅", "2024", COMMENT, 146),
     [("TIT2", 0, "星の歌"), ("TPE1", 0, ARTIST), ("TALB", 0, "夏の旅"),
      ("TRCK", 0, "3/3"), ("TYER", 0, "2024"), ("TCON", 0, "(146)"),
      ("COMM", 0, COMMENT)]),
    ("Blue Sky/01 Morning Light.mp3", "15_v23_v1_lame_mpeg2_l3_64k.mp3",
     ("Morning Light", ARTIST, "Blue Sky", "2025", "sample comment", 13),
     [("TIT2", 1, "Morning Light"), ("TPE1", 1, ARTIST), ("TALB", 1, "Blue Sky"),
      ("TRCK", 0, "1/2"), ("TYER", 0, "2025"), ("TCON", 0, "(13)"),
      ("COMM", 0, "sample comment")]),
    ("Blue Sky/02 青い空.mp3", "08_v23_trck_tcon13_mutagen_mpeg1_l3_32k.mp3",
     ("青い空", ARTIST, "Blue Sky", "2025", COMMENT, 13),
     [("TIT2", 1, "青い空"), ("TPE1", 1, ARTIST), ("TALB", 1, "Blue Sky"),
      ("TRCK", 0, "2/2"), ("TYER", 0, "2025"), ("TCON", 0, "(13)"),
      ("COMM", 0, COMMENT)]),
]


def sjis(text):
    return text.encode("cp932")


def strip_tags(data):
    """The MPEG frames of a file: its ID3v2 tag (with a v2.4 footer) and ID3v1 tag removed."""
    start = 0
    if data[:3] == b"ID3":
        size = 0
        for b in data[6:10]:
            size = size * 128 + (b & 0x7F)
        start = 10 + size + (10 if data[3] == 4 and data[5] & 0x10 else 0)
    end = len(data)
    if end - start >= 128 and data[end - 128:end - 125] == b"TAG":
        end -= 128
    audio = data[start:end]
    if len(audio) < 2 or audio[0] != 0xFF or audio[1] & 0xE0 != 0xE0:
        raise ValueError("no MPEG frame sync behind the tag")
    return audio


def v1_field(text, width):
    """Shift-JIS bytes cut to width without splitting a double-byte character, space padded."""
    out = b""
    for ch in text:
        b = sjis(ch)
        if len(out) + len(b) > width:
            break
        out += b
    return out + b" " * (width - len(out))


def id3v1(title, artist, album, year, comment, genre):
    rec = (b"TAG" + v1_field(title, 30) + v1_field(artist, 30) + v1_field(album, 30)
           + v1_field(year, 4) + v1_field(comment, 30) + bytes([genre]))
    assert len(rec) == 128
    return rec


def text_bytes(text, encoding):
    if encoding == 0:
        return sjis(text)
    return b"\xFF\xFE" + text.encode("utf-16-le")


def frame(fid, encoding, value):
    if fid in ("COMM", "TXXX"):
        # Two strings: every UTF-16 string would carry its own byte-order mark, which
        # readers that toggle on FF FE decode wrongly, so these stay single-byte.
        assert encoding == 0
        if fid == "COMM":
            body = b"\x00" + b"jpn" + b"\x00" + sjis(value)  # empty description
        else:
            desc, text = value
            body = b"\x00" + sjis(desc) + b"\x00" + sjis(text)
    else:
        body = bytes([encoding]) + text_bytes(value, encoding)
    # ID3v2.3: id, plain 32-bit big-endian body size, two flag bytes
    return fid.encode("ascii") + struct.pack(">I", len(body)) + b"\x00\x00" + body


def synchsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])


def id3v2(frames):
    body = b"".join(frame(*f) for f in frames)
    # The whole tag a multiple of 256 bytes with 257 to 512 bytes of zero padding, so that
    # a slightly longer tag can later be written in place.
    size = ((len(body) + 10) // 256 + 2) * 256 - 10
    return b"ID3\x03\x00\x00" + synchsafe(size) + body + b"\x00" * (size - len(body))


def main():
    out_root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(REPO, "samples")
    artist_dir = os.path.join(out_root, ARTIST)
    if os.path.isdir(artist_dir):
        shutil.rmtree(artist_dir)
    total = 0
    for rel, fixture, v1, v2 in SAMPLES:
        with open(os.path.join(DATA, fixture), "rb") as f:
            audio = strip_tags(f.read())
        data = id3v2(v2) + audio + id3v1(*v1)
        path = os.path.join(artist_dir, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        total += len(data)
        print(f"{len(data):7,d}  {os.path.relpath(path, out_root)}")
    print(f"{total:7,d}  in all")


if __name__ == "__main__":
    main()
