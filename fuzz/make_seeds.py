#!/usr/bin/env python3
"""Writes the seed inputs of the board-protocol fuzz targets (fuzz_sim_feed and
fuzz_link_replies) into fuzz/corpus/. Run from anywhere; the seeds are committed, so this is
needed only when the input formats of those targets change."""
import os

HERE = os.path.dirname(os.path.abspath(__file__))
SIG = b"VardQuinta"


def frame(target, command, params):
    body = bytes([target, command, len(params)]) + bytes(params)
    s = sum(body) & 0xFFFF
    return SIG + body + bytes([s >> 8, s & 0xFF])


def write(target, name, data):
    d = os.path.join(HERE, "corpus", target)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, name), "wb") as f:
        f.write(data)


PROBE = frame(ord("5"), ord("R"), [0, 0, 0])
INIT = frame(ord("5"), ord("S"), [ord("s"), 1])
RELEASE = frame(ord("5"), ord("S"), [ord("r"), 0])


def read_cmd(addr, n):
    return frame(ord("3"), ord("R"), [addr >> 8, addr & 0xFF, n])


def write_cmd(addr, data):
    return frame(ord("3"), ord("S"), [addr >> 8, addr & 0xFF] + list(data))


# ----- fuzz_sim_feed: a fault byte, then chunks (control byte: length << 1 | seal) -----
def raw(b):
    out = b""
    while b:
        part, b = b[:127], b[127:]
        out += bytes([len(part) << 1]) + part
    return out


def sealed(target, command, params):
    body = bytes([target, command]) + bytes(params)
    return bytes([(len(body) << 1) | 1]) + body


session = raw(PROBE) + raw(INIT) + raw(read_cmd(993, 14)) + raw(read_cmd(1113, 1))
write("fuzz_sim_feed", "session", b"\x00" + session + raw(write_cmd(0x100, range(100))))
write("fuzz_sim_feed", "whole_read",
      b"\x00" + raw(PROBE) + b"".join(raw(read_cmd(a, 128)) for a in range(0, 2048, 128)))
write("fuzz_sim_feed", "sealed_write",
      b"\x08" + sealed(ord("3"), ord("S"), [0x07, 0xF0] + list(range(16))) +
      sealed(ord("5"), ord("S"), [ord("r"), 0]))
write("fuzz_sim_feed", "noise_then_frames",
      b"\x01" + raw(b"\x00\x13VardQ\xff" + PROBE[:7]) + raw(PROBE[7:] + RELEASE))
write("fuzz_sim_feed", "drop_after", b"\x80\x02" + session)
write("fuzz_sim_feed", "bad_frames",
      b"\x12" + raw(PROBE[:-1] + b"\x00") + raw(SIG + b"3R\xff") + raw(write_cmd(2040, range(20))))


# ----- fuzz_link_replies: an operations byte, then one script entry per host command -----
def proper(extra=b""):
    return b"\x01" + extra


def read_reply_data(n, fill):
    return bytes([fill(i) for i in range(n)])


def default_like():
    # a pager image shaped enough to pass the model test: "KPR35" at 993, V3.80 software
    img = bytearray(2048)
    model = b"KPR350102V3.80"
    img[993:993 + len(model)] = model
    img[1113] = 52
    return bytes(img)


IMG = default_like()
connect = proper(b"\x01\x02") + proper()  # probe reply (2 parameter bytes), mode-set ack
read_all = proper(IMG[993:1007]) + b"".join(proper(IMG[a:a + 128]) for a in range(0, 2048, 128))
write("fuzz_link_replies", "read", b"\x00" + connect + read_all)
write_all = (proper(IMG[1113:1114]) + proper(IMG[1238:1252]) +
             b"".join(proper() for _ in range(16)) +
             b"".join(proper(IMG[a:a + 128]) for a in range(0, 2048, 128)))
write("fuzz_link_replies", "write_verify", b"\x01" + connect + write_all)
write("fuzz_link_replies", "firmware", b"\x03" + connect + proper(b"\x25"))
write("fuzz_link_replies", "timeouts", b"\x80" + bytes([0xFD]) + connect + bytes([0xFC | 1]))
write("fuzz_link_replies", "raw_noise",
      b"\x02" + b"\x00\x05\x00\x13\xff\xa5\x11" + connect + b"\x02\x00\x20\x00\x30\x01" + b"\x03")
