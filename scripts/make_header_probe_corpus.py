#!/usr/bin/env python3
"""Writes the hostile and valid seed files of fuzz/corpus/fuzz_header_probe/."""
import os, struct, subprocess, sys, tempfile, zlib

out = sys.argv[1]
os.makedirs(out, exist_ok=True)
CONVERT = "/usr/bin/convert-im6.q16"

def put(name, data):
    assert len(data) <= 600, name
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)

def magick(args, ext):
    with tempfile.TemporaryDirectory() as d:
        p = os.path.join(d, "x." + ext)
        subprocess.check_call([CONVERT] + args + [p])
        return open(p, "rb").read()

# ---- JPEG ----
baseline = magick(["-size", "8x6", "xc:red", "-strip"], "jpg")
progressive = magick(["-size", "12x10", "xc:blue", "-strip", "-interlace", "JPEG"], "jpg")
assert b"\xff\xc0" in baseline and b"\xff\xc2" in progressive
put("jpeg_baseline_8x6.jpg", baseline)
put("jpeg_progressive_12x10.jpg", progressive)
app0 = b"\xff\xe0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00"
def sof(marker, h, w):
    return b"\xff" + bytes([marker]) + struct.pack(">HBHHB", 11, 8, h, w, 1) + b"\x01\x11\x00"
put("jpeg_sof3_only.jpg", b"\xff\xd8" + app0 + sof(0xC3, 20, 30) + b"\xff\xd9")
put("jpeg_sof3_then_sof0.jpg", b"\xff\xd8" + app0 + sof(0xC3, 20, 30) + sof(0xC0, 40, 50) + b"\xff\xd9")
put("jpeg_marker_not_ff.jpg", b"\xff\xd8" + app0 + b"\x00\xc0" + sof(0xC0, 40, 50)[2:])
put("jpeg_segment_length_0.jpg", b"\xff\xd8\xff\xe0\x00\x00" + b"\xff" * 40)
put("jpeg_segment_length_1.jpg", b"\xff\xd8\xff\xe1\x00\x01\xff\xe1\x00\x01")
put("jpeg_segment_past_eof.jpg", b"\xff\xd8\xff\xe1\xff\xf0Exif\x00\x00")
put("jpeg_sof0_truncated.jpg", b"\xff\xd8" + app0 + sof(0xC0, 40, 50)[:7])
put("jpeg_sof0_height_0.jpg", b"\xff\xd8" + sof(0xC0, 0, 50))
put("jpeg_truncated_soi.jpg", b"\xff\xd8")
put("jpeg_truncated_marker.jpg", b"\xff\xd8\xff")
put("jpeg_ff_run.jpg", b"\xff\xd8" + b"\xff" * 200)
put("ff_run.bin", b"\xff" * 256)

# ---- GIF ----
def screen(version, w, h, packed):
    return b"GIF" + version + struct.pack("<HHBBB", w, h, packed, 0, 0)
gct2 = b"\xff\xff\xff\x00\x00\x00"
gce = b"\x21\xf9\x04\x01\x00\x00\x00\x00"
def image(w, h):
    return b"\x2c" + struct.pack("<HHHHB", 0, 0, w, h, 0) + b"\x02\x02\x44\x01\x00"
one = screen(b"89a", 1, 1, 0x80) + gct2 + gce + image(1, 1) + b"\x3b"
put("gif89a_one_frame_gce.gif", one)
put("gif89a_two_frames.gif", screen(b"89a", 1, 1, 0x80) + gct2 + gce + image(1, 1) + gce + image(1, 1) + b"\x3b")
put("gif87a_two_frames.gif", screen(b"87a", 3, 2, 0x80) + gct2 + image(3, 2) + image(3, 2) + b"\x3b")
put("gif87a_one_frame.gif", screen(b"87a", 3, 2, 0x80) + gct2 + image(3, 2) + b"\x3b")
netscape = b"\x21\xff\x0bNETSCAPE2.0\x03\x01\x00\x00\x00"
comment = b"\x21\xfe\x05hello\x03abc\x00"
plain = b"\x21\x01\x0c" + bytes(12) + b"\x02hi\x00"
put("gif89a_all_extensions.gif", screen(b"89a", 5, 4, 0x80) + gct2 + netscape + comment + plain + gce + image(5, 4) + comment + b"\x3b")
put("gif89a_unknown_extension.gif", screen(b"89a", 5, 4, 0x80) + gct2 + b"\x21\x42\x03abc\x00" + image(5, 4) + b"\x3b")
put("gif89a_local_colour_table.gif", screen(b"89a", 2, 2, 0x00) + b"\x2c" + struct.pack("<HHHHB", 0, 0, 2, 2, 0x81) + bytes(12) + b"\x02\x02\x44\x01\x00\x3b")
put("gif89a_no_image.gif", screen(b"89a", 7, 9, 0) + b"\x3b")
put("gif89a_subblock_past_eof.gif", screen(b"89a", 1, 1, 0x80) + gct2 + b"\x2c" + struct.pack("<HHHHB", 0, 0, 1, 1, 0) + b"\x02\xfe\x44\x01")
put("gif89a_comment_past_eof.gif", screen(b"89a", 1, 1, 0) + b"\x21\xfe\xff" + b"x" * 10)
put("gif89a_missing_trailer.gif", one[:-1])
put("gif89a_stray_byte.gif", one[:-1] + b"\x00\x3b")
put("gif89a_huge_gct_20_bytes.gif", screen(b"89a", 640, 480, 0x87) + b"\x00" * 7)
put("gif89a_lct_past_eof.gif", screen(b"89a", 1, 1, 0) + b"\x2c" + struct.pack("<HHHHB", 0, 0, 1, 1, 0x87) + b"\x00" * 10)
put("gif89a_extension_label_at_eof.gif", screen(b"89a", 1, 1, 0) + b"\x21")
put("gif89a_gce_at_eof.gif", screen(b"89a", 1, 1, 0) + b"\x21\xf9\x04")
put("gif89a_application_truncated.gif", screen(b"89a", 1, 1, 0) + b"\x21\xff\x0bNETSC")
put("gif_truncated_header.gif", b"GIF89a\x01\x00")
put("gif_signature_only.gif", b"GI")
put("gif89a_zero_size.gif", screen(b"89a", 0, 0, 0) + image(1, 1) + b"\x3b")
put("gif89a_many_subblocks.gif", screen(b"89a", 1, 1, 0) + b"\x21\xfe" + b"\x01\x00" * 100 + b"\x00\x3b")

# ---- BMP ----
def bmp(w, h, header_size=40, file_size=None, bpp=24):
    row = ((w * bpp + 31) // 32) * 4
    pixels = bytes(row * abs(h)) if abs(h) * row <= 300 else b""
    info = struct.pack("<IiiHHIIiiII", header_size, w, h, 1, bpp, 0, len(pixels), 2835, 2835, 0, 0)
    total = 14 + len(info) + len(pixels)
    return b"BM" + struct.pack("<IHHI", total if file_size is None else file_size, 0, 0, 14 + len(info)) + info + pixels
put("bmp_4x3.bmp", bmp(4, 3))
put("bmp_negative_height.bmp", bmp(4, -3))
put("bmp_height_int_min.bmp", bmp(4, -2**31))
put("bmp_file_size_0.bmp", bmp(4, 3, file_size=0))
core = struct.pack("<IHHHH", 12, 6, 5, 1, 24)
core_pixels = bytes(20 * 5)
put("bmp_core_header.bmp", b"BM" + struct.pack("<IHHI", 26 + len(core_pixels), 0, 0, 26) + core + core_pixels)
put("bmp_core_header_1x1_1bit.bmp", b"BM" + struct.pack("<IHHI", 34, 0, 0, 32) + struct.pack("<IHHHH", 12, 1, 1, 1, 1) + b"\x00" * 6 + b"\x00" * 4)
put("bmp_truncated_header.bmp", b"BM" + struct.pack("<IHHI", 60, 0, 0, 54) + b"\x28\x00\x00\x00\x04")
put("bmp_zero_width.bmp", bmp(0, 3))

# ---- PNG ----
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xffffffff)
def png(w, h, with_data=True):
    sig = b"\x89PNG\r\n\x1a\n"
    ihdr = chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
    if not with_data:
        return sig + ihdr + chunk(b"IEND", b"")
    raw = b"".join(b"\x00" + b"\x00\x80\xff" * w for _ in range(h))
    return sig + ihdr + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b"")
put("png_3x2.png", png(3, 2))
put("png_100000x100000.png", png(100000, 100000, with_data=False))
put("png_65536x1.png", png(65536, 1, with_data=False))
put("png_width_above_int_max.png", png(0x80000000, 1, with_data=False))
put("png_zero_height.png", png(5, 0, with_data=False))
put("png_truncated_ihdr.png", png(3, 2)[:20])
put("png_signature_only.png", b"\x89PNG\r\n\x1a\n")

# ---- other ----
put("empty.bin", b"")
put("one_byte.bin", b"B")
put("text.txt", b"hello, this is not a picture\n")
put("riff_webp.bin", b"RIFF\x24\x00\x00\x00WEBPVP8 ")

# ---- pictures of today: WebP, HEIF, AVIF, TIFF ----
def riff(chunks):
    body = b"WEBP" + chunks
    return b"RIFF" + struct.pack("<I", len(body)) + body

def patch_ispe(data, width, height):
    at = data.find(b"ispe")
    while at >= 0:
        data = data[:at + 8] + struct.pack(">II", width, height) + data[at + 16:]
        at = data.find(b"ispe", at + 4)
    return data

webp = magick(["-size", "9x7", "xc:green"], "webp")
put("webp_9x7.webp", webp)
put("webp_riff_size_lies.webp", webp[:4] + struct.pack("<I", 100000) + webp[8:])
put("webp_truncated.webp", webp[:20])
vp8x_animated = b"VP8X" + struct.pack("<I", 10) + b"\x02\x00\x00\x00" + b"\x04\x00\x00" + b"\x02\x00\x00"
put("webp_animated_5x3.webp", riff(vp8x_animated + b"ANIM" + struct.pack("<I", 6) + bytes(6)))
heic = magick(["-size", "10x6", "xc:red"], "heic")
avif = magick(["-size", "6x10", "xc:blue"], "avif")
put("heic_10x6.heic", heic)
put("avif_6x10.avif", avif)
put("heic_truncated.heic", heic[:len(heic) // 2])
put("heic_ispe_100000.heic", patch_ispe(heic, 100000, 100000))
def ftyp(major, *compatible):
    body = major + b"\x00\x00\x00\x00" + b"".join(compatible)
    return struct.pack(">I", 8 + len(body)) + b"ftyp" + body
put("ftyp_avis_sequence.avif", ftyp(b"avis", b"avis", b"msf1") + bytes(8))
put("ftyp_msf1_sequence.heic", ftyp(b"msf1", b"msf1", b"hevc") + bytes(8))
put("ftyp_size_past_eof.heic", struct.pack(">I", 400) + b"ftypheic" + bytes(8))
put("ftyp_size_below_16.heic", struct.pack(">I", 8) + b"ftypheic" + bytes(8))
put("ftyp_mp4_video.mp4", ftyp(b"isom", b"isom", b"mp41") + bytes(8))
def tiff_ifd(little, entries, next_offset=0):
    e = "<" if little else ">"
    head = (b"II*\x00" if little else b"MM\x00*") + struct.pack(e + "I", 8)
    ifd = struct.pack(e + "H", len(entries))
    for tag, typ, value in entries:
        packed = struct.pack(e + "HH", value, 0) if typ == 3 else struct.pack(e + "I", value)
        ifd += struct.pack(e + "HHI", tag, typ, 1) + packed
    return head + ifd + struct.pack(e + "I", next_offset)
put("tiff_le_30x20.tif", tiff_ifd(True, [(256, 3, 30), (257, 3, 20), (274, 3, 6)]))
put("tiff_be_long_70000x3.tif", tiff_ifd(False, [(256, 4, 70000), (257, 4, 3)]))
put("tiff_ifd_loop.tif", tiff_ifd(True, [(256, 3, 4), (257, 3, 4)], next_offset=8))
put("tiff_ifd_past_eof.tif", b"II*\x00" + struct.pack("<I", 5000) + bytes(8))
put("tiff_entry_count_huge.tif", b"II*\x00" + struct.pack("<IH", 8, 60000) + bytes(24))
put("tiff_no_size.tif", tiff_ifd(True, [(274, 3, 1)]))
