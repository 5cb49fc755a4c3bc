#!/usr/bin/env bash
# Makes tavrilo.png (128 x 128, 24-bit colour, no alpha) from tavrilo.svg.
# Needs librsvg2-bin and imagemagick.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp --suffix=.png)
trap 'rm -f "$tmp"' EXIT
rsvg-convert -w 128 -h 128 tavrilo.svg -o "$tmp"
convert "$tmp" -background '#2f4a66' -alpha remove -alpha off -define png:color-type=2 \
    PNG24:tavrilo.png
