#!/usr/bin/env python3
"""Writes the texts the filter benchmark reads: English ASCII prose, or a
mixed text of accents, sharp s, Greek, Cyrillic, Turkish i, right-to-left
words, combining marks, emoji, letters outside the BMP and invalid bytes.

  make-filter-text.py ascii|mixed SIZE_IN_BYTES OUTPUT
"""
import random
import sys

ENGLISH = ("the quick brown fox jumps over the lazy dog while every letter of this plain english "
           "sentence waits for its case to be drawn at random by the filter").split()
MIXED = [
    "Café", "naïve", "Straße", "Ærøskøbing", "Ελληνικά", "Σωκράτης", "Москва", "Привет", "İstanbul", "ılık",
    "שלום", "مرحبا", "e\u0301te\u0301", "a\u0301\u0302\u0303", "😀", "👩\u200d💻", "𐐨𐐯𐑅𐐨𐑉𐐯𐐻", "𝒜𝒷𝒸", "déjà-vu",
    "ǅungla", "Ωmega", "ﬀ", "ﬁne", "Kelvin\u212a",
]
INVALID = [b"\xff", b"\xc3(", b"\xe0\x80\x80", b"\xed\xa0\x80", b"\xf4\x90\x80\x80", b"\x80", b"\xc0\xaf"]


def main():
    kind, size, output = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    rng = random.Random(2003)
    pieces, total = [], 0
    while total < size:
        if kind == "ascii":
            words = [rng.choice(ENGLISH) for _ in range(12)]
            piece = (" ".join(words).capitalize() + ".\n").encode()
        else:
            words = [rng.choice(MIXED + ENGLISH).encode() for _ in range(10)]
            if rng.random() < 0.3:
                words.insert(rng.randrange(len(words)), rng.choice(INVALID))
            piece = b" ".join(words) + b"\n"
        pieces.append(piece)
        total += len(piece)
    with open(output, "wb") as out:
        out.write(b"".join(pieces)[:size])


if __name__ == "__main__":
    main()
