// Reads the PNG files the tests meet (Chromium's screenshots, the Linux build's pictures):
// 8-bit truecolour with or without alpha, or palette, not interlaced. Returns RGBA rows.
import { inflateSync } from 'node:zlib';

export function decodePng(buffer) {
  let at = 8, width = 0, height = 0, type = 0, palette = null;
  const data = [];
  while (at < buffer.length) {
    const length = buffer.readUInt32BE(at);
    const kind = buffer.toString('latin1', at + 4, at + 8);
    const body = buffer.subarray(at + 8, at + 8 + length);
    if (kind === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      type = body[9];
      if (body[8] !== 8 || body[12] !== 0) throw new Error('unsupported PNG');
    } else if (kind === 'PLTE') palette = body;
    else if (kind === 'IDAT') data.push(body);
    at += 12 + length;
  }
  const channels = { 0: 1, 2: 3, 3: 1, 4: 2, 6: 4 }[type];
  const raw = inflateSync(Buffer.concat(data));
  const stride = width * channels;
  const rows = Buffer.alloc(stride * height);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let x = 0; x < stride; ++x) {
      const a = x >= channels ? rows[y * stride + x - channels] : 0;
      const b = y > 0 ? rows[(y - 1) * stride + x] : 0;
      const c = x >= channels && y > 0 ? rows[(y - 1) * stride + x - channels] : 0;
      let value = line[x];
      if (filter === 1) value += a;
      else if (filter === 2) value += b;
      else if (filter === 3) value += (a + b) >> 1;
      else if (filter === 4) {
        const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
        value += pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      rows[y * stride + x] = value & 255;
    }
  }
  const rgba = Buffer.alloc(width * height * 4);
  for (let i = 0; i < width * height; ++i) {
    let r, g, b, al = 255;
    if (type === 3) [r, g, b] = palette.subarray(rows[i] * 3, rows[i] * 3 + 3);
    else if (type === 0 || type === 4) r = g = b = rows[i * channels];
    else [r, g, b] = rows.subarray(i * channels, i * channels + 3);
    if (type === 6) al = rows[i * 4 + 3];
    if (type === 4) al = rows[i * 2 + 1];
    rgba.set([r, g, b, al], i * 4);
  }
  return { width, height, at: (x, y) => rgba.subarray((y * width + x) * 4, (y * width + x) * 4 + 4) };
}
