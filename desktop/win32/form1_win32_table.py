#!/usr/bin/env python3
"""Writes the control table of the Win32 Form1 from desktop/form1.ui.

    form1_win32_table.py FORM1_UI OUTPUT_HEADER

The Qt window is built from form1.ui by uic; the Win32 window is built from
the header this script writes, so both windows show the same controls at the
same places with the same texts, tooltips, tab order and menu. Positions are
in pixels at 96 dots per inch (twips / 15), measured from Form1's client area.
"""

import sys
import xml.etree.ElementTree as ET

KINDS = {
    "QPushButton": "Button",
    "tavrilo::ResultArea": "ResultArea",
    "QGroupBox": "Frame",
    "QRadioButton": "OptionButton",
    "QLineEdit": "TextBox",
    "QLabel": "Label",
}
FIRST_ID = 1001
FIRST_MENU_ID = 2001


def fail(message):
    sys.exit(f"form1_win32_table.py: {message}")


def prop(widget, name, kind):
    node = widget.find(f"./property[@name='{name}']/{kind}")
    return node


def text_of(widget, name):
    node = prop(widget, name, "string")
    return "" if node is None or node.text is None else node.text


def rect_of(widget):
    node = prop(widget, "geometry", "rect")
    if node is None:
        fail(f"{widget.get('name')} has no geometry")
    return [int(node.find(k).text) for k in ("x", "y", "width", "height")]


def size_of(widget, name):
    node = prop(widget, name, "size")
    return None if node is None else (int(node.find("width").text), int(node.find("height").text))


def wide(text):
    """A C++ wide string literal (the compiler reads the source as UTF-8)."""
    out = ""
    for ch in text:
        if ch in '"\\':
            out += "\\" + ch
        elif ord(ch) < 0x20 or ord(ch) == 0x7F:
            out += f'\\x{ord(ch):02X}" L"'
        else:
            out += ch
    return f'L"{out}"'


def main():
    if len(sys.argv) != 3:
        fail("usage: form1_win32_table.py FORM1_UI OUTPUT_HEADER")
    root = ET.parse(sys.argv[1]).getroot()
    form = root.find("./widget")
    if form is None or form.get("name") != "Form1":
        fail("no Form1")
    central = form.find("./widget[@name='centralwidget']")
    if central is None:
        fail("no central widget")
    client = size_of(central, "minimumSize")
    if client is None or client != size_of(central, "maximumSize"):
        fail("Form1's client area must have one fixed size")

    controls = []

    def walk(parent, container, dx, dy):
        for widget in parent.findall("./widget"):
            cls = widget.get("class")
            if cls not in KINDS:
                fail(f"unknown control kind {cls}")
            x, y, w, h = rect_of(widget)
            kind = KINDS[cls]
            text = text_of(widget, "title" if kind == "Frame" else "text")
            controls.append(
                dict(name=widget.get("name"), kind=kind, container=container,
                     rect=(x + dx, y + dy, w, h), text=text,
                     tooltip=text_of(widget, "toolTip")))
            if kind == "Frame":
                walk(widget, widget.get("name"), x + dx, y + dy)

    walk(central, "Form1", 0, 0)
    names = [c["name"] for c in controls]
    if len(set(names)) != len(names):
        fail("control names must be unique")

    tabstops = [t.text for t in root.findall("./tabstops/tabstop")]
    for name in tabstops:
        if name not in names:
            fail(f"tab stop {name} is not a control")

    actions = {a.get("name"): text_of(a, "text") for a in form.findall("./action")}
    menubar = form.find("./widget[@class='QMenuBar']")
    menu = [a.get("name") for a in menubar.findall("./addaction")] if menubar is not None else []
    for name in menu:
        if name not in actions:
            fail(f"menu item {name} has no action")

    title = text_of(form, "windowTitle")
    lines = [
        "#pragma once",
        "// Written at build time by desktop/win32/form1_win32_table.py from desktop/form1.ui. Do not edit.",
        "",
        "namespace tavrilo::form1 {",
        "",
        "enum class ControlKind { Button, ResultArea, Frame, OptionButton, TextBox, Label };",
        "",
        "// Positions and sizes in pixels at 96 dots per inch, from the top-left",
        "// corner of Form1's client area. tabPosition is -1 for controls that take",
        "// no focus.",
        "struct ControlEntry {",
        "    const char* name;",
        "    ControlKind kind;",
        "    int id;",
        "    const char* container;",
        "    int left, top, width, height;",
        "    const wchar_t* text;",
        "    const wchar_t* tooltip;",
        "    int tabPosition;",
        "};",
        "",
        "struct MenuEntry {",
        "    const char* name;",
        "    int id;",
        "    const wchar_t* text;",
        "};",
        "",
        f"inline constexpr const wchar_t* kTitle = {wide(title)};",
        f"inline constexpr int kClientWidth = {client[0]};",
        f"inline constexpr int kClientHeight = {client[1]};",
        "",
    ]
    for i, c in enumerate(controls):
        lines.append(f"inline constexpr int k{c['name']}Id = {FIRST_ID + i};")
    for i, name in enumerate(menu):
        lines.append(f"inline constexpr int k{name}Id = {FIRST_MENU_ID + i};")
    lines += ["", "// In the order in which form1.ui lists them.",
              "inline constexpr ControlEntry kControls[] = {"]
    for i, c in enumerate(controls):
        x, y, w, h = c["rect"]
        tab = tabstops.index(c["name"]) if c["name"] in tabstops else -1
        tooltip = wide(c["tooltip"]) if c["tooltip"] else "nullptr"
        lines.append(
            f'    {{"{c["name"]}", ControlKind::{c["kind"]}, {FIRST_ID + i}, "{c["container"]}", '
            f'{x}, {y}, {w}, {h}, {wide(c["text"])}, {tooltip}, {tab}}},')
    lines += ["};", "", "// The menu bar, left to right.", "inline constexpr MenuEntry kMenu[] = {"]
    for i, name in enumerate(menu):
        lines.append(f'    {{"{name}", {FIRST_MENU_ID + i}, {wide(actions[name])}}},')
    lines += ["};", "", f"inline constexpr int kTabStopCount = {len(tabstops)};", "",
              "} // namespace tavrilo::form1", ""]
    text = "\n".join(lines)
    try:
        with open(sys.argv[2], encoding="utf-8") as old:
            if old.read() == text:
                return
    except OSError:
        pass
    with open(sys.argv[2], "w", encoding="utf-8") as out:
        out.write(text)


if __name__ == "__main__":
    main()
