#!/usr/bin/env python3
"""Writes the manual page of a program from its own --help and --version.

The help text has this shape (full-width Chinese punctuation included):

    用法：PROGRAM ARGS...             first form of the command
                    MORE ARGS...      (deeper indent) the same form, continued
          PROGRAM OTHER ARGS...       (indent, then the program name) another form
    One line saying what it does.

      TERM        text                an option or argument: two spaces, the
                  more text           term, two or more spaces, its text
      TERM        text

    Closing notes, as paragraphs.

The page is written in UTF-8 roff with Chinese section names; the terms keep
their English option names. Chinese has no spaces to break lines at, so the
text gets a break point (\\:) wherever a line may break between characters.

    help_to_man.py --program PATH --date YYYY-MM-DD [--see-also NAME(1)]... --output FILE
"""

import argparse
import os
import re
import subprocess
import sys

USAGE = "用法："
# Characters a line must not start with, and ones it must not end with.
NO_LINE_START = set("，。、；：！？）》」』”’,.;:!?)]%/")
NO_LINE_END = set("（《「『“‘([/")


def fail(message):
    sys.exit(f"help_to_man: {message}")


def run(program, option):
    # The programs' texts are UTF-8 whatever the locale of the build.
    env = dict(os.environ, LC_ALL="C.UTF-8")
    env.pop("LANGUAGE", None)
    done = subprocess.run([program, option], capture_output=True, env=env, check=False)
    if done.returncode != 0:
        fail(f"{program} {option} exited with {done.returncode}: {done.stderr.decode(errors='replace')}")
    return done.stdout.decode("utf-8")


def is_wide(ch):
    return ord(ch) >= 0x2E80


def escape(text):
    return text.replace("\\", "\\e").replace("-", "\\-")


def text_line(roff):
    """A line of text that roff does not take for a request."""
    return "\\&" + roff if roff.startswith((".", "'")) else roff


def breakable(text):
    """Escaped roff text with break points between wide characters."""
    out = []
    for i, ch in enumerate(text):
        if i > 0:
            prev = text[i - 1]
            if ((is_wide(prev) or is_wide(ch)) and not prev.isspace() and not ch.isspace()
                    and ch not in NO_LINE_START and prev not in NO_LINE_END):
                out.append("\\:")
        out.append(escape(ch))
    return text_line("".join(out))


def join_lines(lines):
    """Continued lines as one: no space is put where Chinese meets a line end."""
    text = ""
    for line in (line.strip() for line in lines):
        if text and not (is_wide(text[-1]) or is_wide(line[0])):
            text += " "
        text += line
    return text


def styled_words(text, program):
    """Option names and the program in bold, placeholders in italics."""
    parts = []
    for token in re.findall(r"[^\s\[\]|,]+|[\[\]|,]|\s+", text):
        if token.isspace() or token in "[]|,":
            parts.append(token)
        elif token.startswith("-") or token == program:
            parts.append(f"\\fB{escape(token)}\\fR")
        else:
            parts.append(f"\\fI{escape(token)}\\fR")
    return text_line("".join(parts))


def parse_help(text, program):
    lines = text.rstrip("\n").split("\n")
    if not lines[0].startswith(USAGE):
        fail(f"the help of {program} does not start with {USAGE}")
    forms = [[lines[0][len(USAGE):]]]
    i = 1
    while i < len(lines) and lines[i][:1].isspace():
        if lines[i].strip().startswith(program + " ") or lines[i].strip() == program:
            forms.append([lines[i]])
        else:
            forms[-1].append(lines[i])
        i += 1
    summary = []
    while i < len(lines) and lines[i].strip():
        summary.append(lines[i])
        i += 1
    if not summary:
        fail(f"the help of {program} says nothing after the usage")

    items, notes = [], []
    for block in re.split(r"\n\s*\n", "\n".join(lines[i:]).strip("\n")):
        if not block.strip():
            continue
        if not block.startswith("  "):
            notes.append(join_lines(block.split("\n")))
            continue
        for line in block.split("\n"):
            item = re.match(r"  (\S+(?: \S+)*)(?: {2,}(.*))?$", line)
            if item:
                items.append([item.group(1), [item.group(2) or ""]])
            elif line.startswith("   ") and items:
                items[-1][1].append(line)
            else:
                fail(f"cannot read this line of the help of {program}: {line!r}")
    return ([join_lines(f) for f in forms], join_lines(summary),
            [(term, join_lines(t for t in text if t.strip())) for term, text in items], notes)


def man_page(program, version, date, see_also, help_text):
    forms, summary, items, notes = parse_help(help_text, program)
    what = summary.rstrip("。.")
    page = [
        "'\\\" -*- coding: UTF-8 -*-",
        f".\\\" Made by help_to_man.py from `{program} --help`; change the program, not this page.",
        f'.TH {escape(program.upper())} 1 {date} "{escape(version)}" "用户命令"',
        # Flush left: justifying lines of Chinese stretches the few spaces there are.
        ".ad l",
        ".SH 名称",
        # No break points here: whatis and apropos read this line as it is.
        f"{escape(program)} \\- {escape(what)}",
        ".SH 概述",
    ]
    for n, form in enumerate(forms):
        if n:
            page.append(".br")
        page.append(styled_words(form, program))
    page += [".SH 描述", breakable(summary)]
    for note in notes:
        page += [".PP", breakable(note)]
    if items:
        page.append(".SH 选项")
        for term, text in items:
            page += [".TP", styled_words(term, program), breakable(text)]
    if see_also:
        page.append(".SH 另请参阅")
        refs = [re.match(r"(.+)\((\d)\)$", ref) for ref in see_also]
        page.append(",\n".join(f".BR {escape(r.group(1))} ({r.group(2)})" for r in refs))
    return "\n".join(page) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--program", required=True)
    parser.add_argument("--date", required=True)
    parser.add_argument("--see-also", action="append", default=[])
    parser.add_argument("--output", required=True)
    args = parser.parse_args()

    program = os.path.basename(args.program)
    program = re.sub(r"\.exe$", "", program)
    version = run(args.program, "--version").strip().split("\n")[0]
    page = man_page(program, version, args.date, args.see_also, run(args.program, "--help"))
    with open(args.output, "w", encoding="utf-8") as out:
        out.write(page)


if __name__ == "__main__":
    main()
