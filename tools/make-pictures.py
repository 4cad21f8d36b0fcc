#!/usr/bin/env python3
"""Writes the window's button pictures as SVG into resources/pictures.

One look for all of them: a mid-tone tile with a white line glyph, which
reads on light and dark themes alike; the pressed or hovered picture
("down") lights the tile in the accent colour. Run again after changing a
glyph and commit the result.
"""
import os
import sys

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources", "pictures")
SLATE = "#4f5d6b"
ACCENT = "#2f78c4"

GLYPHS = {
    "device": '<rect x="11" y="7" width="10" height="18" rx="2"/><path d="M15 21.5h2"/>',
    "trash": '<path d="M9 11h14M13.5 11V8.5h5V11M11 11l1 13h8l1-13M14.5 15v5.5M17.5 15v5.5"/>',
    "download": '<path d="M16 7v12M11 14l5 5 5-5M9 24h14"/>',
    "importedit": '<path d="M16 6v9M12 11l4 4 4-4M8 18v6h16v-6"/>',
    "tag": '<path d="M8 8h8l9 9-8 8-9-9z"/><circle cx="12.5" cy="12.5" r="1.3"/>',
    "untag": '<path d="M7 7h7l7 7-6.5 6.5L7 14z"/><path d="M19.5 19.5l5 5M24.5 19.5l-5 5"/>',
    "camera": '<rect x="7" y="11" width="18" height="13" rx="2"/><path d="M12.5 11l1.5-3h4l1.5 3"/>'
              '<circle cx="16" cy="17.5" r="3.3"/>',
    "computer": '<rect x="7" y="8" width="18" height="12" rx="1.5"/><path d="M13 24h6M16 20v4"/>',
    "pencil": '<path d="M9 23l1-4 10-10 3 3-10 10zM18 11l3 3"/>',
    "document": '<path d="M10 7h9l4 4v14H10z"/><path d="M13 15h7M13 19h5"/>',
    "back": '<path d="M19 8l-8 8 8 8"/>',
    "template": '<rect x="9" y="7" width="14" height="18" rx="1.5"/><path d="M12 11h8M12 15h8M12 19h5"/>',
    "apply": '<path d="M9 16.5l5 5 9-10.5"/>',
    "photos": '<rect x="7" y="9" width="18" height="14" rx="1.5"/><path d="M9.5 21l4.5-5.5 3 3.5 2-2 3.5 4"/>'
              '<circle cx="20" cy="13" r="1.4"/>',
    "exchange": '<path d="M9 12h13M18 8l4 4-4 4M23 20H10M14 16l-4 4 4 4"/>',
    "sliders": '<path d="M8 11h16M8 21h16"/><circle cx="13" cy="11" r="2.5"/><circle cx="19" cy="21" r="2.5"/>',
}

BUTTONS = {
    "opendevice": "device",
    "delete": "trash",
    "downloadphoto": "download",
    "importphototoedit": "importedit",
    "editphotometa": "tag",
    "deletemetadata": "untag",
    "cameraphotonom": "camera",
    "cameraphotodown": "camera",
    "localphotonom": "computer",
    "localphotodown": "computer",
    "editnom": "pencil",
    "editdown": "pencil",
    "editexifnom": "document",
    "backnom": "back",
    "backdown": "back",
    "templatenom": "template",
    "templatedown": "template",
    "applynom": "apply",
    "applydown": "apply",
    "importphotos": "photos",
    "exportmetadata": "exchange",
    "preferences": "sliders",
}


def button(glyph, tile):
    return (
        '<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">\n'
        f'<rect x="1" y="1" width="30" height="30" rx="7" fill="{tile}"/>\n'
        '<g fill="none" stroke="#ffffff" stroke-width="2" stroke-linecap="round" '
        f'stroke-linejoin="round">{GLYPHS[glyph]}</g>\n</svg>\n'
    )


def title_button(fill, glyph, ring):
    return (
        '<svg xmlns="http://www.w3.org/2000/svg" width="16" height="16" viewBox="0 0 16 16">\n'
        f'<circle cx="8" cy="8" r="7" fill="{fill}" stroke="{ring}" stroke-width="1"/>\n'
        '<g fill="none" stroke="#ffffff" stroke-width="1.5" stroke-linecap="round">'
        f"{glyph}</g>\n</svg>\n"
    )


CROSS = '<path d="M5.5 5.5l5 5M10.5 5.5l-5 5"/>'
LINE = '<path d="M5 8h6"/>'
GROW = '<path d="M5.5 10.5l5-5M7.5 5.5h3v3M5.5 7.5v3h3"/>'

TITLE = {
    "Close_Nom": title_button("#c8514b", "", "#a6403b"),
    "Close_Down": title_button("#a6403b", CROSS, "#86322e"),
    "Min_Nom": title_button("#c99a3b", "", "#a67d2c"),
    "Resize_Nom": title_button("#4f9a5b", "", "#3d7c48"),
    "titlebarred": title_button("#c8514b", "", "#a6403b"),
    "titlebarreddown": title_button("#a6403b", CROSS, "#86322e"),
    "titlebaryellow": title_button("#c99a3b", LINE, "#a67d2c"),
    "titlebargreen": title_button("#4f9a5b", GROW, "#3d7c48"),
}

BOTTOM = """<svg xmlns="http://www.w3.org/2000/svg" width="480" height="48" viewBox="0 0 480 48">
<defs><linearGradient id="g" x1="0" y1="0" x2="0" y2="1">
<stop offset="0" stop-color="#3c4753"/><stop offset="1" stop-color="#2b333c"/></linearGradient></defs>
<rect width="480" height="48" fill="url(#g)"/>
</svg>
"""

ICON = """<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">
<defs><linearGradient id="g" x1="0" y1="0" x2="0" y2="1">
<stop offset="0" stop-color="#3b86d4"/><stop offset="1" stop-color="#245f9e"/></linearGradient></defs>
<rect x="16" y="16" width="224" height="224" rx="48" fill="url(#g)"/>
<rect x="56" y="68" width="144" height="112" rx="10" fill="none" stroke="#ffffff" stroke-width="12"/>
<path d="M68 168l38-50 26 34 18-22 38 38z" fill="#ffffff"/>
<circle cx="162" cy="100" r="13" fill="#ffffff"/>
</svg>
"""


def write(name, text):
    with open(os.path.join(OUT, name), "w", encoding="utf-8") as f:
        f.write(text)


def main():
    os.makedirs(OUT, exist_ok=True)
    for name, glyph in BUTTONS.items():
        write(name + ".svg", button(glyph, ACCENT if name.endswith("down") else SLATE))
    for name, text in TITLE.items():
        write(name + ".svg", text)
    write("mainBottomImage.svg", BOTTOM)
    write(os.path.join("..", "desktop", "tessaview.svg"), ICON)
    return 0


if __name__ == "__main__":
    sys.exit(main())
