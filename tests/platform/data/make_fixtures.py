#!/usr/bin/python3
"""Writes the tiny MIDI files the reader tests use. Run from this folder; the output is committed."""
import struct


def vlq(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.insert(0, (n & 0x7F) | 0x80)
        n >>= 7
    return bytes(out)


def chunk(kind, body):
    return kind + struct.pack('>I', len(body)) + body


def header(fmt, ntrks, division):
    return chunk(b'MThd', struct.pack('>HHH', fmt, ntrks, division))


def track(*events):
    """events: (delta, raw bytes) pairs; an end of track is appended."""
    body = b''.join(vlq(d) + raw for d, raw in events) + b'\x00\xff\x2f\x00'
    return chunk(b'MTrk', body)


def tempo(us):
    return b'\xff\x51\x03' + us.to_bytes(3, 'big')


def write(name, data):
    with open(name, 'wb') as f:
        f.write(data)


# Format 0, 96 ticks per quarter, note on/off using running status for the second pair.
write('format0.mid', header(0, 1, 96) + track(
    (0, tempo(500000)), (0, b'\x90\x3c\x64'), (96, b'\x3c\x00'), (0, b'\x40\x64'),
    (96, b'\x80\x40\x00'), (0, b'\xc1\x05')))

# Format 1: a tempo track (quarter = 0.5 s, then 0.25 s from tick 192) and a note track.
write('format1_tempo.mid', header(1, 2, 96)
      + track((0, tempo(500000)), (192, tempo(250000)))
      + track((0, b'\x90\x30\x40'), (96, b'\x90\x31\x40'), (96, b'\x90\x32\x40'),
              (96, b'\x90\x33\x40')))

# Format 2: two independent patterns played one after the other, each with its own tempo.
write('format2.mid', header(2, 2, 100)
      + track((0, tempo(1000000)), (0, b'\x90\x40\x40'), (100, b'\x80\x40\x00'))
      + track((0, tempo(500000)), (0, b'\x90\x41\x40'), (200, b'\x80\x41\x00')))

# SMPTE division: 25 frames per second, 40 ticks per frame, so one tick is one millisecond.
write('smpte.mid', header(0, 1, 0xE728) + track(
    (0, b'\x90\x3c\x64'), (250, b'\x80\x3c\x00'), (750, b'\x90\x3e\x64')))

# Zero padding and stray bytes after the last chunk, and an unknown chunk before the track.
write('padded.mid', header(0, 1, 96) + chunk(b'XTRA', b'\x01\x02\x03')
      + track((0, b'\x90\x3c\x64'), (48, b'\x80\x3c\x00')) + b'\x00\x00\x00' + b'junk')

# SysEx (F0 and an F7 escape) and text/lyric meta events with non-ASCII bytes.
write('sysex_meta.mid', header(0, 1, 96) + track(
    (0, b'\xf0\x05\x7e\x7f\x09\x01\xf7'), (0, b'\xff\x05\x03L\xe4a'),
    (10, b'\xf7\x02\xf3\x01'), (0, b'\xff\x01\x02hi'), (0, b'\xb0\x07\x64')))
