#!/bin/sh
# Makes the JPEG XL pictures of this folder with cjxl, and their references: djxl's decode with the alpha
# laid over black and the samples rounded to 8 bits by ImageMagick. The orientation comes from the Exif
# block of a JPEG that Pillow writes, which cjxl carries over; the animation's reference is the first
# frame of its GIF source, which the lossless encoding keeps exactly. Run from this folder; the files are
# committed.
set -e
convert -seed 7 -size 40x30 plasma: -depth 8 PNG24:rgb.png
convert -seed 7 -size 40x30 plasma: -depth 16 PNG48:rgb16.png
convert rgb.png -colorspace Gray -depth 8 -define png:color-type=0 grey.png
convert rgb.png \( -size 40x30 gradient:white-black \) -alpha off -compose copy_opacity -composite PNG32:alpha.png
convert -seed 9 -size 41x29 plasma: -depth 8 PNG24:odd.png
/usr/bin/python3 - <<'PY'
from PIL import Image
exif = Image.Exif()
exif[274] = 6
Image.open('odd.png').save('oriented.jpg', exif=exif, quality=95)
frames = [Image.new('RGB', (40, 30), colour) for colour in ((200, 30, 30), (30, 200, 30), (30, 30, 200))]
frames[0].save('animation.gif', save_all=True, append_images=frames[1:], duration=100, loop=0)
PY

encode() { cjxl --quiet "$@" >/dev/null 2>&1; }
encode -d 0 rgb.png lossless.jxl
encode -d 1 rgb.png lossy.jxl
encode -d 0 rgb16.png lossless16.jxl
encode -d 1 rgb16.png lossy16.jxl
encode -d 0 grey.png grey.jxl
encode -d 1 alpha.png alpha.jxl
encode -d 0 alpha.png lossless-alpha.jxl
encode -d 1 odd.png odd.jxl
encode -d 1 --lossless_jpeg=0 oriented.jpg oriented6.jxl
encode -d 0 animation.gif animation.jxl

for picture in *.jxl; do
    [ "$picture" = animation.jxl ] && continue
    djxl "$picture" reference.png --quiet >/dev/null 2>&1
    convert reference.png -background black -alpha remove -alpha off -depth 8 "${picture%.jxl}.ppm"
done
convert 'animation.gif[0]' animation.ppm
rm -f rgb.png rgb16.png grey.png alpha.png odd.png oriented.jpg animation.gif reference*.png
