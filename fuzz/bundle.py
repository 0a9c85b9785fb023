#!/usr/bin/env python3
"""Packs a table's .DB with its .MB and .PX into one fuzzer input.

Usage: bundle.py OUT TABLE.DB [--mb TABLE.MB] [--px TABLE.PX]

Layout (read by ReaderFuzz.cpp): "TVFZ", flags (1 = .MB, 2 = .PX), u32 .DB
length, u32 .MB length (little-endian), then the .DB, .MB and .PX bytes.
A table without companions is simply copied.
"""
import argparse
import struct

parser = argparse.ArgumentParser()
parser.add_argument("out")
parser.add_argument("db")
parser.add_argument("--mb")
parser.add_argument("--px")
args = parser.parse_args()


def read(path):
    with open(path, "rb") as f:
        return f.read()


db = read(args.db)
mb = read(args.mb) if args.mb else b""
px = read(args.px) if args.px else b""
with open(args.out, "wb") as out:
    if not args.mb and not args.px:
        out.write(db)
    else:
        flags = (1 if args.mb else 0) | (2 if args.px else 0)
        out.write(b"TVFZ" + bytes([flags]) + struct.pack("<II", len(db), len(mb)))
        out.write(db + mb + px)
