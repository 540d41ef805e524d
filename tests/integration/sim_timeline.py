#!/usr/bin/env python3
"""A batch of uploads as the simulated boards saw it, read from boardsim's log.

  sim_timeline.py LOG                      prints one line per board, in upload order
  sim_timeline.py LOG --check N [--failed IP]
                                           also checks the side-by-side rules for at
                                           most N boards restarting at once; exit 1
                                           on a broken rule
  sim_timeline.py LOG --json               the timeline as JSON (for the benchmark)

Per board: upload start (accept), end (the answer), restart, back (up) and
confirmed (the first reply the board sent after it was back: the updater's
query for its new version).
"""
import json
import re
import sys

LINE = re.compile(r"t=(\d+) (\S+) (.*)")


def timeline(path):
    boards = {}
    order = []
    for raw in open(path, encoding="utf-8", errors="replace"):
        m = LINE.match(raw.strip())
        if not m:
            continue
        t, what, rest = int(m.group(1)), m.group(2), m.group(3)
        ip = re.search(r"board=(\S+)", rest)
        if not ip:
            continue
        ip = ip.group(1)
        b = boards.get(ip)
        if what == "accept":
            if b is None:
                b = boards[ip] = {"ip": ip}
                order.append(ip)
            b.setdefault("accepts", []).append(t)
            b.setdefault("start", t)
        elif b is None:
            continue
        elif what == "http":
            answer = re.search(r" answer=(\S+)", rest).group(1)
            b.setdefault("end", t)
            b.setdefault("answer", answer)
        elif what == "restart":
            b.setdefault("restart", t)
        elif what == "up":
            b.setdefault("up", t)
        elif what == "tx" and "up" in b:
            b.setdefault("confirmed", t)
    return [boards[ip] for ip in order]


def show(rows):
    def f(b, k):
        return "%7d" % b[k] if k in b else "      -"
    print("board           upload  answer     end restart    back confirmed   (ms since the simulator started)")
    for b in rows:
        print("%-15s %s %6s %s %s %s %s" % (b["ip"], f(b, "start"), b.get("answer", "-"), f(b, "end"),
                                         f(b, "restart"), f(b, "up"), f(b, "confirmed")))


def check(rows, limit, failed):
    problems = []
    if not rows:
        return ["no upload reached the boards"]
    for b in rows:
        if len(b.get("accepts", [])) > 1:
            problems.append("%s was uploaded %d times" % (b["ip"], len(b["accepts"])))
    canary = rows[0]
    # The simulator logs in the order things happen, with millisecond stamps, so
    # a second upload accepted in the millisecond of the confirmation came after it.
    if len(rows) > 1 and not canary.get("confirmed", 1 << 62) <= rows[1]["start"]:
        problems.append("the second upload began before the first board was confirmed")
    for a, b in zip(rows, rows[1:]):
        if "end" not in a or a["end"] > b["start"]:
            problems.append("uploads of %s and %s overlap" % (a["ip"], b["ip"]))
    failure = next((b for b in rows if b.get("answer") != "200"), None)
    if failed and (failure is None or failure["ip"] != failed):
        problems.append("expected %s to be the failure, saw %s" % (failed, failure and failure["ip"]))
    if failure is not None:
        late = [b["ip"] for b in rows if b["start"] > failure["end"]]
        if late:
            problems.append("uploads after the failure of %s: %s" % (failure["ip"], " ".join(late)))
    # Side by side: the next upload starts while the previous board is still away.
    stop = rows.index(failure) if failure is not None else len(rows) - 1
    for k in range(1, stop):
        if limit > 1 and not rows[k + 1]["start"] < rows[k].get("up", 1 << 62):
            problems.append("upload of %s waited for %s to come back" % (rows[k + 1]["ip"], rows[k]["ip"]))
    for b in rows:
        if b.get("answer") == "200" and "confirmed" not in b:
            problems.append("%s took the image but was never asked for its new version" % b["ip"])
    # Never more than `limit` boards between their answer and their confirmation.
    events = []
    for b in rows:
        if b.get("answer") == "200":
            events += [(b["end"], 1), (b.get("confirmed", 1 << 62), -1)]
    busy = 0
    for _, step in sorted(events, key=lambda e: (e[0], e[1])):
        busy += step
        if busy > limit:
            problems.append("%d boards restarting at once, more than %d" % (busy, limit))
            break
    return problems


def main(argv):
    rows = timeline(argv[1])
    if "--json" in argv:
        print(json.dumps(rows))
        return 0
    show(rows)
    if "--check" in argv:
        limit = int(argv[argv.index("--check") + 1])
        failed = argv[argv.index("--failed") + 1] if "--failed" in argv else None
        problems = check(rows, limit, failed)
        for p in problems:
            print("FAIL: " + p)
        return 1 if problems else 0
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
