"""Client half of boardsim_selftest.sh; runs in the host namespace.

usage: boardsim_selftest.py main|faults|http --log FILE --pid PID [--control FILE] [--work DIR]
Prints one line per failed check and exits 1 if any failed.
"""
import argparse
import os
import random
import re
import signal
import socket
import struct
import subprocess
import sys
import time

HOST_IP = os.environ.get("ZT_HOST_IP", "10.213.0.2")
PORT = 3289


def frame(tail):
    return b"KAVRO" + bytes(tail)


SEARCH = frame([0x50, 0, 0, 0, 0, 0, 0, 0, 0])
EXT_SEARCH = frame([0x50, 3, 0, 0, 1, 0, 0, 0, 0])
BASIC = frame([0x51, 0, 0, 0, 0, 0, 0, 0, 0])
MODEL = frame([0x51, 3, 0, 0, 1, 0, 0, 0, 0])
SERIAL = frame([0x51, 3, 0, 0, 3, 0, 0, 0, 0])
STATUS = frame([0x51, 3, 0, 0, 0x10, 0, 0, 0, 0])

failures = []


def check(cond, what):
    if not cond:
        failures.append(what)
        print("FAIL: " + what, flush=True)
    return cond


class Reply:
    def __init__(self, raw, src):
        self.raw = raw
        self.src = src
        self.ok = len(raw) >= 14 and raw[:5] == b"KAVRO"
        if self.ok:
            self.letter = chr(raw[5])
            self.group = raw[6]
            self.cmd, self.result, self.length = struct.unpack(">HHH", raw[8:14])
            self.data = raw[14:]

    def text(self, off):
        return self.data[off:].split(b"\0", 1)[0].decode("latin-1")

    def mac(self, off):
        return ":".join("%02X" % b for b in self.data[off:off + 6])

    def __repr__(self):
        return "%s:%d %s" % (self.src[0], self.src[1], self.raw[:16].hex())


def client():
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
    s.bind((HOST_IP, 0))
    return s


def exchange(req, dst, quiet=0.4, first=1.0):
    """Sends req to dst and gathers replies until `quiet` s pass without one."""
    s = client()
    try:
        s.sendto(req, (dst, PORT))
        replies, timeout = [], first
        while True:
            s.settimeout(timeout)
            try:
                raw, src = s.recvfrom(70000)
            except socket.timeout:
                return replies
            replies.append(Reply(raw, src))
            timeout = quiet
    finally:
        s.close()


def by_source(replies):
    return {r.src[0]: r for r in replies}


def wait_log(path, pattern, timeout=3.0, start=0):
    deadline = time.monotonic() + timeout
    rx = re.compile(pattern)
    while time.monotonic() < deadline:
        with open(path) as f:
            lines = f.read().splitlines()[start:]
        if any(rx.search(l) for l in lines):
            return True
        time.sleep(0.05)
    return False


def log_lines(path):
    with open(path) as f:
        return f.read().splitlines()


def signal_sim(args, sig):
    try:
        os.kill(args.pid, sig)
        return True
    except ProcessLookupError:
        return check(False, "simulator not running when sending signal %d" % sig)


def only(replies, what):
    check(len(replies) == 1, "%s: expected one reply, got %r" % (what, replies))
    return replies[0] if replies else None


def phase_main(args):
    # Search by broadcast: all three boards, each from its own address.
    got = by_source(exchange(SEARCH, "255.255.255.255"))
    check(sorted(got) == ["10.213.0.11", "10.213.0.12", "10.213.0.13"], "search reached boards %s" % sorted(got))
    b1, b2, b3 = got.get("10.213.0.11"), got.get("10.213.0.12"), got.get("10.213.0.13")
    if b1:
        check(b1.src[1] == 3289, "classic board source port %d" % b1.src[1])
        check(b1.raw[:14] == frame([0x70, 0, 0, 0, 0, 0, 0, 0, 54]), "classic header %s" % b1.raw[:14].hex())
        check(len(b1.data) == 54 and b1.data[:4] == b"QJ-L", "classic data %s" % b1.data[:8].hex())
        check(b1.data[36:40] == bytes([4, 0, 0x05, 0x10]), "classic type/version %s" % b1.data[36:40].hex())
        check(b1.mac(40) == "02:00:00:00:00:11", "classic MAC %s" % b1.mac(40))
    if b2:
        check(b2.src[1] == 3289, "newer board source port %d" % b2.src[1])
        check((b2.letter, b2.result, b2.length, len(b2.data)) == ("p", 0xE000, 62, 62),
              "newer header %s" % b2.raw[:14].hex())
        check(b2.data[61] == 4 and b2.data[38:40] == bytes([0x05, 0x12]), "newer kind/version %s" % b2.data.hex())
    if b3:
        check(b3.src[1] == 3290, "wrongport board answered from port %d" % b3.src[1])
        check(b3.data[36] == 1 and b3.data[38:40] == bytes([0x0A, 0x05]), "type 1 / version A.05 %s" % b3.data.hex())

    # Extended search: the model-name reply, letter "p".
    got = by_source(exchange(EXT_SEARCH, "255.255.255.255"))
    check(len(got) == 3, "extended search answered by %s" % sorted(got))
    r = got.get("10.213.0.12")
    if check(r is not None and r.ok, "extended search reply of the newer board"):
        check((r.letter, r.group, r.cmd, r.result) == ("p", 3, 1, 0), "extended reply header %s" % r.raw[:14].hex())
        check(r.mac(0) == "02:00:00:00:00:12" and r.text(6) == "QJ-W03" and r.text(42) == "Front desk",
              "extended reply fields %r %r %r" % (r.mac(0), r.text(6), r.text(42)))

    # Unicast queries reach only the board at the address.
    r = only(exchange(BASIC, "10.213.0.11"), "basic query")
    if r:
        check(r.src == ("10.213.0.11", 3289) and r.letter == "q" and r.length == 54, "basic query reply %r" % r)
    r = only(exchange(MODEL, "10.213.0.12"), "model query")
    if r:
        check((r.letter, r.group, r.cmd, r.text(6), r.text(42)) == ("q", 3, 1, "QJ-W03", "Front desk"),
              "model reply %r" % r)
    r = only(exchange(SERIAL, "10.213.0.12"), "serial query")
    if r:
        check((r.cmd, r.mac(0), r.text(6)) == (3, "02:00:00:00:00:12", "K12345"), "serial reply %r" % r)
    st11 = only(exchange(STATUS, "10.213.0.11"), "status query .11")
    st12 = only(exchange(STATUS, "10.213.0.12"), "status query .12")
    if st11 and st12:
        check((st12.letter, st12.group, st12.cmd, st12.result) == ("q", 3, 0x10, 0), "status header %r" % st12)
        check(st11.data[0] & 0x10 == 0 and st12.data[0] & 0x10, "status bytes %02x %02x" % (st11.data[0], st12.data[0]))
    check(exchange(BASIC, "10.213.0.1", first=0.3) == [], "an address without a board stays quiet")
    check(len(exchange(SEARCH, "10.213.0.255")) == 3, "directed broadcast search answered by all boards")

    # Garbage must be ignored and must not stop the boards.
    rnd = random.Random(7)
    junk = [b"", SEARCH[:13], SEARCH + b"\0", frame([0x70, 0, 0, 0, 0, 0, 0, 0, 0]),
            frame([0x51, 0, 1, 0, 0, 0, 0, 0, 0]), frame([0x51, 6, 0, 0, 0, 0, 0, 0, 0]), b"K" + BASIC,
            frame([0x51, 3, 0, 0, 2, 0, 0, 0, 0]), bytes(rnd.getrandbits(8) for _ in range(512)),
            bytes(rnd.getrandbits(8) for _ in range(9000)), BASIC * 4000]
    s = client()
    s.settimeout(0.5)
    for j in junk:
        # Paced, so that no datagram is lost to a full receive buffer and every one is logged.
        s.sendto(j, ("10.213.0.11", PORT))
        time.sleep(0.01)
        s.sendto(j, ("255.255.255.255", PORT))
        time.sleep(0.01)
    try:
        raw, src = s.recvfrom(70000)
        check(False, "garbage was answered by %s: %s" % (src, raw[:16].hex()))
    except socket.timeout:
        pass
    s.close()
    ignored = [l for l in log_lines(args.log) if l.endswith("req=ignored")]
    check(len(ignored) == 2 * len(junk), "ignored lines logged: %d of %d" % (len(ignored), 2 * len(junk)))
    check(any("len=56000 " in l for l in ignored), "oversized datagram logged with its real length")
    check(len(exchange(BASIC, "10.213.0.11")) == 1, "boards still answer after garbage")

    # SIGUSR1 flips readiness of every board.
    n = len(log_lines(args.log))
    signal_sim(args, signal.SIGUSR1)
    check(wait_log(args.log, r"set board=10\.213\.0\.13 ", start=n), "readiness toggle logged")
    st11 = only(exchange(STATUS, "10.213.0.11"), "status .11 after toggle")
    st12 = only(exchange(STATUS, "10.213.0.12"), "status .12 after toggle")
    if st11 and st12:
        check(st11.data[0] == 0x10 and st12.data[0] == 0x00, "toggled status %02x %02x" % (st11.data[0], st12.data[0]))

    # Control file on SIGHUP: silence one board, give another a new version.
    with open(args.control, "w") as f:
        f.write("10.213.0.11 fault=silent\n02:00:00:00:00:12 version=6.01\n9 ready=0\n")
    n = len(log_lines(args.log))
    signal_sim(args, signal.SIGHUP)
    check(wait_log(args.log, r"control done errors=1$", start=n), "control file applied with one bad line")
    check(exchange(BASIC, "10.213.0.11", first=0.3) == [], "silenced board still answers")
    r = only(exchange(BASIC, "10.213.0.12"), "basic query after control")
    if r:
        check(r.data[38:40] == bytes([6, 1]), "new version %s" % r.data[38:40].hex())
    check(wait_log(args.log, r"drop board=10\.213\.0\.11 .*req=basic reason=silent$", start=n), "silent drop logged")

    # Log format that tests rely on.
    lines = log_lines(args.log)
    times = [int(l.split()[0][2:]) for l in lines]
    check(all(l.startswith("t=") for l in lines) and times == sorted(times), "timestamps present and monotonic")
    check(any(re.fullmatch(r"t=\d+ rx from=10\.213\.0\.2:\d+ to=255\.255\.255\.255 port=3289 len=14 req=search", l)
              for l in lines), "rx line format")
    check(any(re.fullmatch(r"t=\d+ tx board=10\.213\.0\.11 mac=02:00:00:00:00:11 sport=3289 to=10\.213\.0\.2:\d+ "
                           r"len=68 kind=p group=0 cmd=0x0000 result=0x0000 datalen=54 fault=none", l)
              for l in lines), "tx line format")


def phase_faults(args):
    s_replies = by_source(exchange(BASIC, "10.213.0.11"))
    r = s_replies.get("10.213.0.11")
    if check(r is not None, "truncated board answered"):
        check(r.length == 54 and len(r.raw) == 14 + 30, "truncated: length field %d, datagram %d" % (r.length, len(r.raw)))

    r = only(exchange(BASIC, "10.213.0.12"), "trailing board")
    if r:
        check(r.length == 54 and len(r.raw) == 14 + 54 + 2 and r.raw[-2:] == b"\0\0",
              "trailing: length field %d, datagram %d" % (r.length, len(r.raw)))

    # Duplicate address: both boards answer from the same address, each with its MAC.
    dup = exchange(BASIC, "10.213.0.13")
    check(sorted((r.src, r.mac(40)) for r in dup) ==
          [(("10.213.0.13", 3289), "02:00:00:00:00:13"), (("10.213.0.13", 3289), "02:00:00:00:00:99")],
          "duplicate address replies %r" % dup)
    st = exchange(STATUS, "10.213.0.13")
    check(len(st) == 1 and st[0].data[0] == 0x00, "only the board without nostatus answers status: %r" % st)
    check(wait_log(args.log, r"drop board=10\.213\.0\.13 mac=02:00:00:00:00:13 req=status reason=ignored$"),
          "nostatus drop logged")

    # A delayed board answers late; the others are not held up by it.
    s = client()
    t0 = time.monotonic()
    s.sendto(SEARCH, ("255.255.255.255", PORT))
    arrivals = {}
    s.settimeout(1.5)
    try:
        while len(arrivals) < 5:
            raw, src = s.recvfrom(70000)
            arrivals.setdefault(src[0], []).append(time.monotonic() - t0)
    except socket.timeout:
        pass
    s.close()
    check(sorted(arrivals) == ["10.213.0.11", "10.213.0.12", "10.213.0.13", "10.213.0.14"],
          "search answered by %s (silent board must not answer)" % sorted(arrivals))
    late = arrivals.get("10.213.0.14", [0])[0]
    check(late >= 0.28, "delayed board answered after %.3f s" % late)
    check(max(arrivals.get("10.213.0.11", [9])) < 0.2, "prompt board held up by the delayed one")
    check(len(arrivals.get("10.213.0.13", [])) == 2, "both boards at the duplicate address answer the search")
    check(wait_log(args.log, r"drop board=10\.213\.0\.15 .*req=search reason=silent$"), "silent board drop logged")


UPLOAD_PATH = "/fwupdate/cgi-bin/fwupdate.cgi"
BOUNDARY = "-" * 27 + "7dd1963540348"
CONTENT_TYPE = "Content-Type: multipart/form-data; boundary=" + BOUNDARY
IMAGE_SIZE = 17825885  # the real image's size


def multipart(image, field="rcc", filename="l04_05.12.rcc"):
    pre = ("--%s\r\nContent-Disposition: form-data; name=\"%s\"; filename=\"%s\"\r\n"
           "Content-Type: application/octet-stream\r\n\r\n" % (BOUNDARY, field, filename)).encode()
    return pre + image + ("\r\n--%s--\r\n" % BOUNDARY).encode()


def curl(ip, body_file, work, agent="Zantor/1.0", expect=False, path=UPLOAD_PATH, extra=(), timeout=20):
    """POSTs the file as it is; returns (curl exit code, HTTP status, answer body)."""
    out = os.path.join(work, "answer")
    if os.path.exists(out):
        os.unlink(out)
    cmd = ["curl", "-s", "--noproxy", "*", "-o", out, "-w", "%{http_code}", "--max-time", str(timeout),
           "-H", CONTENT_TYPE, "--data-binary", "@" + body_file]
    cmd += ["-A", agent] if agent else []
    # curl asks for 100-continue on large bodies; a board knows nothing of it.
    cmd += ["--expect100-timeout", "0.3"] if expect else ["-H", "Expect:"]
    cmd += list(extra) + ["http://%s%s" % (ip, path)]
    env = {k: v for k, v in os.environ.items() if "proxy" not in k.lower()}
    r = subprocess.run(cmd, capture_output=True, text=True, env=env)
    answer = open(out, "rb").read() if os.path.exists(out) else b""
    return r.returncode, r.stdout.strip(), answer


def version_of(ip, first=0.3):
    r = exchange(BASIC, ip, quiet=0.1, first=first)
    return r[0].data[38:40] if r and r[0].ok and len(r[0].data) >= 40 else None


def http_line(args, ip, start):
    """The first 'http' log line of board `ip` after line `start`."""
    for l in log_lines(args.log)[start:]:
        if re.search(r" http board=%s " % re.escape(ip), l):
            return l
    return ""


def phase_http(args):
    w = args.work
    image = open(os.path.join(w, "image.rcc"), "rb").read()
    check(len(image) == IMAGE_SIZE, "test image size %d" % len(image))
    body = multipart(image)
    files = {}

    def write(name, data):
        files[name] = os.path.join(w, name)
        with open(files[name], "wb") as f:
            f.write(data)

    write("good", body)
    flipped = bytearray(body)
    flipped[156 + 1000000] ^= 0x01
    write("flipped", bytes(flipped))
    del flipped
    write("srom1", multipart(image, field="srom1"))
    del image

    lines = log_lines(args.log)
    check(any(l.endswith(" image size=17825885 body=17826089 field=\"rcc\" filename=\"l04_05.12.rcc\" "
                         "newversion=5.12") for l in lines), "image line")
    listening = sorted(m.group(1) for m in (re.search(r" listen ip=(\S+) port=80$", l) for l in lines) if m)
    check(listening == ["10.213.0.11", "10.213.0.12", "10.213.0.14", "10.213.0.15", "10.213.0.16"],
          "listeners at start %s (none for the refusing board)" % listening)

    # Wrong requests are answered 400/404 with the reason, and do not restart the board.
    for name, extra, path, status, reason in [
            ("flipped", (), UPLOAD_PATH, "400",
             r"image byte 1000000 \(body byte 1000156\) differs: got 0x.. expected 0x..$"),
            ("srom1", (), UPLOAD_PATH, "400", r'preamble byte 82 differs: got "data; name=\\"srom1'),
            ("good", ("-H", "Transfer-Encoding: chunked"), UPLOAD_PATH, "400", r'Transfer-Encoding "chunked"$'),
            ("good", (), "/cgi-bin/fwupdate.cgi", "404", r'path "/cgi-bin/fwupdate.cgi"$')]:
        n = len(log_lines(args.log))
        rc, status_got, _ = curl("10.213.0.11", files[name], w, extra=extra, path=path)
        check(rc == 0 and status_got == status, "%s: curl %d status %s, expected %s" % (name, rc, status_got, status))
        wait_log(args.log, r" http board=10\.213\.0\.11 ", start=n)
        l = http_line(args, "10.213.0.11", n)
        check(re.search(r" request=bad .* answer=%s .*reason=%s" % (status, reason), l), "%s logged: %s" % (name, l))
    check(not wait_log(args.log, r" restart ", timeout=0.1), "a wrong request restarted a board")
    check(version_of("10.213.0.11") == bytes([5, 0]), "board still at 5.00 after wrong requests")

    # The good upload: 200, then silent for the restart time, then the new version.
    n = len(log_lines(args.log))
    rc, status, answer = curl("10.213.0.11", files["good"], w)
    t0 = time.monotonic()
    check(rc == 0 and status == "200" and b"<html>" in answer,
          "good upload: curl %d status %s %r" % (rc, status, answer[:60]))
    wait_log(args.log, r" restart board=10\.213\.0\.11 ", start=n)
    l = http_line(args, "10.213.0.11", n)
    check(re.fullmatch(r"t=\d+ http board=10\.213\.0\.11 mac=02:00:0A:D5:00:0B from=10\.213\.0\.2:\d+ request=ok "
                       r"body=17826089 length=17826089 compare=match agent=\"Zantor/1\.0\" "
                       r"boundary=\"-{27}7dd1963540348\" field=\"rcc\" answer=200 ms=\d+", l),
          "good upload logged: %s" % l)
    check(wait_log(args.log, r" restart board=10\.213\.0\.11 mac=02:00:0A:D5:00:0B down=2000 version=5\.12$", start=n),
          "restart logged")
    rc, status, _ = curl("10.213.0.11", files["good"], w, timeout=3)
    check(rc == 7, "port 80 refuses during the restart: curl %d status %s" % (rc, status))
    while time.monotonic() - t0 < 1.2:
        check(version_of("10.213.0.11", first=0.2) is None,
              "board answered %.2f s into its restart" % (time.monotonic() - t0))
    v = None
    while v is None and time.monotonic() - t0 < 5:
        v = version_of("10.213.0.11")
    check(v == bytes([5, 0x12]), "version after the restart: %r" % v)
    check(wait_log(args.log, r" up board=10\.213\.0\.11 .* version=5\.12$", start=n), "board up logged")
    times = {m.group(2): int(m.group(1)) for m in
             (re.match(r"t=(\d+) (restart|up) board=10\.213\.0\.11 ", l) for l in log_lines(args.log)[n:]) if m}
    check(2000 <= times.get("up", 0) - times.get("restart", 0) <= 3000, "restart lasted %r" % times)

    # 500: the body is read and checked, the answer is 500, nothing restarts.
    n = len(log_lines(args.log))
    rc, status, _ = curl("10.213.0.12", files["good"], w)
    check(rc == 0 and status == "500", "500 board: curl %d status %s" % (rc, status))
    check(re.search(r" request=ok body=17826089 .* answer=500 ", http_line(args, "10.213.0.12", n)), "500 logged")
    check(version_of("10.213.0.12") == bytes([5, 0]), "500 board still answers with its old version")

    # refuse: nothing listens.
    rc, status, _ = curl("10.213.0.13", files["good"], w, timeout=3)
    check(rc == 7 and status == "000", "refusing board: curl %d status %s" % (rc, status))
    check(not any(" accept board=10.213.0.13 " in l for l in log_lines(args.log)), "refusing board accepted")

    # reset: the connection dies after 1 MiB of body.
    n = len(log_lines(args.log))
    rc, status, _ = curl("10.213.0.14", files["good"], w)
    check(rc in (55, 56) and status == "000", "reset board: curl %d status %s" % (rc, status))
    wait_log(args.log, r" close board=10\.213\.0\.14 .*reason=reset", start=n)
    l = http_line(args, "10.213.0.14", n)
    check(re.search(r" request=incomplete body=1048576 length=17826089 compare=short .* answer=reset ", l),
          "reset logged: %s" % l)

    # Another agent with Expect: logged, not required; newversion=0.00 comes back as such.
    # The board takes the upload at 8 MB/s: about 2.2 s for the image, not the link's speed.
    n = len(log_lines(args.log))
    t1 = time.monotonic()
    rc, status, _ = curl("10.213.0.15", files["good"], w, agent="Launcher-test/2", expect=True)
    took = time.monotonic() - t1
    check(rc == 0 and status == "200", "0.00 board: curl %d status %s" % (rc, status))
    m = re.search(r" answer=200 ms=(\d+)", http_line(args, "10.213.0.15", n))
    check(m and 2100 <= int(m.group(1)) <= 4000 and took >= 2.1,
          "rate=8000000 board took %s ms in its log, %.2f s for curl" % (m and m.group(1), took))
    check(re.search(r' request=ok .* agent="Launcher-test/2" expect="100-continue" boundary="[^"]+" '
                    r'field="rcc" answer=200 ',
                    http_line(args, "10.213.0.15", n)), "agent and Expect logged")
    t1, v = time.monotonic(), None
    while v is None and time.monotonic() - t1 < 3:
        v = version_of("10.213.0.15")
    check(v == bytes([0, 0]), "0.00 board after restart: %r" % v)

    # noanswer: the body is read, no answer ever comes; the client gives up.
    n = len(log_lines(args.log))
    rc, status, _ = curl("10.213.0.16", files["good"], w, timeout=3)
    check(rc == 28, "noanswer board: curl %d status %s" % (rc, status))
    check(re.search(r" request=ok body=17826089 .* answer=none ", http_line(args, "10.213.0.16", n)),
          "noanswer logged")
    check(wait_log(args.log, r" close board=10\.213\.0\.16 .*reason=client", start=n), "client giving up logged")

    # Set at run time: a board that never comes back.
    with open(args.control, "w") as f:
        f.write("10.213.0.16 http=ok,restart=never\n")
    n = len(log_lines(args.log))
    signal_sim(args, signal.SIGHUP)
    check(wait_log(args.log, r"control done errors=0$", start=n), "control file with upload keys applied")
    rc, status, _ = curl("10.213.0.16", files["good"], w)
    check(rc == 0 and status == "200", "restart=never board: curl %d status %s" % (rc, status))
    check(wait_log(args.log, r" restart board=10\.213\.0\.16 .* down=never version=5\.12$", start=n), "never logged")
    check(version_of("10.213.0.16", first=2.0) is None, "restart=never board answered")

    hostile_clients(args)
    rc, status, _ = curl("10.213.0.12", files["good"], w)
    check(rc == 0 and status == "500", "500 board after hostile clients: curl %d status %s" % (rc, status))
    check(version_of("10.213.0.12") == bytes([5, 0]), "UDP after hostile clients")


def hostile_clients(args):
    def conn(data=b""):
        try:
            s = socket.create_connection(("10.213.0.12", 80), timeout=5)
        except ConnectionResetError:  # reset at once: over the connection limit
            return None
        try:
            s.sendall(data)
        except OSError:
            pass
        return s

    def answer_of(s):
        if s is None:
            return b""
        data = b""
        try:
            while True:
                chunk = s.recv(4096)
                if not chunk:
                    break
                data += chunk
        except (ConnectionResetError, socket.timeout):
            pass
        s.close()
        return data

    n = len(log_lines(args.log))
    check(answer_of(conn(b"A" * 10000)).startswith(b"HTTP/1.1 400 "), "endless header answered 400")
    junk = bytes(random.Random(3).getrandbits(8) for _ in range(3000)) + b"\n\n"
    check(answer_of(conn(junk)).startswith(b"HTTP/1.1 400 "), "binary junk answered 400")
    conn(("POST %s HTTP/1.1\r\n%s\r\nContent-Length: 17826089\r\n\r\n" % (UPLOAD_PATH, CONTENT_TYPE)).encode()
         + b"--" * 500).close()
    check(wait_log(args.log, r" http board=10\.213\.0\.12 .* request=incomplete body=1000 .* answer=none .*"
                             r"reason=connection closed by the client after 1000 of 17826089 body bytes", start=n),
          "client gone mid-body logged")

    # Idle connections, more than the simulator takes at once: the extra ones are reset,
    # the others closed after --http-timeout (1500 ms).
    t = time.monotonic()
    idle = [conn(b"POST /fw") for _ in range(40)]
    for s in idle:
        answer_of(s)
    took = time.monotonic() - t
    check(1.3 < took < 4, "idle connections closed after %.2f s" % took)
    lines = log_lines(args.log)[n:]
    check(sum("reason=too many connections" in l for l in lines) >= 8, "connections over the limit reset")
    check(sum(re.search(r"answer=none .*reason=idle for \d+ ms in the header after 8 bytes$", l) is not None
              for l in lines) >= 30, "idle connections logged")


def main():
    p = argparse.ArgumentParser()
    p.add_argument("phase", choices=["main", "faults", "http"])
    p.add_argument("--log", required=True)
    p.add_argument("--pid", type=int, required=True)
    p.add_argument("--control")
    p.add_argument("--work")
    args = p.parse_args()
    {"main": phase_main, "faults": phase_faults, "http": phase_http}[args.phase](args)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
