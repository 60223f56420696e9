#!/usr/bin/python3
"""Reads an iCalendar file of birthdays the way calendar programs do, with Python's vobject and
icalendar (Debian python3-vobject, python3-icalendar), and prints one line per event:

    UID <tab> SUMMARY <tab> DTSTART <tab> DTEND <tab> the days it falls on from FIRST to LAST year

Usage: check_ics.py FILE FIRST LAST. Exits 1 when the file is not an iCalendar file, when the two
readers disagree, or when an event is not a yearly all-day event.
"""
import datetime
import sys

import icalendar
import vobject


def fail(message):
    print(f"check_ics: {message}", file=sys.stderr)
    sys.exit(1)


def main():
    if len(sys.argv) != 4:
        fail("usage: check_ics.py FILE FIRST LAST")
    path, first, last = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    with open(path, "rb") as f:
        data = f.read()

    strict = icalendar.Calendar.from_ical(data)
    uids = [str(e["UID"]) for e in strict.walk("VEVENT")]

    cal = vobject.readOne(data.decode("utf-8"))
    if cal.version.value != "2.0":
        fail(f"VERSION is {cal.version.value}")
    events = cal.contents.get("vevent", [])
    if [e.uid.value for e in events] != uids:
        fail("vobject and icalendar read different events")
    for e in events:
        start, end = e.dtstart.value, e.dtend.value
        if isinstance(start, datetime.datetime) or isinstance(end, datetime.datetime):
            fail(f"{e.uid.value}: not an all-day event")
        if not e.rrule.value.startswith("FREQ=YEARLY"):
            fail(f"{e.uid.value}: RRULE is {e.rrule.value}")
        days = e.getrruleset().between(datetime.datetime(first, 1, 1),
                                       datetime.datetime(last, 12, 31), inc=True)
        print("\t".join([e.uid.value, e.summary.value, start.isoformat(), end.isoformat(),
                         ",".join(d.date().isoformat() for d in days)]))


if __name__ == "__main__":
    main()
