// The page's larger files travel compressed: the sheet gzipped, the sounds packed (see
// pack_sound.py: gzipped, 16-bit samples stored as the difference from the previous sample of
// their channel, low bytes then high bytes). This turns them back into the files of resources/,
// byte for byte.

const GZIP_MAGIC = [0x1f, 0x8b];

// The file's bytes, inflated. A server that sends .gz files with Content-Encoding has had the
// browser inflate them already; those arrive without the gzip magic and are taken as they are.
export async function fetchInflated(name) {
  const response = await fetch(name);
  if (!response.ok) throw new Error(`${name}: HTTP ${response.status}`);
  const bytes = new Uint8Array(await response.arrayBuffer());
  if (bytes[0] !== GZIP_MAGIC[0] || bytes[1] !== GZIP_MAGIC[1]) return bytes;
  const inflated = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('gzip'));
  return new Uint8Array(await new Response(inflated).arrayBuffer());
}

export async function fetchPackedWave(name) {
  return unpackWave(await fetchInflated(name));
}

// packed: the inflated bytes. Returns the WAVE file as an ArrayBuffer.
export function unpackWave(packed) {
  const count = (packed.length - 44) / 2;
  if (packed.length < 44 || !Number.isInteger(count)) throw new Error('damaged sound');
  const channels = new DataView(packed.buffer, packed.byteOffset, 44).getUint16(22, true);
  if (channels < 1) throw new Error('damaged sound');
  const wave = new Uint8Array(packed.length);
  wave.set(packed.subarray(0, 44));
  const samples = new DataView(wave.buffer, 44);
  for (let i = 0; i < count; i += 1) {
    const delta = packed[44 + i] | (packed[44 + count + i] << 8);
    const previous = i >= channels ? samples.getUint16((i - channels) * 2, true) : 0;
    samples.setUint16(i * 2, (previous + delta) & 0xffff, true);
  }
  return wave.buffer;
}
