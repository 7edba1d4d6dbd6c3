#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into tests/fuzz/corpus/<target>/.

Every seed is made here from our own texts in data/ or built byte by byte, so the
corpora can be made again: python3 tests/fuzz/make_seeds.py
"""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
TOP = os.path.dirname(os.path.dirname(HERE))
CORPUS = os.path.join(HERE, "corpus")


def put(target, name, data):
    d = os.path.join(CORPUS, target)
    os.makedirs(d, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("latin-1")
    with open(os.path.join(d, name), "wb") as f:
        f.write(data)


def text(name):
    with open(os.path.join(TOP, "data", name), "rb") as f:
        return f.read()


# ---- ini: section line, key line, size byte, text --------------------------------
engine, appli, font = text("Planeto.Engine.ini"), text("Planeto.Appli.ini"), text("Planeto.Font.ini")


def ini_seed(section, key, sizes, body):
    return section.encode() + b"\n" + key.encode() + b"\n" + bytes([sizes]) + body


put("ini", "engine_world", ini_seed("WORLD", "WIDTH", 0x35, engine[:1200]))
put("ini", "engine_light", ini_seed("LIGHT", "LIGHT0_ENABLE", 0x72, engine[1000:2400]))
put("ini", "appli_sun", ini_seed("SUN", "SUN_TEXTURE", 0x13, appli[2600:4200]))
put("ini", "font", ini_seed("FONT", "FONT_TEXTURE_PATH", 0x40, font))
put("ini", "crlf_and_blanks", ini_seed("A B", "K", 0x21,
    b"; comment\r\n[ A B ]\r\n/ K = no\r\n K\t= \t 42 \r\n[C]\r\nK=3.5e2\r\n"))
put("ini", "long_line", ini_seed("S", "V", 0x77, b"[S]\n" + b"V=" + b"9" * 300 + b"\n" + b"x" * 270))
put("ini", "nul_and_no_lf", ini_seed("S", "K", 0x03, b"[S]\nK=ab\0cd\r\n[T]\nK = -2147483649"))

# ---- registry: section, key, control, value line, file ----------------------------
REG_FILE = (
    "Windows Registry Editor Version 5.00\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE/Zephyro/Planeto/WORLD]\n"
    "\"WIDTH\"=dword:00000320\n"
    "\"RATIO\"=hex:00,00,80,3f\n"
    "\"SCALE\"=hex:00,00,00,00,00,00,f0,3f\n"
    "\"NAME\"=\"OpenGL 1.2\"\n"
    "@=\"default\"\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE/Zephyro/Planeto/Platform]\n"
    "\"Quoted \\\"name\\\"\"=\"back\\\\slash\"\n"
    "\"Long\"=hex(7):61,00,62,00,\\\n"
    "  00,00\n"
    "\"Other\"=hex(1):61,62,0d,63,00\n"
)


def reg_seed(section, key, control, value, body):
    return (section + "\n" + key + "\n").encode() + bytes([control]) + value + b"\n" + body.encode("latin-1")


put("registry", "read", reg_seed("WORLD", "WIDTH", 0x00, b"", REG_FILE))
put("registry", "set_int", reg_seed("WORLD", "HEIGHT", 0x01, b"\x58\x02\x00\x00", REG_FILE))
put("registry", "set_double", reg_seed("WORLD", "RATIO", 0x02, b"\x00\x00\x00\x00\x00\x00\xf0\x3f", REG_FILE))
put("registry", "set_string", reg_seed("Platform", "Name", 0x03, b"Software \"soft\"", REG_FILE))
put("registry", "set_binary", reg_seed("New/Key", "Blob", 0x34, b"\x01\x02\x03", REG_FILE))
put("registry", "delete", reg_seed("WORLD", "NAME", 0x05, b"", REG_FILE))
put("registry", "damaged", reg_seed("WORLD", "WIDTH", 0x01, b"\x01\x00\x00\x00",
    "\xef\xbb\xbfWindows Registry Editor Version 5.00\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE/Zephyro/Planeto/WORLD\r\n"
    "\"A\"=dword:1\r\n[-HKEY_LOCAL_MACHINE\\x]\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE/Zephyro/Planeto/WORLD]\r\n"
    "\"B\"=dword:123456789\r\n\"C\"=hex:0g\r\n\"D\"=\"open\r\n\"WIDTH\"=dword:00000010\r\n"))
put("registry", "empty_file", reg_seed("WORLD", "WIDTH", 0x03, b"text", ""))

# ---- tga -------------------------------------------------------------------------


def tga(kind, width, height, bits, pixels_bytes):
    return bytes([0, 0, kind, 0, 0, 0, 0, 0, 0, 0, 0, 0]) + struct.pack("<HHBB", width, height, bits, 0) + pixels_bytes


px24 = bytes([10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120, 130, 140, 150, 160, 170, 180])
px32 = bytes([10, 20, 30, 255, 40, 50, 60, 128, 70, 80, 90, 0, 100, 110, 120, 64])
put("tga", "raw24_3x2", tga(2, 3, 2, 24, px24))
put("tga", "raw32_2x2", tga(2, 2, 2, 32, px32))
# Run packet of 3 then raw packet of 3.
put("tga", "rle24_3x2", tga(10, 3, 2, 24, bytes([0x82, 1, 2, 3, 0x02]) + bytes(range(9))))
put("tga", "rle32_4x1", tga(10, 4, 1, 32, bytes([0x00, 9, 8, 7, 6, 0x82, 1, 2, 3, 4])))
put("tga", "rle24_long_run", tga(10, 200, 1, 24, bytes([0xff, 5, 6, 7, 0xc7, 8, 9, 10])))

# ---- png -------------------------------------------------------------------------


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


def png(width, height, depth, colour, rows, extra=b"", interlace=0):
    if interlace:
        # 8-bit pixels only: rows are cut into the seven passes.
        bpp = len(rows[0]) // width
        raw = b""
        for x0, y0, dx, dy in ADAM7:
            for y in range(y0, height, dy):
                line = b"".join(rows[y][x * bpp:(x + 1) * bpp] for x in range(x0, width, dx))
                if line:
                    raw += b"\x00" + line
    else:
        raw = b"".join(b"\x00" + r for r in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0, interlace))
            + extra + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


put("png", "gray1_8x2", png(8, 2, 1, 0, [b"\xa5", b"\x5a"]))
put("png", "gray8_3x2", png(3, 2, 8, 0, [b"\x00\x80\xff", b"\x10\x20\x30"]))
put("png", "gray16_2x1", png(2, 1, 16, 0, [b"\x12\x34\xff\xff"]))
put("png", "gray_trns", png(2, 2, 8, 0, [b"\x00\x7f", b"\x7f\x00"], chunk(b"tRNS", b"\x00\x7f")))
put("png", "grayalpha_2x1", png(2, 1, 8, 4, [b"\x10\x20\x30\x40"]))
put("png", "rgb8_2x2", png(2, 2, 8, 2, [b"\xff\x00\x00\x00\xff\x00", b"\x00\x00\xff\xff\xff\xff"]))
put("png", "rgb16_1x1", png(1, 1, 16, 2, [b"\x01\x02\x03\x04\x05\x06"]))
put("png", "rgba_2x1", png(2, 1, 8, 6, [b"\x01\x02\x03\x04\x05\x06\x07\x08"]))
put("png", "palette_trns", png(4, 1, 2, 3, [b"\x1b"], chunk(b"PLTE", b"\x00\x00\x00\xff\x00\x00\x00\xff\x00\x00\x00\xff")
                                 + chunk(b"tRNS", b"\x00\x80")))
put("png", "rgb_interlaced_3x3", png(3, 3, 8, 2, [bytes(range(i * 9, i * 9 + 9)) for i in range(3)], interlace=1))

# ---- raw (files): control byte, name line, content ---------------------------------
put("raw", "exact_size", b"\x01" + b"earth.raw\n" + bytes(range(256)))
put("raw", "one_short", b"\x03" + b"EARTH.RAW\n" + b"\xff" + b"\x10\x20\x30")
put("raw", "small_file", b"\x00" + b"picture.tga.raw\n" + b"not an image")
put("raw", "tga_file", b"\x00" + b"star.tga\n" + tga(2, 3, 2, 24, px24))
put("raw", "png_file", b"\x00" + b"moon.png\n" + png(2, 2, 8, 2, [b"\xff\x00\x00\x00\xff\x00", b"\x00\x00\xff\xff\xff\xff"]))

# ---- catalog -----------------------------------------------------------------------
put("catalog", "stars", "06 45 08.9 -16 42 58 -1.46 Sirius\n"
    "14 39 36.5 -60 50 02 -0.27\n"
    "05 55 10.3 +07 24 25  0.50\r\n"
    "12 00 00.0 +00 00 00  5.00")
put("catalog", "short_and_empty", "\n\n12 30\n01 00 00.0 x10 00 00  4.5\n")
put("catalog", "odd_numbers", "99 99 9999 -99 99 99 99999\n-1 -1 -1.0 --1 -1 -1 -1.00\n0x 1e 1e30 +1e 9. .9 1e+30\n")

# ---- command line: argv cut at NUL -------------------------------------------------


def argv(*a):
    return "\0".join(a)


put("command_line", "plain", argv("planeto"))
put("command_line", "options", argv("./planeto", "--platform=software", "--frames=3", "--step=1.5",
                                    "--seed", "42", "--screenshot=out.png"))
put("command_line", "overrides", argv("planeto", "--set=engine.WORLD.ASK_ME_ON_START=0",
                                      "--set", "appli.SUN.SUN_TEXTURE=  Sun5.png",
                                      "--set=font.NEW_SECTION.NEW_KEY=1", "--set=engine.WORLD.WIDTH=640"))
put("command_line", "saver", argv("C:\\WINDOWS\\Planeto.scr", "/s"))
put("command_line", "saver_quoted", argv("/usr/local/bin/my saver.SCR", "-p", "1234"))
put("command_line", "end_of_options", argv("planeto", "--", "--help", "-h", "/c"))
put("command_line", "bad", argv("planeto", "--frames=0", "--platform"))
put("command_line", "raw_ini", "[WORLD]\r\nWIDTH = 1\0--set=engine.WORLD.WIDTH=2\0--set=appli.WORLD.HEIGHT=3")
