#!/bin/sh
# make-inputs.sh DIR: the generated benchmark GIFs (ImageMagick 6), made once.
set -eu
dir="$1"; mkdir -p "$dir"; cd "$dir"
im=convert-im6.q16
if [ ! -s photo2000.gif ]; then
  $im -size 2000x2000 -seed 42 plasma:fractal -blur 0x1.5 -attenuate 0.3 +noise Gaussian -colors 256 photo2000.gif
fi
if [ ! -s anim100.gif ]; then
  rm -rf frames; mkdir frames
  $im -size 480x360 -seed 7 plasma:fractal base.png
  # One palette for all frames; each frame is mapped on its own and gifsicle
  # joins them, so no step holds the 100 frames in memory (ImageMagick's
  # resource policy refuses that here).
  $im base.png +dither -colors 256 palette.gif
  i=0
  while [ $i -lt 100 ]; do
    n=$(printf %03d $i)
    $im base.png -roll +$((i * 4))+0 -fill white -draw "circle $((40 + i * 4)),180 $((60 + i * 4)),180" \
      -fill navy -draw "rectangle 0,340 $((i * 4 + 10)),359" +dither -remap palette.gif frames/f$n.gif
    i=$((i + 1))
  done
  gifsicle --loop --delay 4 frames/f*.gif -o anim100.gif
  rm -rf frames base.png palette.gif
fi
