#!/usr/bin/env bash
# Renders the PNG sizes of the application icon from its SVG (data/icons). The PNGs are kept in
# the repository, so building needs no SVG renderer; run this after changing the SVG. Needs
# rsvg-convert (Debian: librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../data/icons"
svg=org.tamarack.Tamarack.svg
for size in 16 24 32 48 64 128 256; do
  mkdir -p "$size"
  rsvg-convert --width "$size" --height "$size" --output "$size/${svg%.svg}.png" "$svg"
done
