#!/usr/bin/env python3
"""Writes the fuzzers' seed inputs into corpus/<target>/: what players, files and servers really
send. Pictures are made with ImageMagick's convert; the rest is written here."""

import base64
import os
import shutil
import struct
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode())


# --- pictures -------------------------------------------------------------------------------------

def pictures():
    tmp = tempfile.mkdtemp()
    made = {}
    specs = {
        "cover.png": ["-size", "12x8", "gradient:red-blue"],
        "cover.jpg": ["-size", "16x12", "radial-gradient:white-brown", "-quality", "60"],
        "progressive.jpg": ["-size", "16x9", "gradient:yellow-black", "-interlace", "Plane"],
        "rotated.jpg": ["-size", "10x4", "gradient:white-green", "-orient", "RightTop"],
        "grey.png": ["-size", "5x30", "gradient:", "-colorspace", "Gray"],
        "palette.gif": ["-size", "9x9", "pattern:checkerboard", "-colors", "4"],
        "cover.bmp": ["-size", "6x6", "xc:orange"],
        "icon.ico": ["-size", "16x16", "xc:navy"],
        "cover.ppm": ["-size", "4x3", "xc:purple"],
        "cover.xpm": ["-size", "3x3", "pattern:gray50"],
        "wide.png": ["-size", "60x2", "xc:teal"],
    }
    for name, args in specs.items():
        path = os.path.join(tmp, name)
        # The rotated picture keeps the orientation it is made with.
        keep = [] if name == "rotated.jpg" else ["-strip"]
        subprocess.run(["convert", *args, *keep, path], check=True)
        with open(path, "rb") as f:
            made[name] = f.read()
    made["cover.svg"] = b'<svg xmlns="http://www.w3.org/2000/svg" width="20" height="10"><rect width="20" height="10" fill="red"/></svg>'
    # A download cut short: the header promises a picture, the scan has no end.
    made["truncated.jpg"] = made["cover.jpg"][: len(made["cover.jpg"]) * 2 // 3]
    shutil.rmtree(tmp)
    return made


# --- MPRIS metadata, in the encoding fuzz_metadata.cpp reads -------------------------------------

KEYS = ["mpris:trackid", "xesam:title", "xesam:album", "xesam:artist", "xesam:albumArtist",
        "xesam:url", "mpris:artUrl", "mpris:length", "xesam:trackNumber", "xesam:discNumber",
        "xesam:contentCreated", "xesam:userRating", "xesam:genre", "xesam:audioBitrate",
        "vlc:codec", "audio-format"]


def text(s):
    b = s.encode() if isinstance(s, str) else s
    if len(b) < 255:
        return bytes([len(b)]) + b
    return bytes([255, len(b) >> 8, len(b) & 255]) + b


def s(v): return bytes([0]) + text(v)
def i(v): return bytes([1]) + struct.pack("<i", v)
def u(v): return bytes([2]) + struct.pack("<I", v)
def x(v): return bytes([3]) + struct.pack("<q", v)
def t(v): return bytes([4]) + struct.pack("<Q", v)
def d(v): return bytes([5]) + struct.pack("<d", v)
def b(v): return bytes([6, 1 if v else 0])
def strings(*vs): return bytes([10, len(vs)]) + b"".join(text(v) for v in vs)
def o(v): return bytes([11]) + text(v)  # the fuzzer keeps letters, digits and _ after "/t"
def var(v): return bytes([12]) + v
def dict_(**kv): return bytes([13, len(kv)]) + b"".join(text(k) + v for k, v in kv.items())
def av(*vs): return bytes([14, len(vs)]) + b"".join(vs)


def metadata(*entries):
    out = bytes([len(entries)])
    for key, value in entries:
        if key in KEYS:
            out += bytes([KEYS.index(key)])
        else:
            out += bytes([200]) + text(key)
        out += value
    return out


def players(png):
    data_url = "data:image/png;base64," + base64.b64encode(png).decode()
    return {
        "mpv": metadata(("mpris:trackid", o("mpv_playlist_0")), ("xesam:title", s("So What")),
                        ("xesam:album", s("Kind of Blue")), ("xesam:artist", strings("Miles Davis")),
                        ("xesam:url", s("file:///music/Kind%20of%20Blue/01%20So%20What.flac")),
                        ("mpris:length", x(562_000_000)), ("mpris:artUrl", s(data_url))),
        "vlc": metadata(("mpris:trackid", o("org_videolan_vlc_playlist_4")), ("xesam:title", s("Blue")),
                        ("xesam:artist", strings("Joni Mitchell")), ("xesam:trackNumber", s("7/12")),
                        ("xesam:contentCreated", s("1971")), ("xesam:genre", strings("Folk")),
                        ("mpris:artUrl", s("file:///root/.cache/vlc/art/artistalbum/Joni%20Mitchell/Blue/art")),
                        ("mpris:length", x(183_000_000)), ("vlc:codec", s("FLAC (Free Lossless Audio Codec)"))),
        "spotify": metadata(("mpris:trackid", s("spotify:track:4uLU6hMCjMI75M1A2tKUQC")),
                            ("mpris:length", t(213_573_000)),
                            ("mpris:artUrl", s("https://i.scdn.co/image/ab67616d0000b273")),
                            ("xesam:album", s("Whenever You Need Somebody")),
                            ("xesam:albumArtist", strings("Rick Astley")), ("xesam:artist", strings("Rick Astley")),
                            ("xesam:discNumber", i(1)), ("xesam:title", s("Never Gonna Give You Up")),
                            ("xesam:trackNumber", i(1)), ("xesam:url", s("https://open.spotify.com/track/4uLU"))),
        "browser": metadata(("mpris:trackid", o("org_chromium_MediaPlayer2_TrackList_Track1")),
                            ("xesam:title", s("Live at the Hall \u2014 full concert \U0001f3b7")),
                            ("xesam:artist", strings("")), ("xesam:album", s("")),
                            ("mpris:artUrl", s("file:///tmp/.org.chromium.Chromium.Xb3kq")),
                            ("mpris:length", x(0))),
        "rhythmbox": metadata(("mpris:trackid", o("org_gnome_Rhythmbox3_RhythmDB_Track_12")),
                              ("xesam:title", s("Teardrop")), ("xesam:userRating", d(0.8)),
                              ("xesam:audioBitrate", i(320)), ("xesam:contentCreated", s("1998-04-20T00:00:00Z")),
                              ("xesam:url", s("/home/user/Music/Massive Attack/Mezzanine/03 Teardrop.mp3")),
                              ("mpris:length", d(330_000_000.0))),
        "loose kinds": metadata(("xesam:title", i(42)), ("xesam:artist", av(var(s("A")), var(s("B")))),
                                ("xesam:trackNumber", u(3)), ("xesam:discNumber", s("two")),
                                ("mpris:length", s("long")), ("xesam:userRating", d(float("inf"))),
                                ("xesam:contentCreated", x(1959)), ("extra", dict_(a=s("b"), c=var(var(i(1)))))),
        "control characters": metadata(("xesam:title", s("line\nbreak\ttab\x07bell")),
                                       ("xesam:album", s("x" * 1200)),
                                       ("xesam:artist", strings(*["artist %d" % n for n in range(8)]))),
        "empty": bytes([0]),
    }


def main():
    made = pictures()
    for name, data in made.items():
        write("fuzz_picture", name, data)

    for name, data in players(made["cover.png"]).items():
        write("fuzz_metadata", name.replace(" ", "-"), data)

    png64 = base64.b64encode(made["cover.png"]).decode()
    jpg64 = base64.b64encode(made["cover.jpg"]).decode()
    write("fuzz_dataurl", "png-base64", "data:image/png;base64," + png64)
    write("fuzz_dataurl", "jpeg-base64-upper", "DATA:image/jpeg;BASE64," + jpg64)
    write("fuzz_dataurl", "no-media-type", "data:;base64," + png64)
    write("fuzz_dataurl", "percent-encoded",
          "data:image/svg+xml," + "".join("%%%02X" % c for c in made["cover.svg"]))
    write("fuzz_dataurl", "bad-base64", "data:image/png;base64," + png64[:40] + "!!" + png64[40:])
    write("fuzz_dataurl", "no-comma", "data:image/png;base64")
    write("fuzz_dataurl", "not-a-picture", "data:text/plain;charset=utf-8,hello%20world")

    write("fuzz_settings", "first-start.conf",
          "[General]\nfullScreenMode=true\npreventSleep=true\nisShowAlbumName=true\nisShowAlbumNumber=true\n"
          "isShowRatings=true\nisShowProgress=true\nisShowVinyl=true\nisShowMultiArtworks=false\n"
          "artworkPositionMode=3\ntoggleArtworkInterval=30\nnameFont=HelveticaNeue-Medium\n"
          "albumFont=HelveticaNeue-Light\nartistFont=HelveticaNeue-Light\nmaxFontSize=72\n"
          "startItunesWithApp=false\nautomaticCheckUpdate=true\n")
    write("fuzz_settings", "hand-edited.conf",
          "; edited by hand\n[General]\nfullScreenMode = yes\nmaxFontSize = 96.5\ntoggleArtworkInterval=\"15\"\n"
          "nameFont=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x5QFont)\npreventSleep=1\n")
    write("fuzz_settings", "other-section.conf", "[Other]\nkey=value\n[General]\nisShowVinyl=0\n")
    write("fuzz_settings", "list-value.conf", "[General]\nnameFont=a, b, c\nmaxFontSize=@Invalid()\n")
    write("fuzz_settings", "binary.conf", bytes(range(256)))
    write("fuzz_settings", "cut-short.conf", "[General]\nfullScreenMode=tr")

    write("fuzz_mpdanswer", "song", 'pw@box:6600\nfile: Album/01 Song.flac\nLast-Modified: 2021-01-01T00:00:00Z\nArtist: One\nArtist: Two\nAlbumArtist: Various\nTitle: Song\nAlbum: Album\nTrack: 3/12\nDisc: 1/2\nDate: 2019-05-01\nTime: 215\nduration: 214.733\nPos: 0\nId: 7\n')
    write("fuzz_mpdanswer", "status", '[::1]:6601\nvolume: 40\nrepeat: 0\nstate: play\nsong: 0\nsongid: 7\nelapsed: 12.5\nbitrate: 320\nduration: 214.733\naudio: 44100:24:2\nnextsong: 1\nnextsongid: 8\nsticker: rating=7\nsticker: like=2\nLYRICS: [00:01.00]one line\nUNSYNCEDLYRICS: plain\n')
    write("fuzz_requesthead", "phone", "GET /api/track?token=abc HTTP/1.1\r\nHost: 192.168.1.20:8470\r\nUser-Agent: Mozilla/5.0\r\nAccept: */*\r\n\r\n")
    write("fuzz_requesthead", "command", "POST /api/command HTTP/1.1\r\nHost: box.local:8470\r\nOrigin: http://box.local:8470\r\nAuthorization: Bearer abc\r\nContent-Type: application/json\r\nContent-Length: 18\r\n\r\n{\"command\":\"next\"}")
    write("fuzz_requesthead", "websocket", "GET /ws?token=abc HTTP/1.1\r\nHost: [::1]:8470\r\nUpgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n")
    write("fuzz_requesthead", "lf-only", "GET /%2e%2e/remote.js HTTP/1.0\nHost: localhost\nTransfer-Encoding: chunked\n\n")
    write("fuzz_requesthead", "two-lengths", "POST /api/command HTTP/1.1\r\nHost: box\r\nContent-Length: 2\r\nContent-Length: 99999999999999999999\r\n\r\n")
    write("fuzz_versionpage", "current", "v1.0.0 (1)\n")
    write("fuzz_versionpage", "newer", "v1.2 (57)")
    write("fuzz_versionpage", "bom-crlf", b"\xef\xbb\xbfv2.0\r\n")
    write("fuzz_versionpage", "html", "<html><body>v1.0.0 (1)</body></html>")
    write("fuzz_versionpage", "latin1", b"v1.0\xe9 (1)")
    write("fuzz_versionpage", "empty", b"")


if __name__ == "__main__":
    main()
