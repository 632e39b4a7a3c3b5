#!/bin/sh
# Makes the WebP test pictures of this folder with cwebp, webpmux and img2webp, and the reference
# pictures the reader must match: dwebp's decode (scaled where the reader is given a box), transparency
# composited over black; of the animation Pillow's first frame. The source is a 64 x 48 picture with
# smooth colours and a fine pattern; its transparent copy fades from opaque to clear. Run from this
# folder; the files are committed.
set -e
/usr/bin/python3 - <<'PY'
import struct
from PIL import Image
w, h = 64, 48
rgb = Image.new('RGB', (w, h))
rgba = Image.new('RGBA', (w, h))
for y in range(h):
    for x in range(w):
        c = (x * 4, y * 5, (x * y) % 256 if (x // 4 + y // 4) % 2 else 128)
        rgb.putpixel((x, y), c)
        rgba.putpixel((x, y), c + (min(255, x * 4 + (y % 3) * 20),))
rgb.save('source.png')
rgba.save('source-alpha.png')
Image.new('RGBA', (20, 14), (200, 30, 90, 160)).save('frame-1.png')
Image.new('RGBA', (30, 24), (0, 0, 255, 255)).save('frame-2.png')
tiff = b'II' + struct.pack('<HI', 42, 8) + struct.pack('<H', 1)
tiff += struct.pack('<HHIHH', 0x0112, 3, 1, 6, 0) + struct.pack('<I', 0)
open('exif.bin', 'wb').write(tiff)
PY
cwebp -quiet -q 80 source.png -o lossy.webp
cwebp -quiet -lossless source.png -o lossless.webp
cwebp -quiet -q 80 -alpha_q 100 -exact source-alpha.png -o lossy-alpha.webp
cwebp -quiet -lossless -exact source-alpha.png -o lossless-alpha.webp
webpmux -set exif exif.bin lossy.webp -o exif-orientation-6.webp
cwebp -quiet -lossless frame-1.png -o frame-1.webp
cwebp -quiet -lossless frame-2.png -o frame-2.webp
# The first frame lies at an offset of a canvas that the second frame widens.
webpmux -frame frame-1.webp +100+6+4 -frame frame-2.webp +100+0+0 -loop 0 -o animated.webp
dwebp -quiet lossy.webp -ppm -o lossy.ppm
dwebp -quiet lossless.webp -ppm -o lossless.ppm
dwebp -quiet exif-orientation-6.webp -ppm -o exif-orientation-6.ppm
# A box of 32 x 24 halves the picture; with the Exif quarter turn the upright 48 x 64 fits as 18 x 24.
dwebp -quiet lossy.webp -scale 32 24 -ppm -o lossy-scaled.ppm
dwebp -quiet exif-orientation-6.webp -scale 24 18 -ppm -o exif-orientation-6-scaled.ppm
for f in lossy-alpha lossless-alpha; do dwebp -quiet $f.webp -o $f-decoded.png; done
/usr/bin/python3 - <<'PY'
from PIL import Image
def over_black(image):
    rgba = image.convert('RGBA')
    out = Image.new('RGB', rgba.size)
    out.putdata([tuple((c * a + 127) // 255 for c in (r, g, b)) for r, g, b, a in rgba.getdata()])
    return out
for name in ('lossy-alpha', 'lossless-alpha'):
    over_black(Image.open(name + '-decoded.png')).save(name + '.ppm')
with Image.open('animated.webp') as im:
    over_black(im).save('animated.ppm')
PY
rm -f source.png source-alpha.png frame-1.png frame-2.png frame-1.webp frame-2.webp exif.bin *-decoded.png
