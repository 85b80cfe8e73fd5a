#!/usr/bin/env python3
"""Writes the hand-made seeds of the fuzz corpus: a few small valid files of each kind and one
file for each kind of damage the loaders must refuse or survive. Run from anywhere; it rewrites
fuzz/corpus/<target>/seed-*. The committed assets are replayed from their own folders."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def write(target, name, data):
    folder = os.path.join(HERE, 'corpus', target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, 'seed-' + name), 'wb') as out:
        out.write(data)


# --- BMP ------------------------------------------------------------------------------------

def bmp(width=4, height=2, bits=8, compression=0, size_image=None, colours=0, palette=None,
        pixels=None, off_bits=None, info_size=40, extra=b''):
    if palette is None:
        count = min(colours or 256, 300)
        palette = b''.join(struct.pack('<4B', i & 0xFF, 255 - (i & 0xFF), i // 2 & 0xFF, 0)
                           for i in range(count)) if bits == 8 else b''
    row = (abs(width) * bits // 8 + 3) // 4 * 4
    if pixels is None:
        pixels = bytes((i * 7) & 0xFF for i in range(row * abs(height)))
    if size_image is None:
        size_image = len(pixels)
    info = struct.pack('<IiiHHIIiiII', info_size, width, height, 1, bits, compression,
                       size_image & 0xFFFFFFFF, 2835, 2835, colours & 0xFFFFFFFF, 0)
    info += b'\0' * max(0, info_size - 40)
    head_len = 14 + len(info) + len(extra) + len(palette)
    if off_bits is None:
        off_bits = head_len
    header = struct.pack('<2sIHHI', b'BM', head_len + len(pixels), 0, 0, off_bits & 0xFFFFFFFF)
    return header + info + extra + palette + pixels


valid8 = bmp()
write('bitmap', 'valid-8bit', valid8)
write('bitmap', 'valid-24bit', bmp(bits=24))
write('bitmap', 'valid-24bit-padded-rows', bmp(width=3, bits=24))
write('bitmap', 'valid-16bit', bmp(bits=16))
write('bitmap', 'valid-16bit-bitfields', bmp(bits=16, compression=3,
                                              extra=struct.pack('<3I', 0x7C00, 0x03E0, 0x1F)))
write('bitmap', 'valid-top-down', bmp(height=-2))
write('bitmap', 'valid-16-colours', bmp(colours=16))
write('bitmap', 'valid-v5-header', bmp(info_size=124))
write('bitmap', 'packed-rows-pixels-at-end', bmp(width=3, size_image=6, off_bits=0,
                                                  pixels=bytes(range(6))))
for name, (w, h) in {'width-0': (0, 2), 'height-0': (4, 0), 'width-negative': (-4, 2),
                     'height-min': (4, -2**31), 'width-huge': (2**31 - 1, 2),
                     'height-huge': (4, 2**31 - 1), 'both-65536': (65536, 65536),
                     'width-16385': (16385, 1)}.items():
    write('bitmap', name, bmp(width=w, height=h, pixels=bytes(8)))
write('bitmap', 'sizeimage-0', bmp(size_image=0))
write('bitmap', 'sizeimage-past-file', bmp(size_image=0xFFFFFFFF))
write('bitmap', 'sizeimage-smaller-than-rows', bmp(size_image=5))
write('bitmap', 'palette-257-colours', bmp(colours=257))
write('bitmap', 'palette-colours-ffffffff', bmp(colours=0xFFFFFFFF))
for bits in (0, 1, 4, 32, 0xFFFF):
    write('bitmap', 'depth-%d' % bits, bmp(bits=bits, pixels=bytes(64)))
for compression in (1, 2, 3, 4, 0xFFFFFFFF):
    write('bitmap', 'compression-%x' % compression, bmp(compression=compression))
write('bitmap', 'bitfields-565', bmp(bits=16, compression=3,
                                     extra=struct.pack('<3I', 0xF800, 0x07E0, 0x1F)))
write('bitmap', 'info-size-0', bmp(info_size=0))
write('bitmap', 'info-size-huge', valid8[:14] + struct.pack('<I', 0xFFFFFFF0) + valid8[18:])
write('bitmap', 'offbits-ffffffff', bmp(off_bits=0xFFFFFFFF))
write('bitmap', 'not-bm', b'MB' + valid8[2:])
for cut in (1, 14, 20, 53, 54, 100, len(valid8) - 1):
    write('bitmap', 'truncated-at-%d' % cut, valid8[:cut])

# --- WAV ------------------------------------------------------------------------------------

def chunk(ident, body, pad=True):
    return ident + struct.pack('<I', len(body)) + body + (b'\0' if pad and len(body) % 2 else b'')


def fmt(tag=1, channels=1, rate=11025, bits=8, extra=b''):
    return struct.pack('<HHIIHH', tag, channels, rate, rate * channels * bits // 8,
                       channels * bits // 8, bits) + extra


def riff(body, form=b'WAVE', size=None):
    body = form + body
    return b'RIFF' + struct.pack('<I', len(body) if size is None else size) + body


samples = bytes(range(128, 192))
valid_wav = riff(chunk(b'fmt ', fmt()) + chunk(b'data', samples))
write('wav', 'valid-fmt-16', valid_wav)
write('wav', 'valid-fmt-18', riff(chunk(b'fmt ', fmt(extra=b'\0\0')) + chunk(b'data', samples)))
write('wav', 'valid-16bit-stereo', riff(chunk(b'fmt ', fmt(channels=2, rate=44100, bits=16)) +
                                        chunk(b'data', samples)))
write('wav', 'valid-list-and-fact-before-data',
      riff(chunk(b'fmt ', fmt()) + chunk(b'LIST', b'INFOISFT\3\0\0\0sx\0\0') +
           chunk(b'fact', b'\x40\0\0\0') + chunk(b'data', samples)))
write('wav', 'valid-odd-data-last-without-pad',
      riff(chunk(b'fmt ', fmt()) + chunk(b'data', samples[:63], pad=False)))
write('wav', 'odd-chunk-without-pad-before-data',
      riff(chunk(b'fmt ', fmt()) + chunk(b'junk', b'abc', pad=False) + chunk(b'data', samples)))
write('wav', 'riff-size-0', riff(chunk(b'fmt ', fmt()) + chunk(b'data', samples), size=0))
write('wav', 'riff-size-past-end', riff(chunk(b'fmt ', fmt()) + chunk(b'data', samples),
                                        size=100000))
write('wav', 'riff-size-ffffffff', riff(chunk(b'fmt ', fmt()) + chunk(b'data', samples),
                                        size=0xFFFFFFFF))
body = chunk(b'fmt ', fmt())
write('wav', 'data-size-0', riff(body + b'data' + struct.pack('<I', 0)))
write('wav', 'data-size-past-end', riff(body + b'data' + struct.pack('<I', 1000) + samples))
write('wav', 'data-size-ffffffff', riff(body + b'data' + struct.pack('<I', 0xFFFFFFFF) + samples))
write('wav', 'fmt-size-ffffffff', riff(b'fmt ' + struct.pack('<I', 0xFFFFFFFF) + fmt() +
                                       chunk(b'data', samples)))
write('wav', 'fmt-shorter-than-18-at-end', riff(chunk(b'fmt ', fmt()[:10])))
write('wav', 'fmt-14-bytes', riff(chunk(b'fmt ', fmt()[:14]) + chunk(b'data', samples)))
write('wav', 'fmt-not-first', riff(chunk(b'LIST', b'INFO') + chunk(b'fmt ', fmt()) +
                                   chunk(b'data', samples)))
write('wav', 'no-data-chunk', riff(chunk(b'fmt ', fmt()) + chunk(b'fact', b'\x40\0\0\0')))
write('wav', 'format-tag-2', riff(chunk(b'fmt ', fmt(tag=2)) + chunk(b'data', samples)))
write('wav', 'form-not-wave', riff(chunk(b'fmt ', fmt()) + chunk(b'data', samples), form=b'AVI '))
write('wav', 'not-riff', b'RIFX' + valid_wav[4:])
write('wav', 'riff-inside-junk', chunk(b'junk', b'xyz') + valid_wav)
for cut in (4, 8, 12, 20, 30, 40, 44, len(valid_wav) - 1):
    write('wav', 'truncated-at-%d' % cut, valid_wav[:cut])

# --- VOC ------------------------------------------------------------------------------------

VOC_SIGNATURE = b'Creative Voice File\x1a'


def voc(length=70, time_constant=166, offset=26, samples=None, header_rest=None):
    if header_rest is None:
        header_rest = struct.pack('<BHH', 0, 0x010A, 0x1129)
    if samples is None:
        samples = bytes((128 + i) & 0xFF for i in range(max(0, length - 2)))
    head = VOC_SIGNATURE + bytes([offset & 0xFF]) + header_rest
    head = head[:offset].ljust(offset, b'\0')
    block = bytes([1]) + struct.pack('<I', length)[:3] + bytes([time_constant, 0]) + samples
    return head + block + b'\0'


valid_voc = voc()
write('voc', 'valid', valid_voc)
for tc in (0, 131, 165, 255):
    write('voc', 'time-constant-%d' % tc, voc(time_constant=tc))
write('voc', 'valid-header-offset-32', voc(offset=32))
write('voc', 'offset-past-end', valid_voc[:20] + b'\xff' + valid_voc[21:])
write('voc', 'offset-0', valid_voc[:20] + b'\0' + valid_voc[21:])
for length in (0, 1, 5, 6, 7):
    write('voc', 'block-length-%d' % length, voc(length=length, samples=bytes(8)))
write('voc', 'block-length-past-end', voc(length=5000, samples=bytes(64)))
write('voc', 'block-length-ffffff', voc(length=0xFFFFFF, samples=bytes(64)))
write('voc', 'shorter-than-header', VOC_SIGNATURE)
for cut in (21, 26, 30, 32, 33, len(valid_voc) - 5):
    write('voc', 'truncated-at-%d' % cut, valid_voc[:cut])

# --- Palette text ---------------------------------------------------------------------------

saved = ''.join('\n%d %d %d %d' % (i, 255 - i, i // 2, 4) for i in range(256))
write('palette', 'valid-as-saved', saved.encode())
write('palette', 'valid-crlf', saved.replace('\n', '\r\n').encode())
write('palette', 'valid-one-line-tabs', saved.replace('\n', '\t').encode())
write('palette', 'too-few-entries', saved[:200].encode())
write('palette', 'words-after-entries', (saved[:120] + ' red green blue').encode())
write('palette', 'words-only', b'palette: twilight\n')
write('palette', 'numbers-beyond-int',
      b'2147483648 -2147483649 4294967296 18446744073709551617\n'
      b'99999999999999999999999999999999999999 -99999999999999999999999999 +300 -1\n')
write('palette', 'signs-without-digits', b'1 2 + 3 - 4 -- 5 +-6')
write('palette', 'empty', b'')
write('palette', 'nul-bytes', b'1\0 2 3 4')

# --- Replays --------------------------------------------------------------------------------
# The committed golden replays are replayed from tests/replays; these are small ones around them.
RACE_KEYS = bytes([205, 203, 200, 208, 32, 30, 17, 31, 49, 48, 1])


def dwr(frames=((0, 0),), track=0, keys=RACE_KEYS, laps=(0, 0), last_hash=0, count=None,
        version=2, magic=b'DWRP', font=0x5eed, own_track=None):
    """Version 2 frames are (keys, picture) with the state hash made from them; version 1 has no
    font fingerprint and no state hashes. own_track: (hash, name) of a player's track (255)."""
    if version == 1:
        body = b''.join(struct.pack('<HI', k, h) for k, h in frames)
        font_field = b''
    else:
        body = b''.join(struct.pack('<HQI', k, h * 31 + k, h) for k, h in frames)
        font_field = struct.pack('<Q', font)
    if own_track is not None:
        keys = keys + struct.pack('<QB', own_track[0], len(own_track[1])) + own_track[1]
    count = len(frames) if count is None else count
    trailer = struct.pack('<IHHQ', count, laps[0], laps[1], last_hash)
    return (magic + struct.pack('<HBB', version, track, len(keys)) + font_field + keys + body +
            trailer)


valid_dwr = dwr(frames=((0x0001, 0x12345678), (0x0401, 0x9abcdef0), (0x07ff, 1)), track=2,
                laps=(3, 10), last_hash=0x0123456789abcdef)
write('dwr', 'valid-three-frames', valid_dwr)
write('dwr', 'valid-two-keys', dwr(keys=bytes([205, 1]), frames=((3, 7),)))
write('dwr', 'valid-own-track', dwr(track=255, own_track=(0x0af60943ae019970, b'my oval')))
write('dwr', 'own-track-bad-name', dwr(track=255, own_track=(1, b'../x')))
write('dwr', 'own-track-empty-name', dwr(track=255, own_track=(1, b'')))
write('dwr', 'valid-version-1', dwr(version=1, frames=((0x0001, 5), (0x0401, 6))))
write('dwr', 'version-3', dwr(version=3))
write('dwr', 'version-0', dwr(version=0))
write('dwr', 'other-magic', dwr(magic=b'DWRQ'))
write('dwr', 'track-3', dwr(track=3))
write('dwr', 'key-not-raced', dwr(keys=bytes([205, 16])))
write('dwr', 'key-twice', dwr(keys=bytes([205, 205])))
write('dwr', 'no-keys', dwr(keys=b''))
write('dwr', 'key-bit-past-table', dwr(keys=bytes([205, 1]), frames=((4, 0),)))
write('dwr', 'count-too-high', dwr(count=2))
write('dwr', 'count-huge', dwr(count=0xFFFFFFFF))
write('dwr', 'count-zero', dwr(frames=(), count=0))
write('dwr', 'laps-11', dwr(laps=(11, 0)))
for cut in (0, 3, 7, 12, 18, 24, 40, len(valid_dwr) - 1):
    write('dwr', 'truncated-at-%d' % cut, valid_dwr[:cut])


# --- Network race packets -------------------------------------------------------------------

def hello(protocol=1, version=b'1.0', assets=0x0102030405060708, track=1, fair=1, nonce=7):
    return (b'\x01DWNT' + struct.pack('<HB', protocol, len(version)) + version +
            struct.pack('<QBBQ', assets, track, fair, nonce))


def net_input(first=40, keys=((0x0201, 2), (0x03FF, 1)), first_hashed=39, hashes=(7, 8)):
    body = struct.pack('<IB', first, len(keys)) + b''.join(struct.pack('<HB', k, f) for k, f in keys)
    return (b'\x06' + body + struct.pack('<IB', first_hashed, len(hashes)) +
            b''.join(struct.pack('<Q', h) for h in hashes))


write('net', 'hello', hello())
write('net', 'hello-other-protocol', hello(protocol=2))
write('net', 'hello-track-3', hello(track=3))
write('net', 'answer-assets', b'\x02\x03')
write('net', 'ping', b'\x03' + struct.pack('<Q', 12345))
write('net', 'delay', b'\x05\x04')
write('net', 'input', net_input())
write('net', 'input-no-frames', net_input(keys=()))
write('net', 'input-past-last-frame', net_input(first=(1 << 24) - 1))
write('net', 'input-hashes-ahead', net_input(first_hashed=41))
write('net', 'leave', b'\x07\x01')
write('net', 'ready', b'\x08')
write('net', 'resume', b'\x09' + struct.pack('<I', 77))
