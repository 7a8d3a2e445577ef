#!/usr/bin/env python3
"""Shows renaming from tags at scale, with the real program:

    python3 scripts/demo_rename.py [build/bin/velquist]

1. builds a tree of 1,000 MP3 files with Japanese ID3v2.3 tags (UTF-16), some values
   holding "/", ":", "?" and "...", filed under names that say nothing
   (in/disc NN/track NNN.mp3, a cover.jpg beside each disc's files);
2. runs `velquist --rename "%artist%/%album%/%track% %title%" --dry-run`, then the real
   pass: the real pass prints exactly the dry run's lines, every file is under the name
   printed with every byte it had (the set of file digests is unchanged), every cover
   moved with its disc, no folder is left empty;
3. runs `velquist --undo`: every path is back, nothing else is left;
4. renames again and copies the renamed tree onto a FAT32 image with mtools (mcopy
   writes the long names as FAT stores them and refuses names FAT cannot hold), copies
   it back and compares every name and byte; fsck.fat checks the image.

Needs mtools and dosfstools (scripts/setup.sh installs them). Prints the figures and
exits with 1 at the first thing that is not as it should be. The tags are built here by
hand (standard library only), the audio is the frames of a fixture in tests/data.
"""

import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
AUDIO = os.path.join(REPO, "tests", "data", "14_notag_lame_mpeg1_l3_128k.mp3")
PATTERN = "%artist%/%album%/%track% %title%"
ARTISTS = ["AC/DC風バンド", "山田花子", "東京:夜行", "Who?ズ", "さくら...", "星野 源太", "月と/太陽",
           "ザ・ドリフ", "Mr. 春", "青い空..."]
ALBUMS = ["ライブ: 東京?", "初恋", "夏/冬", "ベスト...", "第2集"]
TRACKS_PER_ALBUM = 20


def fail(what):
    print("NOT AS IT SHOULD BE: " + what)
    sys.exit(1)


def synchsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])


def text_frame(frame_id, text):
    body = b"\x01" + "\ufeff".encode("utf-16-le") + text.encode("utf-16-le")
    return frame_id.encode() + len(body).to_bytes(4, "big") + b"\x00\x00" + body


def tag(title, artist, album, track):
    frames = (text_frame("TIT2", title) + text_frame("TPE1", artist) + text_frame("TALB", album) +
              text_frame("TRCK", "%d/%d" % (track, TRACKS_PER_ALBUM)))
    return b"ID3\x03\x00\x00" + synchsafe(len(frames) + 256) + frames + b"\x00" * 256


def audio_frames():
    data = open(AUDIO, "rb").read()
    start = data.find(b"\xff\xfb")
    return data[start:start + 8 * 1024]


def build(root):
    audio = audio_frames()
    n = 0
    for a, artist in enumerate(ARTISTS):
        for b, album in enumerate(ALBUMS):
            disc = os.path.join(root, "in", "disc %02d" % (a * len(ALBUMS) + b + 1))
            os.makedirs(disc)
            with open(os.path.join(disc, "cover.jpg"), "wb") as f:
                f.write(b"\xff\xd8 cover of %d/%d \xff\xd9" % (a, b))
            for t in range(1, TRACKS_PER_ALBUM + 1):
                n += 1
                title = ["夜明け/朝", "雨: 午後", "なぜ?", "つづく...", "Hello"][t % 5] + " %d" % t
                with open(os.path.join(disc, "track %03d.mp3" % n), "wb") as f:
                    f.write(tag(title, artist, album, t) + audio)
    return n


def snapshot(root):
    """Every file below root by its path below root, with its digest; folders too."""
    files, folders = {}, set()
    for here, dirs, names in os.walk(root):
        rel = os.path.relpath(here, root)
        if rel != ".":
            folders.add(rel)
        for name in names:
            path = os.path.join(here, name)
            files[os.path.relpath(path, root)] = hashlib.sha256(open(path, "rb").read()).hexdigest()
    return files, folders


def run(exe, args, state):
    env = dict(os.environ, XDG_STATE_HOME=state, LC_ALL="C.UTF-8")
    env.pop("DISPLAY", None)
    start = time.monotonic()
    done = subprocess.run([exe] + args, capture_output=True, env=env)
    return done, (time.monotonic() - start) * 1000


def main():
    exe = sys.argv[1] if len(sys.argv) > 1 else os.path.join(REPO, "build", "bin", "velquist")
    for tool in ("mcopy", "mkfs.vfat", "fsck.fat"):
        if not shutil.which(tool):
            fail(tool + " is not installed (apt install mtools dosfstools)")
    work = tempfile.mkdtemp(prefix="vq-demo-rename-")
    try:
        root, state = os.path.join(work, "tree"), os.path.join(work, "state")
        count = build(root)
        files_before, folders_before = snapshot(root)
        print("tree: %d MP3 files and %d covers in %d folders" % (count, len(files_before) - count, len(folders_before)))

        dry, dry_ms = run(exe, ["--rename", PATTERN, "--dry-run", root], state)
        if dry.returncode != 0:
            fail("dry run: status %d: %s" % (dry.returncode, dry.stderr.decode()))
        if snapshot(root) != (files_before, folders_before):
            fail("the dry run changed the tree")
        real, real_ms = run(exe, ["--rename", PATTERN, root], state)
        if real.returncode != 0:
            fail("pass: status %d: %s" % (real.returncode, real.stderr.decode()))
        if real.stdout != dry.stdout:
            fail("the pass printed other lines than the dry run")
        lines = real.stdout.decode().splitlines()
        files_after, folders_after = snapshot(root)
        moved = 0
        for line in lines:
            old, new = line.split("\t")
            if new.startswith("そのまま") or new == "空のフォルダを削除":
                continue
            old_rel, new_rel = os.path.relpath(old, root), os.path.relpath(new, root)
            if old_rel in files_after or files_after.get(new_rel) != files_before[old_rel]:
                fail("%s is not under its printed name %s" % (old, new))
            moved += 1
        if sorted(files_after.values()) != sorted(files_before.values()):
            fail("the set of file digests changed")
        empty = [f for f in folders_after if not os.listdir(os.path.join(root, f))]
        if empty:
            fail("folders left empty: %s" % empty[:5])
        strange = [f for f in files_after if "/" not in f or f.count("/") != 2]
        if strange:
            fail("files outside artist/album/: %s" % strange[:5])
        print("dry run %.0f ms, pass %.0f ms: %d files under the printed names (%d lines alike), "
              "digests unchanged, %d folders, none empty" % (dry_ms, real_ms, moved, len(lines), len(folders_after)))
        print("  e.g. " + lines[0].replace(root + "/", ""))
        print("  " + real.stderr.decode().strip())

        undo, undo_ms = run(exe, ["--undo"], state)
        if undo.returncode != 0:
            fail("undo: status %d: %s" % (undo.returncode, undo.stderr.decode()))
        if snapshot(root) != (files_before, folders_before):
            fail("undo did not restore every path")
        print("undo %.0f ms: every path back, the folders the pass made gone" % undo_ms)

        again, _ = run(exe, ["--rename", PATTERN, root], state)
        if again.returncode != 0:
            fail("second pass: status %d" % again.returncode)
        renamed, _ = snapshot(root)
        image = os.path.join(work, "fat.img")
        with open(image, "wb") as f:
            f.truncate(96 << 20)
        subprocess.run(["mkfs.vfat", "-F", "32", image], check=True, capture_output=True)
        env = dict(os.environ, MTOOLS_SKIP_CHECK="1", LC_ALL="C.UTF-8")
        start = time.monotonic()
        copy = subprocess.run(["mcopy", "-s", "-D", "s", "-i", image, root, "::/"], capture_output=True, env=env)
        copy_ms = (time.monotonic() - start) * 1000
        if copy.returncode != 0:
            fail("mcopy onto the FAT image: %s" % copy.stderr.decode()[:2000])
        back = os.path.join(work, "back")
        os.makedirs(back)
        subprocess.run(["mcopy", "-s", "-i", image, "::/tree", back], check=True, capture_output=True, env=env)
        copied, _ = snapshot(os.path.join(back, "tree"))
        if copied != renamed:
            missing = sorted(set(renamed) - set(copied))[:5]
            fail("the FAT copy differs; missing or renamed: %s" % missing)
        fsck = subprocess.run(["fsck.fat", "-n", image], capture_output=True)
        if fsck.returncode != 0:
            fail("fsck.fat: " + fsck.stdout.decode())
        print("FAT32 image: %d files copied in %.0f ms under the same names and bytes, read back whole; "
              "fsck.fat finds no error" % (len(copied), copy_ms))
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
