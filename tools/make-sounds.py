#!/usr/bin/env python3
"""Writes the buttons' wave files: resources/click.wav and resources/over.wav.
Both are synthesised here (no recorded material): a short damped click and a
softer, higher tick. Run from anywhere; the files land in ../resources."""
import math
import os
import random
import struct
import wave

RATE = 22050


def write(path, samples):
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(b"".join(struct.pack("<h", max(-32767, min(32767, int(s * 32767)))) for s in samples))


def click():
    rng = random.Random(3)
    samples = []
    for n in range(int(RATE * 0.035)):
        t = n / RATE
        envelope = math.exp(-t * 180.0)
        body = math.sin(2 * math.pi * 1850 * t) * 0.6 + math.sin(2 * math.pi * 920 * t) * 0.3
        noise = (rng.random() * 2 - 1) * math.exp(-t * 900.0) * 0.5
        samples.append((body * envelope + noise) * 0.7)
    return samples


def over():
    samples = []
    for n in range(int(RATE * 0.02)):
        t = n / RATE
        samples.append(math.sin(2 * math.pi * 3100 * t) * math.exp(-t * 260.0) * 0.25)
    return samples


def main():
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources")
    os.makedirs(folder, exist_ok=True)
    write(os.path.join(folder, "click.wav"), click())
    write(os.path.join(folder, "over.wav"), over())


if __name__ == "__main__":
    main()
