"""Prints the occurrences of every to-do and event of a calendar file within
[FROM, TO] as "UID YYYYMMDD" lines, sorted, as python-icalendar and its
recurrence expander (dateutil underneath) see them: a reader that owes
nothing to libical."""
import sys
from datetime import date, datetime

import icalendar
import recurring_ical_events


def day_of(value):
    return value.date() if isinstance(value, datetime) else value


def main(path, first, last):
    calendar = icalendar.Calendar.from_ical(open(path, "rb").read())
    start = date(int(first[:4]), int(first[4:6]), int(first[6:]))
    end = date(int(last[:4]), int(last[4:6]), int(last[6:]))
    lines = set()
    found = recurring_ical_events.of(calendar, components=["VEVENT", "VTODO"]).between(
        start, date.fromordinal(end.toordinal() + 1))
    for component in found:
        when = component.get("DTSTART") or component.get("DUE")
        day = day_of(when.dt)
        if start <= day <= end:
            lines.add("%s %s" % (component.get("UID"), day.strftime("%Y%m%d")))
    print("\n".join(sorted(lines)))


if __name__ == "__main__":
    main(*sys.argv[1:4])
