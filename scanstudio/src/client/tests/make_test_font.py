"""Writes a copy of a font whose family is renamed, for the font choice tests.

Usage: make_test_font.py <source.ttf> <family> <output.ttf>
"""
import sys

from fontTools.ttLib import TTFont

source, family, output = sys.argv[1:4]
font = TTFont(source)
for record in font["name"].names:
    if record.nameID in (1, 16):
        record.string = family
    elif record.nameID in (4, 6):
        record.string = family.replace(" ", "") if record.nameID == 6 else family
font.save(output)
