#!/usr/bin/env python3
"""Writes Ballast, an Inform 6 story of about 256 KiB (long texts in many routines) that prints
a prompt and reads a line: for timing how long a large story takes to reach its first prompt.

    bench/make-ballast.py > ballast.inf && inform6 -v5 ballast.inf ballast.z5
"""
words = "the lamp is lit and the long road goes on under a sky of small cold stars "
text = (words * 8).strip()
print("Array line -> 40;\nArray parsed -> 20;")
for i in range(630):
    print(f'[ Page{i}; print "{text}"; ];')
print("[ Main x;\n    line->0 = 30; parsed->0 = 4;\n    if (x) Page0();")
print('    print "Ballast.^>";\n    @aread line parsed -> x;\n    quit;\n];')
