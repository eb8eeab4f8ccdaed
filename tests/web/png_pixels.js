// Reads an 8-bit RGB or RGBA PNG into its pixels (RGB bytes, filters undone),
// so shots written by different PNG writers can be compared picture for
// picture. Usage as a program: node png_pixels.js A.png B.png (exit 0 when
// both hold the same picture).
'use strict';
const fs = require('fs');
const zlib = require('zlib');

function pngPixels(path) {
  const data = fs.readFileSync(path);
  if (data.toString('latin1', 1, 4) !== 'PNG') throw new Error(`${path}: not a PNG file`);
  let width = 0, height = 0, channels = 0;
  const idat = [];
  for (let at = 8; at < data.length;) {
    const length = data.readUInt32BE(at);
    const type = data.toString('latin1', at + 4, at + 8);
    const body = data.subarray(at + 8, at + 8 + length);
    if (type === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      if (body[8] !== 8 || (body[9] !== 2 && body[9] !== 6) || body[12] !== 0) {
        throw new Error(`${path}: only 8-bit RGB or RGBA without interlace is read here`);
      }
      channels = body[9] === 2 ? 3 : 4;
    } else if (type === 'IDAT') {
      idat.push(body);
    }
    at += 12 + length;
  }
  const raw = zlib.inflateSync(Buffer.concat(idat));
  const stride = width * channels;
  const out = Buffer.alloc(width * height * 3);
  let previous = Buffer.alloc(stride);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const line = Buffer.from(raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1)));
    for (let i = 0; i < stride; ++i) {
      const a = i >= channels ? line[i - channels] : 0;
      const b = previous[i];
      const c = i >= channels ? previous[i - channels] : 0;
      let add = 0;
      if (filter === 1) add = a;
      else if (filter === 2) add = b;
      else if (filter === 3) add = (a + b) >> 1;
      else if (filter === 4) {
        const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
        add = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      line[i] = (line[i] + add) & 0xff;
    }
    for (let x = 0; x < width; ++x) line.copy(out, (y * width + x) * 3, x * channels, x * channels + 3);
    previous = line;
  }
  return {width, height, rgb: out};
}

module.exports = {pngPixels};

if (require.main === module) {
  const [a, b] = process.argv.slice(2).map(pngPixels);
  const same = a.width === b.width && a.height === b.height && a.rgb.equals(b.rgb);
  if (!same) console.log(`${process.argv[2]} and ${process.argv[3]} hold different pictures`);
  process.exit(same ? 0 : 1);
}
