#!/usr/bin/env python3
"""The hardware time of rfprog-cli's writes, in a model: programming pulses x 50 ms +
port accesses x 1 us, both counted in the --trace of a real `rfprog-cli write` on the
simulated board (a pulse is the line "W 37A 04"; every line is one access). Each case
runs as it comes and with --every-byte, from the same ROM, and the table is printed in
Markdown.

Usage: write_pulses.py [RFPROG_CLI]   (default build/native/rfprog-cli)

The HEX case needs record files (--format in the program's --help); without them it is
skipped, and the table says so.
"""
import os
import random
import subprocess
import sys
import tempfile

ROM_SIZE = 0x800
PULSE_SECONDS = 0.050
ACCESS_SECONDS = 0.000001


def image_with_erased_share(share, seed):
    """2048 bytes of which share (rounded down) are FFh, the rest anything else."""
    rng = random.Random(seed)
    erased = set(rng.sample(range(ROM_SIZE), int(ROM_SIZE * share)))
    return bytes(0xFF if i in erased else rng.randrange(0xFF) for i in range(ROM_SIZE))


def patched(image, count, seed):
    """image with one bit cleared in count bytes, which a programmed ROM can take."""
    rng = random.Random(seed)
    data = bytearray(image)
    for address in rng.sample([i for i, b in enumerate(image) if b not in (0x00, 0xFF)], count):
        ones = [bit for bit in range(8) if data[address] >> bit & 1]
        data[address] &= ~(1 << rng.choice(ones)) & 0xFF
    return bytes(data)


def intel_hex(address, data):
    """Data records of 16 bytes from address, and the end record."""
    lines = []
    for offset in range(0, len(data), 16):
        chunk = data[offset:offset + 16]
        at = address + offset
        record = bytes([len(chunk), at >> 8 & 0xFF, at & 0xFF, 0]) + chunk
        lines.append(":%s%02X" % (record.hex().upper(), -sum(record) & 0xFF))
    lines.append(":00000001FF")
    return "\n".join(lines) + "\n"


class Bench:
    def __init__(self, program, folder):
        self.program = program
        self.folder = folder

    def write(self, rom, name, content, every_byte):
        """Pulses and port accesses of one write of content (bytes or text) onto rom."""
        rom_file = os.path.join(self.folder, "rom.bin")
        trace = os.path.join(self.folder, "trace.txt")
        file = os.path.join(self.folder, name)
        with open(rom_file, "wb") as out:
            out.write(rom)
        with open(file, "wb") as out:
            out.write(content if isinstance(content, bytes) else content.encode())
        command = [self.program, "--port", "sim:" + rom_file, "--trace", trace, "-q", "write",
                   file] + (["--every-byte"] if every_byte else [])
        run = subprocess.run(command, capture_output=True, text=True)
        if run.returncode != 0:
            sys.exit("write_pulses: %s exited with %d:\n%s%s" %
                     (" ".join(command), run.returncode, run.stdout, run.stderr))
        with open(trace) as lines:
            accesses = [line.rstrip("\n") for line in lines]
        return accesses.count("W 37A 04"), len(accesses)


def seconds(pulses, accesses):
    return pulses * PULSE_SECONDS + accesses * ACCESS_SECONDS


def main():
    program = sys.argv[1] if len(sys.argv) > 1 else "build/native/rfprog-cli"
    helped = subprocess.run([program, "--help"], capture_output=True, text=True)
    if helped.returncode != 0:
        sys.exit("write_pulses: cannot run %s" % program)
    records = "--format" in helped.stdout

    erased = bytes([0xFF]) * ROM_SIZE
    image = image_with_erased_share(0.4, 16)
    patch = patched(image, 10, 16)
    hex_bytes = image[0x400:0x500]
    cases = [
        ("erased ROM, image whose bytes are 40% FFh", "60% of 2048",
         erased, "image.bin", image),
        ("the same image written again", "0", image, "image.bin", image),
        ("a 10-byte patch (bits only cleared) into a programmed ROM", "10",
         image, "patch.bin", patch),
        ("erased ROM, a HEX file defining 256 bytes", "<= 256",
         erased, "image.hex", intel_hex(0x400, hex_bytes)),
    ]
    print("| case | expected pulses | pulses | port accesses | model time "
          "| --every-byte: pulses | port accesses | model time |")
    print("|---|---|---|---|---|---|---|---|")
    with tempfile.TemporaryDirectory(prefix="rfprog-write-pulses-") as folder:
        bench = Bench(program, folder)
        for title, expected, rom, name, content in cases:
            if name.endswith(".hex") and not records:
                print("| %s | %s | skipped: this rfprog-cli reads no HEX files (no --format) "
                      "| | | | | |" % (title, expected))
                continue
            row = [title, expected]
            for every_byte in (False, True):
                pulses, accesses = bench.write(rom, name, content, every_byte)
                row += [str(pulses), str(accesses), "%.2f s" % seconds(pulses, accesses)]
            print("| " + " | ".join(row) + " |")


if __name__ == "__main__":
    main()
